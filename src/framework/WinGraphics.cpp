#include "WinGraphics.h"

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

}  // namespace kestrilon::framework
