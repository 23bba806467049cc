// The settings on a real Win32 implementation: the executable's own path, the Windows folder,
// the failures of MoveFileExW, and the system's private-profile functions on the same files,
// read by both sides and compared.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <bit>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Application.h"
#include "AutoIni.h"
#include "Exceptions.h"
#include "FileSystem.h"
#include "Forms.h"
#include "IniFile.h"
#include "StdControls.h"
#include "WinText.h"

namespace kestrilon::settings {
namespace {

namespace fs = std::filesystem;

// Windows without SetDefaultDllDirectories still starts: the current folder leaves the search.
std::vector<std::string> confineCalls;
BOOL WINAPI SetDefaultDllDirectoriesStandIn(DWORD flags) {
  confineCalls.push_back("SetDefaultDllDirectories " + std::to_string(flags));
  return TRUE;
}
BOOL WINAPI SetDllDirectoryStandIn(LPCWSTR folder) {
  confineCalls.push_back(folder && !*folder ? "SetDllDirectoryW \"\"" : "SetDllDirectoryW other");
  return TRUE;
}
BOOL WINAPI SetSearchPathModeStandIn(DWORD flags) {
  confineCalls.push_back("SetSearchPathMode " + std::to_string(flags));
  return TRUE;
}
FARPROC Windows8(const char* name) {
  return std::string(name) == "SetDefaultDllDirectories"
             ? std::bit_cast<FARPROC>(&SetDefaultDllDirectoriesStandIn)
             : nullptr;
}
FARPROC Windows7(const char* name) {
  const std::string n = name;
  return n == "SetDllDirectoryW"    ? std::bit_cast<FARPROC>(&SetDllDirectoryStandIn)
         : n == "SetSearchPathMode" ? std::bit_cast<FARPROC>(&SetSearchPathModeStandIn)
                                    : nullptr;
}
FARPROC NoWindows(const char*) { return nullptr; }

TEST(FileSystem, TheDllSearchIsConfinedAsFarAsThisWindowsCan) {
  struct Case {
    FARPROC (*find)(const char*);
    bool done;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {Windows8, true, {"SetDefaultDllDirectories 2048"}},
      {Windows7, true, {"SetDllDirectoryW \"\"", "SetSearchPathMode 32769"}},
      {NoWindows, false, {}},
  };
  for (const Case& c : cases) {
    confineCalls.clear();
    EXPECT_EQ(ConfineDllSearch(c.find), c.done);
    EXPECT_EQ(confineCalls, c.calls);
  }
  EXPECT_NE(FindInKernel32("SetDllDirectoryW"), nullptr);
}

using namespace kestrilon::framework;

// UTF-8 test text to the ANSI code page (932 under the harness).
std::string Ansi(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                    static_cast<int>(utf8.size()), nullptr, 0);
  if (n <= 0) throw std::runtime_error("not UTF-8");
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  const int m = WideCharToMultiByte(CP_ACP, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(m), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
  return out;
}

std::string Utf8(const fs::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Spit(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

fs::path ExePath() {
  wchar_t buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) throw std::runtime_error("GetModuleFileNameW");
  return fs::path(std::wstring(buffer, n));
}

fs::path WindowsFolder() {
  wchar_t buffer[MAX_PATH];
  const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) throw std::runtime_error("GetWindowsDirectoryW");
  return fs::path(std::wstring(buffer, n));
}

// Makes the system write out and forget what it cached of the file. This call is documented to
// return FALSE whatever happens, so its result says nothing.
void FlushProfileCache(const fs::path& file) {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.string().c_str());
}

// The system's reading of a value, with the 2048-byte buffer the framework's read uses.
std::string SystemRead(const std::string& section, const std::string& key, const fs::path& file) {
  FlushProfileCache(file);  // IniFile may have changed the file behind the system's back
  char buffer[2048];
  const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "<default>", buffer,
                                           sizeof buffer, file.string().c_str());
  // The framework takes the buffer as a C string: Wine counts a cut-off half character as a NUL.
  const std::string_view read(buffer, n);
  return std::string(read.substr(0, read.find('\0')));
}

