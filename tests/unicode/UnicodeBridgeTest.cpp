#include <gtest/gtest.h>

#include <set>

#include "Pipeline.h"
#include "Settings.h"
#include "CodePage932.h"
#include "UnicodeBridge.h"

namespace kestrilon::unicode {
namespace {

std::string Utf8Of(char32_t c) {
  std::string out;
  if (c < 0x80) return std::string(1, static_cast<char>(c));
  if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
  }
  out += static_cast<char>(0x80 | (c & 0x3F));
  return out;
}

// UTF-8 → code page 932 → UTF-8, asserting that neither way fails.
std::string RoundTrip(std::string_view utf8) {
  const Cp932Text sjis = Utf8ToCp932(utf8);
  EXPECT_EQ(sjis.error, BridgeError::None) << utf8;
  const auto back = Cp932ToUtf8(sjis.bytes, sjis.placeholders);
  EXPECT_EQ(back.error, BridgeError::None) << utf8;
  return back.text;
}

// Every code page 932 code that the code steps through, with the two-byte codes of the
// user-defined area and all others.
std::vector<std::uint16_t> AllCodes() {
  std::vector<std::uint16_t> codes;
  for (unsigned b = 0; b < 0x100; ++b)
    if (!filter::IsLeadByte(static_cast<unsigned char>(b)))
      codes.push_back(static_cast<std::uint16_t>(b));
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead)
    if (filter::IsLeadByte(static_cast<unsigned char>(lead)))
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
        if (trail != 0x7F) codes.push_back(static_cast<std::uint16_t>(lead << 8 | trail));
  return codes;
}

TEST(UnicodeBridge, EveryRepresentableCharacterRoundTripsWithoutPlaceholders) {
  ASSERT_TRUE(ConverterAvailable());
  std::set<char32_t> chars;
  for (std::uint16_t code : AllCodes()) {
    const auto c = DecodeCp932(code);
    if (!c) continue;
    chars.insert(*c);
    const auto preferred = EncodeCp932(*c);
    ASSERT_TRUE(preferred) << std::hex << code;
    EXPECT_EQ(DecodeCp932(*preferred), c) << std::hex << code;
  }
  // 128 ASCII, 63 half-width katakana, the JIS X 0208 set, NEC and IBM extensions, and 1880
  // user-defined codes: an empty or partial table falls far short of this.
  EXPECT_GT(chars.size(), 9000u);

  std::string all;
  for (char32_t c : chars) all += Utf8Of(c);
  const Cp932Text sjis = Utf8ToCp932(all);
  ASSERT_EQ(sjis.error, BridgeError::None);
  EXPECT_EQ(sjis.placeholders.Count(), 0u);
  EXPECT_EQ(Cp932ToUtf8(sjis.bytes, sjis.placeholders).text, all);
}

TEST(UnicodeBridge, KnownCodesAndNoBestFit) {
  struct Case {
    const char* utf8;
    std::string sjis;  // empty: needs a placeholder
  } cases[] = {
      {"あ", "\x82\xA0"},
      {"ｱ", "\xB1"},
      {"\\~", "\\~"},
      {"～", "\x81\x60"},            // U+FF5E, which Windows maps to 0x8160
      {"≒", "\x81\xE0"},             // preferred over its NEC copy 0x8790
      {"￢", "\x81\xCA"},            // preferred over its IBM copy 0xEEF9
      {"\xEE\x80\x80", "\xF0\x40"},  // U+E000, the first user-defined code
      {"〜", ""},                    // U+301C: iconv alone would give 0x8160
      {"−", ""},                     // U+2212: iconv alone would give 0x817C
      {"¢", ""},
      {"é", ""},
      {"😀", ""},
      {"abcdefghあ12345678",
       "abcdefgh\x82\xA0"
       "12345678"},  // runs of ASCII copied a word at a time
      {"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ",
       "\xB1\xB2\xB3\xB4\xB5\xB6\xB7\xB8\xB9\xBA\xBB\xBC\xBD\xBE\xBF\xC0\xC1\xC2\xC3"
       "\xC4"},  // three times the bytes in UTF-8
  };
  for (const auto& c : cases) {
    const Cp932Text t = Utf8ToCp932(c.utf8);
    ASSERT_EQ(t.error, BridgeError::None) << c.utf8;
    if (!c.sjis.empty()) {
      EXPECT_EQ(t.bytes, c.sjis) << c.utf8;
      EXPECT_EQ(t.placeholders.Count(), 0u) << c.utf8;
    } else {
      ASSERT_EQ(t.bytes.size(), 2u) << c.utf8;
      EXPECT_TRUE(filter::IsUserDefinedCode(filter::DoubleByteCode(t.bytes, 0))) << c.utf8;
      EXPECT_EQ(t.placeholders.Count(), 1u) << c.utf8;
    }
    EXPECT_EQ(RoundTrip(c.utf8), c.utf8);
    EXPECT_EQ(Utf16ToCp932(Cp932ToUtf16(t.bytes, t.placeholders).text).bytes, t.bytes) << c.utf8;
  }
}

