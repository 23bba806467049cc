#include "FileSystem.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

#ifdef _WIN32
#include "WinText.h"
#else
#include <unistd.h>
#endif

namespace kestrilon::settings {

#ifdef _WIN32

bool FileHandle::Close() noexcept {
  const HANDLE h = std::exchange(FHandle, INVALID_HANDLE_VALUE);
  return CloseHandle(h) != 0;
}

FARPROC FindInKernel32(const char* name) noexcept {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel ? GetProcAddress(kernel, name) : nullptr;
}

bool ConfineDllSearch(FARPROC (*find)(const char* name)) noexcept {
  if (const FARPROC set_default = find("SetDefaultDllDirectories"))
    return std::bit_cast<BOOL(WINAPI*)(DWORD)>(set_default)(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
  const FARPROC set_directory = find("SetDllDirectoryW");
  const FARPROC set_mode = find("SetSearchPathMode");
  const bool directory = set_directory && std::bit_cast<BOOL(WINAPI*)(LPCWSTR)>(set_directory)(L"");
  const bool mode =
      set_mode && std::bit_cast<BOOL(WINAPI*)(DWORD)>(set_mode)(
                      BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
  return directory || mode;
}

std::string SystemErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide(text ? text : L"", n);
  if (text) LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.' ||
                           wide.back() == L' '))
    wide.pop_back();
  if (wide.empty()) return "error " + std::to_string(error);
  return framework::win::Narrow(wide);
}

#endif

namespace {

std::string TempSuffix() {
  static std::mt19937 generator{std::random_device{}()};
  char buf[16];
  std::snprintf(buf, sizeof buf, ".%08x.tmp", static_cast<unsigned>(generator()));
  return buf;
}

#ifdef _WIN32

bool MarkedReadOnly(const std::filesystem::path& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace

// A virus scanner or a search indexer often holds a file that was just written for a moment,
// which makes the replacement fail with a sharing violation: try again for about 200 ms.
bool MoveIntoPlace(const std::filesystem::path& temp, const std::filesystem::path& target,
                   BOOL(WINAPI* move)(LPCWSTR, LPCWSTR, DWORD)) {
  for (int attempt = 0;; ++attempt) {
    if (move(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0)
      return true;
    const DWORD error = GetLastError();
    if (attempt == 10 || (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION &&
                          error != ERROR_ACCESS_DENIED))
      return false;
    Sleep(20);
  }
}

namespace {

bool Replace(const std::filesystem::path& target, std::string_view text, std::string& reason) {
  if (MarkedReadOnly(target)) {
    reason = "the file is read-only";
    return false;
  }
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::filesystem::path temp = target;
    temp += TempSuffix();
    FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Ok()) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      reason = SystemErrorText(GetLastError());
      return false;
    }
    // Each step runs only while all before it went well; the first failure names the reason.
    bool ok = true;
    auto step = [&](bool succeeded) {
      if (ok && !succeeded) {
        ok = false;
        reason = SystemErrorText(GetLastError());
      }
    };
    std::size_t done = 0;
    while (ok && done < text.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 20));
      DWORD written = 0;
      step(WriteFile(file.Get(), text.data() + done, chunk, &written, nullptr) != 0 &&
           written == chunk);
      done += written;
    }
    step(!ok || FlushFileBuffers(file.Get()) != 0);
    step(file.Close());
    step(!ok || MoveIntoPlace(temp, target));
    if (!ok && !DeleteFileW(temp.c_str())) {
      // Nothing more to do: the save is reported as failed either way, the old file is whole.
    }
    return ok;
  }
  reason = "no free name for a temporary file";
  return false;
}

#else

// No write bit at all is how a file is marked read-only here; the rename below would
// otherwise replace it regardless.
bool MarkedReadOnly(const std::filesystem::perms permissions) {
  using std::filesystem::perms;
  return (permissions & (perms::owner_write | perms::group_write | perms::others_write)) ==
         perms::none;
}

bool Replace(const std::filesystem::path& target, std::string_view text, std::string& reason) {
  std::error_code ec;
  const auto status = std::filesystem::status(target, ec);
  const bool exists = !ec && std::filesystem::exists(status);
  if (exists && MarkedReadOnly(status.permissions())) {
    reason = "the file is read-only";
    return false;
  }
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::filesystem::path temp = target;
    temp += TempSuffix();
    std::FILE* file = std::fopen(temp.c_str(), "wbx");  // "x": never reuse an existing file
    if (!file) {
      const int error = errno;
      std::error_code exists_ec;
      if (std::filesystem::exists(temp, exists_ec)) continue;
      reason = std::generic_category().message(error);
      return false;
    }
    // Each step runs only while all before it went well; the first failure names the reason.
    bool ok = true;
    auto step = [&](bool succeeded) {
      if (ok && !succeeded) {
        ok = false;
        reason = std::generic_category().message(errno);
      }
    };
    step(std::fwrite(text.data(), 1, text.size(), file) == text.size());
    step(!ok || std::fflush(file) == 0);
    step(!ok || fsync(fileno(file)) == 0);  // on the disk before it takes the old file's place
    step(std::fclose(file) == 0);
    if (ok && exists) {
      // Keep the file's permissions. A file system without them (a FAT stick) refuses; the
      // new file then has the usual ones, which is no reason to fail the save.
      std::filesystem::permissions(temp, status.permissions(), ec);
    }
    if (ok) {
      std::filesystem::rename(temp, target, ec);
      if (ec) {
        ok = false;
        reason = ec.message();
      }
    }
    if (!ok) std::filesystem::remove(temp, ec);  // the save is reported failed either way
    return ok;
  }
  reason = "no free name for a temporary file";
  return false;
}

#endif

}  // namespace

bool ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes,
                         std::string* reason) {
  std::string why;
  // Through a link to the file it names, rather than replacing the link with a file.
  std::error_code ec;
  std::filesystem::path target = path;
  if (std::filesystem::is_symlink(target, ec)) {
    target = std::filesystem::weakly_canonical(target, ec);
    if (ec) {
      if (reason) *reason = ec.message();
      return false;
    }
  }
  const bool ok = Replace(target, bytes, why);
  if (!ok && reason) *reason = why;
  return ok;
}

}  // namespace kestrilon::settings
