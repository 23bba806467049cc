// Byte-level edges of the steps that valid UTF-8 test text cannot spell.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "Kana.h"
#include "Pipeline.h"
#include "CharacterTables.h"
#include "Steps.h"
#include "TestText.h"
#include "Width.h"
#include "StepForms.h"

namespace kestrilon::filter {
namespace {

using test::Sjis;
using Step = std::function<std::string(std::string_view)>;

const std::pair<const char*, Step> kCharacterSteps[] = {
    {"DigitsToHalfWidth", DigitsToHalfWidth},
    {"DigitsToFullWidth", DigitsToFullWidth},
    {"LettersToHalfWidth", LettersToHalfWidth},
    {"LettersToFullWidth", LettersToFullWidth},
    {"SymbolsToHalfWidth", SymbolsToHalfWidth},
    {"SymbolsToFullWidth", SymbolsToFullWidth},
    {"KanaToHalfWidth 0",
     [](std::string_view t) { return KanaToHalfWidth(t, KanaKind::Hiragana); }},
    {"KanaToHalfWidth 1",
     [](std::string_view t) { return KanaToHalfWidth(t, KanaKind::Katakana); }},
    {"HalfWidthKanaToFull", HalfWidthKanaToFull},
    {"MapKanaType katakana", [](std::string_view t) { return MapKanaType(t, LCMAP_KATAKANA); }},
    {"MapKanaType hiragana", [](std::string_view t) { return MapKanaType(t, LCMAP_HIRAGANA); }},
    {"NormalizeToCrLf", NormalizeToCrLf},
    {"CharLowerSjis", CharLowerSjis},
    {"CharUpperSjis", CharUpperSjis},
};

TEST(CharacterSteps, EmptyStaysEmpty) {
  for (const auto& [name, step] : kCharacterSteps) EXPECT_EQ(step(""), "") << name;
}

TEST(CharacterSteps, LeadByteEndingALineKeepsItsBreak) {
  // The lead byte takes the CR as its second byte; no step converts such a pair.
  for (const std::string lead : {"\x81", "\x82", "\x83", "\xE0", "\xFC"}) {
    for (const auto& [name, step] : kCharacterSteps) {
      if (std::string_view(name) == "NormalizeToCrLf") continue;  // pairs the CR, then sees LF
      EXPECT_EQ(step(lead + "\r\n"), lead + "\r\n") << name;
      EXPECT_EQ(step(lead), lead) << name;  // at the very end it stays alone
    }
  }
}

TEST(CharacterSteps, ControlBytePairsAreCopied) {
  // A lead byte pairs with whatever follows, a control byte or a digit included.
  for (const auto& [name, step] : kCharacterSteps) {
    EXPECT_EQ(step("\x81\x09"), "\x81\x09") << name;
    EXPECT_EQ(step("\x81!"), "\x81!") << name;
  }
  EXPECT_EQ(DigitsToFullWidth("\x82"
                              "0"
                              "0"),
            "\x82"
            "0"
            "\x82\x4F");
}

TEST(Kana, UnassignedKatakanaCodeGivesUpItsLeadByte) {
  // 0x83 0x97 is no katakana: 0x83 goes alone, 0x97 pairs with the next lead byte, and the
  // katakana ア (0x83 0x41) it swallowed is not converted; the next one is.
  EXPECT_EQ(KanaToHalfWidth("\x83\x97\x83\x41\x83\x41", KanaKind::Katakana),
            "\x83\x97\x83\x41\xB1");
  // Hiragana row: 0x82 with a second byte outside the kana goes alone too.
  EXPECT_EQ(KanaToHalfWidth("\x82\x3F"
                            "a",
                            KanaKind::Hiragana),
            "\x82\x3F"
            "a");
  // Full-width digits and letters share the lead byte 0x82 and are copied.
  EXPECT_EQ(KanaToHalfWidth("\x82\x4F\x82\x60", KanaKind::Hiragana), "\x82\x4F\x82\x60");
  // Cells 0x74-0x76 of the hiragana row hold nothing but are looked up all the same.
  EXPECT_EQ(KanaToHalfWidth("\x82\xF2\x82\xF3\x82\xF4", KanaKind::Hiragana), "\xB3\xDE\xB6\xB9");
}

char32_t DecodeOne(std::string_view bytes, const char* encoding) {
  const std::string u = test::Convert(bytes, "UTF-32LE", encoding);
  return static_cast<char32_t>(static_cast<unsigned char>(u[0]) | static_cast<unsigned char>(u[1])
                                                                      << 8);
}

// The katakana that half-width katakana lacks, and ヲ, take the half-width form of the kana
// they sound like; "ｦ" is never made.
const std::map<char32_t, std::string> kSoundsLike = {
    {U'ヮ', "ﾜ"}, {U'ヰ', "ｲ"}, {U'ヱ', "ｴ"}, {U'ヲ', "ｵ"}, {U'ヵ', "ｶ"}, {U'ヶ', "ｹ"},
};

// The half-width form of a katakana by Unicode: its canonical decomposition (ガ → カ and the
// combining voiced mark), each part as the half-width byte whose compatibility mapping it is.
std::string HalfWidthByUnicode(char32_t katakana) {
  static const std::map<char32_t, char> narrow = [] {
    std::map<char32_t, char> m;
    for (unsigned b = 0xA1; b <= 0xDF; ++b) {
      const std::u32string full =
          test::Nfkc(DecodeOne(std::string(1, static_cast<char>(b)), "CP932"));
      m[full[0]] = static_cast<char>(b);
    }
    return m;
  }();
  if (auto it = kSoundsLike.find(katakana); it != kSoundsLike.end()) return Sjis(it->second);
  std::string out;
  for (char32_t part : test::Nfd(katakana)) out += narrow.at(part);
  return out;
}

// The half-width result for each cell 0x21 to 0x76 of the row kind chooses: the katakana of
// the cell in half width. In the hiragana row that katakana is the hiragana plus Unicode's
// kana offset (0x60); its cells 0x74 to 0x76 hold nothing and stand for the katakana row's.
const std::string& HalfWidthOfCell(KanaKind kind, unsigned cell) {
  static const auto table = [] {
    std::map<std::pair<KanaKind, unsigned>, std::string> m;
    for (unsigned c = 0x21; c <= 0x76; ++c) {
      const std::string katakana_euc = {'\xA5', static_cast<char>(0x80 | c)};
      const char32_t katakana = DecodeOne(katakana_euc, "EUC-JP");
      m[{KanaKind::Katakana, c}] = HalfWidthByUnicode(katakana);
      const std::string hiragana_euc = {'\xA4', static_cast<char>(0x80 | c)};
      const char32_t of_hiragana = c <= 0x73 ? DecodeOne(hiragana_euc, "EUC-JP") + 0x60 : katakana;
      m[{KanaKind::Hiragana, c}] = HalfWidthByUnicode(of_hiragana);
    }
    return m;
  }();
  return table.at({kind, cell});
}

// KanaToHalfWidth as the rule states it: the JIS row of every pair decides, a lead byte of the
// row whose cell is no kana goes alone.
std::string KanaToHalfWidthLiteral(std::string_view text, KanaKind kind) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (!IsLeadByte(b) || i + 1 == text.size()) {
      out += text[i++];
      continue;
    }
    const std::uint16_t jis = SjisToJis(DoubleByteCode(text, i));
    const unsigned cell = jis & 0xFF;
    if ((jis >> 8) != (kind == KanaKind::Katakana ? 0x25u : 0x24u)) {
      out.append(text, i, 2);
      i += 2;
    } else if (cell >= 0x21 && cell <= 0x76) {
      out += HalfWidthOfCell(kind, cell);
      i += 2;
    } else {
      out += text[i++];
    }
  }
  return out;
}

