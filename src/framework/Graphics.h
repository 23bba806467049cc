// Colours, fonts and brushes as values. A colour is an RGB value (0x00BBGGRR) or, with the
// system-colour flag, the index of a system colour that the platform resolves when drawing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kestrilon::framework {

using TColor = std::int32_t;

inline constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
constexpr TColor SystemColor(int index) noexcept { return clSystemColor | index; }
constexpr bool IsSystemColor(TColor color) noexcept {
  return (color & clSystemColor) == clSystemColor;
}

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// System colours; the numbers are the platform's system colour indexes.
inline constexpr TColor clScrollBar = SystemColor(0);
inline constexpr TColor clBackground = SystemColor(1);
inline constexpr TColor clActiveCaption = SystemColor(2);
inline constexpr TColor clInactiveCaption = SystemColor(3);
inline constexpr TColor clMenu = SystemColor(4);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowFrame = SystemColor(6);
inline constexpr TColor clMenuText = SystemColor(7);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clCaptionText = SystemColor(9);
inline constexpr TColor clActiveBorder = SystemColor(10);
inline constexpr TColor clInactiveBorder = SystemColor(11);
inline constexpr TColor clAppWorkSpace = SystemColor(12);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clGrayText = SystemColor(17);
inline constexpr TColor clBtnText = SystemColor(18);
inline constexpr TColor clInactiveCaptionText = SystemColor(19);
inline constexpr TColor clBtnHighlight = SystemColor(20);
inline constexpr TColor cl3DDkShadow = SystemColor(21);
inline constexpr TColor cl3DLight = SystemColor(22);
inline constexpr TColor clInfoText = SystemColor(23);
inline constexpr TColor clInfoBk = SystemColor(24);

// Character sets, as the platform numbers them.
inline constexpr std::uint8_t ANSI_CHARSET_ID = 0;
inline constexpr std::uint8_t DEFAULT_CHARSET_ID = 1;
inline constexpr std::uint8_t SHIFTJIS_CHARSET_ID = 128;

using TFontStyles = std::uint8_t;
inline constexpr TFontStyles fsBold = 1u << 0;
inline constexpr TFontStyles fsItalic = 1u << 1;
inline constexpr TFontStyles fsUnderline = 1u << 2;
inline constexpr TFontStyles fsStrikeOut = 1u << 3;

// A font description. Height < 0 is the character height in pixels, > 0 the cell height.
class TFont {
 public:
  TFont() = default;
  TFont(std::string_view name, int height, std::uint8_t charset = DEFAULT_CHARSET_ID,
        TColor color = clWindowText, TFontStyles style = 0)
      : FName(name), FHeight(height), FCharset(charset), FColor(color), FStyle(style) {}

  const std::string& Name() const noexcept { return FName; }  // UTF-8
  int Height() const noexcept { return FHeight; }
  std::uint8_t Charset() const noexcept { return FCharset; }
  TColor Color() const noexcept { return FColor; }
  TFontStyles Style() const noexcept { return FStyle; }

  void SetName(std::string_view name) { FName = std::string(name); }
  void SetHeight(int height) noexcept { FHeight = height; }
  void SetCharset(std::uint8_t charset) noexcept { FCharset = charset; }
  void SetColor(TColor color) noexcept { FColor = color; }
  void SetStyle(TFontStyles style) noexcept { FStyle = style; }

  bool operator==(const TFont&) const = default;

 private:
  std::string FName = "ＭＳ Ｐゴシック";
  int FHeight = -12;
  std::uint8_t FCharset = SHIFTJIS_CHARSET_ID;
  TColor FColor = clWindowText;
  TFontStyles FStyle = 0;
};

enum TBrushStyle { bsSolid, bsClear };

// The fill of a shape. The shape that owns it hears every change (to repaint).
class TBrush {
 public:
  TColor Color() const noexcept { return FColor; }
  void SetColor(TColor color);
  TBrushStyle Style() const noexcept { return FStyle; }
  void SetStyle(TBrushStyle style);
  void SetOnChange(std::function<void()> handler) { FOnChange = std::move(handler); }

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  std::function<void()> FOnChange;
};

}  // namespace kestrilon::framework
