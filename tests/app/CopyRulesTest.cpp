// The exclusion list as the INI file keeps it and as copies are matched against it, and when an
// undo has something to put back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CopyRules.h"

namespace kestrilon::app {
namespace {

TEST(ProgramList, ReadsTheIniValueAndWritesItBack) {
  struct Case {
    const char* value;
    std::vector<std::string> names;
    const char* written;
  };
  // clang-format off
  const Case cases[] = {
      {"", {}, ""},
      {"EXCEL.EXE", {"EXCEL.EXE"}, "EXCEL.EXE"},
      {"EXCEL.EXE;WindowsTerminal.exe", {"EXCEL.EXE", "WindowsTerminal.exe"}, "EXCEL.EXE;WindowsTerminal.exe"},
      {" a.exe ;\tb.exe\t", {"a.exe", "b.exe"}, "a.exe;b.exe"},
      {";;a.exe;;", {"a.exe"}, "a.exe"},
      {"a.exe;A.EXE;b.exe", {"a.exe", "b.exe"}, "a.exe;b.exe"},
      {"メモ帳.exe", {"メモ帳.exe"}, "メモ帳.exe"},
      {"  ;  ", {}, ""},
      {"C:\\Program Files\\Tools\\x.exe;\"D:\\デスクトップ\\メモ帳.exe\"", {"x.exe", "メモ帳.exe"}, "x.exe;メモ帳.exe"},
      {"　全角.exe　;/usr/bin/y.exe", {"全角.exe", "y.exe"}, "全角.exe;y.exe"},
      {"\" q.exe \"", {"q.exe"}, "q.exe"},
      {"江口.exe;ソ表.exe;Bj?rk.exe", {"江口.exe", "ソ表.exe", "Bj?rk.exe"}, "江口.exe;ソ表.exe;Bj?rk.exe"},
  };
  // clang-format on
  for (const Case& c : cases) {
    const ProgramList list = ProgramList::Parse(c.value);
    EXPECT_EQ(list.Names(), c.names) << c.value;
    EXPECT_EQ(list.Joined(), c.written) << c.value;
    EXPECT_EQ(ProgramList::Parse(list.Joined()), list) << c.value << ": read back";
  }
}

TEST(ProgramList, MatchesNamesWithoutRegardToCase) {
  // The program's own comparison knows every script; a stand-in for Ö and ö is enough here.
  const SameLetter same = [](char32_t a, char32_t b) {
    return SameAsciiLetter(a, b) || (a == U'Ö' && b == U'ö') || (a == U'ö' && b == U'Ö');
  };
  const ProgramList list =
      ProgramList::Parse("EXCEL.EXE;WindowsTerminal.exe;Ｐ.exe;Bj?rk.exe;?.exe;zz.exe", same);
  struct Case {
    const char* name;
    bool listed;
  };
  // clang-format off
  const Case cases[] = {
      {"EXCEL.EXE", true},           {"excel.exe", true},   {"Excel.Exe", true},
      {"windowsterminal.EXE", true}, {"EXCEL", false},      {"EXCEL.EXE ", false},
      {"XEXCEL.EXE", false},         {"", false},           {"Ｐ.exe", true},
      {"notepad.exe", false},        {"EXCEL.EX", false},   {"EXCEL.EXE;", false},
      {"Björk.exe", true},           {"BJÖRK.EXE", true},   {"Bjrk.exe", false},
      {"한.exe", true},              {"😀.exe", true},      {"한글.exe", false},
      {"ZZ.EXE", true},              {"Zz.exe", true},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(list.Contains(c.name), c.listed) << c.name;
}

TEST(ProgramList, AddsEachProgramOnceAndNothingThatCannotBeReadBack) {
  ProgramList list;
  EXPECT_TRUE(list.Add(" EXCEL.EXE "));
  EXPECT_FALSE(list.Add("excel.exe")) << "the same program";
  EXPECT_FALSE(list.Add(""));
  EXPECT_FALSE(list.Add("   "));
  EXPECT_FALSE(list.Add("a.exe;b.exe")) << "a ; would split it on the way back";
  EXPECT_TRUE(list.Add("b.exe"));
  EXPECT_TRUE(list.Add("Bj?rk.exe"));
  EXPECT_FALSE(list.Add("Björk.exe")) << "the same program as the file keeps it";
  EXPECT_EQ(list.Joined(), "EXCEL.EXE;b.exe;Bj?rk.exe");
  list.Remove(2);
  list.Remove(5);  // outside: nothing
  list.Remove(0);
  EXPECT_EQ(list.Joined(), "b.exe");
}

// Only a filtered copy leaves a pair; a swap goes back and forth between its two versions, and
// any later copy ends it.
TEST(CopyPair, SwapsBetweenTheTwoVersionsOfTheLastFilteringOnly) {
  struct Case {
    CopyOutcome outcome;
    bool active;
  };
  const Case cases[] = {
      {CopyOutcome::Filtered, true},   {CopyOutcome::Unchanged, false},
      {CopyOutcome::Private, false},   {CopyOutcome::Excluded, false},
      {CopyOutcome::Untouched, false},
  };
  const TextVersion original{u"before 😀\n", "before ?\n"},
      filtered{u"BEFORE 😀\r\n", "BEFORE ?\r\n"};
  for (const Case& c : cases) {
    CopyPair pair;
    pair.Record(CopyOutcome::Filtered, original, filtered);
    pair.Swapped();
    ASSERT_TRUE(pair.ShowingOriginal());
    pair.Record(c.outcome, {u"next", "next"}, {u"NEXT", "NEXT"});
    EXPECT_EQ(pair.Active(), c.active) << static_cast<int>(c.outcome);
    EXPECT_FALSE(pair.ShowingOriginal()) << "a new pair starts filtered";
    EXPECT_EQ(pair.Next().text, c.active ? u"next" : u"") << "a stale or private text is not kept";
    EXPECT_EQ(pair.Current().ansi, c.active ? "NEXT" : "");
  }
  CopyPair pair;
  EXPECT_FALSE(pair.Active()) << "nothing at the start";
  pair.Record(CopyOutcome::Filtered, original, filtered);
  EXPECT_EQ(pair.Next().text, original.text) << "the line breaks as they were";
  pair.Swapped();
  EXPECT_EQ(pair.Next().ansi, filtered.ansi);
  EXPECT_EQ(pair.Current().text, original.text);
  pair.Swapped();
  EXPECT_EQ(pair.Next().text, original.text) << "back and forth";
  pair.Forget();
  EXPECT_FALSE(pair.Active());
}

}  // namespace
}  // namespace kestrilon::app