// Answers the message boxes that one thread shows, as a user would press OK, and records each
// box's caption and text in the order they came.
class BoxWatcher {
 public:
  using Box = std::pair<std::string, std::string>;
  explicit BoxWatcher(DWORD ui_thread) : FThread([this, ui_thread] { Run(ui_thread); }) {}
  ~BoxWatcher() {
    FStop = true;
    FThread.join();
  }
  std::vector<Box> Boxes() {
    std::lock_guard lock(FMutex);
    return FBoxes;
  }

 private:
  static std::string Text(HWND window) {
    wchar_t buffer[1024];
    const int n = GetWindowTextW(window, buffer, 1024);
    return win::Narrow(std::wstring_view(buffer, n > 0 ? static_cast<std::size_t>(n) : 0));
  }
  static BOOL CALLBACK CollectStatic(HWND child, LPARAM texts) {
    wchar_t class_name[32];
    if (GetClassNameW(child, class_name, 32) > 0 && lstrcmpiW(class_name, L"Static") == 0) {
      const std::string text = Text(child);
      if (!text.empty()) reinterpret_cast<std::string*>(texts)->append(text);
    }
    return TRUE;
  }
  static BOOL CALLBACK Visit(HWND window, LPARAM self_pointer) {
    auto* self = reinterpret_cast<BoxWatcher*>(self_pointer);
    wchar_t class_name[32];
    if (!IsWindowVisible(window) || GetClassNameW(window, class_name, 32) == 0 ||
        lstrcmpW(class_name, L"#32770") != 0 || !self->FAnswered.insert(window).second)
      return TRUE;
    std::string text;
    EnumChildWindows(window, CollectStatic, reinterpret_cast<LPARAM>(&text));
    {
      std::lock_guard lock(self->FMutex);
      self->FBoxes.emplace_back(Text(window), text);
    }
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    return TRUE;
  }
  void Run(DWORD ui_thread) noexcept {
    try {
      while (!FStop) {
        EnumThreadWindows(ui_thread, Visit, reinterpret_cast<LPARAM>(this));
        Sleep(20);
      }
    } catch (...) {
      // A failure shows as missing boxes in the test's expectations.
    }
  }

  std::atomic<bool> FStop{false};
  std::mutex FMutex;
  std::vector<Box> FBoxes;
  std::set<HWND> FAnswered;
  std::thread FThread;
};

class WineSettings : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u);
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    FDir = fs::temp_directory_path() / (std::string("kestrilon-wine-") + info->name());
    fs::remove_all(FDir);
    fs::create_directories(FDir);
  }
  void TearDown() override {
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(FDir, ec))
      SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(FDir, ec);
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(FDir))
      names.push_back(e.path().filename().string());
    return names;
  }
  fs::path FDir;
};

TEST_F(WineSettings, TheFileSitsBesideTheRealExecutableOrInTheWindowsFolder) {
  auto form = MakeForm<TForm>();
  auto* box = new TCheckBox(form.get());
  box->SetName("Box");
  box->SetParent(form.get());
  box->SetChecked(true);
  auto* ini = new TAutoIni(form.get());
  std::vector<std::string> messages;
  ini->ShowMessage = [&](const std::string& m) { messages.push_back(m); };

  const fs::path exe = ExePath();
  const fs::path beside = fs::path(exe).replace_extension(".ini");
  fs::remove(beside);
  ini->SaveIni();
  EXPECT_EQ(ini->IniPath(), beside);
  EXPECT_EQ(ini->Section(), Utf8(exe.filename()));
  EXPECT_EQ(Slurp(beside), "[" + Utf8(exe.filename()) + "]\r\nBox=1\r\n");
  fs::remove(beside);

  // A bare name goes to the Windows folder, where the system's functions look for it too.
  ini->SetAIniFileName("kestrilon-wine-test.ini");
  ini->SetMakeIniWinDir(true);
  const fs::path in_windows = WindowsFolder() / "kestrilon-wine-test.ini";
  fs::remove(in_windows);
  ini->SaveIni();
  EXPECT_EQ(ini->IniPath(), fs::path("kestrilon-wine-test.ini"));
  ASSERT_TRUE(fs::exists(in_windows));
  EXPECT_EQ(
      GetPrivateProfileIntA(Utf8(exe.filename()).c_str(), "Box", -1, "kestrilon-wine-test.ini"), 1);
  box->SetChecked(false);
  ini->LoadIni();
  EXPECT_TRUE(box->Checked());
  fs::remove(in_windows);
  EXPECT_TRUE(messages.empty());
}

