#include "SystemLibrary.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

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

VersionString ReadVersionString(const char* fileName, std::string_view key) {
  VersionString found;
  const auto api = VersionApi::Load();
  if (!api) return found;
  DWORD ignored = 0;
  const DWORD size = api.FileVersionInfoSize(fileName, &ignored);
  if (size == 0) return found;
  std::vector<char> data(size);
  if (!api.FileVersionInfo(fileName, size, data.data())) return found;  // nothing to query
  void* value = nullptr;
  UINT length = 0;
  if (!api.QueryValue(data.data(), "\\VarFileInfo\\Translation", &value, &length) || value == nullptr ||
      length < sizeof(DWORD))
    return found;
  DWORD translation = 0;
  std::memcpy(&translation, value, sizeof translation);  // only the first translation is read
  found.readable = true;
  // Language (low half) then code page (high half), 4 upper-case hexadecimal digits each.
  char table[9];
  std::snprintf(table, sizeof table, "%04X%04X", static_cast<unsigned>(LOWORD(translation)),
                static_cast<unsigned>(HIWORD(translation)));
  const std::string query = std::string("\\StringFileInfo\\") + table + "\\" + std::string(key);
  value = nullptr;
  length = 0;
  if (api.QueryValue(data.data(), query.c_str(), &value, &length) && value != nullptr && length != 0) {
    const char* text = static_cast<const char*>(value);
    const void* end = std::memchr(text, '\0', length);
    found.text.emplace(text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : std::size_t{length});
  }
  return found;
}

}  // namespace kestrilon::framework::win
