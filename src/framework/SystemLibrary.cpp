#include "SystemLibrary.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

#include <delayimp.h>

namespace kestrilon::framework::win {

namespace {

// The system folder's path with name after it; empty when the folder is unknown.
std::wstring InSystemFolder(const wchar_t* name) {
  wchar_t folder[MAX_PATH + 1];
  const UINT n = GetSystemDirectoryW(folder, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return {};
  return std::wstring(folder, n) + L"\\" + name;
}

}  // namespace

std::string DelayLoadFailureMessage(unsigned notice, const char* dll, const char* function,
                                    unsigned ordinal) {
  const std::string library = dll ? dll : "?";
  std::string what;
  if (notice == dliFailLoadLib) {
    what = library + " が見つかりません。";
  } else {
    const std::string name = function ? function : "#" + std::to_string(ordinal);
    what = library + " に関数 " + name + " がありません。";
  }
  return what + "\nこの Windows では Kestrilon を続けられないため、終了します。";
}

namespace {

// The delay-load helper calls this instead of raising an exception that nothing would catch:
// the user learns why the program ends.
FARPROC WINAPI OnDelayLoadFailure(unsigned notice, PDelayLoadInfo info) {
  if (notice != dliFailLoadLib && notice != dliFailGetProc) return nullptr;
  const bool by_name = info && info->dlp.fImportByName;
  std::string message;
  try {
    message = DelayLoadFailureMessage(notice, info ? info->szDll : nullptr,
                                      by_name ? info->dlp.szProcName : nullptr,
                                      by_name || !info ? 0 : info->dlp.dwOrdinal);
  } catch (...) {
    message = "Kestrilon を続けられないため、終了します。";
  }
  // user32 may be the very DLL that is missing: the box is reached from the system folder
  // directly, and where even that fails, the program ends without one.
  const UniqueLibrary user32 = LoadSystemLibrary(L"user32.dll");
  const FARPROC box = user32 ? GetProcAddress(user32.Get(), "MessageBoxW") : nullptr;
  if (box) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, message.c_str(), -1, nullptr, 0);
    std::wstring wide(size > 0 ? static_cast<std::size_t>(size) : 1, L'\0');
    if (size > 0 && MultiByteToWideChar(CP_UTF8, 0, message.c_str(), -1, wide.data(), size) > 0)
      std::bit_cast<int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT)>(box)(
          nullptr, wide.c_str(), L"Kestrilon", MB_OK | MB_ICONERROR);
  }
  ExitProcess(3);
}

}  // namespace

void InstallDelayLoadFailureHook() noexcept { __pfnDliFailureHook2 = OnDelayLoadFailure; }

UniqueLibrary LoadSystemLibrary(const wchar_t* name) noexcept {
  UniqueLibrary library(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  // Without KB2533623 the flag itself is refused: the system folder named in full instead.
  if (!library && GetLastError() == ERROR_INVALID_PARAMETER) {
    try {
      const std::wstring path = InSystemFolder(name);
      if (!path.empty())
        library =
            UniqueLibrary(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    } catch (...) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
  }
  return library;
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

LoadIconMetricFunction IconMetricLoader() noexcept {
  struct Loader {
    UniqueLibrary FLibrary = LoadSystemLibrary(L"comctl32.dll");
    LoadIconMetricFunction FLoad = nullptr;
    Loader() noexcept {
      if (FLibrary) Resolve(FLibrary.Get(), "LoadIconMetric", FLoad);
    }
  };
  static const Loader loader;
  return loader.FLoad;
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
  if (!api.QueryValue(data.data(), "\\VarFileInfo\\Translation", &value, &length) ||
      value == nullptr || length < sizeof(DWORD))
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
  if (api.QueryValue(data.data(), query.c_str(), &value, &length) && value != nullptr &&
      length != 0) {
    const char* text = static_cast<const char*>(value);
    const void* end = std::memchr(text, '\0', length);
    found.text.emplace(text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text)
                                 : std::size_t{length});
  }
  return found;
}

}  // namespace kestrilon::framework::win
