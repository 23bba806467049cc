// Fitting texts into the notify record's byte fields: never half a double-byte character.
#include <gtest/gtest.h>

#include <string>

#include "TrayTypes.h"

namespace kestrilon::tray {
namespace {

// 「あ」 in code page 932.
const std::string A = "\x82\xA0";

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

struct CutCase {
  const char* Name;
  std::string Text;
  std::size_t Max;
  std::string Expected;
};

TEST(CutToWholeCharacters, NeverEndsOnALeadByte) {
  const CutCase cases[] = {
      {"short text unchanged", "Kestrilon", 127, "Kestrilon"},
      {"single bytes cut at the limit", std::string(200, 'x'), 127, std::string(127, 'x')},
      {"a character straddling the limit is left out", "x" + Repeat(A, 64), 127,
       "x" + Repeat(A, 63)},
      {"a character ending at the limit stays", Repeat(A, 64), 127, Repeat(A, 63)},
      {"even limit, whole characters", Repeat(A, 40), 64, Repeat(A, 32)},
      {"half-width katakana are single bytes", std::string(70, '\xB1'), 63,
       std::string(63, '\xB1')},
      {"a lone lead byte at the end is one byte", "ab\x82", 3, "ab\x82"},
      {"empty", "", 63, ""},
      {"limit 0", "abc", 0, ""},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(filter::CutToWholeCharacters(c.Text, c.Max), c.Expected);
  }
}

TEST(CutToWholeCharacters, TheTrailByteIsNeverTakenForALeadByte) {
  // 「ア」 is 0x83 0x41; 「＠」 is 0x81 0x97, whose trail byte is itself a lead-byte value.
  std::string text = Repeat("\x81\x97", 10);
  EXPECT_EQ(filter::CutToWholeCharacters(text, 5), Repeat("\x81\x97", 2));
}

TEST(TipText, LimitsAndLineBreaksDependOnTheShellVersion) {
  std::string tip200(200, 't');
  EXPECT_EQ(TipTextFor(tip200, true), std::string(127, 't'));
  EXPECT_EQ(TipTextFor(tip200, false), std::string(63, 't'));
  // One line on an older shell; a newer one shows the break.
  EXPECT_EQ(TipTextFor("a\r\nb", false), "a b");
  EXPECT_EQ(TipTextFor("a\r\nb", true), "a\r\nb");
  EXPECT_EQ(TipTextFor("a\rb\nc\r\n", false), "a\rb\nc ");
  // The cut comes after the replacement, so the replaced text gets the room.
  EXPECT_EQ(TipTextFor(std::string(62, 'x') + "\r\nyz", false), std::string(62, 'x') + " ");
  EXPECT_EQ(TipTextFor(Repeat(A, 100), false), Repeat(A, 31));
}

}  // namespace
}  // namespace kestrilon::tray