TEST(Kana, HalfWidthAgreesWithTheRuleForEveryPairOfBytes) {
  for (KanaKind kind : {KanaKind::Hiragana, KanaKind::Katakana}) {
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
      for (unsigned next = 0; next <= 0xFF; ++next) {
        // The pair, then a katakana and a hiragana that a lone lead byte may swallow or not.
        const std::string text = {
            static_cast<char>(lead), static_cast<char>(next), '\x83', '\x41', '\x82', '\xA0'};
        ASSERT_EQ(KanaToHalfWidth(text, kind), KanaToHalfWidthLiteral(text, kind))
            << "katakana " << (kind == KanaKind::Katakana) << " bytes " << std::hex << lead << " "
            << next;
      }
    }
  }
}

// The code page 932 bytes of a Unicode character, or nothing when the code page lacks it.
std::optional<std::string> EncodeOne(char32_t c) {
  const char bytes[4] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8 & 0xFF),
                         static_cast<char>(c >> 16 & 0xFF), 0};
  try {
    return test::Convert(std::string_view(bytes, 4), "CP932", "UTF-32LE");
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// HalfWidthKanaToFull scanned as the rule states it, character by character: a half-width kana
// becomes the character that Unicode's compatibility mapping gives it, and with a following
// voiced or semi-voiced mark the composition of the two, where code page 932 has one.
std::string HalfWidthKanaToFullLiteral(std::string_view text) {
  static const std::map<std::string, std::string> full = [] {
    std::map<std::string, std::string> m;
    for (unsigned b = 0xA1; b <= 0xDD; ++b) {  // ｡ to ﾝ: the marks ﾞ ﾟ alone stay
      const std::string half(1, static_cast<char>(b));
      const std::u32string plain = test::Nfkc(DecodeOne(half, "CP932"));
      m[half] = *EncodeOne(plain[0]);
      for (const char mark : {'\xDE', '\xDF'}) {
        const std::u32string composed =
            test::Nfc(plain + test::Nfkc(DecodeOne(std::string(1, mark), "CP932")));
        if (composed.size() != 1) continue;
        if (auto bytes = EncodeOne(composed[0])) m[half + mark] = *bytes;
      }
    }
    return m;
  }();
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b)) {
      const std::size_t n = i + 1 < text.size() ? 2 : 1;
      out.append(text, i, n);
      i += n;
    } else if (auto two = full.find(std::string(text.substr(i, 2))); two != full.end()) {
      out += two->second;
      i += 2;
    } else if (auto one = full.find(std::string(text.substr(i, 1))); one != full.end()) {
      // A mark this kana has no form for is taken and dropped.
      const bool mark = i + 1 < text.size() && (text[i + 1] == '\xDE' || text[i + 1] == '\xDF');
      out += one->second;
      i += mark ? 2 : 1;
    } else {
      out += text[i++];
    }
  }
  return out;
}

