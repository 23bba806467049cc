// kestrilon-filter as a user runs it: the real binary, with files, pipes and exit statuses.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "../TestFiles.h"
#include "PipelineCases.h"
#include "UnicodeBridge.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out, err;
};

using kestrilon::testing::ReadFile;
using kestrilon::testing::WriteFile;

class FilterTool : public testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/kestrilon-filter-test-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    FDir = templ;
  }
  void TearDown() override { fs::remove_all(FDir); }

  fs::path Path(const std::string& name) const { return FDir / name; }

  // Runs the tool with input on standard input; stdout_path replaces standard output.
  Result Run(const std::vector<std::string>& args, std::string_view input = {},
             const std::string& stdout_path = {}) {
    WriteFile(Path("stdin"), input);
    const std::string out_path = stdout_path.empty() ? Path("stdout").string() : stdout_path;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, Path("stdin").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, Path("stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argv_strings = {KESTRILON_FILTER_PATH};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_strings) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    Result r;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0);
    if (spawned != 0) return r;
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    if (stdout_path.empty()) r.out = ReadFile(Path("stdout"));
    r.err = ReadFile(Path("stderr"));
    return r;
  }

  fs::path FDir;
};

// The expected texts write each line break as "\n"; the tool always writes CR LF.
std::string CrLf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::vector<std::string> SetArgs(std::initializer_list<const char*> sets) {
  std::vector<std::string> args;
  for (const char* s : sets) {
    args.push_back("--set");
    args.push_back(s);
  }
  return args;
}

// The pipeline's own table, through the tool in its default UTF-8 mode: one "--set" for each
// setting of a row.
TEST_F(FilterTool, EveryCaseOfThePipelinesTable) {
  for (const kestrilon::test::PipelineCaseGroup& group : kestrilon::test::PipelineCases()) {
    for (const kestrilon::test::PipelineCase& c : group.cases) {
      std::vector<std::string> args;
      std::istringstream settings(c.settings);
      for (std::string set; settings >> set;) args.insert(args.end(), {"--set", set});
      const Result r = Run(args, c.input);
      const std::string label = std::string(group.behaviour) + ": input " +
                                testing::PrintToString(c.input) + " with " + c.settings;
      EXPECT_EQ(r.status, 0) << label << "\n" << r.err;
      EXPECT_EQ(r.out, c.expected) << label;
    }
  }
  // Characters outside code page 932 pass every step unchanged.
  const Result r = Run({"--set", "KanaMode1=1", "--set", "UpDownCase=2", "--set", "SpaceMode=1"},
                       "café 😀〜한　ね");
  EXPECT_EQ(r.out, "CAFé 😀〜한 ﾈ\r\n");
}

TEST_F(FilterTool, Cp932BytesInAndOut) {
  struct Case {
    std::initializer_list<const char*> sets;
    std::string input, expected;
    // clang-format off
  } cases[] = {
      {{"KanaMode1=1"}, "\x82\xAA\x82\xC1", "\xB6\xDE\xAF\r\n"},  // がっ
      {{"SpaceMode=1"}, "\x81\x81\x40", "\x81\x81\x40\r\n"},      // ＝@ holds the bytes of 　
      {{"KanaMode2=1"}, "\x83\x97\x83\x41", "\x83\x97\x83\x41\r\n"},  // unassigned 0x8397
      {{"AlphabetMode=1"}, "\x82\x59\x82\x60", "\x82\x59" "A\r\n"},  // 0x8259 lies between runs
      {{}, "\x80\xA0\xFD\xFE\xFF", "\x80\xA0\xFD\xFE\xFF\r\n"},    // unassigned single bytes
      {{}, "\x82\x9F\x81\x81\r\n", "\x82\x9F\x81\x81\r\n"},  // ぁ＝: trail bytes in the lead range
  };
  // clang-format on
  for (const auto& c : cases) {
    auto args = SetArgs(c.sets);
    args.insert(args.begin(), {"--encoding", "cp932"});
    const Result r = Run(args, c.input);
    EXPECT_EQ(r.status, 0) << testing::PrintToString(c.input) << r.err;
    EXPECT_EQ(r.out, c.expected) << testing::PrintToString(c.input);
  }
}

