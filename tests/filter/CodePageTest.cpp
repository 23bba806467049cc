// The filter's own code page 932 services checked over every code against references built from
// the Unicode mapping (iconv) and the C library's Unicode case tables.
#include <gtest/gtest.h>

#include <clocale>
#include <cctype>
#include <cwctype>
#include <map>
#include <optional>

#include "Kana.h"
#include "Sjis.h"
#include "Steps.h"
#include "TestText.h"
#include "Width.h"
#include "StepForms.h"

namespace kestrilon::filter {
namespace {

using test::Convert;
using test::Utf8;

std::optional<char32_t> Decode(std::string_view sjis) {
  try {
    const std::string u = Convert(sjis, "UTF-32LE", "CP932");
    if (u.size() != 4) return std::nullopt;
    return static_cast<char32_t>(static_cast<unsigned char>(u[0]) |
                                 static_cast<unsigned char>(u[1]) << 8 |
                                 static_cast<unsigned char>(u[2]) << 16);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::string> Encode(char32_t c) {
  const char bytes[4] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8 & 0xFF),
                         static_cast<char>(c >> 16 & 0xFF), 0};
  try {
    return Convert(std::string_view(bytes, 4), "CP932", "UTF-32LE");
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Every two-byte character that code page 932 assigns, with its Unicode character.
const std::map<std::uint16_t, char32_t>& AssignedCodes() {
  static const auto codes = [] {
    std::map<std::uint16_t, char32_t> m;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        const char b[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        if (auto u = Decode(std::string_view(b, 2)))
          m[static_cast<std::uint16_t>(lead << 8 | trail)] = *u;
      }
    }
    return m;
  }();
  return codes;
}

std::string Bytes(std::uint16_t code) {
  std::string s;
  AppendCode(s, code);
  return s;
}

TEST(CodePage, SjisToJisIsTheStandardConversion) {
  // EUC-JP writes JIS X 0208 row and cell with the high bit set.
  int checked = 0;
  for (const auto& [code, u] : AssignedCodes()) {
    if (code >= 0x8740 && code < 0x889F) continue;  // vendor rows: not in JIS X 0208
    if (code >= 0xED40) continue;                   // vendor extensions and user area
    std::string euc;
    try {
      euc = Convert(Bytes(code), "EUC-JP", "CP932");
    } catch (const std::exception&) {
      continue;
    }
    if (euc.size() != 2) continue;
    const auto expected = static_cast<std::uint16_t>(
        (static_cast<unsigned char>(euc[0]) << 8 | static_cast<unsigned char>(euc[1])) & 0x7F7F);
    ASSERT_EQ(SjisToJis(code), expected) << std::hex << code;
    ++checked;
  }
  EXPECT_GT(checked, 6000);
}

TEST(CodePage, WidthOfDigitsAndLettersFollowsUnicode) {
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

TEST(CodePage, SymbolsToHalfWidthFollowUnicodesWidthPartners) {
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

TEST(CodePage, SymbolsToFullWidthFollowUnicodesWidthPartners) {
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

TEST(CodePage, KanaTypeMappingFollowsUnicode) {
  for (const auto& [code, u] : AssignedCodes()) {
    // Hiragana U+3041-3093 and ゝゞ have katakana 0x60 higher; ヴヵヶ have no hiragana here.
    const bool hiragana = (u >= 0x3041 && u <= 0x3093) || u == 0x309D || u == 0x309E;
    const bool katakana = (u >= 0x30A1 && u <= 0x30F3) || u == 0x30FD || u == 0x30FE;
    const std::string to_kata = hiragana ? *Encode(u + 0x60) : Bytes(code);
    const std::string to_hira = katakana ? *Encode(u - 0x60) : Bytes(code);
    ASSERT_EQ(MapKanaType(Bytes(code), LCMAP_KATAKANA), to_kata) << std::hex << code;
    ASSERT_EQ(MapKanaType(Bytes(code), LCMAP_HIRAGANA), to_hira) << std::hex << code;
  }
  for (unsigned b = 0; b < 256; ++b) {  // single bytes, half-width katakana included, stay
    if (IsLeadByte(static_cast<unsigned char>(b))) continue;
    const std::string one(1, static_cast<char>(b));
    ASSERT_EQ(MapKanaType(one, LCMAP_KATAKANA), one);
    ASSERT_EQ(MapKanaType(one, LCMAP_HIRAGANA), one);
  }
}

TEST(CodePage, CaseMappingFollowsUnicodeForLatinGreekCyrillic) {
  ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  for (const auto& [code, u] : AssignedCodes()) {
    const bool letter = (u >= 0xFF21 && u <= 0xFF5A) || (u >= 0x0391 && u <= 0x03C9) ||
                        (u >= 0x0401 && u <= 0x0451);
    auto mapped = [&](wint_t (*f)(wint_t)) {
      if (!letter) return Bytes(code);
      auto e = Encode(static_cast<char32_t>(f(static_cast<wint_t>(u))));
      return e ? *e : Bytes(code);
    };
    ASSERT_EQ(CharUpperSjis(Bytes(code)), mapped(std::towupper)) << std::hex << code;
    ASSERT_EQ(CharLowerSjis(Bytes(code)), mapped(std::towlower)) << std::hex << code;
  }
  for (unsigned b = 0; b < 256; ++b) {
    if (IsLeadByte(static_cast<unsigned char>(b))) continue;
    const std::string one(1, static_cast<char>(b));
    const bool ascii_letter = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    ASSERT_EQ(CharUpperSjis(one),
              ascii_letter ? std::string(1, static_cast<char>(std::toupper(b))) : one);
    ASSERT_EQ(CharLowerSjis(one),
              ascii_letter ? std::string(1, static_cast<char>(std::tolower(b))) : one);
  }
}

TEST(CodePage, HalfWidthKanaComesBackAsTheSameKatakana) {
  // ヲ ヮ ヰ ヱ ヵ ヶ share half-width forms with other kana; every other katakana round-trips.
  const std::u32string shared = U"ヲヮヰヱヵヶ";
  int checked = 0;
  for (const auto& [code, u] : AssignedCodes()) {
    if (u < 0x30A1 || u > 0x30F6 || shared.find(u) != std::u32string::npos) continue;
    const std::string half = KanaToHalfWidth(Bytes(code), KanaKind::Katakana);
    ASSERT_NE(half, Bytes(code)) << std::hex << code;
    ASSERT_EQ(HalfWidthKanaToFull(half), Bytes(code)) << std::hex << code;
    if (auto h = Encode(u - 0x60); h && u <= 0x30F3) {  // the hiragana of the same cell
      ASSERT_EQ(KanaToHalfWidth(*h, KanaKind::Hiragana), half) << std::hex << code;
    }
    ++checked;
  }
  EXPECT_EQ(checked, 86 - 6);
}

}  // namespace
}  // namespace kestrilon::filter