TEST(UnicodeBridge, RepeatedCharacterSharesOnePlaceholder) {
  const Cp932Text t = Utf8ToCp932("😀a😀é😀");
  ASSERT_EQ(t.error, BridgeError::None);
  EXPECT_EQ(t.placeholders.Count(), 2u);
  ASSERT_EQ(t.bytes.size(), 9u);
  EXPECT_EQ(t.bytes.substr(0, 2), t.bytes.substr(3, 2));
  EXPECT_EQ(t.bytes.substr(0, 2), t.bytes.substr(7, 2));
  EXPECT_NE(t.bytes.substr(0, 2), t.bytes.substr(5, 2));
}

TEST(UnicodeBridge, GenuineUserDefinedCharactersSurviveBesidePlaceholders) {
  // U+E000 to U+E003 hold the codes that the first placeholders would otherwise take.
  const std::string text = "\xEE\x80\x80😀\xEE\x80\x81é\xEE\x80\x82\xEE\x80\x83한\xEE\x9D\x97";
  const Cp932Text t = Utf8ToCp932(text);
  ASSERT_EQ(t.error, BridgeError::None);
  EXPECT_EQ(t.placeholders.Count(), 3u);
  std::set<std::uint16_t> codes;
  for (std::size_t i = 0; i < t.bytes.size(); i += 2)
    codes.insert(filter::DoubleByteCode(t.bytes, i));
  EXPECT_EQ(codes.size(), 8u) << "a placeholder collided with a genuine character";
  EXPECT_EQ(Cp932ToUtf8(t.bytes, t.placeholders).text, text);
}

TEST(UnicodeBridge, AnsiFormShowsEachPlaceholderAsAQuestionMark) {
  struct Case {
    std::string utf8, ansi;
    // clang-format off
  } cases[] = {
      {"", ""},
      {"abc あ", "abc \x82\xA0"},
      {"a😀b😀", "a?b?"},
      {"\xEE\x80\x80é", "\xF0\x40?"},  // a genuine user-defined character stays itself
      {"한B", "?B"},                       // the byte after a placeholder is its own
      {"abcdefgh😀ijklmnopq😀rstuvwxyz", "abcdefgh?ijklmnopq?rstuvwxyz"},  // runs moved back
  };
  // clang-format on
  for (const auto& c : cases) {
    const Cp932Text t = Utf8ToCp932(c.utf8);
    ASSERT_EQ(t.error, BridgeError::None);
    EXPECT_EQ(AnsiForm(t.bytes, t.placeholders), c.ansi) << c.utf8;
  }
}

TEST(UnicodeBridge, AreaHoldsOnlyItsFreeCodes) {
  // 10 lead bytes × 187 trail bytes (0x7F and 0x81 left out) = 1870 placeholders.
  std::string text;
  for (char32_t c = 0x20000; c < 0x20000 + 1870; ++c) text += Utf8Of(c);
  Cp932Text t = Utf8ToCp932(text);
  ASSERT_EQ(t.error, BridgeError::None);
  EXPECT_EQ(t.placeholders.Count(), 1870u);
  for (std::size_t i = 0; i < t.bytes.size(); i += 2)
    EXPECT_NE(static_cast<unsigned char>(t.bytes[i + 1]), 0x81u) << "trail 0x81 could fake 。";
  EXPECT_EQ(Cp932ToUtf8(t.bytes, t.placeholders).text, text);

  t = Utf8ToCp932(text + Utf8Of(0x30000));
  EXPECT_EQ(t.error, BridgeError::PlaceholdersFull);
  EXPECT_EQ(t.offset, text.size());
  EXPECT_TRUE(t.bytes.empty());

  // A genuine user-defined character takes one code away from the placeholders.
  t = Utf8ToCp932("\xEE\x80\x80" + text);
  EXPECT_EQ(t.error, BridgeError::PlaceholdersFull);
  EXPECT_EQ(t.offset, 3 + text.size() - 4);
}

