// unguarded.exe: a program written without any care for where its DLLs come from, the test's
// proof that a planted DLL can run here at all. It imports version.dll statically and loads
// uxtheme.dll by its bare name; beside the planted copies, with Wine told to prefer them, both
// must leave their markers. The import-table check must also reject it (version.dll is no known
// system DLL). Prints what it got; exit status 0.
#include <windows.h>

#include <cstdio>

int main() {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  DWORD ignored = 0;
  const DWORD size = length ? GetFileVersionInfoSizeW(self, &ignored) : 0;
  HMODULE theme = LoadLibraryW(L"uxtheme.dll");
  std::printf("version size %lu, uxtheme %s\n", size, theme ? "loaded" : "not loaded");
  if (theme) FreeLibrary(theme);
  return 0;
}
