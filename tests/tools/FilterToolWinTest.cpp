// kestrilon-filter.exe as a Windows user runs it: wide command line, binary standard streams,
// Japanese file names, the user's name as the INI section, exit statuses.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "../TestFiles.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  DWORD status = 0xFFFFFFFF;
  std::string out, err;
};

using kestrilon::testing::ReadFile;
using kestrilon::testing::WriteFile;

// The build names the tool by its host path; under Wine a host path is found on drive Z:.
std::wstring ToolPath() {
  return kestrilon::testing::HostPathUnderWine(KESTRILON_FILTER_PATH).wstring();
}

std::wstring Quote(const std::wstring& arg) { return L"\"" + arg + L"\""; }

HANDLE Inheritable(const fs::path& path, bool write) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileW(path.wstring().c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class FilterToolWin : public testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / L"kestrilon-filter-win-テスト" /
           testing::UnitTest::GetInstance()->current_test_info()->name();
    std::error_code ignored;
    fs::remove_all(FDir, ignored);
    fs::create_directories(FDir);
  }
  // Wine's console host may still hold the redirected handles for a moment after the tool ends.
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(FDir, ignored);
  }

  // Standard input is a file, or with pipe a pipe whose writer has closed it after input.
  Result Run(const std::vector<std::wstring>& args, std::string_view input = {},
             bool pipe = false) {
    WriteFile(FDir / L"stdin", input);
    HANDLE in = Inheritable(FDir / L"stdin", false);
    if (pipe) {
      CloseHandle(in);
      SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
      HANDLE writer = nullptr;
      EXPECT_TRUE(CreatePipe(&in, &writer, &sa, 1 << 16));
      DWORD written = 0;
      EXPECT_TRUE(
          ::WriteFile(writer, input.data(), static_cast<DWORD>(input.size()), &written, nullptr));
      CloseHandle(writer);
    }
    HANDLE out = Inheritable(FDir / L"stdout", true);
    HANDLE err = Inheritable(FDir / L"stderr", true);
    std::wstring command = Quote(ToolPath());
    for (const auto& a : args) command += L" " + Quote(a);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    Result r;
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    EXPECT_TRUE(started) << "CreateProcessW failed: " << GetLastError();
    if (started) {
      WaitForSingleObject(pi.hProcess, 60000);
      GetExitCodeProcess(pi.hProcess, &r.status);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    r.out = ReadFile(FDir / L"stdout");
    r.err = ReadFile(FDir / L"stderr");
    return r;
  }

  fs::path FDir;
};

TEST_F(FilterToolWin, StandardStreamsCarryBytesUnchanged) {
  // LF in gives CR LF out, once: no text-mode translation on either side.
  Result r = Run({L"--set", L"NumberMode=1"},
                 "１\nb\r\n\x1A"
                 "c");
  EXPECT_EQ(r.status, 0u) << r.err;
  EXPECT_EQ(r.out,
            "1\r\nb\r\n\x1A"
            "c\r\n");
  r = Run({L"--set", L"NumberMode=1"}, "１\n", true);  // the pipe's end is the input's
  EXPECT_EQ(r.status, 0u) << r.err;
  EXPECT_EQ(r.out, "1\r\n");

  r = Run({L"--encoding", L"cp932", L"--set", L"KanaMode1=1"}, "\x82\xAA\x82\xC1\n");
  EXPECT_EQ(r.status, 0u) << r.err;
  EXPECT_EQ(r.out, "\xB6\xDE\xAF\r\n");
}

TEST_F(FilterToolWin, JapaneseFileNamesInAndOut) {
  const fs::path in = FDir / L"入力.txt", out = FDir / L"出力.txt";
  WriteFile(in, "がっこう😀\n");
  WriteFile(out, "old");
  const Result r = Run({L"--set=KanaMode1=1", L"-o", out.wstring(), in.wstring()});
  EXPECT_EQ(r.status, 0u) << r.err;
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(ReadFile(out), "ｶﾞｯｺｳ😀\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(FDir), {}), 5);  // no temporary file left
}

TEST_F(FilterToolWin, ErrorsGiveTheirStatusAndWriteNothing) {
  const fs::path out = FDir / L"out.txt";
  Result r = Run({L"-o", out.wstring()}, "ok\xFF");
  EXPECT_EQ(r.status, 3u);
  EXPECT_NE(r.err.find("invalid UTF-8 at byte offset 2"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(out));

  r = Run({L"--set", L"NoSuchSetting=1"}, "x");
  EXPECT_EQ(r.status, 2u);
  EXPECT_TRUE(r.out.empty());

  r = Run({(FDir / L"無い.txt").wstring()});
  EXPECT_EQ(r.status, 1u);
  EXPECT_NE(r.err.find("無い.txt: cannot read"), std::string::npos) << r.err;
}

TEST_F(FilterToolWin, SectionDefaultsToTheUserName) {
  wchar_t name[257];
  DWORD size = 257;
  ASSERT_TRUE(GetUserNameW(name, &size));
  // The INI file is in code page 932, as the program saves it.
  std::string section(size * 2, '\0');
  section.resize(static_cast<std::size_t>(
      WideCharToMultiByte(932, 0, name, static_cast<int>(size - 1), section.data(),
                          static_cast<int>(section.size()), nullptr, nullptr)));
  WriteFile(FDir / L"k.ini", "[" + section + "]\r\nSpaceMode=2\r\n");
  const Result r = Run({L"--ini", (FDir / L"k.ini").wstring()}, "a b");
  EXPECT_EQ(r.status, 0u) << r.err;
  EXPECT_EQ(r.out, "a　b\r\n");
}

}  // namespace
