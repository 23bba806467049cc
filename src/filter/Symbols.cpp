#include <array>
#include <cstdint>

#include "Symbols.h"

namespace kestrilon::filter {
namespace {

struct ToHalf {
  std::uint16_t code;
  unsigned char byte;
};

// Full-width symbol to one byte. Several codes share a byte; two give half-width katakana bytes.
constexpr ToHalf kToHalf[] = {
    {0x8143, 0x2C},  // ， → ,
    {0x8144, 0x2E},  // ． → .
    {0x8145, 0xA5},  // ・ → ･
    {0x8146, 0x3A},  // ： → :
    {0x8147, 0x3B},  // ； → ;
    {0x8148, 0x3F},  // ？ → ?
    {0x8149, 0x21},  // ！ → !
    {0x814F, 0x5E},  // ＾ → ^
    {0x815B, 0xB0},  // ー → ｰ
    {0x815E, 0x2F},  // ／ → /
    {0x8160, 0x7E},  // ～ → ~
    {0x8162, 0x7C},  // ｜ → |
    {0x8165, 0x27},  // ‘ → '
    {0x8166, 0x27},  // ’ → '
    {0x8167, 0x22},  // “ → "
    {0x8168, 0x22},  // ” → "
    {0x8169, 0x28},  // （ → (
    {0x816A, 0x29},  // ） → )
    {0x816D, 0x5B},  // ［ → [
    {0x816E, 0x5D},  // ］ → ]
    {0x816F, 0x7B},  // ｛ → {
    {0x8170, 0x7D},  // ｝ → }
    {0x817B, 0x2B},  // ＋ → +
    {0x817C, 0x2D},  // － → -
    {0x8181, 0x3D},  // ＝ → =
    {0x8183, 0x3C},  // ＜ → <
    {0x8184, 0x3E},  // ＞ → >
    {0x818C, 0x27},  // ′ → '
    {0x818D, 0x22},  // ″ → "
    {0x818F, 0x5C},  // ￥ → backslash
    {0x8190, 0x24},  // ＄ → $
    {0x8193, 0x25},  // ％ → %
    {0x8194, 0x23},  // ＃ → #
    {0x8195, 0x26},  // ＆ → &
    {0x8196, 0x2A},  // ＊ → *
    {0x8197, 0x40},  // ＠ → @
    {0x81AC, 0x3D},  // 〓 → =
};

struct ToFull {
  unsigned char byte;
  std::uint16_t code;
};

// One byte to a full-width symbol. Where several codes share a byte above, this picks one.
constexpr ToFull kToFull[] = {
    {0x21, 0x8149},  // ! → ！
    {0x22, 0x818D},  // " → ″
    {0x23, 0x8194},  // # → ＃
    {0x24, 0x8190},  // $ → ＄
    {0x25, 0x8193},  // % → ％
    {0x26, 0x8195},  // & → ＆
    {0x27, 0x818C},  // ' → ′
    {0x28, 0x8169},  // ( → （
    {0x29, 0x816A},  // ) → ）
    {0x2A, 0x8196},  // * → ＊
    {0x2B, 0x817B},  // + → ＋
    {0x2C, 0x8143},  // , → ，
    {0x2D, 0x817C},  // - → －
    {0x2E, 0x8144},  // . → ．
    {0x2F, 0x815E},  // / → ／
    {0x3A, 0x8146},  // : → ：
    {0x3B, 0x8147},  // ; → ；
    {0x3C, 0x8183},  // < → ＜
    {0x3D, 0x8181},  // = → ＝
    {0x3E, 0x8184},  // > → ＞
    {0x3F, 0x8148},  // ? → ？
    {0x40, 0x8197},  // @ → ＠
    {0x5B, 0x816D},  // [ → ［
    {0x5C, 0x818F},  // backslash → ￥
    {0x5D, 0x816E},  // ] → ］
    {0x5E, 0x814F},  // ^ → ＾
    {0x7B, 0x816F},  // { → ｛
    {0x7C, 0x8162},  // | → ｜
    {0x7D, 0x8170},  // } → ｝
    {0x7E, 0x8160},  // ~ → ～
    {0xA5, 0x8145},  // ･ → ・
    {0xB0, 0x815B},  // ｰ → ー
};

// Lookups by index: every code above has the lead byte 0x81, so 256 entries cover them.
constexpr std::array<unsigned char, 256> MakeHalfLookup() {
  std::array<unsigned char, 256> t{};
  for (const auto& e : kToHalf) t[e.code & 0xFF] = e.byte;
  return t;
}
constexpr std::array<std::uint16_t, 256> MakeFullLookup() {
  std::array<std::uint16_t, 256> t{};
  for (const auto& e : kToFull) t[e.byte] = e.code;
  return t;
}
constexpr auto kHalfLookup = MakeHalfLookup();
constexpr auto kFullLookup = MakeFullLookup();

}  // namespace

Char SymbolToHalfWidth(Char c) {
  const unsigned char b = (c >> 8) == 0x81 ? kHalfLookup[c & 0xFF] : 0;
  return b != 0 ? b : c;
}

Char SymbolToFullWidth(Char c) {
  const Char full = c <= 0xFF ? kFullLookup[c] : 0;
  return full != 0 ? full : c;
}

}  // namespace kestrilon::filter
