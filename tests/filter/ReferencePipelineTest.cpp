// The pipeline checked against a slow, literal one: a list of separate lines, every step on its
// own in the fixed order, the text joined and split again between steps exactly as the rules
// say. The real pipeline fuses steps and keeps the text joined; over random texts and random
// settings both must give the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "LineList.h"
#include "Pipeline.h"
#include "ReferencePipeline.h"

namespace kestrilon::filter {
namespace {

using reference::ReferenceFilter;

// Bytes that the steps care about, lead bytes and line breaks among them, so that collisions
// between steps are frequent.
std::string RandomText(std::mt19937& rng, std::size_t max_pieces = 30) {
  static const std::string_view pieces[] = {
      "\x81\x40", "\x81\x41", "\x81\x42", "\x81\x43",
      "\x81\x44", "\x81\x69", "\x81\x6A", "\x81\x5B",
      "\x82\x4F", "\x82\x60", "\x82\x81", "\x82\xAA",
      "\x82\xCF", "\x82\xF2", "\x83\x41", "\x83\x94",
      "\x83\x97", "\x83\xBF", "\x84\x70", "\x88\x9F",
      "\x81\x81", "\x81",     "\x82",     "\x83",
      "\xB6",     "\xDE",     "\xDF",     "\xCA",
      "\xA5",     "\xB0",     " ",        "  ",
      "\t",       "\r",       "\n",       "\r\n",
      "&",        "<",        ">",        "\"",
      ",",        "(",        ")",        "a",
      "Z",        "5",        "!",        "@",
      "\\",       "~",        "'",        std::string_view("\0", 1)};
  std::uniform_int_distribution<std::size_t> len(0, max_pieces), pick(0, std::size(pieces) - 1);
  std::string s;
  for (std::size_t n = len(rng); n > 0; --n) s += pieces[pick(rng)];
  return s;
}

FilterSettings RandomSettings(std::mt19937& rng) {
  FilterSettings s;
  for (const auto& info : AllSettings()) {
    if (info.kind == SettingKind::RadioGroup) {
      std::uniform_int_distribution<int> v(-1, static_cast<int>(info.items.size()));
      info.SetValue(s, v(rng));
    } else {
      info.SetValue(s, std::bernoulli_distribution(0.5)(rng));
    }
  }
  return s;
}

TEST(Pipeline, SameAsTheLiteralStepsOneByOne) {
  for (unsigned trial = 0; trial < 20000; ++trial) {
    const unsigned seed = 77000 + trial;
    std::mt19937 rng(seed);
    const std::string text = RandomText(rng);
    const FilterSettings settings = RandomSettings(rng);
    ASSERT_EQ(Filter().Run(text, settings), ReferenceFilter(text, settings)) << "seed " << seed;
  }
}

// Texts of several of the blocks the pipeline works in, so that growing and shrinking results,
// a join and a tag run on from one block into the next.
TEST(Pipeline, SameAsTheLiteralStepsOverSeveralBlocks) {
  for (unsigned trial = 0; trial < 40; ++trial) {
    const unsigned seed = 78000 + trial;
    std::mt19937 rng(seed);
    std::string text;
    while (text.size() < 3 * LineList::kBlock) text += RandomText(rng, 3000);
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    const FilterSettings settings = RandomSettings(rng);
    ASSERT_EQ(Filter().Run(text, settings), ReferenceFilter(text, settings)) << "seed " << seed;
  }
}

// A text of several blocks that grows in both passes, that shrinks in the first and grows in the
// second, and the reverse: what is still to be read moves on into the room the text leaves, or
// into more.
TEST(Pipeline, SameAsTheLiteralStepsWhereTheTextGrowsOrShrinks) {
  std::string text;
  while (text.size() < 4 * LineList::kBlock) text += "a&b \"1\" <i>\x81\x40\x82\x4F</i>\r\n";
  FilterSettings grow, shrink_then_grow, grow_then_shrink;
  grow.RepAmp = grow.RepQuot = true;
  grow.NumberMode = Width::ToFull;
  shrink_then_grow.TagDelete = shrink_then_grow.RepAmp = shrink_then_grow.AddLI = true;
  shrink_then_grow.SpaceMode = Width::ToHalf;
  grow_then_shrink.TagDelete = true;
  grow_then_shrink.NumberMode = Width::ToFull;
  grow_then_shrink.Space2Tab = SpaceRuns::BothToTab;
  for (const FilterSettings& s : {grow, shrink_then_grow, grow_then_shrink})
    EXPECT_EQ(Filter().Run(text, s), ReferenceFilter(text, s));
}

}  // namespace
}  // namespace kestrilon::filter
