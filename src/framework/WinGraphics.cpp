#include "WinGraphics.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>

#include "Exceptions.h"
#include "SystemLibrary.h"
#include "WinText.h"

namespace kestrilon::framework {

void TIcon::SetHandle(HICON icon) {
  FIcon.Reset(icon);
  if (FOnChange) FOnChange();
}

HICON TIcon::ReleaseHandle() noexcept { return FIcon.Release(); }

win::UniqueIcon LoadIconAtSystemSize(HMODULE module, const wchar_t* name, bool small) noexcept {
  if (!module) module = GetModuleHandleW(nullptr);
  if (const auto loadIconMetric = win::IconMetricLoader()) {
    HICON icon = nullptr;
    if (FAILED(loadIconMetric(module, name, small ? LIM_SMALL : LIM_LARGE, &icon))) return {};
    return win::UniqueIcon(icon);
  }
  // Without it, the image nearest in size, stretched: blurred at sizes the icon lacks.
  const int size = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
  return win::UniqueIcon(static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, 0)));
}

bool TIcon::LoadFromResourceName(std::string_view name, bool small, HMODULE module) {
  win::UniqueIcon icon = LoadIconAtSystemSize(module, win::Widen(name).c_str(), small);
  if (!icon) return false;
  SetHandle(icon.Release());
  return true;
}

void TIcon::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TIcon*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  HICON copy = nullptr;
  if (other->Handle()) {
    copy = CopyIcon(other->Handle());
    if (!copy)
      throw EOutOfResources("Cannot copy an icon (error " + std::to_string(GetLastError()) + ")");
  }
  SetHandle(copy);
}

bool TBitmap::LoadFromResourceName(std::string_view name, HMODULE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  auto bitmap =
      static_cast<HBITMAP>(LoadImageW(module, win::Widen(name).c_str(), IMAGE_BITMAP, 0, 0, 0));
  if (!bitmap) return false;
  SetHandle(bitmap);
  return true;
}

namespace {

// A 32-bit top-down picture of width × height, its pixels in memory.
struct Pixels {
  win::UniqueBitmap bitmap;
  std::uint32_t* bits = nullptr;
  std::size_t width = 0;
  std::size_t count = 0;
};

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = width;
  header.bmiHeader.biHeight = -height;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  return header;
}

// A 32-bit copy of source, whatever its format; empty bitmap when it cannot be made.
Pixels CopyOf(HBITMAP source) {
  BITMAP info{};
  if (!source || !GetObjectW(source, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
    return {};
  BITMAPINFO header = TopDown32(info.bmWidth, info.bmHeight);
  win::WindowDC screen(nullptr);
  if (!screen) return {};
  void* bits = nullptr;
  Pixels copy;
  copy.bitmap.Reset(CreateDIBSection(screen.Get(), &header, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!copy.bitmap || !bits) return {};
  copy.bits = static_cast<std::uint32_t*>(bits);
  copy.width = static_cast<std::size_t>(info.bmWidth);
  copy.count = copy.width * static_cast<std::size_t>(info.bmHeight);
  if (GetDIBits(screen.Get(), source, 0, static_cast<UINT>(info.bmHeight), copy.bits, &header,
                DIB_RGB_COLORS) != info.bmHeight)
    return {};
  return copy;
}

}  // namespace

bool TBitmap::MakeCornerTransparent() {
  Pixels converted = CopyOf(FBitmap.Get());
  if (!converted.bitmap) return false;
  std::uint32_t* pixels = converted.bits;
  const std::uint32_t corner = pixels[converted.count - converted.width] & 0x00FFFFFFu;
  for (std::size_t i = 0; i < converted.count; ++i) {
    // Premultiplied: a transparent pixel is all zero, an opaque one keeps its colour.
    pixels[i] = (pixels[i] & 0x00FFFFFFu) == corner ? 0u : (pixels[i] | 0xFF000000u);
  }
  GdiFlush();
  FBitmap = std::move(converted.bitmap);
  FTransparent = true;
  return true;
}

win::UniqueBitmap TBitmap::OnBackground(COLORREF background) const {
  if (!FTransparent) return {};
  Pixels laid = CopyOf(FBitmap.Get());
  if (!laid.bitmap) return {};
  // Each premultiplied pixel over the background: colour + (1 - alpha) × background.
  const std::uint32_t under[] = {GetBValue(background), GetGValue(background),
                                 GetRValue(background)};
  for (std::size_t i = 0; i < laid.count; ++i) {
    const std::uint32_t pixel = laid.bits[i];
    const std::uint32_t rest = 255u - (pixel >> 24);
    std::uint32_t result = 0xFF000000u;
    for (int channel = 0; channel < 3; ++channel) {
      const std::uint32_t own = (pixel >> (8 * channel)) & 0xFFu;
      result |= std::min(255u, own + (rest * under[channel] + 127u) / 255u) << (8 * channel);
    }
    laid.bits[i] = result;
  }
  GdiFlush();
  return std::move(laid.bitmap);
}

}  // namespace kestrilon::framework
