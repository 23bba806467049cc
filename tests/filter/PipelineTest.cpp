// The pipeline as a user meets it: settings, a copied text, the text left for the next paste.
#include <gtest/gtest.h>

#include <sstream>

#include "Pipeline.h"
#include "TestText.h"

namespace kestrilon::filter {
namespace {

using test::Sjis;
using test::Utf8;

// "NumberMode=1 TagDelete=1" → settings; unknown names fail the test loudly.
FilterSettings With(std::string_view assignments) {
  FilterSettings s;
  std::istringstream in{std::string(assignments)};
  std::string item;
  while (in >> item) {
    const auto eq = item.find('=');
    const SettingInfo* info = FindSetting(item.substr(0, eq));
    if (info == nullptr) throw std::invalid_argument("unknown setting " + item);
    const int value = std::stoi(item.substr(eq + 1));
    if (info->kind == SettingKind::RadioGroup) info->SetValue(s, value);
    else info->SetValue(s, value != 0);
  }
  return s;
}

struct Case {
  const char* settings;
  std::string input;     // UTF-8
  std::string expected;  // UTF-8
};

// Each row through a fresh filter and through one kept over the whole table, as the program
// keeps one for its life: a map cached under a key that misses a setting shows as a stale row.
void RunCases(const std::vector<Case>& cases) {
  Filter kept;
  for (const auto& c : cases) {
    const std::string out = Filter().Run(Sjis(c.input), With(c.settings));
    EXPECT_EQ(Utf8(out), c.expected) << "settings: " << c.settings << "\ninput: " << c.input;
    EXPECT_EQ(kept.Run(Sjis(c.input), With(c.settings)), out) << "kept: " << c.settings;
  }
}

TEST(Pipeline, DefaultsOnlyNormaliseLineBreaks) {
  RunCases({
      {"", "abc", "abc\r\n"},
      {"", "a\nb", "a\r\nb\r\n"},
      {"", "a\r\n", "a\r\n"},
      {"", "\r\n", "\r\n"},
      {"", "", ""},
      {"", "ｶﾞｯｺｳ がっこう １２３ ＡＢＣ <b>", "ｶﾞｯｺｳ がっこう １２３ ＡＢＣ <b>\r\n"},
      {"NumberMode=-1 SignMode=3 KanaMode2=4", "１!ｶ", "１!ｶ\r\n"},  // no meaning, no change
  });
}

TEST(Pipeline, DigitAndLetterWidth) {
  RunCases({
      {"NumberMode=1", "１２３\n４", "123\r\n4\r\n"},
      {"NumberMode=2", "123", "１２３\r\n"},
      {"AlphabetMode=1", "ＡＢＣａｂｃ", "ABCabc\r\n"},
      {"AlphabetMode=2", "ABCabc", "ＡＢＣａｂｃ\r\n"},
      {"AlphabetMode=2", "ア", "ア\r\n"},  // 0x83 0x41: its second byte is the byte of "A"
      {"NumberMode=2 AlphabetMode=2", "A1", "Ａ１\r\n"},
      {"NumberMode=1 AlphabetMode=1", "ｱｲｳ+＋", "ｱｲｳ+＋\r\n"},
      {"NumberMode=2 AlphabetMode=2", "ｱｲｳ+＋", "ｱｲｳ+＋\r\n"},
  });
}

TEST(Pipeline, SymbolWidth) {
  RunCases({
      {"SignMode=1", "（＠・ー〓", "(@･ｰ=\r\n"},
      {"SignMode=1", "“”‘’′″￥", "\"\"'''\"\\\r\n"},
      {"SignMode=1", "｀＿＼…「【×§　、。", "｀＿＼…「【×§　、。\r\n"},  // not in the table
      {"SignMode=2", "!\"ｰ_`", "！″ー_`\r\n"},
      {"SignMode=2", "ソ", "ソ\r\n"},  // 0x83 0x5C: its second byte is the backslash
      {"SignMode=2", "'･", "′・\r\n"},
  });
}

TEST(Pipeline, SpaceParenthesisCommaPeriod) {
  RunCases({
      {"PunctuationMode=2", "あ、い，", "あ，い，\r\n"},
      {"PunctuationMode=1", "あ、い，", "あ、い、\r\n"},
      {"PunctuationMode=2", "＝A", "＝A\r\n"},  // 0x81 0x81 0x41 holds the bytes of 、
      {"PeriodMode=1", "．。", "。。\r\n"},
      {"PeriodMode=2", "．。", "．．\r\n"},
      {"SpaceMode=1", "＝@　a", "＝@ a\r\n"},  // 0x81 0x81 0x40 holds the bytes of 　
      {"SpaceMode=1", "　　　", "   \r\n"},
      {"SpaceMode=2", "   \n a", "　　　\r\n　a\r\n"},
      {"ParenthesisMode=1", "（a）)（", "(a))(\r\n"},
      {"ParenthesisMode=2", "(a)（)", "（a）（）\r\n"},
  });
}

TEST(Pipeline, KanaConversion) {
  RunCases({
      {"KanaMode1=1", "がっこう", "ｶﾞｯｺｳ\r\n"},
      {"KanaMode1=1", "ぱをゐゑゎ", "ﾊﾟｵｲｴﾜ\r\n"},
      {"KanaMode1=1", "らーめんカタカナ", "ﾗーﾒﾝカタカナ\r\n"},
      {"KanaMode1=2", "がっこうゝゞ", "ガッコウヽヾ\r\n"},
      {"KanaMode2=1", "ヴァイオリンとひらがな", "ｳﾞｧｲｵﾘﾝとひらがな\r\n"},
      {"KanaMode2=1", "ヲヮヵヶ", "ｵﾜｶｹ\r\n"},
      {"KanaMode2=2", "ｶﾞｯｺｳ ﾊﾟﾝ ｳﾞ ｱﾞ ｰ ｡", "ガッコウ パン ヴ ア ー 。\r\n"},
      {"KanaMode2=2", "ﾞa\nｶﾟ", "ﾞa\r\nカ\r\n"},
      {"KanaMode2=3", "ｶﾞｯｺｳ ガッコウ ヽヾ", "がっこう がっこう ゝゞ\r\n"},
      {"KanaMode2=3", "ヴヵヶ", "ヴヵヶ\r\n"},  // no hiragana for these in code page 932
      {"KanaMode1=1 KanaMode2=2", "がっこう", "ガッコウ\r\n"},
      {"KanaMode1=2 KanaMode2=1", "がっこうカタカナ", "ｶﾞｯｺｳｶﾀｶﾅ\r\n"},
      {"KanaMode1=2 KanaMode2=3", "がっこうカタカナ", "がっこうかたかな\r\n"},
  });
}

TEST(Pipeline, LineBreaks) {
  // clang-format off
  RunCases({
      {"EnterDeleteMode=1", "これは\nペンです。\nあれは\n本です。", "これはペンです。\r\nあれは本です。"},
      {"EnterDeleteMode=1", "abc", "abc"},
      {"EnterDeleteMode=1", "a\n\nb", "ab"},
      {"EnterDeleteMode=1", "a．\nb.\nc｡\nd", "a．b.c｡d"},
      {"EnterDeleteMode=1 PeriodMode=2", "a。\nb。\nc", "a．b．c"},
      {"EnterDeleteMode=1", "a。 \nb", "a。 b"},
      {"EnterDeleteMode=1 DelDmySpc=1", "a。 \nb", "a。\r\nb"},
      {"EnterDeleteMode=1", "メB\nx", "メB\r\nx"},  // bytes 0x83 0x81 0x42: the test is on bytes
      {"EnterDeleteMode=1", "a。\n", "a。"},
      {"EnterDeleteMode=1", "a。\n\n", "a。\r\n"},  // an empty last line follows the break
      // A line that is nothing but "。" ends a sentence too, first or after a kept break.
      {"EnterDeleteMode=1", "。\nb", "。\r\nb"},
      {"EnterDeleteMode=1", "a。\n。\nb", "a。\r\n。\r\nb"},
      {"EnterDeleteMode=1", "a\n。\nb", "a。\r\nb"},
      {"EnterDeleteMode=1", "", ""},
      {"ReturnMode=1", "a\nb", "a\r\nb\r\n"},
      {"ReturnMode=1", "a\rb\n\rc", "a\r\nb\r\n\r\nc\r\n"},
      // The copy's own last line break: none added, one kept, the others made CR LF as ever.
      {"KeepLastLineBreak=1", "abc", "abc"},
      {"KeepLastLineBreak=1", "a\rb", "a\r\nb"},
      {"KeepLastLineBreak=1", "a\r", "a\r\n"},
      {"KeepLastLineBreak=1", "a\n\n", "a\r\n\r\n"},
      {"KeepLastLineBreak=1", "", ""},
      {"KeepLastLineBreak=1", std::string("ab\0c\n", 5), "ab"},  // the text ends at the NUL
      {"KeepLastLineBreak=1 AddLI=1 DelDmySpc=1", "x \ny ", "<li>x\r\n<li>y"},
      {"KeepLastLineBreak=1 TagDelete=1", "a<p\n>", "a"},
      // Joining adds no break at the end: nothing for the setting to leave out or keep.
      {"KeepLastLineBreak=1 EnterDeleteMode=1", "a。\nb。\n", "a。\r\nb。"},
      {"KeepLastLineBreak=1 EnterDeleteMode=1", "a\nb", "ab"},
  });
  // clang-format on
}

TEST(Pipeline, HtmlOperations) {
  RunCases({
      {"TagDelete=1", "<b>bold</b> text", "bold text\r\n"},
      {"TagDelete=1", "a<b<c>d", "ad\r\n"},
      {"TagDelete=1", "a<b>c>d", "ac>d\r\n"},
      {"TagDelete=1", "x > y", "x > y\r\n"},
      {"TagDelete=1", "x > y <b>z</b>", "x > y <b>z</b>\r\n"},
      {"TagDelete=1", "a < b", "a < b\r\n"},
      {"TagDelete=1", "a<span\nclass=x>b", "ab\r\n"},
      {"TagDelete=1", "<p>\n</p>", "\r\n\r\n"},
      {"TagDelete=1", "<p\n>", "\r\n"},  // the final line break stays
      {"TagDelete=1 RepLG=1", "a < b", "a &lt; b\r\n"},
      {"RepAmp=1 RepLG=1", "a<b & c", "a&lt;b &amp; c\r\n"},
      {"RepAmp=1", "&amp;", "&amp;amp;\r\n"},
      {"RepAmp=1", "&&", "&amp;&amp;\r\n"},
      {"RepQuot=1", "\"hi\" “x”", "&quot;hi&quot; “x”\r\n"},
      {"AddLI=1", "one\n\ntwo", "<li>one\r\n<li>\r\n<li>two\r\n"},
      {"AddLI=1 RepAmp=1 RepLG=1 RepQuot=1 UpDownCase=2", "&<>\"", "<LI>&AMP;&LT;&GT;&QUOT;\r\n"},
      {"TagDelete=1 RepAmp=1 RepLG=1 RepQuot=1", "＆＜＞", "＆＜＞\r\n"},
  });
}

TEST(Pipeline, SpacesTabsCommasCase) {
  RunCases({
      {"Space2Tab=1", "a b\na   b  c\n  a\na  \n   \na　b",
       "a\tb\r\na\tb\tc\r\n\ta\r\na\t\r\n\t\r\na　b\r\n"},
      {"Space2Tab=2", "名前　　値\na b", "名前\t値\r\na b\r\n"},
      {"Space2Tab=3", "a 　 b\na\t\tb", "a\tb\r\na\tb\r\n"},
      {"DelDmySpc=1", "abc   \nabc　　\nabc 　 \nabc\t \nabc \t\n　\n  abc",
       "abc\r\nabc\r\nabc\r\nabc\r\nabc \t\r\n\r\n  abc\r\n"},
      {"Space2Tab=1 DelDmySpc=1", "abc  ", "abc\t\r\n"},
      {"DelConma=1", "1,234,567 、，", "1234567 、，\r\n"},
      {"DelConma=1 SignMode=1", "1，234", "1234\r\n"},
      {"UpDownCase=1", "Hello WORLD ＡＢＣ ΑΒΓ АБЯЁ", "hello world ａｂｃ αβγ абяё\r\n"},
      {"UpDownCase=2", "<li>&amp; ａｂｃ αβγ абяё", "<LI>&AMP; ＡＢＣ ΑΒΓ АБЯЁ\r\n"},
      {"UpDownCase=2", "アイウソ漢字ｱｲｳ", "アイウソ漢字ｱｲｳ\r\n"},
  });
}

TEST(Pipeline, OrderDecidesWhereStepsMeet) {
  RunCases({
      {"PunctuationMode=2 SignMode=1", "、", ",\r\n"},
      {"PeriodMode=2 SignMode=1", "。", ".\r\n"},
      {"PunctuationMode=1 SignMode=2", "，,", "、，\r\n"},
      {"SignMode=1 ParenthesisMode=2", "(（)）", "（（））\r\n"},
      {"SignMode=2 ParenthesisMode=1", "(（)）", "(())\r\n"},
      {"SpaceMode=1 Space2Tab=1", "a　　b", "a\tb\r\n"},
      {"SpaceMode=2 Space2Tab=1", "a  b", "a　　b\r\n"},
      {"SignMode=1 KanaMode2=2", "ー", "ー\r\n"},  // ー → ｰ → ー
      {"TagDelete=1 AddLI=1 UpDownCase=2", "<i>x</i>", "<LI>X\r\n"},
  });
  // An unassigned katakana code gives up its lead byte, and the next bytes pair anew: the case
  // is mapped after the kana step, so the "A" of ア stays.
  EXPECT_EQ(Filter().Run("\x83\x97\x82\x83\x41", With("KanaMode2=1 UpDownCase=1")),
            "\x83\x97\x82\xB1\r\n");
}

}  // namespace
}  // namespace kestrilon::filter
