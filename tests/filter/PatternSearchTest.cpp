// The search by characters, the second-byte judgement it rests on and the byte masks under both,
// each against a literal walk over random and edge-case texts.
#include <gtest/gtest.h>

#include <vector>

#include "PatternSearch.h"
#include "StepForms.h"
#include "TestText.h"

namespace kestrilon::filter {
namespace {

// Character boundaries by the obvious forward walk: a lead byte takes the next byte with it.
std::vector<bool> Boundaries(std::string_view t) {
  std::vector<bool> b(t.size() + 1, false);
  for (std::size_t i = 0; i < t.size();) {
    b[i] = true;
    i += IsLeadByte(static_cast<unsigned char>(t[i])) && i + 1 < t.size() ? 2 : 1;
  }
  b[t.size()] = true;
  return b;
}

// The replacement as the rules state it: search the rest for the first match that begins on a
// character boundary (found by the forward walk), go on after the match.
std::string LiteralReplace(std::string_view s, std::string_view p, std::string_view r) {
  std::string out;
  std::string_view rest = s;
  while (!rest.empty()) {
    const auto boundary = Boundaries(rest);
    std::size_t pos = rest.find(p);
    while (pos != std::string_view::npos && !boundary[pos]) pos = rest.find(p, pos + 1);
    if (pos == std::string_view::npos || p.empty()) break;
    out.append(rest.substr(0, pos));
    out.append(r);
    rest.remove_prefix(pos + p.size());
  }
  out.append(rest);
  return out;
}

TEST(CodePage932, SecondBytesAgreeWithTheForwardWalk) {
  for (unsigned trial = 0; trial < 2000; ++trial) {
    std::mt19937 rng(1000 + trial);
    const std::string t = test::RandomText(rng, 24);
    const auto boundary = Boundaries(t);
    for (std::size_t i = 0; i < t.size(); ++i)
      ASSERT_EQ(IsSecondByte(t, i), !boundary[i]) << "seed " << 1000 + trial << " at " << i;
  }
  // 64 bytes at a time, and whether each lead byte has a trail byte after it.
  for (unsigned trial = 0; trial < 2000; ++trial) {
    std::mt19937 rng(3000 + trial);
    const std::string t = test::RandomText(rng, 300);
    const auto boundary = Boundaries(t);
    const auto* p = reinterpret_cast<const unsigned char*>(t.data());
    std::uint64_t second_first = 0;
    for (std::size_t at = 0; at + 64 <= t.size(); at += 64) {
      const std::uint64_t mask = SecondByteMask(p + at, second_first);
      for (std::size_t k = 0; k < 64; ++k)
        ASSERT_EQ((mask >> k & 1) != 0, !boundary[at + k])
            << "seed " << 3000 + trial << " at " << at + k;
    }
    bool whole = true;
    for (std::size_t i = 0; i < t.size(); i += CharLength(t, i))
      if (IsLeadByte(p[i])) whole = whole && i + 1 < t.size() && IsTrailByte(p[i + 1]);
    ASSERT_EQ(AllCharactersWhole(t), whole) << "seed " << 3000 + trial;
  }
}

TEST(ByteMask, RangesOverEveryByte) {
  unsigned char all[256];
  for (unsigned b = 0; b < 256; ++b) all[b] = static_cast<unsigned char>(b);
  struct Row {
    unsigned lo, hi, flip;
  } rows[] = {{0x81, 0x9F, 0}, {0xE0, 0xFC, 0},    {0x40, 0xFC, 0},
              {0x00, 0x00, 0}, {0xFF, 0xFF, 0},    {0x00, 0xFF, 0},
              {0x7F, 0x80, 0}, {0x00, 0x7F, 0x80}, {0xA1, 0xDC, 0x20}};
  for (const Row& r : rows)
    for (unsigned at = 0; at < 256; at += 64) {
      const std::uint64_t mask =
          RangeMask64(all + at, static_cast<unsigned char>(r.lo), static_cast<unsigned char>(r.hi),
                      static_cast<unsigned char>(r.flip));
      for (unsigned k = 0; k < 64; ++k) {
        const unsigned b = (at + k) ^ r.flip;
        ASSERT_EQ((mask >> k & 1) != 0, b >= r.lo && b <= r.hi)
            << r.lo << "-" << r.hi << " " << at + k;
      }
    }
  for (unsigned at = 0; at < 256; at += 64)
    for (unsigned k = 0; k < 64; ++k)
      ASSERT_EQ((LeadMask64(all + at) >> k & 1) != 0, IsLeadByte(all[at + k])) << at + k;
  const std::string sets[] = {"", "&", "&<>\" \t,\n", std::string("\0\x81\xFF\x40", 4)};
  for (const std::string& set : sets)
    for (unsigned at = 0; at < 256; at += 64) {
      const AnyOfMask64 any(reinterpret_cast<const unsigned char*>(set.data()), set.size());
      for (unsigned k = 0; k < 64; ++k)
        ASSERT_EQ((any(all + at) >> k & 1) != 0, set.find(static_cast<char>(at + k)) != set.npos)
            << testing::PrintToString(set) << " " << at + k;
    }
}

TEST(PatternSearch, ReplaceAllFindsOnlyWholeCharacters) {
  // clang-format off
  const std::pair<std::string, std::string> patterns[] = {
      {"\x81\x40", " "}, {"\x81\x41", "\x81\x43"}, {"\x81\x42", "."}, {"\x81\x69", "("},
      {"&", "&amp;"},    {",", ""},                 {" ", "\x81\x40"}, {"<", "&lt;"},
      // patterns whose first bytes are equal, so that a match may start on the second byte of
      // a character or right after it
      {"\x81\x81", "="}, {"\x81\x81\x81", "#"}, {"\x83\x83", ""}};
  for (unsigned trial = 0; trial < 3000; ++trial) {
    std::mt19937 rng(5000 + trial);
    const std::string t = test::RandomText(rng, 40);
    for (const auto& [p, r] : patterns)
      ASSERT_EQ(ReplaceAll(t, p, r), LiteralReplace(t, p, r)) << "seed " << 5000 + trial;
  }
}

TEST(PatternSearch, FindPatternStartsAtAnyCharacterBoundary) {
  struct Case {
    std::string text, pattern;
    std::size_t from, expected;
  } cases[] = {
      {"\x82\x81\x81\x81", "\x81\x81", 0, 2},  // ＝ after the second byte 81 of 82 81
      {"\x82\x81\x81\x81", "\x81", 0, 2},
      {"\x82\x81\x81\x81", "\x81\x81", 2, 2},
      {"\x82\x81\x82\x81\x81\x82", "\x81\x82", 0, 4},
      {"\x82\x81\x82\x81", "\x81\x82", 0, std::string::npos},
      {"a\x81\x81", "\x81\x81", 0, 1},
      {"\x81\x81\x81", "\x81\x81", 1, 1},  // from is taken as a boundary
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(FindPattern(c.text, c.pattern, c.from), c.expected)
        << testing::PrintToString(c.text) << " " << testing::PrintToString(c.pattern);
}

TEST(PatternSearch, ReplaceAllEdges) {
  struct Case {
    std::string text, pattern, replacement, expected;
    // clang-format off
  } cases[] = {
      {"&&", "&", "&amp;", "&amp;&amp;"},     // replaced text is not searched again
      {"", "&", "x", ""},                      // empty text
      {"abc", "", "x", "abc"},                 // empty pattern matches nothing
      {"a,b,", ",", "", "ab"},                 // empty replacement removes
      {"\x81\x81\x40", "\x81\x40", " ", "\x81\x81\x40"},  // ＝@ holds the bytes of 　
      {"\x81\x81\x41", "\x81\x41", "!", "\x81\x81\x41"},  // ＝A holds the bytes of 、
      {"a\x81\x40\x81\x40", "\x81\x40", " ", "a  "},
      {"\x81&", "&", "&amp;", "\x81&"},  // a lead byte takes even a byte below 0x40 with it
      // ＝ (81 81) after the second byte of a character that ends in 81: found at offset 2
      {"\x82\x81\x81\x81", "\x81\x81", "=", "\x82\x81="},
      {"\x82\x81\x81\x81\x81", "\x81\x81", "=", "\x82\x81=\x81"},
      {"\x81\x81\x81\x81", "\x81\x81", "=", "=="},
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceAll(c.text, c.pattern, c.replacement), c.expected)
        << testing::PrintToString(c.text) << " " << testing::PrintToString(c.pattern);
}

}  // namespace
}  // namespace kestrilon::filter
