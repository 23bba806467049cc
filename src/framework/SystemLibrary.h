// DLLs loaded at run time, from the system folder only. The program is often started from a folder
// full of other downloads, where a DLL named like a system one may lie: nothing is ever taken from
// there. (The programs' main functions make the system folder the only one searched, before
// anything else loads; these functions name the folder again, so that they hold wherever they are
// called.)
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "WinHandles.h"

namespace kestrilon::framework::win {

// What the user reads when a DLL or a function loaded at its first use is missing from this
// Windows: which one, and that the program can't go on. notice is the delay-load helper's
// (dliFailLoadLib or dliFailGetProc); dll and function as it names them (function may be null,
// ordinal then tells the function).
std::string DelayLoadFailureMessage(unsigned notice, const char* dll, const char* function,
                                    unsigned ordinal);
// From now on, a DLL or function loaded at its first use that is missing ends the program with a
// box that says so, instead of an exception no one catches.
void InstallDelayLoadFailureHook() noexcept;

// The DLL `name` ("version.dll") from the system folder, never from the program's folder or the
// current one. Empty when it isn't there or can't be loaded; GetLastError says why.
UniqueLibrary LoadSystemLibrary(const wchar_t* name) noexcept;

// The version-resource functions of version.dll, loaded for as long as the object lives. They are
// reached at run time, not imported: an imported DLL is loaded before main can restrict the search.
class VersionApi {
 public:
  // Empty (false) when version.dll or one of its functions can't be had; GetLastError says why.
  static VersionApi Load() noexcept;

  explicit operator bool() const noexcept { return FGetSize && FGetInfo && FQueryValue; }

  // GetFileVersionInfoSizeA, GetFileVersionInfoA and VerQueryValueA, with their contracts.
  DWORD FileVersionInfoSize(const char* fileName, DWORD* handle) const noexcept {
    return FGetSize(fileName, handle);
  }
  BOOL FileVersionInfo(const char* fileName, DWORD size, void* data) const noexcept {
    return FGetInfo(fileName, 0, size, data);
  }
  BOOL QueryValue(const void* block, const char* subBlock, void** value,
                  UINT* length) const noexcept {
    return FQueryValue(block, subBlock, value, length);
  }

 private:
  UniqueLibrary FLibrary;
  DWORD(WINAPI* FGetSize)(LPCSTR, LPDWORD) = nullptr;
  BOOL(WINAPI* FGetInfo)(LPCSTR, DWORD, DWORD, LPVOID) = nullptr;
  BOOL(WINAPI* FQueryValue)(LPCVOID, LPCSTR, LPVOID*, PUINT) = nullptr;
};

// comctl32's LoadIconMetric, looked up once and kept loaded; null where comctl32 lacks it (version
// 5, which a program gets without Common Controls 6 in its manifest). Reached at run time, not
// imported: a missing import would end the program where a missing icon size only blurs it.
using LoadIconMetricFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
LoadIconMetricFunction IconMetricLoader() noexcept;

// One string of a file's version resource, in its first translation (language and code page).
struct VersionString {
  // The file has version information with a translation to look the string up in.
  bool readable = false;
  // The string up to its terminating zero (never past the length the system gives), when the
  // translation has it.
  std::optional<std::string> text;
};
// key is the string's name, "FileVersion" say. A translation entry shorter than its 4 bytes
// counts as none. Without version.dll nothing is readable.
VersionString ReadVersionString(const char* fileName, std::string_view key);

}  // namespace kestrilon::framework::win
