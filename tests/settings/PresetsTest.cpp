#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "Presets.h"
#include "TempFolder.h"
#include "TestText.h"

namespace kestrilon::settings {

// For failure messages (found by argument-dependent lookup, so outside the unnamed namespace).
void PrintTo(const ProgramPreset& p, std::ostream* os) { *os << p.program << " → " << p.preset; }

namespace {

using test::Fixture;
using test::Sjis;
using test::Slurp;
using test::Spit;
using test::TempFolder;
namespace fs = std::filesystem;

// Settings that differ from preset to preset in every row of the table, "nothing selected" too.
filter::FilterSettings Varied(int seed) {
  filter::FilterSettings s;
  int k = seed;
  for (const filter::SettingInfo& info : filter::AllSettings()) {
    const int span =
        info.kind == filter::SettingKind::RadioGroup ? static_cast<int>(info.items.size()) + 1 : 2;
    info.SetValue(s, info.kind == filter::SettingKind::RadioGroup ? k++ % span - 1 : k++ % span);
  }
  return s;
}

Preset Named(std::string name) { return {std::move(name), {}, ""}; }

std::vector<std::string> Names(const PresetBook& book) {
  std::vector<std::string> names;
  for (const Preset& p : book.Presets()) names.push_back(p.name);
  return names;
}

using PresetFile = TempFolder;

TEST_F(PresetFile, HostileNamesRoundTripAndOnlyAsciiReachesTheFile) {
  const std::string names[] = {"Web form", "[x]",    "a]b",    "a=b", ";comment", " padded ",
                               "100%",     "江戸",   "ソース", "ö",   "Ö",        "한국어",
                               "\"q\"",    "a:b\\c", "#",      "😀"};
  PresetBook book;
  int seed = 0;
  for (const std::string& name : names) {
    ++seed;
    ASSERT_EQ(book.Add({name, Varied(seed), seed % 2 ? "Ctrl+Alt+" + std::to_string(seed) : ""}),
              PresetResult::Ok)
        << name;
    ASSERT_EQ(book.SetProgramPreset(name + ".exe", name), PresetResult::Ok) << name;
  }
  ASSERT_EQ(book.SetActive("江戸"), PresetResult::Ok);

  const fs::path path = FDir / "k.ini";
  const std::string users = "[taro]\r\nNumberMode=2\r\n\r\n[hanako]\r\nNumberMode=1\r\n";
  Spit(path, users);
  {
    IniFile ini(path);
    WritePresets(ini, "taro", book);
    ini.UpdateFile();
  }
  const std::string text = Slurp(path);
  EXPECT_TRUE(text.starts_with(users));  // the users' own sections as they were
  for (const char c : text) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << text;

  IniFile ini(path);
  EXPECT_EQ(ReadPresets(ini, "taro"), book);
  EXPECT_EQ(ReadPresets(ini, "hanako"), PresetBook());
  EXPECT_EQ(ReadFilterSettings(ini.Contents(), "taro").NumberMode, filter::Width::ToFull);

  // Saving again changes nothing; saving fewer leaves no trace of the others.
  WritePresets(ini, "taro", ReadPresets(ini, "taro"));
  ini.UpdateFile();
  EXPECT_EQ(Slurp(path), text);
  WritePresets(ini, "taro", PresetBook());
  ini.UpdateFile();
  EXPECT_EQ(Slurp(path), users + "\r\n");
}

TEST(Presets, TheLayoutIsTheDocumentedOne) {
  PresetBook book;
  book.Add({"Web form", {.NumberMode = filter::Width::ToHalf}, "Ctrl+Alt+1"});
  book.Add({"江[1]", {}, ""});
  book.SetActive("Web form");
  book.SetProgramPreset("EXCEL.EXE", "Web form");
  IniDocument doc;
  {
    // Only IniFile writes presets; its document is what would be saved.
    IniFile ini(std::filesystem::path("/nonexistent-folder-kestrilon") / "k.ini");
    WritePresets(ini, "taro", book);
    doc = ini.Contents();
  }
  const std::string text = doc.Text();
  for (const char* part : {"[taro:Presets]\r\nActive=Web form\r\n\r\n[taro:Preset:Web "
                           "form]\r\nHotKey=Ctrl+Alt+1\r\nNumberMode=1\r\n",
                           "[taro:Preset:%E6%B1%9F%5B1%5D]\r\nHotKey=\r\nNumberMode=0\r\n",
                           "\r\n\r\n[taro:Programs]\r\nEXCEL.EXE=Web form\r\n"})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n---\n" << text;
  EXPECT_TRUE(text.ends_with("[taro:Programs]\r\nEXCEL.EXE=Web form\r\n")) << text;
}

TEST_F(PresetFile, AFileWrittenBeforePresetsHasNoneAndSavingNoneLeavesItByteForByte) {
  for (const char* name :
       {"private_profile.ini", "bom.ini", "cr_only.ini", "truncated_multibyte.ini"}) {
    const std::string old_text = Slurp(Fixture(name));
    Spit(FDir / name, old_text);
    IniFile ini(FDir / name);
    for (const std::string& user :
         {std::string("User"), Sjis("田中"), Sjis("ゾ"), std::string("Other")}) {
      EXPECT_EQ(ReadPresets(ini, user), PresetBook()) << name;
      WritePresets(ini, user, PresetBook());
    }
    ini.UpdateFile();
    EXPECT_EQ(Slurp(FDir / name), old_text) << name;
  }
}

TEST(Presets, WhatAPersonTypedIsReadAndWhatIsDamagedIsSkipped) {
  // Each row: the file's lines after "[u]"; the presets, the active one and the programs read.
  struct Case {
    std::string lines;
    std::vector<std::string> names;
    std::string active = {};
    std::vector<ProgramPreset> programs = {};
    // clang-format off
  } cases[] = {
      {"[u:Preset:Web form]\r\n[u:Preset:" + Sjis("江戸") + "]\r\n[u:Preset:%e6%b1%9f]\r\n",
       {"Web form", "江戸", "江"}},
      {"[u:Preset:%4]\r\n[u:Preset:%ZZa]\r\n[u:Preset:%FF]\r\n[u:Preset:]\r\n[u:Preset:a%0Ab]\r\n"
       "[u:Preset:\x82]\r\n[u:Preset:ok]\r\n",
       {"ok"}},
      {"[u:Preset:A]\r\n[u:Preset:%41]\r\n[U:PRESET:a]\r\n[u:Presetx]\r\n[other:Preset:B]\r\n", {"A"}},
      {"[u:Presets]\r\nActive=Nope\r\n[u:Preset:A]\r\n", {"A"}},
      {"[u:Presets]\r\nActive=%4\r\n[u:Preset:A]\r\n", {"A"}},
      {"[u:Presets]\r\nActive=a\r\n[u:Preset:A]\r\n", {"A"}, "A"},
      {"[u:Preset:A]\r\n[u:Programs]\r\nx.exe=Nope\r\n%ZZ=A\r\n=A\r\nbad line\r\ny.exe=%4\r\n"
       "z.exe=a\r\nZ.EXE=A\r\n%5A.exe=A\r\n" + Sjis("表.exe") + "=A\r\n",
       {"A"}, "", {{"z.exe", "A"}, {"表.exe", "A"}}},
  };
  // clang-format on
  for (const auto& c : cases) {
    const PresetBook book = ReadPresets(IniDocument("[u]\r\nNumberMode=1\r\n" + c.lines), "u");
    EXPECT_EQ(Names(book), c.names) << c.lines;
    EXPECT_EQ(book.Active(), c.active) << c.lines;
    EXPECT_EQ(book.Programs(), c.programs) << c.lines;
  }
}

TEST(Presets, EachUserReadsOnlyTheirOwnAndSettingsAreReadAsTheDialogLoadsThem) {
  // ア and ヂ differ only in a trail byte's case (0x83 0x41, 0x83 0x61).
  const std::string a = Sjis("ア"), di = Sjis("ヂ");
  const IniDocument doc("[" + a +
                        ":Preset:x]\r\nNumberMode=2\r\nKanaMode2=9\r\nAlphabetMode=junk\r\n"
                        "TagDelete=2\r\nSpaceMode=-7\r\n[" +
                        di + ":Preset:y]\r\n");
  const PresetBook book = ReadPresets(doc, a);
  ASSERT_EQ(Names(book), std::vector<std::string>{"x"});
  const filter::FilterSettings expected{.NumberMode = filter::Width::ToFull,
                                        .SpaceMode = static_cast<filter::Width>(-1),
                                        .KanaMode2 = filter::Katakana::ToHiragana,
                                        .TagDelete = true};
  EXPECT_EQ(book.Presets()[0].settings, expected);
  EXPECT_EQ(Names(ReadPresets(doc, di)), std::vector<std::string>{"y"});
}

TEST(PresetBook, ChangesAndTheirResults) {
  // Each row starts from: Web (active), Word; EXCEL.EXE uses Web, WINWORD.EXE uses Word.
  using R = PresetResult;
  struct Case {
    const char* what;
    std::function<PresetResult(PresetBook&)> change;
    PresetResult result;
    std::vector<std::string> names = {};
    std::string active = "Web";
    std::vector<ProgramPreset> programs = {};
    // clang-format off
  } cases[] = {
      {"add", [](PresetBook& b) { return b.Add(Named("Mail")); }, R::Ok, {"Web", "Word", "Mail"}},
      {"add a name in another case", [](PresetBook& b) { return b.Add(Named("WEB")); }, R::DuplicateName},
      {"add empty", [](PresetBook& b) { return b.Add(Named("")); }, R::EmptyName},
      {"add a line break", [](PresetBook& b) { return b.Add(Named("a\nb")); }, R::InvalidName},
      {"add invalid UTF-8", [](PresetBook& b) { return b.Add(Named("a\xFF")); }, R::InvalidName},
      {"add ö beside Ö", [](PresetBook& b) {
         b.Add(Named("Ö"));
         return b.Add(Named("ö"));
       }, R::Ok,
       {"Web", "Word", "Ö", "ö"}},
      {"rename", [](PresetBook& b) { return b.Rename("web", "Site"); }, R::Ok, {"Site", "Word"}, "Site",
       {{"EXCEL.EXE", "Site"}, {"WINWORD.EXE", "Word"}}},
      {"rename to its own name in capitals", [](PresetBook& b) { return b.Rename("Web", "WEB"); }, R::Ok,
       {"WEB", "Word"}, "WEB", {{"EXCEL.EXE", "WEB"}, {"WINWORD.EXE", "Word"}}},
      {"rename to another's name", [](PresetBook& b) { return b.Rename("Web", "word"); }, R::DuplicateName},
      {"rename to empty", [](PresetBook& b) { return b.Rename("Web", ""); }, R::EmptyName},
      {"rename a missing one", [](PresetBook& b) { return b.Rename("Mail", "x"); }, R::NotFound},
      {"remove the active one", [](PresetBook& b) { return b.Remove("WEB"); }, R::Ok, {"Word"}, "",
       {{"WINWORD.EXE", "Word"}}},
      {"remove a missing one", [](PresetBook& b) { return b.Remove("Mail"); }, R::NotFound},
      {"activate none", [](PresetBook& b) { return b.SetActive(""); }, R::Ok, {"Web", "Word"}, ""},
      {"activate a missing one", [](PresetBook& b) { return b.SetActive("Mail"); }, R::NotFound},
      {"activate in another case", [](PresetBook& b) { return b.SetActive("word"); }, R::Ok, {"Web", "Word"},
       "Word"},
      {"give a program another", [](PresetBook& b) { return b.SetProgramPreset("excel.exe", "word"); }, R::Ok,
       {"Web", "Word"}, "Web", {{"EXCEL.EXE", "Word"}, {"WINWORD.EXE", "Word"}}},
      {"take a program's away", [](PresetBook& b) { return b.SetProgramPreset("Excel.exe", ""); }, R::Ok,
       {"Web", "Word"}, "Web", {{"WINWORD.EXE", "Word"}}},
      {"give a new program one", [](PresetBook& b) { return b.SetProgramPreset("メモ帳.exe", "Web"); }, R::Ok,
       {"Web", "Word"}, "Web", {{"EXCEL.EXE", "Web"}, {"WINWORD.EXE", "Word"}, {"メモ帳.exe", "Web"}}},
      {"give a missing preset", [](PresetBook& b) { return b.SetProgramPreset("x.exe", "Mail"); }, R::NotFound},
      {"give an unnamed program", [](PresetBook& b) { return b.SetProgramPreset("", "Web"); }, R::EmptyName},
  };
  // clang-format on
  for (auto& c : cases) {
    PresetBook book;
    book.Add({"Web", Varied(1), ""});
    book.Add({"Word", Varied(2), ""});
    book.SetActive("Web");
    book.SetProgramPreset("EXCEL.EXE", "Web");
    book.SetProgramPreset("WINWORD.EXE", "Word");
    const PresetBook before = book;
    EXPECT_EQ(c.change(book), c.result) << c.what;
    if (c.result != R::Ok) {
      EXPECT_EQ(book, before) << c.what;
      continue;
    }
    EXPECT_EQ(Names(book), c.names) << c.what;
    EXPECT_EQ(book.Active(), c.active) << c.what;
    if (!c.programs.empty()) {
      EXPECT_EQ(book.Programs(), c.programs) << c.what;
    }
    // A preset keeps its settings whatever happens to its name.
    if (const Preset* word = book.Find("word")) {
      EXPECT_EQ(word->settings, Varied(2)) << c.what;
    }
  }
}

TEST(PresetBook, AProgramFindsItsPresetByTheCallersRule) {
  PresetBook book;
  book.Add({"Web", Varied(1), ""});
  book.SetProgramPreset("EXCEL.EXE", "Web");
  EXPECT_EQ(book.PresetForProgram("excel.exe"), book.Find("Web"));
  EXPECT_EQ(book.PresetForProgram("EXCEL"), nullptr);
  const auto exact = [](std::string_view listed, std::string_view program) {
    return listed == program;
  };
  EXPECT_EQ(book.PresetForProgram("excel.exe", exact), nullptr);
}

}  // namespace
}  // namespace kestrilon::settings