TEST(Kana, FullWidthAgreesWithTheRuleForEveryPairOfBytes) {
  for (unsigned first = 0x01; first <= 0xFF; ++first) {
    for (unsigned next = 0; next <= 0xFF; ++next) {
      const std::string text = {static_cast<char>(first), static_cast<char>(next), '\xDE', '\xB6'};
      ASSERT_EQ(HalfWidthKanaToFull(text), HalfWidthKanaToFullLiteral(text))
          << "bytes " << std::hex << first << " " << next;
      ASSERT_EQ(HalfWidthKanaToFull(text.substr(0, 1)),
                HalfWidthKanaToFullLiteral(text.substr(0, 1)));
    }
  }
}

TEST(CharacterSteps, LongTextsAgreeAcrossTheKernelsBlocks) {
  // The table kernel writes its output by blocks of 32 KB, carrying over whether the next byte
  // starts a character: a character cut by a block's end, at each offset around it.
  const std::string unit = Sjis("ｶﾞ０Ａ。か") + "\x82\x82";  // runs of lead bytes shift the pairing
  for (std::size_t shift = 0; shift < 8; ++shift) {
    std::string text(shift, 'a');
    while (text.size() < 70000) text += unit;
    CharMap digits, letters;
    digits.Then(DigitToHalfWidth);
    letters.Then(LetterToFullWidth);
    letters.ThenDelete(0x8143);  // ，
    EXPECT_EQ(Applied(digits, text), MapCharacters(text, DigitToHalfWidth)) << shift;
    EXPECT_EQ(Applied(letters, text),
              ReplaceAll(MapCharacters(text, LetterToFullWidth), "\x81\x43", ""))
        << shift;
    EXPECT_EQ(KanaToHalfWidth(text, KanaKind::Hiragana),
              KanaToHalfWidthLiteral(text, KanaKind::Hiragana))
        << shift;
    EXPECT_EQ(HalfWidthKanaToFull(text), HalfWidthKanaToFullLiteral(text)) << shift;
  }
}

