// The pipeline as a user meets it: settings, a copied text, the text left for the next paste.
#include <gtest/gtest.h>

#include <sstream>

#include "Pipeline.h"
#include "PipelineCases.h"
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

// Each row through a fresh filter and through one kept over the whole table, as the program
// keeps one for its life: a map cached under a key that misses a setting shows as a stale row.
TEST(Pipeline, EveryCaseOfTheTable) {
  // What only the filter itself meets: kestrilon-filter clamps a value to the items there are, and
  // refuses a NUL in its input.
  const kestrilon::test::PipelineCaseGroup filterOnly = {
      "FilterOnly",
      {{"NumberMode=-1 SignMode=3 KanaMode2=4", "１!ｶ", "１!ｶ\r\n"},  // no meaning, no change
       {"KeepLastLineBreak=1", std::string("ab\0c\n", 5), "ab"}}};    // the text ends at the NUL
  Filter kept;
  auto groups = kestrilon::test::PipelineCases();
  groups.push_back(filterOnly);
  for (const kestrilon::test::PipelineCaseGroup& group : groups) {
    for (const kestrilon::test::PipelineCase& c : group.cases) {
      const std::string out = Filter().Run(Sjis(c.input), With(c.settings));
      EXPECT_EQ(Utf8(out), c.expected)
          << group.behaviour << ": " << c.settings << "\ninput: " << c.input;
      EXPECT_EQ(kept.Run(Sjis(c.input), With(c.settings)), out) << "kept: " << c.settings;
    }
  }
  // An unassigned katakana code gives up its lead byte, and the next bytes pair anew: the case
  // is mapped after the kana step, so the "A" of ア stays.
  EXPECT_EQ(Filter().Run("\x83\x97\x82\x83\x41", With("KanaMode2=1 UpDownCase=1")),
            "\x83\x97\x82\xB1\r\n");
}

}  // namespace
}  // namespace kestrilon::filter