TEST_F(WineSettings, AFolderWithAJapaneseNameIsNoProblem) {
  const fs::path folder = FDir / win::Widen("ツール ソ表");
  fs::create_directories(folder);
  auto form = MakeForm<TForm>();
  auto* box = new TCheckBox(form.get());
  box->SetName("ShowForm");
  box->SetParent(form.get());
  box->SetChecked(true);
  auto* ini = new TAutoIni(form.get());
  ini->ExecutablePath = [&] { return folder / "kestrilon.exe"; };
  ini->ShowMessage = [](const std::string& m) { ADD_FAILURE() << m; };
  ini->SetSection("田中");
  ini->SaveIni();
  EXPECT_EQ(Slurp(folder / "kestrilon.ini"), "[" + Ansi("田中") + "]\r\nShowForm=1\r\n");
  box->SetChecked(false);
  ini->LoadIni();
  EXPECT_TRUE(box->Checked());
}

TEST_F(WineSettings, AFailedSaveShowsBothMessagesInOrderAndKeepsTheOldFile) {
  const std::string old_text = "[User]\r\nForm1Top=5\r\nShowForm=1\r\n";
  const fs::path read_only = FDir / "kestrilon.ini";
  Spit(read_only, old_text);
  ASSERT_TRUE(SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_READONLY));

  struct Case {
    const char* ini_name;
    fs::path path;
  } cases[] = {{"kestrilon.ini", read_only},
               {"missing\\kestrilon.ini", FDir / "missing" / "kestrilon.ini"}};
  for (const auto& c : cases) {
    auto form = MakeForm<TForm>();
    form->SetName("Form1");
    auto* box = new TCheckBox(form.get());
    box->SetName("ShowForm");
    box->SetParent(form.get());
    auto* ini = new TAutoIni(form.get());
    ini->SetSection("User");
    ini->SetCheckWinState(true);
    ini->SetAIniFileName(c.ini_name);
    ini->ExecutablePath = [this] { return FDir / "kestrilon.exe"; };
    std::vector<std::string> shown;
    ini->ShowMessage = [&](const std::string& m) { shown.push_back(m); };
    try {
      ini->SaveIni();
    } catch (const std::exception& e) {
      shown.push_back(e.what());  // what the application's handler shows next
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Can not save to IniFile",
                                               Utf8(c.path) + " に書き込めません"}));
    EXPECT_EQ(Slurp(read_only), old_text);
    EXPECT_EQ(Files(), std::vector<std::string>{"kestrilon.ini"});  // no temporary file left
  }
}

