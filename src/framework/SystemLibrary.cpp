#include "SystemLibrary.h"

#include <bit>

namespace kestrilon::framework::win {

UniqueLibrary LoadSystemLibrary(const wchar_t* name) noexcept {
  return UniqueLibrary(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

namespace {

// GetProcAddress's result as the function type it really has; false when the name is missing.
template <class Function>
bool Resolve(HMODULE library, const char* name, Function& function) noexcept {
  const FARPROC proc = GetProcAddress(library, name);
  function = proc ? std::bit_cast<Function>(proc) : nullptr;
  return proc != nullptr;
}

}  // namespace

VersionApi VersionApi::Load() noexcept {
  VersionApi api;
  api.FLibrary = LoadSystemLibrary(L"version.dll");
  if (!api.FLibrary) return api;
  const HMODULE library = api.FLibrary.Get();
  if (!Resolve(library, "GetFileVersionInfoSizeA", api.FGetSize) ||
      !Resolve(library, "GetFileVersionInfoA", api.FGetInfo) ||
      !Resolve(library, "VerQueryValueA", api.FQueryValue)) {
    return VersionApi{};  // all or nothing: a half-loaded API tests false
  }
  return api;
}

}  // namespace kestrilon::framework::win
