#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "IniFile.h"
#include "TempFolder.h"
#include "TestText.h"

namespace kestrilon::settings {
namespace {

namespace fs = std::filesystem;
using test::Fixture;
using test::Sjis;
using test::Slurp;
using test::Spit;
using test::TempFolder;

TEST(ParseIniInteger, ReadsDecimalAndHexAndFallsBackOnAnythingElse) {
  constexpr int d = -77;  // the default
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"1", 1},
      {"0", 0},
      {"-5", -5},
      {"+5", 5},
      {"007", 7},
      {"-0", 0},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", d},
      {"-2147483649", d},
      {"99999999999999999999", d},
      {"0x1", 1},
      {"0X1a", 26},
      {"0xFFFFFFFF", -1},
      {"0x80000000", INT_MIN},
      {"0x100000000", d},
      {"0x000000001", 1},  // leading zeros don't overflow
      {"0x", d},
      {"0X", d},
      {"0xG", d},
      {"0x-1", d},
      {"0x 1", d},
      {"x1", d},
      {"$10", d},
      {"", d},
      {"-", d},
      {"+", d},
      {" 1", d},
      {"1 ", d},
      {"1.5", d},
      {"1e3", d},
      {"abc", d},
      {"１", d},  // full-width digit
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIniInteger(c.text, d), c.expected) << c.text;
}

TEST(IniDocument, ReadsAFileWrittenInThePrivateProfileStyle) {
  const IniDocument doc(Slurp(Fixture("private_profile.ini")));
  const std::string tanaka = Sjis("田中");
  // Names compared without case and blanks, the first of duplicate keys and sections wins.
  EXPECT_EQ(doc.ReadInteger(tanaka, "NumberMode", -1), 1);
  EXPECT_EQ(doc.ReadInteger(tanaka, "NUMBERMODE", -1), 1);
  EXPECT_TRUE(doc.ReadBool(tanaka, "ShowForm", false));  // "1" in quotes
  EXPECT_EQ(doc.ReadString(tanaka, "Title", ""), "  quoted  ");
  EXPECT_EQ(doc.ReadInteger(tanaka, "AlphabetMode", -1), 2);  // 0x2
  EXPECT_EQ(doc.ReadInteger("Other", "NumberMode", -1), 2);
  EXPECT_EQ(doc.ReadInteger("other", "SignMode", -1), -1);  // only in the second [Other]
  // "]" as the trail byte of ゾ doesn't end the section name.
  EXPECT_EQ(doc.ReadInteger(Sjis("ゾ"), "KanaMode1", -1), 2);
  // A comment line is no key.
  EXPECT_FALSE(doc.Find("Other", "; Kestrilon settings"));
  EXPECT_FALSE(doc.SectionExists("Missing"));
  EXPECT_EQ(doc.ReadString("Missing", "Title", "dflt"), "dflt");
}

TEST(IniDocument, ComparesNamesWithoutCaseButNeverAcrossATwoByteCharacter) {
  struct Case {
    std::string stored, asked;
    bool same;
  } cases[] = {
      {"numbermode", "NumberMode", true},
      {Sjis("ａｂｃ"), Sjis("ＡＢＣ"), true},
      {Sjis("αω"), Sjis("ΑΩ"), true},
      {Sjis("аноя"), Sjis("АНОЯ"), true},
      {Sjis("ア"), Sjis("ヂ"), false},  // 0x83 0x41 and 0x83 0x61: trail bytes are not letters
      {Sjis("ａ"), "a", false},
      {"Number", "NumberMode", false},
      {"NumberModeX", "NumberMode", false},
  };
  for (const auto& c : cases) {
    const IniDocument doc("[" + c.stored + "]\r\n" + c.stored + "=1\r\n");
    EXPECT_EQ(doc.ReadInteger(c.asked, c.asked, 0) == 1, c.same) << c.stored << " / " << c.asked;
  }
}

TEST(IniDocument, ReadsStringsAsThePrivateProfileFunctionsReturnThem) {
  struct Case {
    std::string line, expected;
  } cases[] = {
      {"K=plain", "plain"},
      {"K=  padded  ", "padded"},
      {"K=\"  kept  \"", "  kept  "},
      {"K='single'", "single"},
      {"K=\"mismatched'", "\"mismatched'"},
      {"K=\"", "\""},
      {"K=\"\"", ""},
      {"K=", ""},  // present but empty: not the default
      {"K=a=b", "a=b"},
      {"K\t=\tx", "x"},
      {std::string("K=ab\0cd", 7), "ab"},
      {"K=" + std::string(3000, 'a'), std::string(2047, 'a')},
      // The 2047th byte would be the first half of あ: the cut keeps whole characters.
      {"K=" + std::string(2046, 'a') + Sjis("あ"), std::string(2046, 'a')},
      {"K=" + std::string(2045, 'a') + Sjis("あ"), std::string(2045, 'a') + Sjis("あ")},
  };
  for (const auto& c : cases) {
    const IniDocument doc("[S]\r\n" + c.line + "\r\n");
    EXPECT_EQ(doc.ReadString("S", "K", "default"), c.expected) << c.line.substr(0, 40);
  }
  // A missing key gives the default as it is, however long.
  const std::string long_default(5000, 'd');
  EXPECT_EQ(IniDocument("[S]\r\n").ReadString("S", "K", long_default), long_default);
}

