#include "FileIo.h"

#include <algorithm>
#include <filesystem>
#include <cstdio>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>
#else
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#endif

#include "FileSystem.h"
#ifdef _WIN32
#include "WinText.h"
#endif

namespace kestrilon::tool {

#ifdef _WIN32

namespace {

using settings::FileHandle;

using framework::win::Narrow;
using framework::win::Widen;

std::string LastError() { return settings::SystemErrorText(GetLastError()); }

bool ReadAll(HANDLE h, std::string& out, std::string& error) {
  out.clear();
  char buffer[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h, buffer, sizeof buffer, &got, nullptr)) {
      if (GetLastError() == ERROR_BROKEN_PIPE) return true;  // the writer closed the pipe
      error = LastError();
      return false;
    }
    if (got == 0) return true;
    out.append(buffer, got);
  }
}

bool WriteAll(HANDLE h, std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data(), chunk, &written, nullptr)) {
      error = LastError();
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool IsConsole(HANDLE h) {
  DWORD mode;
  return GetConsoleMode(h, &mode) != 0;
}

bool WriteConsoleText(HANDLE h, const std::wstring& w) {
  std::size_t done = 0;
  while (done < w.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(w.size() - done, 8192));
    DWORD written = 0;
    if (!WriteConsoleW(h, w.data() + done, chunk, &written, nullptr)) return false;
    done += written;
  }
  return true;
}

void WriteText(DWORD which, std::string_view utf8) {
  const HANDLE h = GetStdHandle(which);
  if (IsConsole(h)) {
    WriteConsoleText(h, Widen(utf8));
  } else {
    std::string ignored;
    WriteAll(h, utf8, ignored);
  }
}

}  // namespace

std::vector<std::string> Arguments(int, char**) {
  int n = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &n);
  std::vector<std::string> args;
  for (int i = 1; argv && i < n; ++i) args.push_back(Narrow(argv[i]));
  if (argv) LocalFree(argv);
  return args;
}

bool ReadWholeFile(const std::string& path, std::string& out, std::string& error) {
  FileHandle h(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Ok()) {
    error = LastError();
    return false;
  }
  return ReadAll(h.Get(), out, error);
}

bool ReadStandardInput(std::string& out, std::string& error) {
  return ReadAll(GetStdHandle(STD_INPUT_HANDLE), out, error);
}

bool WriteStandardOutput(std::string_view bytes, Text encoding, std::string& error) {
  const HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
  if (IsConsole(h)) {
    if (WriteConsoleText(h, Widen(bytes, encoding == Text::Utf8 ? CP_UTF8 : 932))) return true;
    error = LastError();
    return false;
  }
  return WriteAll(h, bytes, error);
}

void WriteMessage(std::string_view utf8) { WriteText(STD_ERROR_HANDLE, utf8); }
void WriteInfo(std::string_view utf8) { WriteText(STD_OUTPUT_HANDLE, utf8); }

std::optional<std::string> CurrentUserName() {
  wchar_t name[257];
  DWORD size = 257;
  if (!GetUserNameW(name, &size) || size == 0) return std::nullopt;
  return Narrow(std::wstring_view(name, size - 1));  // size counts the final NUL
}

#else

namespace {

std::string Reason(int err) { return std::strerror(err); }

// Room for the filter to double the text (full-width forms do) without a fresh buffer; pages
// that are never written cost nothing.
std::size_t RoomFor(std::size_t size) { return 2 * size + 64; }

bool ReadAll(int fd, std::string& out, std::string& error) {
  out.clear();
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    // The size is known: one read straight into the buffer.
    out = LargeBuffer(RoomFor(static_cast<std::size_t>(st.st_size)));
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < out.size()) {
      const ssize_t n = read(fd, out.data() + got, out.size() - got);
      if (n < 0) {
        if (errno == EINTR) continue;
        error = Reason(errno);
        return false;
      }
      if (n == 0) break;  // the file shrank meanwhile
      got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    if (got < static_cast<std::size_t>(st.st_size)) return true;
  }
  // The rest, if the file grew meanwhile, or all of a pipe.
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      error = Reason(errno);
      return false;
    }
    if (got == 0) return true;
    out.append(buffer, static_cast<std::size_t>(got));
  }
}

bool WriteAll(int fd, std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      error = Reason(errno);
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool ReadWholeFile(const std::string& path, std::string& out, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = Reason(errno);
    return false;
  }
  const bool ok = ReadAll(fd, out, error);
  close(fd);
  return ok;
}

bool ReadStandardInput(std::string& out, std::string& error) {
  return ReadAll(STDIN_FILENO, out, error);
}

bool WriteStandardOutput(std::string_view bytes, Text, std::string& error) {
  return WriteAll(STDOUT_FILENO, bytes, error);
}

void WriteMessage(std::string_view utf8) {
  std::string ignored;
  WriteAll(STDERR_FILENO, utf8, ignored);
}

void WriteInfo(std::string_view utf8) {
  std::string ignored;
  WriteAll(STDOUT_FILENO, utf8, ignored);
}

std::optional<std::string> CurrentUserName() {
  if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name)
    return std::string(pw->pw_name);
  if (const char* user = std::getenv("USER"); user && *user) return std::string(user);
  return std::nullopt;
}

#endif

std::string LargeBuffer(std::size_t capacity) {
  std::string s;
  s.reserve(capacity);
  return s;
}

// The replacement the INI file uses too: a new file moved into place in one step.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string& error) {
  return settings::ReplaceFileContents(
      std::filesystem::path(std::u8string(path.begin(), path.end())), bytes, &error);
}

}  // namespace kestrilon::tool