TEST(UnicodeBridge, InvalidUtf8IsAnErrorAtItsOffset) {
  struct Case {
    std::string in;
    std::size_t offset;
    // clang-format off
  } cases[] = {
      {"\x80", 0},                 // continuation byte alone
      {"ab\xC0\xAF", 2},           // overlong "/"
      {"a\xE0\x80\x80", 1},        // overlong NUL
      {"あ\xED\xA0\x80", 3},       // encoded surrogate
      {"\xF4\x90\x80\x80", 0},     // above U+10FFFF
      {"\xF5\x80\x80\x80", 0},
      {"abc\xE3\x81", 3},          // truncated at the end
      {"\xE3\x81z", 0},            // truncated before another character
      {"ok\xFF", 2},
  };
  // clang-format on
  for (const auto& c : cases) {
    const Cp932Text t = Utf8ToCp932(c.in);
    EXPECT_EQ(t.error, BridgeError::InvalidUtf8) << testing::PrintToString(c.in);
    EXPECT_EQ(t.offset, c.offset) << testing::PrintToString(c.in);
  }
}

TEST(UnicodeBridge, Utf16KeepsLoneSurrogatesAndPairs) {
  const std::u16string text =
      u"a\xD800"
      u"b\xDC00\xD83D\xDE00"
      u"あ\xDBFF";
  const Cp932Text t = Utf16ToCp932(text);
  ASSERT_EQ(t.error, BridgeError::None);
  EXPECT_EQ(t.placeholders.Count(), 4u);
  const auto back = Cp932ToUtf16(t.bytes, t.placeholders);
  ASSERT_EQ(back.error, BridgeError::None);
  EXPECT_EQ(back.text, text);
  // UTF-8 has no form for a lone surrogate: an error, not a silent substitute.
  EXPECT_EQ(Cp932ToUtf8(t.bytes, t.placeholders).error, BridgeError::SurrogateInUtf8);
}

TEST(UnicodeBridge, SurrogatePairsAtTheirBoundsAreOneCharacter) {
  // Each pair spells one character outside the BMP, whose highest and lowest surrogates are
  // pairs too; beside the bounds, lone surrogates stay alone.
  for (char32_t c : {U'\U00010000', U'\U000103FF', U'\U00010400', U'\U0001F3FF', U'\U0001F600',
                     U'\U0010FC00', U'\U0010FFFF'}) {
    const std::u16string pair = {static_cast<char16_t>(0xD800 | (c - 0x10000) >> 10),
                                 static_cast<char16_t>(0xDC00 | ((c - 0x10000) & 0x3FF))};
    const Cp932Text t = Utf16ToCp932(u"a" + pair + u"b");
    ASSERT_EQ(t.error, BridgeError::None) << std::hex << static_cast<unsigned>(c);
    EXPECT_EQ(t.placeholders.Count(), 1u) << std::hex << static_cast<unsigned>(c);
    EXPECT_EQ(t.bytes.size(), 4u) << std::hex << static_cast<unsigned>(c);
    const auto utf8 = Cp932ToUtf8(t.bytes, t.placeholders);
    ASSERT_EQ(utf8.error, BridgeError::None) << std::hex << static_cast<unsigned>(c);
    EXPECT_EQ(utf8.text, "a" + Utf8Of(c) + "b") << std::hex << static_cast<unsigned>(c);
    EXPECT_EQ(Cp932ToUtf16(t.bytes, t.placeholders).text, u"a" + pair + u"b")
        << std::hex << static_cast<unsigned>(c);
    // The same character from UTF-8.
    const Cp932Text from8 = Utf8ToCp932("a" + Utf8Of(c) + "b");
    ASSERT_EQ(from8.error, BridgeError::None) << std::hex << static_cast<unsigned>(c);
    EXPECT_EQ(from8.placeholders.Count(), 1u) << std::hex << static_cast<unsigned>(c);
  }
  // Just outside: each surrogate stands alone, with a placeholder of its own.
  const struct {
    std::u16string text;
    std::size_t placeholders;
  } lone[] = {
      {{0xDBFF, u'a'}, 1},
      {{0xDC00, 0xD800}, 2},  // low before high
      {{0xD7FF, 0xDC00}, 2},  // U+D7FF, which code page 932 lacks, before a low surrogate
      {{0xD800, 0xDBFF}, 2},
  };
  for (const auto& l : lone) {
    const Cp932Text t = Utf16ToCp932(l.text);
    ASSERT_EQ(t.error, BridgeError::None);
    EXPECT_EQ(t.placeholders.Count(), l.placeholders)
        << std::hex << unsigned{l.text[0]} << " " << unsigned{l.text[1]};
    EXPECT_EQ(Cp932ToUtf16(t.bytes, t.placeholders).text, l.text);
  }
}

