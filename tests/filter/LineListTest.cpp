// The joined form every run starts from: line breaks made CR LF in one pass, and a text already
// in that form taken over as it is.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "LineList.h"
#include "StepForms.h"
#include "TestText.h"

namespace kestrilon::filter {
namespace {

TEST(LineList, LoadThenJoinMakesEveryBreakCrLf) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"abc", "abc\r\n"},
      {"a\nb", "a\r\nb\r\n"},
      {"a\r\n", "a\r\n"},
      {"\r\n", "\r\n"},
      {"a\n\nb", "a\r\n\r\nb\r\n"},
      {"a\n\rb", "a\r\n\r\nb\r\n"},  // LF CR ends two lines
      {"a\rb\r", "a\r\nb\r\n"},
      {std::string("a\0b", 3), "a\r\n"},  // NUL ends the text
      {std::string("\0b", 2), ""},
  };
  for (const auto& c : cases) {
    LineList lines;
    lines.LoadResult(std::string(c.in));
    EXPECT_EQ(lines.Join(), c.out) << testing::PrintToString(c.in);
  }
}

TEST(LineList, NormalizedTextIsTakenOverAsItIs) {
  for (unsigned trial = 0; trial < 3000; ++trial) {
    std::mt19937 rng(9000 + trial);
    std::string t = test::RandomText(rng, 16);
    if (trial % 7 == 0) t += '\0';
    const std::string normal = NormalizeLineBreaks(t);
    ASSERT_EQ(IsNormalized(t), normal == t) << "seed " << 9000 + trial;
    ASSERT_TRUE(IsNormalized(normal)) << "seed " << 9000 + trial;
    LineList lines;
    ASSERT_EQ(lines.LoadResult(std::string(t)), EndsInLineBreak(t)) << "seed " << 9000 + trial;
    ASSERT_EQ(lines.Join(), normal);
  }
}

TEST(LineList, NormalizedTellsLongTextsByEveryBreak) {
  // Eight bytes are judged at a time: each kind of break, at each place in a word and across
  // two words, in a text otherwise normalized.
  const std::string base = std::string(40, 'a') + "\r\n" + std::string(40, '\x82') + "\r\n";
  ASSERT_TRUE(IsNormalized(base));
  for (const std::string_view bad :
       {std::string_view("\r"), std::string_view("\n"), std::string_view("\n\r"),
        std::string_view("\r\r\n"), std::string_view("\0", 1)}) {
    for (std::size_t at = 0; at + 2 < base.size(); ++at) {
      if (at > 0 && base[at - 1] == '\r') continue;  // inside a CR LF it may complete one
      std::string t = base;
      t.insert(at, bad);
      ASSERT_FALSE(IsNormalized(t)) << testing::PrintToString(t);
      ASSERT_EQ(NormalizeLineBreaks(t) == t, false);
    }
  }
  for (std::size_t at = 0; at + 2 < base.size(); ++at) {
    if (at > 0 && base[at - 1] == '\r') continue;  // inside a CR LF
    std::string t = base;
    t.insert(at, "\r\n");
    ASSERT_TRUE(IsNormalized(t)) << testing::PrintToString(t);
  }
}

}  // namespace
}  // namespace kestrilon::filter
