// VersionInfoText over version resources of every shape, the About text, and the About dialog
// as the system shows it.
#include "About.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "AppTestSupport.h"
#include "WinText.h"

namespace kestrilon::app {
namespace {

using testing::Ascii;
using testing::Beside;
using testing::KestrilonExe;
using testing::Sjis;
using testing::TempFolder;
using testing::ThisProgram;

std::string ThisProgramAnsi() { return AnsiPath(ThisProgram().wstring()); }

TEST(VersionInfoText, ReadsEachRowOfTheTableAndFileVersionAboveIt) {
  // This test program's own version resource (resources/Versioned.rc).
  struct Row {
    int index;
    std::string expected;  // UTF-8
  };
  const Row rows[] = {
      {0, "CompanyName : Test Maker"},
      {1, "FileDescription : バージョン試験"},
      {2, "FileVersion : 1.0.5.19"},
      {3, "InternalName : app_win_tests"},
      {4, "LegalCopyright : Copyright (C) 2026 Test Maker"},
      {5, "OriginalFilename : app_win_tests.exe"},
      {6, "ProductName : Kestrilon Tests"},
      {7, "ProductVersion : 2.3.4.5"},
      {8, "FileVersion : 1.0.5.19"},
      {9, "FileVersion : 1.0.5.19"},
      {INT_MAX, "FileVersion : 1.0.5.19"},
  };
  const std::string self = ThisProgramAnsi();
  for (const Row& row : rows) {
    // The value comes in the ANSI code page, as ShellAboutA takes its text.
    EXPECT_EQ(VersionInfoText(self, row.index), Sjis(row.expected)) << "index " << row.index;
  }
}

// The length of a file's first translation entry, in bytes (0 without one).
UINT TranslationBytes(const std::string& file) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return 0;
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, data.data())) return 0;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length)) return 0;
  return length;
}

TEST(VersionInfoText, FilesWithoutAFullVersionResource) {
  TempFolder folder(L"plain-files");
  const auto textFile = folder.Path() / L"notes.exe";
  std::ofstream(textFile) << "not a program\r\n";

  struct Row {
    std::filesystem::path file;
    int index;
    std::string expected;
  };
  const Row rows[] = {
      // No version resource at all, or no file that has one.
      {Beside(L"app_fixture_plain.exe"), 2, "unidentified"},
      {Beside(L"app_fixture_plain.exe"), 6, "unidentified"},
      {folder.Path() / L"missing.exe", 2, "unidentified"},
      {textFile, 2, "unidentified"},
      {L"", 2, "unidentified"},
      // A string table without FileVersion: the table of the first translation (041103A4) is
      // read, not the first table of the file (040904B0, which has one).
      {Beside(L"app_fixture_nofileversion.exe"), 2, "FileVersion : None"},
      {Beside(L"app_fixture_nofileversion.exe"), 9, "FileVersion : None"},
      {Beside(L"app_fixture_nofileversion.exe"), 4, "LegalCopyright : None"},
      {Beside(L"app_fixture_nofileversion.exe"), 0, "CompanyName : Test Maker"},
      {Beside(L"app_fixture_nofileversion.exe"), 6, "ProductName : No File Version"},
      // A string table but no translation to name it.
      {Beside(L"app_fixture_notranslation.exe"), 2, "unidentified"},
      // A translation of 2 bytes holds no code page; its 4 bytes are never read past its end.
      {Beside(L"app_fixture_shorttranslation.exe"), 2, "unidentified"},
  };
  ASSERT_EQ(TranslationBytes(Ascii(Beside(L"app_fixture_shorttranslation.exe"))), 2u);
  ASSERT_EQ(TranslationBytes(Ascii(Beside(L"app_fixture_notranslation.exe"))), 0u);
  for (const Row& row : rows) {
    EXPECT_EQ(VersionInfoText(Ascii(row.file), row.index), row.expected)
        << row.file.string() << ", index " << row.index;
  }
}

TEST(VersionInfoText, NegativeIndexIsRejected) {
  const std::string self = ThisProgramAnsi();
  for (int index : {-1, -2, INT_MIN}) {
    EXPECT_THROW(VersionInfoText(self, index), std::out_of_range) << index;
  }
}

TEST(VersionInfoText, FileNameInCodePage932) {
  TempFolder folder(L"日本語のフォルダ");
  const auto copy = folder.Path() / L"版情報.exe";
  std::filesystem::copy_file(Beside(L"app_fixture_nofileversion.exe"), copy);
  const std::string ansi = AnsiPath(copy.wstring());
  EXPECT_NE(ansi.find(Sjis("日本語のフォルダ\\版情報.exe")), std::string::npos)
      << "the path is kept as it is";
  EXPECT_EQ(VersionInfoText(ansi, 6), "ProductName : No File Version");
}

