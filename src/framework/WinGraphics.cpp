#include "WinGraphics.h"

#include <cstdint>

#include "Exceptions.h"
#include "WinText.h"

namespace kestrilon::framework {

void TIcon::SetHandle(HICON icon) {
  FIcon.Reset(icon);
  if (FOnChange) FOnChange();
}

HICON TIcon::ReleaseHandle() noexcept { return FIcon.Release(); }

bool TIcon::LoadFromResourceName(std::string_view name, bool small, HMODULE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  int size = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
  auto icon = static_cast<HICON>(LoadImageW(module, win::Widen(name).c_str(), IMAGE_ICON, size, size, 0));
  if (!icon) return false;
  SetHandle(icon);
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
    if (!copy) throw EOutOfResources("Cannot copy an icon (error " + std::to_string(GetLastError()) + ")");
  }
  SetHandle(copy);
}

bool TBitmap::LoadFromResourceName(std::string_view name, HMODULE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  auto bitmap = static_cast<HBITMAP>(LoadImageW(module, win::Widen(name).c_str(), IMAGE_BITMAP, 0, 0, 0));
  if (!bitmap) return false;
  FBitmap.Reset(bitmap);
  return true;
}

bool TBitmap::MakeCornerTransparent() {
  BITMAP info{};
  if (!FBitmap || !GetObjectW(FBitmap.Get(), sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return false;
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = -info.bmHeight;  // top-down
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  win::WindowDC screen(nullptr);
  if (!screen) return false;
  void* bits = nullptr;
  win::UniqueBitmap converted(CreateDIBSection(screen.Get(), &header, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!converted || !bits) return false;
  const auto count = static_cast<std::size_t>(info.bmWidth) * static_cast<std::size_t>(info.bmHeight);
  auto* pixels = static_cast<std::uint32_t*>(bits);
  if (GetDIBits(screen.Get(), FBitmap.Get(), 0, static_cast<UINT>(info.bmHeight), pixels, &header, DIB_RGB_COLORS) !=
      info.bmHeight)
    return false;
  const std::uint32_t corner = pixels[count - static_cast<std::size_t>(info.bmWidth)] & 0x00FFFFFFu;
  for (std::size_t i = 0; i < count; ++i) {
    // Premultiplied: a transparent pixel is all zero, an opaque one keeps its colour.
    pixels[i] = (pixels[i] & 0x00FFFFFFu) == corner ? 0u : (pixels[i] | 0xFF000000u);
  }
  GdiFlush();
  FBitmap = std::move(converted);
  return true;
}

}  // namespace kestrilon::framework