TEST_F(WineSettings, TheUserSeesTheComponentsBoxThenTheErrorsOwn) {
  const std::string old_text = "[User]\r\nShowForm=1\r\n";
  const fs::path path = FDir / "kestrilon.ini";
  Spit(path, old_text);
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  Application().SetTitle("Kestrilon");
  auto form = MakeForm<TForm>();
  auto* box = new TCheckBox(form.get());
  box->SetName("ShowForm");
  box->SetParent(form.get());
  auto* ini = new TAutoIni(form.get());  // the real message box
  ini->SetSection("User");
  ini->ExecutablePath = [this] { return FDir / "kestrilon.exe"; };
  std::vector<BoxWatcher::Box> boxes;
  {
    BoxWatcher watcher(GetCurrentThreadId());
    try {
      ini->SaveIni();
      ADD_FAILURE() << "saved into a read-only file";
    } catch (...) {
      Application().HandleException(*ini);  // what the framework does with an escaped error
    }
    boxes = watcher.Boxes();
  }
  EXPECT_EQ(boxes, (std::vector<BoxWatcher::Box>{{"Kestrilon", "Can not save to IniFile"},
                                                 {"Kestrilon", Utf8(path) + " に書き込めません"}}));
  EXPECT_EQ(Slurp(path), old_text);
}

TEST_F(WineSettings, AFileHeldOpenByAnotherProgramIsNotReplaced) {
  const fs::path file = FDir / "held.ini";
  Spit(file, "[User]\r\nNumberMode=1\r\n");
  // Open without sharing delete access, as a scanner might; the save can't put its file there.
  const HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  IniFile ini(file);
  ini.WriteInteger("User", "NumberMode", 2);
  EXPECT_THROW(ini.UpdateFile(), EIniFileError);
  CloseHandle(held);
  EXPECT_EQ(Slurp(file), "[User]\r\nNumberMode=1\r\n");
  EXPECT_EQ(Files(), std::vector<std::string>{"held.ini"});
  ini.UpdateFile();  // once it is let go, the pending write gets there
  EXPECT_EQ(Slurp(file), "[User]\r\nNumberMode=2\r\n");
}

// The move refused once with the error a scanner's brief hold gives on Windows, then let through.
DWORD refusal = 0;
int moves = 0;
BOOL WINAPI RefusedOnce(LPCWSTR from, LPCWSTR to, DWORD flags) {
  if (++moves > 1) return MoveFileExW(from, to, flags);
  SetLastError(refusal);
  return FALSE;
}

TEST_F(WineSettings, AMoveRefusedForAMomentIsTriedAgain) {
  const struct {
    DWORD error;
    bool retried;
  } cases[] = {{ERROR_SHARING_VIOLATION, true},
               {ERROR_LOCK_VIOLATION, true},
               {ERROR_ACCESS_DENIED, true},
               {ERROR_PATH_NOT_FOUND, false}};
  for (const auto& c : cases) {
    Spit(FDir / "new.tmp", "new");
    Spit(FDir / "k.ini", "old");
    refusal = c.error;
    moves = 0;
    EXPECT_EQ(MoveIntoPlace(FDir / "new.tmp", FDir / "k.ini", RefusedOnce), c.retried) << c.error;
    EXPECT_EQ(Slurp(FDir / "k.ini"), c.retried ? "new" : "old") << c.error;
  }
}

