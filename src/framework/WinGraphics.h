// Icons and bitmaps (Windows), each owning its handle.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

#include "Components.h"
#include "WinHandles.h"

namespace kestrilon::framework {

class TIcon : public TPersistent {
public:
  HICON Handle() const noexcept { return FIcon.Get(); }
  bool Empty() const noexcept { return !FIcon; }
  // Takes ownership of icon (null empties); raises OnChange. Only for icons the caller may
  // destroy (CreateIcon*, CopyIcon, LoadImage without LR_SHARED), never LoadIcon's shared ones.
  void SetHandle(HICON icon);
  // Gives the handle up to the caller.
  HICON ReleaseHandle() noexcept;
  // The icon resource of that name in module (null: the executable), at the system's small or
  // large icon size. False (and unchanged) when there is no such resource.
  bool LoadFromResourceName(std::string_view name, bool small = false, HMODULE module = nullptr);
  // Copies another icon's picture; EConvertError for anything else.
  void Assign(const TPersistent& source) override;
  void SetOnChange(std::function<void()> handler) { FOnChange = std::move(handler); }

private:
  win::UniqueIcon FIcon;
  std::function<void()> FOnChange;
};

class TBitmap : public TPersistent {
public:
  HBITMAP Handle() const noexcept { return FBitmap.Get(); }
  bool Empty() const noexcept { return !FBitmap; }
  void SetHandle(HBITMAP bitmap) noexcept { FBitmap.Reset(bitmap); }
  bool LoadFromResourceName(std::string_view name, HMODULE module = nullptr);

private:
  win::UniqueBitmap FBitmap;
};

}  // namespace kestrilon::framework