TEST(UnicodeBridge, UndecodableCodePage932IsAnErrorAtItsOffset) {
  Placeholders none;
  struct Case {
    std::string in;
    std::size_t offset;
    // clang-format off
  } cases[] = {
      {"ab\x82", 2},          // lead byte with nothing after it
      {"\x82\xA0\x85\x40", 2},  // unassigned code
      {"a\x80", 1},           // unassigned single byte
  };
  // clang-format on
  for (const auto& c : cases) {
    const auto r = Cp932ToUtf8(c.in, none);
    EXPECT_EQ(r.error, BridgeError::UndecodableCp932) << testing::PrintToString(c.in);
    EXPECT_EQ(r.offset, c.offset) << testing::PrintToString(c.in);
  }
  // A user-defined code that is no placeholder of this text is the genuine character.
  EXPECT_EQ(Cp932ToUtf8("\xF0\x40", none).text, "\xEE\x80\x80");
}

filter::FilterSettings EverythingOn(int radio_value) {
  filter::FilterSettings s;
  for (const auto& info : filter::AllSettings()) {
    if (info.kind == filter::SettingKind::RadioGroup)
      info.SetValue(s, filter::ClampItemIndex(info, radio_value));
    else info.SetValue(s, true);
  }
  return s;
}

std::string FilterUtf8(std::string_view utf8, const filter::FilterSettings& s) {
  const Cp932Text in = Utf8ToCp932(utf8);
  EXPECT_EQ(in.error, BridgeError::None);
  const auto out = Cp932ToUtf8(filter::Filter().Run(in.bytes, s), in.placeholders);
  EXPECT_EQ(out.error, BridgeError::None) << utf8;
  return out.text;
}

TEST(UnicodeBridge, ForeignCharactersSurviveThePipelineWithEveryStepOn) {
  const std::string foreign[] = {"😀", "é", "한국어", "〜", "ñ", "\xEE\x80\x80", "𠀋"};
  for (int value : {1, 2, 3}) {
    const filter::FilterSettings s = EverythingOn(value);
    for (const auto& f : foreign) {
      // AddLI puts "<li>" in front, and UpDownCase 2 ("大文字") makes it "<LI>".
      const std::string li = value >= 2 ? "<LI>" : "<li>";
      EXPECT_EQ(FilterUtf8(f, s), li + f) << "all radio groups at " << value;
    }
  }
  // In the middle of Japanese text the neighbours change and the foreign characters don't.
  filter::FilterSettings s;
  s.KanaMode1 = filter::Hiragana::ToHalfWidthKatakana;
  s.SpaceMode = filter::Width::ToHalf;
  s.EnterDeleteMode = filter::Joining::JoinLines;
  EXPECT_EQ(FilterUtf8("がっこう😀　café\nです〜한。\n次", s), "ｶﾞｯｺｳ😀 caféﾃﾞｽ〜한。\r\n次");
}

TEST(UnicodeBridge, PlaceholderNeverPassesForTheBytesOfTheFullStop) {
  filter::FilterSettings s;
  s.EnterDeleteMode = filter::Joining::JoinLines;
  // A real "メB" ends in 0x81 0x42 and keeps its break; a placeholder before "B" must not.
  EXPECT_EQ(FilterUtf8("メB\nc", s), "メB\r\nc");
  std::string many;
  for (char32_t c = 0x20000; c < 0x20000 + 1870; ++c) many += Utf8Of(c) + "B\n";
  const std::string out = FilterUtf8(many, s);
  EXPECT_EQ(out.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace kestrilon::unicode
