// The kana conversions, checked over every code against the Unicode mapping (iconv).
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "Kana.h"
#include "StepForms.h"
#include "TestText.h"

namespace kestrilon::filter {
namespace {

using test::AssignedCodes;
using test::Bytes;
using test::Convert;
using test::Encode;

TEST(Kana, SjisToJisIsTheStandardConversion) {
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

TEST(Kana, KanaTypeMappingFollowsUnicode) {
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

TEST(Kana, HalfWidthKanaComesBackAsTheSameKatakana) {
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
