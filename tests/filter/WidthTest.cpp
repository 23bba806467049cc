// Digits, letters and symbols between their widths, checked over every code against the
// Unicode mapping (iconv) and its width partners.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>

#include "StepForms.h"
#include "TestText.h"

namespace kestrilon::filter {
namespace {

using test::AssignedCodes;
using test::Bytes;
using test::Decode;
using test::Encode;
using test::Utf8;

TEST(Width, WidthOfDigitsAndLettersFollowsUnicode) {
  for (const auto& [code, u] : AssignedCodes()) {
    const bool full_digit = u >= U'０' && u <= U'９';
    const bool full_letter = (u >= U'Ａ' && u <= U'Ｚ') || (u >= U'ａ' && u <= U'ｚ');
    const std::string ascii(1, static_cast<char>(u - 0xFEE0));
    ASSERT_EQ(DigitsToHalfWidth(Bytes(code)), full_digit ? ascii : Bytes(code)) << std::hex << code;
    ASSERT_EQ(LettersToHalfWidth(Bytes(code)), full_letter ? ascii : Bytes(code))
        << std::hex << code;
    ASSERT_EQ(DigitsToFullWidth(Bytes(code)), Bytes(code));
    ASSERT_EQ(LettersToFullWidth(Bytes(code)), Bytes(code));
  }
  for (unsigned b = 0; b < 256; ++b) {
    if (IsLeadByte(static_cast<unsigned char>(b))) continue;
    const std::string one(1, static_cast<char>(b));
    const bool digit = b >= '0' && b <= '9';
    const bool letter = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    ASSERT_EQ(DigitsToFullWidth(one), digit ? *Encode(b + 0xFEE0) : one) << b;
    ASSERT_EQ(LettersToFullWidth(one), letter ? *Encode(b + 0xFEE0) : one) << b;
    ASSERT_EQ(DigitsToHalfWidth(one), one);
  }
}

// Two characters are width partners when Unicode's compatibility mapping makes them the same
// character (＋ and +, ・ and ･). The symbol steps convert between partners, except for letters,
// digits and kana, which other steps own.
bool OwnedByOtherSteps(const std::u32string& nfkc) {
  if (nfkc.size() != 1) return false;
  const char32_t c = nfkc[0];
  return (c < 0x80 && std::isalnum(static_cast<int>(c))) || (c >= 0x3041 && c <= 0x30FA);
}

// Every single byte that code page 932 assigns, with its Unicode character.
std::map<unsigned char, char32_t> AssignedBytes() {
  std::map<unsigned char, char32_t> m;
  for (unsigned b = 0; b < 256; ++b) {
    if (IsLeadByte(static_cast<unsigned char>(b))) continue;
    if (auto u = Decode(std::string(1, static_cast<char>(b))))
      m[static_cast<unsigned char>(b)] = *u;
  }
  return m;
}

// Where the symbol steps depart from the width partners, on purpose.
struct Departure {
  std::uint16_t from;
  int to;  // -1: left as it is
};
// Full width to half width. Only the row of lead byte 0x81 is converted, so the vendor rows'
// ＇ and ＂ (EE FB, EE FC, FA 56, FA 57) stay as well.
constexpr Departure kToHalfDepartures[] = {
    {0x8140, -1},    // 　 the space step's
    {0x8141, -1},    // 、 the punctuation step's
    {0x8142, -1},    // 。 the period step's
    {0x814D, -1},    // ｀
    {0x8151, -1},    // ＿
    {0x815F, -1},    // ＼
    {0x8175, -1},    // 「
    {0x8176, -1},    // 」
    {0x8165, '\''},  // ‘ quotes and primes by their shape
    {0x8166, '\''},  // ’
    {0x818C, '\''},  // ′
    {0x8167, '"'},   // “
    {0x8168, '"'},   // ”
    {0x818D, '"'},   // ″
    {0x818F, '\\'},  // ￥ the byte 5C, which Japanese fonts show as a yen sign
    {0x81AC, '='},   // 〓
};
// Half width to full width.
constexpr Departure kToFullDepartures[] = {
    {' ', -1},       // the space step's
    {'"', 0x818D},   // ″ rather than ＂, which only the vendor rows hold
    {'\'', 0x818C},  // ′ rather than ＇, likewise
    {'\\', 0x818F},  // ￥ rather than ＼
    {'_', -1},       // ＿ is not made
    {'`', -1},       // ｀ is not made
    {0xA1, -1},      // ｡ the kana step's
    {0xA2, -1},      // ｢
    {0xA3, -1},      // ｣
    {0xA4, -1},      // ､
};

TEST(Symbols, SymbolsToHalfWidthFollowUnicodesWidthPartners) {
  const auto singles = AssignedBytes();
  int converted = 0;
  for (const auto& [code, u] : AssignedCodes()) {
    std::string expected = Bytes(code);
    const std::u32string nfkc = test::Nfkc(u);
    if (code >> 8 == 0x81 && !OwnedByOtherSteps(nfkc)) {
      for (const auto& [b, v] : singles)
        if (v != u && test::Nfkc(v) == nfkc) expected = std::string(1, static_cast<char>(b));
    }
    for (const Departure& d : kToHalfDepartures)
      if (d.from == code)
        expected = d.to < 0 ? Bytes(code) : std::string(1, static_cast<char>(d.to));
    ASSERT_EQ(Utf8(SymbolsToHalfWidth(Bytes(code))), Utf8(expected)) << std::hex << code;
    converted += expected != Bytes(code);
  }
  EXPECT_EQ(converted, 37);
  for (const auto& [b, v] : singles) {  // single bytes stay
    const std::string one(1, static_cast<char>(b));
    ASSERT_EQ(SymbolsToHalfWidth(one), one);
  }
}

TEST(Symbols, SymbolsToFullWidthFollowUnicodesWidthPartners) {
  std::multimap<std::u32string, char32_t> by_nfkc;  // the two-byte characters
  for (const auto& [code, u] : AssignedCodes()) by_nfkc.emplace(test::Nfkc(u), u);
  int converted = 0;
  for (const auto& [b, v] : AssignedBytes()) {
    const std::string one(1, static_cast<char>(b));
    std::string expected = one;
    const std::u32string nfkc = test::Nfkc(v);
    if (!OwnedByOtherSteps(nfkc)) {
      // The partner the code page prefers: its own encoding of the partner's character.
      for (auto [it, end] = by_nfkc.equal_range(nfkc); it != end; ++it)
        if (it->second != v) expected = *Encode(it->second);
    }
    for (const Departure& d : kToFullDepartures)
      if (d.from == b) expected = d.to < 0 ? one : Bytes(static_cast<std::uint16_t>(d.to));
    ASSERT_EQ(Utf8(SymbolsToFullWidth(one)), Utf8(expected)) << std::hex << int{b};
    converted += expected != one;
  }
  EXPECT_EQ(converted, 32);
  for (const auto& [code, u] : AssignedCodes())  // two-byte characters stay
    ASSERT_EQ(SymbolsToFullWidth(Bytes(code)), Bytes(code)) << std::hex << code;
}

}  // namespace
}  // namespace kestrilon::filter
