// Helpers of the About and resource tests: where the programs are, text in code page 932.
#pragma once

#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "../TestFiles.h"
#include "WinHandles.h"

namespace kestrilon::app::testing {

// Tests write Japanese text as UTF-8; Sjis() gives the code page 932 bytes.
inline std::string Sjis(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                             static_cast<int>(utf8.size()), nullptr, 0);
  if (wideLength <= 0) throw std::runtime_error("Sjis: not UTF-8");
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                      wideLength);
  const int length =
      WideCharToMultiByte(932, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string sjis(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(932, 0, wide.data(), wideLength, sjis.data(), length, nullptr, nullptr);
  return sjis;
}

inline std::filesystem::path ThisProgram() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) throw std::runtime_error("GetModuleFileNameW failed");
  return std::filesystem::path(std::wstring(path, n));
}

// A program built beside this one (the fixtures of tests/app).
inline std::filesystem::path Beside(std::wstring_view fileName) {
  return ThisProgram().parent_path() / fileName;
}

// kestrilon.exe of this build, by its Linux path turned into Wine's drive Z:.
inline std::filesystem::path KestrilonExe() {
  return kestrilon::testing::HostPathUnderWine(KESTRILON_EXE_PATH);
}

// A path of the test files, whose characters are all ASCII, as a narrow string.
inline std::string Ascii(const std::filesystem::path& path) {
  std::string narrow;
  for (wchar_t c : path.wstring()) {
    if (c > 0x7F) throw std::runtime_error("Ascii: the path has a character beyond ASCII");
    narrow += static_cast<char>(c);
  }
  return narrow;
}

// A module loaded for its resources only.
struct ModuleTraits : framework::win::NullHandleTraits<HMODULE> {
  static void Close(HMODULE h) noexcept { FreeLibrary(h); }
};
using UniqueModule = framework::win::UniqueHandle<HMODULE, ModuleTraits>;

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  explicit TempFolder(std::wstring_view name) {
    wchar_t base[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, base);
    if (n == 0 || n >= MAX_PATH) throw std::runtime_error("GetTempPathW failed");
    FPath = std::filesystem::path(std::wstring(base, n)) /
            (L"kestrilon-app-" + std::to_wstring(GetCurrentProcessId())) / name;
    std::filesystem::remove_all(FPath);
    std::filesystem::create_directories(FPath);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
    std::filesystem::remove(FPath.parent_path(), ignored);  // only once it is empty
  }
  const std::filesystem::path& Path() const noexcept { return FPath; }

 private:
  std::filesystem::path FPath;
};

}  // namespace kestrilon::app::testing