TEST_F(FilterTool, EveryTrailByteIsAcceptedAndNoOther) {
  // After each lead byte, the trail bytes at the ends of both ranges (0x40-0x7E, 0x80-0xFC).
  std::string valid;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (unsigned trail : {0x40, 0x7E, 0x80, 0xFC}) {
      valid += static_cast<char>(lead);
      valid += static_cast<char>(trail);
    }
  }
  Result r = Run({"--encoding", "cp932"}, valid);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, valid + "\r\n");
  for (unsigned trail : {0x3F, 0x7F, 0xFD, 0xFF}) {
    const std::string input = std::string("a\x81") + static_cast<char>(trail);
    r = Run({"--encoding", "cp932"}, input);
    EXPECT_EQ(r.status, 3) << std::hex << trail;
    EXPECT_NE(r.err.find("at byte offset 1: lead byte 0x81 followed by"), std::string::npos)
        << r.err;
  }
}

TEST_F(FilterTool, EncodingNamesInAnyCase) {
  for (const char* name : {"cp932", "CP932", "Cp932"}) {
    const Result r = Run({"--encoding", name, "--set", "NumberMode=1"}, "\x82\x50");  // １
    EXPECT_EQ(r.status, 0) << name << r.err;
    EXPECT_EQ(r.out, "1\r\n") << name;
  }
  for (const char* name : {"utf-8", "UTF-8", "utf8", "UTF8"}) {
    const Result r = Run({"--encoding=" + std::string(name), "--set", "NumberMode=1"}, "１");
    EXPECT_EQ(r.status, 0) << name << r.err;
    EXPECT_EQ(r.out, "1\r\n") << name;
  }
}

TEST_F(FilterTool, HelpVersionAndList) {
  Result r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--set NAME=VALUE"), std::string::npos);
  EXPECT_NE(r.out.find("--preset NAME"), std::string::npos);
  EXPECT_NE(r.out.find("Exit status"), std::string::npos);

  r = Run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "kestrilon-filter " KESTRILON_VERSION "\n");

  r = Run({"--list"});
  EXPECT_EQ(r.status, 0);
  for (const char* line :
       {"  NumberMode=0        数字  (0 そのまま, 1 半角, 2 全角)\n",
        "  KanaMode2=0         カナ  (0 そのまま, 1 半角カナ, 2 全角カナ, 3 全角かな)\n",
        "  DelConma=0          半角コンマの除去  (0 off, 1 on)\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 22);
}

TEST_F(FilterTool, UsageErrorsNameTheProblemAndWriteNothing) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"-x"}, "unknown option '-x'"},
      {{"--set"}, "option '--set' needs a value"},
      {{"--set", "Nope=1"}, "unknown setting 'Nope'"},
      {{"--set", "tagdelete=1"}, "did you mean TagDelete?"},
      {{"--set", "NumberMode"}, "expected NAME=VALUE"},
      {{"--set", "NumberMode=abc"}, "'abc' is not an integer"},
      {{"--set", "NumberMode="}, "'' is not an integer"},
      {{"--set", "NumberMode=1x"}, "'1x' is not an integer"},
      {{"--set", "NumberMode=99999999999"}, "'99999999999' is not an integer"},
      {{"--encoding", "latin1"}, "unknown encoding 'latin1'"},
      {{"in1", "in2"}, "more than one input file"},
      {{"--help=1"}, "takes no value"},
      {{"--section", "x"}, "--section needs --ini"},
      {{"--preset", "Web"}, "--preset needs --ini"},
  };
  for (auto& c : cases) {
    c.args.insert(c.args.begin(), {"-o", Path("out").string()});
    const Result r = Run(c.args, "abc");
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_TRUE(r.out.empty()) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("out"))) << c.message;
  }
}

TEST_F(FilterTool, ValuesAreReadAndClampedAsTheIniFileReadsThem) {
  struct Case {
    std::initializer_list<const char*> sets;
    const char* input;
    const char* expected;
    // clang-format off
  } cases[] = {
      {{"NumberMode=7"}, "1", "１\n"},      // above the last item: the last item (2)
      {{"NumberMode=-5"}, "1１", "1１\n"},  // below -1: nothing selected
      {{"NumberMode=0x1"}, "１", "1\n"},
      {{"NumberMode=+2"}, "1", "１\n"},
      {{"NumberMode= 2 "}, "1", "１\n"},     // blanks around a value are ignored
      {{"TagDelete=2"}, "<b>x", "x\n"},     // any nonzero value checks a box
      {{"TagDelete=0"}, "<b>x", "<b>x\n"},
      {{"NumberMode=1", "NumberMode=0"}, "１", "１\n"},  // the last one wins
  };
  // clang-format on
  for (const auto& c : cases) {
    const Result r = Run(SetArgs(c.sets), c.input);
    EXPECT_EQ(r.status, 0) << *c.sets.begin() << r.err;
    EXPECT_EQ(r.out, CrLf(c.expected)) << *c.sets.begin();
  }
}

