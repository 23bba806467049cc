// planted.dll: the DLL a stranger leaves in the Downloads folder, copied beside the program under
// the names of system DLLs (version.dll, uxtheme.dll, ...). Whenever a process loads it, it leaves
// "<its own path>.ran" beside itself, holding the path of the program that loaded it, so that the
// test sees every load whatever name it was loaded under.
//
// It exports version.dll's functions (PlantedDll.def), so that a program importing version.dll
// statically binds to it and runs. Every export is the one function below: each of them returns
// zero for "nothing there", and on x64 a function that ignores its arguments may stand in for all.
#include <windows.h>

extern "C" int PlantedNothing() {
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return 0;
}

namespace {

void LeaveMarker(HMODULE self) {
  wchar_t path[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  lstrcpyW(path + length, L".ran");
  wchar_t host[MAX_PATH];
  const DWORD hostLength = GetModuleFileNameW(nullptr, host, MAX_PATH);
  char text[MAX_PATH * 3];
  const int textLength = hostLength
                             ? WideCharToMultiByte(CP_UTF8, 0, host, static_cast<int>(hostLength),
                                                   text, sizeof text, nullptr, nullptr)
                             : 0;
  const HANDLE marker = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  // An empty marker still says that the DLL ran; the host's name only helps the report.
  if (textLength > 0) WriteFile(marker, text, static_cast<DWORD>(textLength), &written, nullptr);
  CloseHandle(marker);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMarker(instance);
  return TRUE;
}
