#include "FileIo.h"

#include <algorithm>
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
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#endif

namespace kestrilon::tool {

#ifdef _WIN32

namespace {

std::wstring Wide(std::string_view utf8, UINT code_page = CP_UTF8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(code_page, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::string Utf8(std::wstring_view w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

std::string LastError() {
  const DWORD code = GetLastError();
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring w = n ? std::wstring(text, n) : L"error " + std::to_wstring(code);
  if (text) LocalFree(text);
  while (!w.empty() && (w.back() == L'\n' || w.back() == L'\r' || w.back() == L'.'))
    w.pop_back();
  return Utf8(w);
}

// Owns a file handle.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (ok()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  bool Close() {
    const bool closed = CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE h_;
};

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
    WriteConsoleText(h, Wide(utf8));
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
  for (int i = 1; argv && i < n; ++i) args.push_back(Utf8(argv[i]));
  if (argv) LocalFree(argv);
  return args;
}

bool ReadWholeFile(const std::string& path, std::string& out, std::string& error) {
  Handle h(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.ok()) {
    error = LastError();
    return false;
  }
  return ReadAll(h.get(), out, error);
}

bool ReadStandardInput(std::string& out, std::string& error) {
  return ReadAll(GetStdHandle(STD_INPUT_HANDLE), out, error);
}

std::string LargeBuffer(std::size_t capacity) {
  std::string s;
  s.reserve(capacity);
  return s;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string& error) {
  const std::wstring target = Wide(path);
  const std::wstring::size_type slash = target.find_last_of(L"\\/:");
  const std::wstring dir = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
  const std::wstring base = slash == std::wstring::npos ? target : target.substr(slash + 1);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::wstring temp = dir + L"." + base + L"." + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(attempt) + L".tmp";
    Handle h(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok()) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      error = LastError();
      return false;
    }
    // Each step runs only while all before it went well; the first failure names the reason.
    bool ok = WriteAll(h.get(), bytes, error);
    auto step = [&](bool succeeded) {
      if (ok && !succeeded) {
        ok = false;
        error = LastError();
      }
    };
    step(ok && FlushFileBuffers(h.get()));
    step(h.Close());
    step(ok && MoveFileExW(temp.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
  }
  error = "no free name for a temporary file";
  return false;
}

bool WriteStandardOutput(std::string_view bytes, Text encoding, std::string& error) {
  const HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
  if (IsConsole(h)) {
    if (WriteConsoleText(h, Wide(bytes, encoding == Text::Utf8 ? CP_UTF8 : 932))) return true;
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
  return Utf8(std::wstring_view(name, size - 1));  // size counts the final NUL
}

#else

namespace {

std::string Reason(int err) { return std::strerror(err); }

// Room for the filter to double the text (full-width forms do) without a fresh buffer; pages
// that are never written cost nothing.
std::size_t RoomFor(std::size_t size) { return 2 * size + 64; }

void AdviseHugePages(std::string& s) {
#ifdef MADV_HUGEPAGE
  // Only whole 2 MB pages inside the buffer, and only before they are touched.
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<std::uintptr_t>(s.data());
  const std::uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t last = (begin + s.capacity()) & ~(kHuge - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // a hint
#else
  (void)s;
#endif
}

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

std::string LargeBuffer(std::size_t capacity) {
  std::string s;
  s.reserve(capacity);
  if (capacity >= (std::size_t{4} << 20)) AdviseHugePages(s);
  return s;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string& error) {
  const std::string::size_type slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  struct stat existing;
  const bool exists = stat(path.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) {
    error = Reason(EISDIR);
    return false;
  }
  std::random_device random;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = dir + "." + base + "." + std::to_string(getpid()) + "-" +
                             std::to_string(random() % 1000000) + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      error = Reason(errno);
      return false;
    }
    // Each step runs only while all before it went well; the first failure names the reason.
    bool ok = WriteAll(fd, bytes, error);
    auto step = [&](bool succeeded) {
      if (ok && !succeeded) {
        ok = false;
        error = Reason(errno);
      }
    };
    if (exists) step(ok && fchmod(fd, existing.st_mode & 07777) == 0);  // keep its permissions
    step(ok && fsync(fd) == 0);
    step(close(fd) == 0);
    step(ok && rename(temp.c_str(), path.c_str()) == 0);
    if (!ok) unlink(temp.c_str());
    return ok;
  }
  error = "no free name for a temporary file";
  return false;
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

}  // namespace kestrilon::tool
