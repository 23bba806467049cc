#include "DblChkNF.h"

namespace kestrilon::app {

std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);  // cut short: a long path
  }
}

std::optional<TSingleInstanceGuard> TSingleInstanceGuard::Acquire() {
  const std::wstring path = ExecutablePath();
  std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
  // No namespace prefix: the name is local to the logon session, one instance per session.
  if (HANDLE other = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name.c_str())) {
    CloseHandle(other);
    return std::nullopt;
  }
  // Any other failure to open is taken as "no other instance". The creation's result is not
  // looked at either: without the mutex the program still runs, it only loses the guard.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  return TSingleInstanceGuard(std::move(name), mutex);
}

}  // namespace kestrilon::app