TEST_F(FilterTool, BadInputIsRefusedWithItsOffset) {
  struct Case {
    bool cp932;
    std::string input;
    const char* message;
    // clang-format off
  } cases[] = {
      {false, "ab\xFF", "invalid UTF-8 at byte offset 2"},
      {false, "がa\xE3\x81", "invalid UTF-8 at byte offset 4"},
      {false, std::string("abc\0d", 5), "NUL byte at byte offset 3"},
      {false, std::string("a\0\xFF", 3), "NUL byte at byte offset 1"},   // the first fault wins
      {false, std::string("\xFF\0", 2), "invalid UTF-8 at byte offset 0"},
      {true, "ab\x82", "at byte offset 2: lead byte 0x82 at the end of the input"},
      {true, "\x82\xA0\x82\r\n", "at byte offset 2: lead byte 0x82 followed by 0x0D"},
      {true, std::string("\x82\xA0\0", 3), "NUL byte at byte offset 2"},
      // In a run of lead-range bytes the pairs count from its start: the third 0x81 leads.
      {true, "\x81\x81\x81\r\n", "at byte offset 2: lead byte 0x81 followed by 0x0D"},
      // メ's trail byte 0x81 is in the lead range: the walk goes by characters, not bytes.
      {true, "\x83\x81\r\n\x82", "at byte offset 4: lead byte 0x82 at the end of the input"},
      {true, std::string(100, 'a') + "\x82\xA0\x82\x7F", "at byte offset 102: lead byte 0x82 followed by 0x7F"},
  };
  // clang-format on
  WriteFile(Path("out"), "old");
  for (const auto& c : cases) {
    std::vector<std::string> args = {"-o", Path("out").string()};
    if (c.cp932) args.insert(args.end(), {"--encoding", "cp932"});
    const Result r = Run(args, c.input);
    EXPECT_EQ(r.status, 3) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("standard input"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(Path("out")), "old") << c.message;
  }
  // Standard output gets nothing either.
  const Result r = Run({}, "ok\xFF");
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(r.out.empty());
}