TEST(IniDocument, ReadsIntegersAndBooleansThroughTheStringRead) {
  struct Case {
    std::string value;
    int integer;  // default 42
    bool boolean_from_false, boolean_from_true;
  } cases[] = {
      {"1", 1, true, true},     {"0", 0, false, false},   {"2", 2, true, true},
      {"0x1", 1, true, true},   {"\"7\"", 7, true, true}, {" 3 ", 3, true, true},
      {"abc", 42, false, true}, {"", 42, false, true},    {"-1", -1, true, true},
  };
  for (const auto& c : cases) {
    const IniDocument doc("[S]\nK=" + c.value + "\n");
    EXPECT_EQ(doc.ReadInteger("S", "K", 42), c.integer) << c.value;
    EXPECT_EQ(doc.ReadBool("S", "K", false), c.boolean_from_false) << c.value;
    EXPECT_EQ(doc.ReadBool("S", "K", true), c.boolean_from_true) << c.value;
  }
}

TEST(IniDocument, OddLineEndsAndCorruptBytesParseWithoutLoss) {
  for (const char* name : {"cr_only.ini", "no_final_newline.ini", "bom.ini"}) {
    const std::string text = Slurp(Fixture(name));
    const IniDocument doc(text);
    EXPECT_EQ(doc.ReadInteger("User", "NumberMode", 0), 1) << name;
    EXPECT_EQ(doc.Text(), text) << name;  // kept byte for byte
  }
  // A lead byte at the very end stands alone.
  const std::string truncated = Slurp(Fixture("truncated_multibyte.ini"));
  EXPECT_EQ(IniDocument(truncated).ReadString("User", "Title", ""), "abc\x82");
  EXPECT_EQ(IniDocument(truncated).Text(), truncated);

  // One line of a megabyte, and every byte value in a scrambled order.
  std::string garbage = "[User]\r\nNumberMode=1\r\n" + std::string(1 << 20, 'x') + "\r\n";
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 167 + 13) & 0xFF);
  const IniDocument doc(garbage);
  EXPECT_EQ(doc.ReadInteger("User", "NumberMode", 0), 1);
  EXPECT_EQ(doc.Text(), garbage);
}

TEST(IniDocument, WritesWhereTheValueBelongsAndLeavesEverythingElseAlone) {
  const std::string before =
      "; comment\r\n"
      "[Other]\r\n"
      "NumberMode=2\r\n"
      "\r\n"
      "[User]\r\n"
      "  NumberMode = 1 \r\n"
      "Unknown=keep\r\n"
      "; trailing comment\r\n"
      "\r\n"
      "[Last]\r\n"
      "X=1";  // no final line end
  IniDocument doc(before);
  doc.Write("user", "NUMBERMODE", "1");  // same value: the line stays as it was
  EXPECT_EQ(doc.Text(), before);

  doc.Write("User", "NumberMode", "2");  // rewritten in place, the stored name kept
  doc.Write("User", "ShowForm", "1");    // new key: after the section's last non-blank line
  doc.Write("Last", "Y", "2");           // after a last line without a line end
  doc.Write("New", "Form1Top", "10");    // new section at the end, after a blank line
  EXPECT_EQ(doc.Text(),
            "; comment\r\n"
            "[Other]\r\n"
            "NumberMode=2\r\n"
            "\r\n"
            "[User]\r\n"
            "NumberMode=2\r\n"
            "Unknown=keep\r\n"
            "; trailing comment\r\n"
            "ShowForm=1\r\n"
            "\r\n"
            "[Last]\r\n"
            "X=1\r\n"
            "Y=2\r\n"
            "\r\n"
            "[New]\r\n"
            "Form1Top=10\r\n");

  IniDocument lf("[User]\nA=1\n");  // new lines follow the file's own line ends
  lf.Write("User", "B", "2");
  EXPECT_EQ(lf.Text(), "[User]\nA=1\nB=2\n");

  IniDocument empty;
  empty.Write("User", "A", "1");
  EXPECT_EQ(empty.Text(), "[User]\r\nA=1\r\n");
}

