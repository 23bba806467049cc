// The single-instance guard: a named mutex, named after the executable's file name, that a second
// copy of the program finds before it creates any window. A copy under another file name is
// another program to the guard and runs beside the first.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "WinHandles.h"

namespace kestrilon::app {

class TSingleInstanceGuard {
 public:
  // The guard of this process, or nothing when another instance holds the name: the caller
  // then ends at once with exit code 0, telling the running instance nothing.
  static std::optional<TSingleInstanceGuard> Acquire();

  const std::wstring& MutexName() const noexcept { return FMutexName; }

 private:
  TSingleInstanceGuard(std::wstring name, HANDLE mutex)
      : FMutexName(std::move(name)), FMutexHandle(mutex) {}
  std::wstring FMutexName;
  framework::win::UniqueKernelHandle FMutexHandle;  // held until the process ends
};

// The executable's full path, as the system reports the module's path.
std::wstring ExecutablePath();

}  // namespace kestrilon::app
