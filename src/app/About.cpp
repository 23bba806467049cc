#include "About.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "Exceptions.h"
#include "SystemLibrary.h"
#include "WinText.h"

namespace kestrilon::app {

namespace {

struct AnsiText {
  std::string text;
  bool lossy = false;  // a character the ANSI code page lacks became "?"
};

AnsiText ToAnsi(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  // No best fit: "ü" must not quietly become "u" and name another file.
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) throw framework::EConvertError("Cannot convert a text to the ANSI code page");
  AnsiText result;
  result.text.resize(static_cast<size_t>(size));
  BOOL usedDefault = FALSE;
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, result.text.data(), size, nullptr,
                          &usedDefault) != size) {
    throw framework::EConvertError("Cannot convert a text to the ANSI code page");
  }
  result.lossy = usedDefault != FALSE;
  return result;
}

// The 8.3 form of an existing path, or nothing where the file system keeps none.
std::wstring ShortPath(const std::wstring& path) {
  std::wstring shortPath(path.size() + 1, L'\0');
  for (;;) {
    const DWORD n = GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (n == 0) return {};
    if (n < shortPath.size()) {
      shortPath.resize(n);
      return shortPath;
    }
    shortPath.resize(n);  // n is the size needed, the terminating zero included
  }
}

}  // namespace

std::string VersionInfoText(const std::string& fileName, int index) {
  if (index < 0) throw std::out_of_range("VersionInfoText: index " + std::to_string(index) + " is negative");
  if (index >= static_cast<int>(VersionInfoKeys.size())) index = VersionInfoFileVersion;
  const std::string_view key = VersionInfoKeys[static_cast<size_t>(index)];
  const std::string unidentified = "unidentified";

  // Without the system's version.dll no version information can be read.
  const auto api = framework::win::VersionApi::Load();
  if (!api) return unidentified;
  DWORD ignored = 0;
  const DWORD size = api.FileVersionInfoSize(fileName.c_str(), &ignored);
  if (size == 0) return unidentified;
  std::vector<char> data(size);
  // A read that failed leaves no version information to query.
  if (!api.FileVersionInfo(fileName.c_str(), size, data.data())) return unidentified;

  void* value = nullptr;
  UINT length = 0;
  // A translation shorter than its 4 bytes counts as none: it holds no language and code page.
  if (!api.QueryValue(data.data(), "\\VarFileInfo\\Translation", &value, &length) || value == nullptr ||
      length < sizeof(DWORD)) {
    return unidentified;
  }
  DWORD translation = 0;
  std::memcpy(&translation, value, sizeof translation);  // only the first translation is read

  // Language (low half) then code page (high half), 4 upper-case hexadecimal digits each.
  char table[9];
  std::snprintf(table, sizeof table, "%04X%04X", static_cast<unsigned>(LOWORD(translation)),
                static_cast<unsigned>(HIWORD(translation)));
  const std::string query = std::string("\\StringFileInfo\\") + table + std::string(key);

  std::string result(key.substr(1));
  result += " : ";
  value = nullptr;
  length = 0;
  if (api.QueryValue(data.data(), query.c_str(), &value, &length) && value != nullptr && length != 0) {
    // Up to the terminating zero, and never past the length the system gave.
    const char* text = static_cast<const char*>(value);
    const void* end = std::memchr(text, '\0', length);
    result.append(text, end ? static_cast<size_t>(static_cast<const char*>(end) - text) : size_t{length});
  } else {
    result += "None";
  }
  return result;
}

std::string AboutText(const std::string& exePath) {
  std::string text(AboutCreditLine);
  text += '\r';  // the system's About box breaks the line at a carriage return alone
  text += VersionInfoText(exePath, VersionInfoFileVersion);
  return text;
}

std::string AboutText(const std::wstring& exePath) { return AboutText(AnsiPath(exePath)); }

std::string AnsiPath(const std::wstring& path) {
  AnsiText ansi = ToAnsi(path);
  if (!ansi.lossy) return ansi.text;
  const std::wstring shortPath = ShortPath(path);
  if (!shortPath.empty()) {
    AnsiText shortAnsi = ToAnsi(shortPath);
    if (!shortAnsi.lossy) return shortAnsi.text;
  }
  return ansi.text;
}

void ShowAbout(HWND owner, const std::string& title, HICON icon, const std::string& text) {
  const std::string ansiTitle = ToAnsi(framework::win::Widen(title)).text;
  if (!ShellAboutA(owner, ansiTitle.c_str(), text.c_str(), icon)) {
    throw framework::Exception("The About box of " + title + " could not be shown.");
  }
}

}  // namespace kestrilon::app