TEST(IniDocument, ErasingASectionRemovesEveryOneOfThatNameWithAllItsLines) {
  IniDocument doc("[A]\r\nX=1\r\n\r\n[b]\r\nY=2\r\n; note\r\n[C]\r\nZ=3\r\n[B]\r\nW=4");
  doc.EraseSection("B");
  doc.EraseSection("Missing");
  EXPECT_EQ(doc.Text(), "[A]\r\nX=1\r\n\r\n[C]\r\nZ=3\r\n");
  doc.Write("B", "Y", "5");  // a new one goes at the end again
  EXPECT_EQ(doc.Text(), "[A]\r\nX=1\r\n\r\n[C]\r\nZ=3\r\n\r\n[B]\r\nY=5\r\n");
}

TEST(IniDocument, EveryWrittenStringReadsBackUnchanged) {
  const std::string values[] = {
      "",
      "plain",
      " leading",
      "trailing\t",
      "  both  ",
      "\"quoted\"",
      "'single'",
      "\"",
      "a\"b\"",
      "a=b",
      "[not a section]",
      Sjis("田中 ソ表ゾ"),
      std::string("\x82", 1),
  };
  for (const auto& v : values) {
    IniDocument doc("[S]\r\nK=old\r\n");
    doc.Write("S", "K", v);
    EXPECT_EQ(IniDocument(doc.Text()).ReadString("S", "K", "default"), v) << v;
    IniDocument fresh;
    fresh.Write("S", "K", v);
    EXPECT_EQ(IniDocument(fresh.Text()).ReadString("S", "K", "default"), v) << v;
  }
}

// Second bytes that are "\\", "]", "[", "|", "@" or a letter: never taken for one.
TEST(IniDocument, NamesWithAsciiSecondBytesWriteAndReadBackAsSectionsKeysAndValues) {
  for (const char* name :
       {"江口", "望月", "曽根", "ソ", "表", "能", "十", "予", "ゼ", "ァ", "ポ", "兎"}) {
    const std::string n = Sjis(name);
    IniDocument doc("[Other]\r\nK=1\r\n");
    doc.Write(n, n, n);
    doc.Write(n, "K", "2");
    doc.Write("Other", n, n + "=" + n);
    const IniDocument back(doc.Text());
    EXPECT_EQ(back.ReadString(n, n, "default"), n) << name;
    EXPECT_EQ(back.ReadString(n, "K", "default"), "2") << name;
    EXPECT_EQ(back.ReadString("Other", n, "default"), n + "=" + n) << name;
    EXPECT_EQ(back.ReadString("Other", "K", "default"), "1") << name;
  }
}

TEST(IniDocument, RefusesWhatTheLayoutCannotHold) {
  struct Case {
    std::string section, key, value;
  } cases[] = {
      {"S", "K", "two\r\nlines"},
      {"S", "K", "cr\ronly"},
      {"S", "K", std::string("n\0l", 3)},
      {"S", "", "v"},
      {"S", "a=b", "v"},
      {"S", " K", "v"},
      {"S", "K\n", "v"},
      {"S", "[K]", "v"},
      {"", "K", "v"},
      {"a]b", "K", "v"},
      {"S ", "K", "v"},
      {"S\n", "K", "v"},
  };
  for (const auto& c : cases) {
    IniDocument doc("[S]\r\nK=old\r\n");
    EXPECT_THROW(doc.Write(c.section, c.key, c.value, "x.ini"), EIniFileError) << c.key;
    EXPECT_EQ(doc.Text(), "[S]\r\nK=old\r\n");
  }
  // The message is UTF-8, whatever the name's bytes.
  try {
    IniDocument().Write(Sjis("江]口"), "K", "v", "x.ini");
    ADD_FAILURE();
  } catch (const EIniFileError& e) {
    EXPECT_EQ(std::string(e.what()), "セクション名「江]口」は x.ini に書き込めません");
  }
}

// ---- IniFile on disk ---------------------------------------------------------------------

using IniFileOnDisk = TempFolder;

TEST_F(IniFileOnDisk, ConstructingAndReadingTouchNothing) {
  IniFile ini(FDir / "missing" / "k.ini");
  EXPECT_EQ(ini.ReadInteger("User", "NumberMode", 3), 3);
  EXPECT_FALSE(ini.SectionExists("User"));
  ini.UpdateFile();  // nothing written: nothing to do
  EXPECT_FALSE(fs::exists(FDir / "missing"));
}

