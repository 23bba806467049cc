// Icons and bitmaps (Windows), each owning its handle.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>
#include <vector>

#include "Components.h"
#include "Graphics.h"
#include "WinHandles.h"

namespace kestrilon::framework {

// The icon resource name of module (null: the executable) at the system's small or large icon
// size for the DPI the program runs at, a larger image scaled down where none has that size.
// Empty when there is no such resource.
win::UniqueIcon LoadIconAtSystemSize(HMODULE module, const wchar_t* name, bool small) noexcept;

class TIcon : public TPersistent {
 public:
  HICON Handle() const noexcept { return FIcon.Get(); }
  bool Empty() const noexcept { return !FIcon; }
  // Takes ownership of icon (null empties); raises OnChange. Only for icons the caller may
  // destroy (CreateIcon*, CopyIcon, LoadImage without LR_SHARED), never LoadIcon's shared ones.
  void SetHandle(HICON icon);
  // Gives the handle up to the caller.
  HICON ReleaseHandle() noexcept;
  // The icon resource of that name in module (null: the executable), as LoadIconAtSystemSize
  // loads it. False (and unchanged) when there is no such resource.
  bool LoadFromResourceName(std::string_view name, bool small = false, HMODULE module = nullptr);
  // Copies another icon's picture; EConvertError for anything else.
  void Assign(const TPersistent& source) override;
  void SetOnChange(std::function<void()> handler) { FOnChange = std::move(handler); }

 private:
  win::UniqueIcon FIcon;
  std::function<void()> FOnChange;
};

// The widths in pixels of captions (UTF-8; "&" marks an accelerator and takes no room) drawn in
// font, as the face the system resolves for it; the font is made once for all of them. 0 for a
// caption that cannot be measured.
std::vector<int> TextWidths(const TFont& font, const std::vector<std::string_view>& captions);
int TextWidth(const TFont& font, std::string_view caption);

class TBitmap : public TPersistent {
 public:
  HBITMAP Handle() const noexcept { return FBitmap.Get(); }
  bool Empty() const noexcept { return !FBitmap; }
  void SetHandle(HBITMAP bitmap) noexcept {
    FBitmap.Reset(bitmap);
    FTransparent = false;
  }
  bool LoadFromResourceName(std::string_view name, HMODULE module = nullptr);
  // Turns the picture into 32 bits with premultiplied alpha, the colour of its bottom-left pixel
  // transparent, so that a menu shows its own background there. False (and unchanged) when it
  // cannot.
  bool MakeCornerTransparent();
  // Whether the picture has transparent parts (MakeCornerTransparent made it so).
  bool Transparent() const noexcept { return FTransparent; }
  // A copy of a transparent picture laid on a plain background of that colour, every pixel
  // opaque: for surfaces that copy a bitmap as it is instead of blending its alpha. Empty when the
  // picture isn't transparent or the copy cannot be made.
  win::UniqueBitmap OnBackground(COLORREF background) const;

 private:
  win::UniqueBitmap FBitmap;
  bool FTransparent = false;
};

}  // namespace kestrilon::framework
