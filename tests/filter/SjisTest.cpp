#include <gtest/gtest.h>

#include "LineList.h"
#include "Sjis.h"

namespace kestrilon::filter {
namespace {

TEST(LineList, LoadThenJoinMakesEveryBreakCrLf) {
  struct Case {
    std::string in, out;
    std::size_t count;
  } cases[] = {
      {"", "", 0},
      {"abc", "abc\r\n", 1},
      {"a\nb", "a\r\nb\r\n", 2},
      {"a\r\n", "a\r\n", 1},
      {"\r\n", "\r\n", 1},
      {"a\n\nb", "a\r\n\r\nb\r\n", 3},
      {"a\n\rb", "a\r\n\r\nb\r\n", 3},  // LF CR ends two lines
      {"a\rb\r", "a\r\nb\r\n", 2},
      {std::string("a\0b", 3), "a\r\n", 1},  // NUL ends the text
      {std::string("\0b", 2), "", 0},
  };
  for (const auto& c : cases) {
    LineList lines;
    lines.Load(c.in);
    EXPECT_EQ(lines.Join(), c.out) << testing::PrintToString(c.in);
    EXPECT_EQ(lines.Count(), c.count) << testing::PrintToString(c.in);
  }
}

}  // namespace
}  // namespace kestrilon::filter