TEST(Kana, MarksWithoutAKanaStayHalfWidth) {
  EXPECT_EQ(HalfWidthKanaToFull("\xDE\xDF"), "\xDE\xDF");
  EXPECT_EQ(HalfWidthKanaToFull("\xB1\xDE\xDE"), "\x83\x41\xDE");  // ｱﾞﾞ: one mark taken
  EXPECT_EQ(HalfWidthKanaToFull("\xA1\xDE"), "\x81\x42");          // ｡ﾞ → 。
  EXPECT_EQ(HalfWidthKanaToFull("\xDE\xDF\xA0\xE0"), "\xDE\xDF\xA0\xE0");
}

TEST(TrimTrailingBlanks, Cases) {
  struct Case {
    std::string in, out;
    // clang-format off
  } cases[] = {
      {"abc   ", "abc"},
      {"abc\x81\x40\x81\x40", "abc"},
      {"abc \x81\x40 ", "abc"},
      {"abc\t ", "abc"},
      {"abc \t", "abc \t"},  // ends in a TAB: kept, blanks before it too
      {"abc\x01 \x81\x40", "abc"},
      {"\x81\x40", ""},
      {"   ", ""},
      {"  abc", "  abc"},
      {"", ""},
      {"\x81\x81\x40", "\x81\x81\x40"},      // ＝@: the 0x40 is no second byte
      {"\x81\x81\x81\x40", "\x81\x81"},      // ＝ then 　
      {"\x81 ", "\x81 "},                    // the space is the second byte of a pair
      {"a\x81\x40\x01\x81\x40", "a"},        // control bytes between the blanks go with them
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(TrimTrailingBlanks(c.in), c.out) << testing::PrintToString(c.in);
}

TEST(EscapedAndTabbed, RunsBecomeOneTabAndEscapesTheirText) {
  const Replacement html[] = {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}};
  struct Case {
    std::string line;
    std::vector<std::string_view> separators;
    bool escapes;
    std::string out;
  } cases[] = {
      {"", {" "}, false, ""},
      {"abc", {" "}, false, "abc"},
      {"a b", {" "}, false, "a\tb"},
      {"  a  b  ", {" "}, false, "\ta\tb\t"},
      {"\x81\x40\x81\x40", {"\x81\x40"}, false, "\t"},
      {"\x81\x81\x40", {"\x81\x40"}, false, "\x81\x81\x40"},  // ＝@ holds no 　
      {"a\t\t\tb", {"\t"}, false, "a\tb"},
      {"a \x81\x40\t b\x81\x40", {" ", "\x81\x40", "\t"}, false, "a\tb\t"},
      {"a & b", {" "}, true, "a\t&amp;\tb"},
      {"<\"x\">&&", {}, true, "&lt;&quot;x&quot;&gt;&amp;&amp;"},
      {"\x81& \x81<", {" "}, true, "\x81&\t\x81<"},  // second bytes stay
      {"\r\n \r\n", {" "}, true, "\r\n\t\r\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EscapedAndTabbed(c.line, c.escapes ? std::span(html) : std::span<const Replacement>(),
                               c.separators),
              c.out)
        << testing::PrintToString(c.line);
}

TEST(Pipeline, EveryStepOnKeepsTheJoinedForm) {
  FilterSettings all;
  all.NumberMode = all.AlphabetMode = all.SignMode = all.SpaceMode = Width::ToHalf;
  all.ParenthesisMode = Width::ToHalf;
  all.PunctuationMode = Comma::ToIdeographic;
  all.PeriodMode = Period::ToIdeographic;
  all.KanaMode1 = Hiragana::ToHalfWidthKatakana;
  all.KanaMode2 = Katakana::ToHiragana;
  all.ReturnMode = LineBreaks::ToCrLf;
  all.Space2Tab = SpaceRuns::BothToTab;
  all.UpDownCase = LetterCase::ToUpper;
  all.TagDelete = all.RepAmp = all.RepLG = all.RepQuot = all.AddLI = all.DelDmySpc = all.DelConma =
      true;
  const std::string out = Filter().Run("a\rb\n\n<x>\x81\x40 c,d \x83\x41\xB6\xDE", all);
  EXPECT_EQ(out, "<LI>A\r\n<LI>B\r\n<LI>\r\n<LI>\tCD\t\x82\xA0\x82\xAA\r\n");
}

}  // namespace
}  // namespace kestrilon::filter