TEST_F(IniFileOnDisk, SaveCreatesTheFileAndKeepsOthersLinesAndKeyOrder) {
  const fs::path path = FDir / "kestrilon.ini";
  {
    IniFile ini(path);
    ini.WriteInteger("User", "Form1Top", -3);
    ini.WriteBool("User", "ShowForm", true);
    ini.WriteString("User", "Title", Sjis("田中"));
    EXPECT_EQ(ini.ReadInteger("User", "Form1Top", 0), -3);  // seen before the save
    EXPECT_FALSE(fs::exists(path));
    ini.UpdateFile();
  }
  EXPECT_EQ(Slurp(path), "[User]\r\nForm1Top=-3\r\nShowForm=1\r\nTitle=" + Sjis("田中") + "\r\n");

  // Someone adds a section and a comment; the next save keeps both where they are.
  Spit(path, "; mine\r\n" + Slurp(path) + "\r\n[Another]\r\nA=1\r\n");
  {
    IniFile ini(path);
    ini.WriteBool("User", "ShowForm", false);
    ini.WriteInteger("User", "Form1Top", 5);
    ini.UpdateFile();
  }
  EXPECT_EQ(Slurp(path), "; mine\r\n[User]\r\nForm1Top=5\r\nShowForm=0\r\nTitle=" + Sjis("田中") +
                             "\r\n\r\n[Another]\r\nA=1\r\n");
  EXPECT_EQ(Files(), std::vector<std::string>{"kestrilon.ini"});  // no temporary file left
}

TEST_F(IniFileOnDisk, SaveKeepsWhatOthersChangedSinceTheFileWasRead) {
  const fs::path path = FDir / "k.ini";
  Spit(path, "[A]\r\nX=1\r\n");
  IniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("A", "X", 0), 1);
  Spit(path, "[A]\r\nX=1\r\n[B]\r\nY=2\r\n");  // another user's program saves meanwhile
  ini.WriteInteger("A", "X", 9);
  ini.UpdateFile();
  EXPECT_EQ(Slurp(path), "[A]\r\nX=9\r\n[B]\r\nY=2\r\n");
}

TEST_F(IniFileOnDisk, AFailedSaveLeavesTheOldFileWholeAndSaysWhere) {
  const fs::path read_only = FDir / "read-only.ini";
  Spit(read_only, "[User]\r\nNumberMode=1\r\n");
  fs::permissions(read_only,
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const fs::path utf16 = FDir / "utf16.ini";
  const std::string utf16_text("\xFF\xFE[\0U\0]\0", 8);
  Spit(utf16, utf16_text);
  const fs::path cases[] = {read_only, utf16, FDir / "no-such-folder" / "k.ini", FDir};
  for (const auto& path : cases) {
    IniFile ini(path);
    ini.WriteInteger("User", "NumberMode", 2);
    try {
      ini.UpdateFile();
      ADD_FAILURE() << "saved to " << path;
    } catch (const EIniFileError& e) {
      EXPECT_EQ(std::string(e.what()), path.string() + " に書き込めません");
    }
    EXPECT_EQ(ini.ReadInteger("User", "NumberMode", 0), 2);  // the write is still pending
  }
  EXPECT_EQ(Slurp(read_only), "[User]\r\nNumberMode=1\r\n");
  EXPECT_EQ(Slurp(utf16), utf16_text);
  EXPECT_EQ(Files(), (std::vector<std::string>{"read-only.ini", "utf16.ini"}));

  // Once the folder can be written, the pending write gets there.
  IniFile ini(FDir / "sub" / "k.ini");
  ini.WriteInteger("User", "NumberMode", 2);
  EXPECT_THROW(ini.UpdateFile(), EIniFileError);
  fs::create_directory(FDir / "sub");
  ini.UpdateFile();
  EXPECT_EQ(Slurp(FDir / "sub" / "k.ini"), "[User]\r\nNumberMode=2\r\n");
}

TEST_F(IniFileOnDisk, SaveWritesThroughALinkAndKeepsPermissions) {
  const fs::path real = FDir / "real.ini";
  Spit(real, "[User]\r\nA=1\r\n");
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(real, FDir / "link.ini");
  IniFile ini(FDir / "link.ini");
  ini.WriteInteger("User", "A", 2);
  ini.UpdateFile();
  EXPECT_TRUE(fs::is_symlink(FDir / "link.ini"));
  EXPECT_EQ(Slurp(real), "[User]\r\nA=2\r\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(IniFileOnDisk, AnInvalidWriteThrowsAtOnceAndLeavesNothingPending) {
  const fs::path path = FDir / "k.ini";
  IniFile ini(path);
  EXPECT_THROW(ini.WriteString("User", "Memo", "line 1\r\nline 2"), EIniFileError);
  ini.UpdateFile();
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
}  // namespace kestrilon::settings
