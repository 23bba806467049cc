// The file services the settings and kestrilon-filter share: a file replaced in one step, and on
// Windows the owner of a file handle, the system's words for an error, and the folders searched
// for DLLs. Needs nothing above
// the filter.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kestrilon::settings {

// Writes bytes to a new file beside target, then moves it over target in one step: a reader finds
// the old file or the new one, never a part, and a failure leaves the old file whole. A file
// marked read-only is not replaced; a symbolic link is written through, to the file it names.
// False on failure, and then reason (when given) says why, in
// the system's words (UTF-8).
bool ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                         std::string* reason = nullptr);

#ifdef _WIN32

// Owns a handle that CreateFileW gave (INVALID_HANDLE_VALUE: none).
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) noexcept : FHandle(handle) {}
  ~FileHandle() {
    if (Ok()) CloseHandle(FHandle);  // only reached after a failure, already being reported
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool Ok() const noexcept { return FHandle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const noexcept { return FHandle; }
  // Closes it now, for the answer: a write may fail only here.
  bool Close() noexcept;

 private:
  HANDLE FHandle;
};

// A function of kernel32.dll by name; nullptr when this Windows lacks it.
FARPROC FindInKernel32(const char* name) noexcept;

// Makes the system folder the only one searched for DLLs from now on; called first thing in main,
// before anything else loads. Windows 7 and Vista without update KB2533623 lack
// SetDefaultDllDirectories: there the current folder leaves the search and the safe search mode
// holds, which is the best they offer (their system DLLs are known DLLs, always taken from the
// system folder). find gives kernel32's functions; a test passes its own. False when nothing
// could be done.
bool ConfineDllSearch(FARPROC (*find)(const char* name) = FindInKernel32) noexcept;

// The move of the written file over target, tried again while the system refuses it for a
// moment. move is MoveFileExW; a test passes its own, since Wine refuses a held file with access
// denied only, never with the sharing or lock violation Windows gives.
bool MoveIntoPlace(const std::filesystem::path& temp, const std::filesystem::path& target,
                   BOOL(WINAPI* move)(LPCWSTR, LPCWSTR, DWORD) = MoveFileExW);

// The system's words for an error code, in UTF-8, without the final full stop or line break.
std::string SystemErrorText(DWORD error);

#endif

}  // namespace kestrilon::settings