TEST_F(FilterTool, TooManyForeignCharactersAreRefused) {
  std::string text;
  for (char32_t c = 0x20000; c < 0x20000 + 1871; ++c) {
    const char bytes[] = {
        static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
        static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    text.append(bytes, 4);
  }
  Result r = Run({}, text);
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("cannot represent at byte offset 7480"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
  r = Run({}, text.substr(0, text.size() - 4));  // one fewer fits
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, text.substr(0, text.size() - 4) + "\r\n");
}

TEST_F(FilterTool, InputOutputErrorsNameTheFile) {
  Result r = Run({Path("missing.txt").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.txt: cannot read: No such file or directory"), std::string::npos)
      << r.err;

  r = Run({"-o", Path("no/such/dir/out.txt").string()}, "abc");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("out.txt: cannot write"), std::string::npos) << r.err;

  r = Run({"-o", FDir.string()}, "abc");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(fs::is_directory(FDir));

  r = Run({"--ini", Path("missing.ini").string()}, "abc");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.ini: cannot read"), std::string::npos) << r.err;

  if (fs::exists("/dev/full")) {
    r = Run({}, "abc", "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("standard output: cannot write"), std::string::npos) << r.err;
  }
}

TEST_F(FilterTool, InputFromFileDashOrStdinAndOutputReplacesTheFile) {
  WriteFile(Path("in.txt"), "１\n");
  for (const std::vector<std::string>& args : {std::vector<std::string>{Path("in.txt").string()},
                                               {"-"},
                                               {},
                                               {"--", Path("in.txt").string()}}) {
    auto full = SetArgs({"NumberMode=1"});
    full.insert(full.end(), args.begin(), args.end());
    const Result r = Run(full, "１\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1\r\n");
  }

  WriteFile(Path("out.txt"), "an older and longer text");
  chmod(Path("out.txt").c_str(), 0640);
  Result r =
      Run({"--output", Path("out.txt").string(), "--set", "NumberMode=1", Path("in.txt").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(ReadFile(Path("out.txt")), "1\r\n");
  EXPECT_EQ(fs::status(Path("out.txt")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  // A link is written through: it stays a link, to the new text.
  fs::create_symlink(Path("out.txt"), Path("link.txt"));
  WriteFile(Path("in2.txt"), "２\n");
  r = Run({"-o", Path("link.txt").string(), "--set", "NumberMode=1", Path("in2.txt").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
  EXPECT_EQ(ReadFile(Path("out.txt")), "2\r\n");

  // The input file itself may be the output.
  r = Run({"-o" + Path("in.txt").string(), "--set=NumberMode=1", Path("in.txt").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("in.txt")), "1\r\n");

  // A one-letter name joined to -o, in the working folder.
  const fs::path was = fs::current_path();
  fs::current_path(FDir);
  r = Run({"-ox", "--set=NumberMode=1", "in2.txt"});
  fs::current_path(was);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("x")), "2\r\n");

  // No temporary file is left behind.
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(FDir))
    files += entry.path().filename().string().find(".tmp") != std::string::npos;
  EXPECT_EQ(files, 0u);
}

TEST_F(FilterTool, EmptyInputGivesEmptyOutput) {
  for (const char* set : {"EnterDeleteMode=0", "EnterDeleteMode=1"}) {
    const Result r = Run({"--set", set, "--set", "AddLI=1"}, "");
    EXPECT_EQ(r.status, 0) << set;
    EXPECT_EQ(r.out, "") << set;
  }
}

std::string Cp932(std::string_view utf8) { return kestrilon::unicode::Utf8ToCp932(utf8).bytes; }

TEST_F(FilterTool, SettingsFromAnIniFile) {
  // As the program saves it: code page 932, CR LF, a section per user.
  // Presets beside each section, as the program saves them.
  WriteFile(Path("k.ini"),
            Cp932("[other]\r\nNumberMode=2\r\n"
                  "[山田]\r\nForm1Top=10\r\nNumberMode=1\r\nKanaMode2=9\r\n"
                  "AlphabetMode=junk\r\nTagDelete=1\r\n"
                  "[山田:Preset:Web form]\r\nHotKey=Ctrl+Alt+1\r\nAlphabetMode=1\r\nKanaMode1=1\r\n"
                  "[山田:Preset:%E6%B1%9F%5B1%5D]\r\nNumberMode=2\r\n"
                  "[other:Preset:Web form]\r\nNumberMode=2\r\n"));
  const std::string ini = Path("k.ini").string();
  struct Case {
    std::vector<std::string> args;
    const char* input;
    const char* expected;
  } cases[] = {
      // KanaMode2 9 is clamped to 3; AlphabetMode "junk" leaves the default.
      {{"--ini", ini, "--section", "山田"}, "１<b>ｶﾞＡ", "1がＡ\n"},
      {{"--section=山田", "--ini=" + ini, "--set", "NumberMode=0"}, "１", "１\n"},
      {{"--ini", ini, "--section", "other"}, "1", "１\n"},
      // A preset's settings instead of the section's, then --set over them.
      {{"--ini", ini, "--section", "山田", "--preset", "Web form"}, "１Ａが<b>", "１Aｶﾞ<b>\n"},
      {{"--ini", ini, "--section", "山田", "--preset=WEB FORM", "--set", "KanaMode1=0"},
       "Ａが",
       "Aが\n"},
      {{"--set", "KanaMode1=0", "--ini", ini, "--section", "山田", "--preset", "Web form"},
       "Ａが",
       "Aが\n"},
      {{"--ini", ini, "--section", "山田", "--preset", "江[1]"}, "1Ａ", "１Ａ\n"},
      {{"--ini", ini, "--section", "other", "--preset", "Web form"}, "1", "１\n"},
  };
  for (const auto& c : cases) {
    const Result r = Run(c.args, c.input);
    EXPECT_EQ(r.status, 0) << c.input << r.err;
    EXPECT_EQ(r.out, CrLf(c.expected)) << c.input;
  }

  Result r = Run({"--ini", ini, "--section", "nobody"}, "x");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no section [nobody]"), std::string::npos) << r.err;
  for (const char* section : {"山田", "nobody"}) {
    r = Run({"--ini", ini, "--section", section, "--preset", "Mail"}, "x");
    EXPECT_EQ(r.status, 2) << section;
    EXPECT_TRUE(r.out.empty()) << section;
    EXPECT_NE(r.err.find(ini + ": no preset 'Mail' in section [" + section + "]"),
              std::string::npos)
        << r.err;
  }

  // Without --section, the section is the current user's name.
  const passwd* pw = getpwuid(geteuid());
  ASSERT_NE(pw, nullptr);
  WriteFile(Path("user.ini"), std::string("[") + pw->pw_name + "]\r\nSpaceMode=2\r\n");
  r = Run({"--ini", Path("user.ini").string()}, "a b");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "a　b\r\n");
}

}  // namespace
