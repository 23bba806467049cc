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
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr,
                                       0, nullptr, nullptr);
  if (size <= 0) throw framework::EConvertError("Cannot convert a text to the ANSI code page");
  AnsiText result;
  result.text.resize(static_cast<size_t>(size));
  BOOL usedDefault = FALSE;
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, result.text.data(),
                          size, nullptr, &usedDefault) != size) {
    throw framework::EConvertError("Cannot convert a text to the ANSI code page");
  }
  result.lossy = usedDefault != FALSE;
  return result;
}

// The 8.3 form of an existing path, or nothing where the file system keeps none.
std::wstring ShortPath(const std::wstring& path) {
  std::wstring shortPath(path.size() + 1, L'\0');
  for (;;) {
    const DWORD n =
        GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
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
  if (index < 0)
    throw std::out_of_range("VersionInfoText: index " + std::to_string(index) + " is negative");
  if (index >= static_cast<int>(VersionInfoKeys.size())) index = VersionInfoFileVersion;
  const std::string_view key = VersionInfoKeys[static_cast<size_t>(index)];
  const std::string unidentified = "unidentified";

  const framework::win::VersionString found =
      framework::win::ReadVersionString(fileName.c_str(), key.substr(1));
  if (!found.readable) return unidentified;
  std::string result(key.substr(1));
  result += " : ";
  result += found.text ? *found.text : "None";
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