TEST_F(WineSettings, IniFileReadsFilesAsTheSystemReadsThem) {
  const std::string tanaka = Ansi("田中"), zo = Ansi("ゾ");
  struct Case {
    std::string text;
    std::vector<std::pair<std::string, std::string>> queries;  // section, key
  } cases[] = {
      {"[User]\r\nNumberMode=1\r\nShowForm=0\r\n",
       {{"User", "NumberMode"},
        {"user", "SHOWFORM"},
        {"User", "Missing"},
        {"Nobody", "NumberMode"}}},
      {"[User]\r\n  Key = value with blanks  \r\nQ=\"quoted\"\r\nS='single'\r\nM=\"mism'\r\nE=\r\n",
       {{"User", "Key"}, {"User", "Q"}, {"User", "S"}, {"User", "M"}, {"User", "E"}}},
      {"[A]\r\nK=1\r\nK=2\r\n[A]\r\nL=3\r\n[B]\r\nK=4\r\n", {{"A", "K"}, {"a", "k"}, {"B", "K"}}},
      {"; comment\r\nK=0\r\n[" + tanaka + "]\r\nK=1\r\n[" + zo + "]\r\nK=2\r\n",
       {{tanaka, "K"}, {zo, "K"}}},
      {"[User]\rA=1\rB=2\r", {{"User", "A"}, {"User", "B"}}},
      {"[User]\nA=1\nB=2", {{"User", "A"}, {"User", "B"}}},
      {"[User]\r\nLong=" + std::string(3000, 'x') + "\r\n", {{"User", "Long"}}},
      {"[ Spaced ]\r\nK=1\r\n[\tTab\t]\r\nK=2\r\n", {{"Spaced", "K"}, {"Tab", "K"}}},
      {"[User]\r\nNoEquals\r\n=novalue\r\nK = = x\r\n", {{"User", "NoEquals"}, {"User", "K"}}},
      {"[User]\r\nCut=" + std::string(2046, 'x') + Ansi("あ") + "\r\n", {{"User", "Cut"}}},
      {"[User] trailing\r\nK=1\r\n[Open\r\nK=2\r\n", {{"User", "K"}, {"Open", "K"}}},
  };
  for (const auto& c : cases) {
    const fs::path file = FDir / "read.ini";
    Spit(file, c.text);
    IniFile ini(file);
    for (const auto& [section, key] : c.queries)
      EXPECT_EQ(ini.ReadString(section, key, "<default>"), SystemRead(section, key, file))
          << c.text.substr(0, 40) << " / " << section << " / " << key;
  }
}

TEST_F(WineSettings, EachSideReadsWhatTheOtherWrote) {
  const fs::path file = FDir / "both.ini";
  const std::string file_a = file.string();
  const std::string tanaka = Ansi("田中");
  // The system writes, IniFile reads.
  ASSERT_TRUE(WritePrivateProfileStringA(tanaka.c_str(), "NumberMode", "2", file_a.c_str()));
  ASSERT_TRUE(
      WritePrivateProfileStringA(tanaka.c_str(), "Title", Ansi("表示 ソ").c_str(), file_a.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("Other", "Hex", "0x1F", file_a.c_str()));
  FlushProfileCache(file);
  {
    IniFile ini(file);
    EXPECT_EQ(ini.ReadInteger(tanaka, "NumberMode", -1), 2);
    EXPECT_EQ(ini.ReadString(tanaka, "Title", ""), Ansi("表示 ソ"));
    EXPECT_EQ(ini.ReadInteger("other", "hex", -1), 31);
    // IniFile writes into the same file; the system reads it back.
    const std::string values[] = {"",           "plain",         "  blanks  ",
                                  "\"quoted\"", Ansi("田中 ゾ"), std::string(2047, 'y')};
    for (std::size_t i = 0; i < std::size(values); ++i)
      ini.WriteString(tanaka, "Value" + std::to_string(i), values[i]);
    ini.WriteInteger(tanaka, "NumberMode", -7);
    ini.WriteBool("Other", "Flag", true);
    ini.UpdateFile();
    for (std::size_t i = 0; i < std::size(values); ++i)
      EXPECT_EQ(SystemRead(tanaka, "Value" + std::to_string(i), file), values[i]) << i;
  }
  EXPECT_EQ(GetPrivateProfileIntA(tanaka.c_str(), "NumberMode", 0, file_a.c_str()), -7);
  EXPECT_EQ(GetPrivateProfileIntA("Other", "Flag", 0, file_a.c_str()), 1);
  EXPECT_EQ(SystemRead("Other", "Hex", file), "0x1F");  // the system's own line is untouched

  // And the system's next write lands in IniFile's file without harm.
  ASSERT_TRUE(WritePrivateProfileStringA("Other", "Added", "yes", file_a.c_str()));
  FlushProfileCache(file);
  IniFile again(file);
  EXPECT_EQ(again.ReadString("Other", "Added", ""), "yes");
  EXPECT_EQ(again.ReadString(tanaka, "Value2", ""), "  blanks  ");
}

}  // namespace
}  // namespace kestrilon::settings