TEST(AnsiPath, CharactersOutsideCodePage932TakeTheShortForm) {
  // "ü" and "ł" are not in code page 932; the nearest letters would name another folder.
  TempFolder folder(L"Müller Łukasz");
  std::filesystem::create_directories(folder.Path().parent_path() / L"Muller Lukasz");
  const auto copy = folder.Path() / L"kestrilon.exe";
  std::filesystem::copy_file(Beside(L"app_fixture_nofileversion.exe"), copy);

  const std::string ansi = AnsiPath(copy.wstring());
  EXPECT_EQ(ansi.find("Muller"), std::string::npos) << ansi;
  EXPECT_EQ(VersionInfoText(ansi, 6), "ProductName : No File Version") << ansi;
  EXPECT_EQ(AboutText(copy.wstring()), std::string(AboutCreditLine) + "\rFileVersion : None");

  // A file that doesn't exist has no short form: the path names no file at all.
  const std::string missing = AnsiPath((folder.Path() / L"nowhere.exe").wstring());
  EXPECT_NE(missing.find('?'), std::string::npos) << missing;
  EXPECT_EQ(VersionInfoText(missing, 2), "unidentified");

  EXPECT_EQ(AnsiPath(L""), "");
}

TEST(AboutText, CreditLineCarriageReturnAndVersionLine) {
  const std::string credit(AboutCreditLine);
  ASSERT_FALSE(credit.empty());
  for (unsigned char c : credit)
    EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "the credit line is plain ASCII";

  EXPECT_EQ(AboutText(KestrilonExe().wstring()), credit + "\rFileVersion : 1.0.5.19");
  EXPECT_EQ(AboutText(Ascii(KestrilonExe())), credit + "\rFileVersion : 1.0.5.19");
  EXPECT_EQ(AboutText(Ascii(Beside(L"app_fixture_plain.exe"))), credit + "\runidentified");
  EXPECT_EQ(AboutText(Ascii(Beside(L"app_fixture_nofileversion.exe"))),
            credit + "\rFileVersion : None");
}

// The texts of a window's children.
std::vector<std::wstring> ChildTexts(HWND window) {
  std::vector<std::wstring> texts;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM out) -> BOOL {
        wchar_t text[1024];
        const int n = GetWindowTextW(child, text, 1024);
        reinterpret_cast<std::vector<std::wstring>*>(out)->emplace_back(text, n > 0 ? n : 0);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

// A dialog box (class "#32770") of the given thread, or null.
HWND DialogOfThread(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM out) -> BOOL {
        wchar_t name[16];
        if (IsWindowVisible(window) && GetClassNameW(window, name, 16) &&
            std::wstring(name) == L"#32770") {
          *reinterpret_cast<HWND*>(out) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

TEST(ShowAbout, TheSystemDialogShowsTheTextOwnedByTheWindow) {
  framework::win::UniqueWindow owner(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0,
                                                     0, 200, 100, nullptr, nullptr,
                                                     GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(owner);
  // A shared system icon: not ours to destroy.
  const HICON icon =
      static_cast<HICON>(LoadImageW(nullptr, IDI_INFORMATION, IMAGE_ICON, 0, 0, LR_SHARED));
  ASSERT_NE(icon, nullptr);
  const std::string text = AboutText(KestrilonExe().wstring());

  // The dialog is modal: another thread looks at it and closes it.
  struct Seen {
    HWND owner = nullptr;
    std::wstring caption;
    std::vector<std::wstring> texts;
    bool iconShown = false;
  } seen;
  std::atomic<bool> found{false};
  const DWORD guiThread = GetCurrentThreadId();
  std::thread closer([&] {
    const ULONGLONG deadline = GetTickCount64() + 60000;  // only ends a wait that would hang
    HWND dialog = nullptr;
    while (!(dialog = DialogOfThread(guiThread)) && GetTickCount64() < deadline) Sleep(50);
    if (!dialog) return;
    wchar_t caption[256];
    seen.caption.assign(caption,
                        static_cast<size_t>(std::max(0, GetWindowTextW(dialog, caption, 256))));
    seen.owner = GetWindow(dialog, GW_OWNER);
    seen.texts = ChildTexts(dialog);
    struct IconSearch {
      HICON icon;
      bool found = false;
    } search{icon};
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM data) -> BOOL {
          auto* search = reinterpret_cast<IconSearch*>(data);
          if (reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)) == search->icon)
            search->found = true;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    seen.iconShown = search.found;
    found = true;
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  ShowAbout(owner.Get(), "Kestrilon", icon, text);
  closer.join();

  ASSERT_TRUE(found) << "no About dialog appeared";
  EXPECT_EQ(seen.owner, owner.Get());
  EXPECT_NE(seen.caption.find(L"Kestrilon"), std::wstring::npos)
      << framework::win::Narrow(seen.caption);
  bool versionShown = false;
  for (const auto& t : seen.texts) {
    if (t.find(L"FileVersion : 1.0.5.19") != std::wstring::npos &&
        t.find(framework::win::Widen(AboutCreditLine)) != std::wstring::npos) {
      versionShown = true;
    }
  }
  EXPECT_TRUE(versionShown) << "the credit line and the version line are not in the dialog";
  EXPECT_TRUE(seen.iconShown) << "the icon given is not the dialog's";
}

}  // namespace
}  // namespace kestrilon::app
