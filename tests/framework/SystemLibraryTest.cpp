// DLLs loaded at run time come from the system folder, even when a file of the same name lies
// beside the program.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include <delayimp.h>

#include "SystemLibrary.h"

namespace kestrilon::framework::win {
namespace {

std::wstring ModulePath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD n = GetModuleFileNameW(module, path.data(), MAX_PATH);
  path.resize(n < MAX_PATH ? n : 0);
  return path;
}

std::wstring FolderOf(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH];
  const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, n < MAX_PATH ? n : 0);
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

TEST(SystemLibrary, TheSystemsDllsComeFromTheSystemFolder) {
  ASSERT_FALSE(SystemFolder().empty());
  for (const wchar_t* name : {L"version.dll", L"shell32.dll", L"uxtheme.dll"}) {
    SCOPED_TRACE(testing::Message() << name);
    const UniqueLibrary library = LoadSystemLibrary(name);
    ASSERT_TRUE(library) << "error " << GetLastError();
    EXPECT_TRUE(SameFolder(FolderOf(ModulePath(library.Get())), SystemFolder()))
        << ModulePath(library.Get()) << " is not in " << SystemFolder();
  }
}

// A file beside the program, which the ordinary search finds, is not found.
TEST(SystemLibrary, ADllBesideTheProgramIsNotFound) {
  const std::wstring beside = FolderOf(ModulePath(nullptr)) + L"\\kestrilon-beside-test.dll";
  ASSERT_TRUE(CopyFileW(ModulePath(nullptr).c_str(), beside.c_str(), FALSE))
      << "error " << GetLastError();
  {
    const UniqueLibrary ordinary(
        LoadLibraryExW(L"kestrilon-beside-test.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    EXPECT_TRUE(ordinary) << "the ordinary search should find the file beside the program";
  }
  SetLastError(0);
  const UniqueLibrary library = LoadSystemLibrary(L"kestrilon-beside-test.dll");
  const DWORD error = GetLastError();
  EXPECT_FALSE(library);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_TRUE(DeleteFileW(beside.c_str())) << "error " << GetLastError();
}

TEST(SystemLibrary, AMissingDllOrFunctionIsNamedToTheUser) {
  struct Case {
    unsigned notice;
    const char* function;
    unsigned ordinal;
    const char* message;
  };
  // clang-format off
  const Case cases[] = {
      {dliFailLoadLib, nullptr, 0, "uxtheme.dll が見つかりません。"},
      {dliFailGetProc, "BufferedPaintInit", 0, "uxtheme.dll に関数 BufferedPaintInit がありません。"},
      {dliFailGetProc, nullptr, 42, "uxtheme.dll に関数 #42 がありません。"},
  };
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(
        DelayLoadFailureMessage(c.notice, "uxtheme.dll", c.function, c.ordinal),
        std::string(c.message) + "\nこの Windows では Kestrilon を続けられないため、終了します。");
}

TEST(VersionApi, ReadsTheVersionResourceOfASystemDll) {
  const VersionApi api = VersionApi::Load();
  ASSERT_TRUE(api) << "error " << GetLastError();
  char path[MAX_PATH];
  const UINT n = GetSystemDirectoryA(path, MAX_PATH - 16);
  ASSERT_GT(n, 0u);
  lstrcatA(path, "\\shell32.dll");
  DWORD handle = 0;
  const DWORD size = api.FileVersionInfoSize(path, &handle);
  ASSERT_GT(size, 0u);
  std::string data(size, '\0');
  ASSERT_TRUE(api.FileVersionInfo(path, size, data.data()));
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(api.QueryValue(data.data(), "\\", &value, &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(static_cast<const VS_FIXEDFILEINFO*>(value)->dwSignature, 0xFEEF04BDu);
}

}  // namespace
}  // namespace kestrilon::framework::win
