#include "Startup.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <system_error>

#include "Exceptions.h"
#include "WinText.h"

namespace kestrilon::app {

namespace {

[[noreturn]] void Fail(const char* what, HRESULT result) {
  throw framework::EOSError(
      std::string(what) + " failed (0x" +
          [&] {
            char hex[9];
            std::snprintf(hex, sizeof hex, "%08lX", static_cast<unsigned long>(result));
            return std::string(hex);
          }() +
          ")",
      static_cast<unsigned long>(result));
}

// COM for the current thread while the scope lasts. A thread that already has it in another
// mode can use it as it is, and must not end it.
class ComScope {
 public:
  ComScope() {
    const HRESULT result =
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (result == RPC_E_CHANGED_MODE) return;
    if (FAILED(result)) Fail("CoInitializeEx", result);
    FOwned = true;
  }
  ~ComScope() {
    if (FOwned) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool FOwned = false;
};

// One reference to a COM object, released with the scope.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (FPointer) FPointer->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T* operator->() const noexcept { return FPointer; }
  T** Receive() noexcept { return &FPointer; }
  void** ReceiveVoid() noexcept { return reinterpret_cast<void**>(&FPointer); }

 private:
  T* FPointer = nullptr;
};

// A string the shell allocated, freed with the scope.
struct TaskString {
  PWSTR text = nullptr;
  ~TaskString() { CoTaskMemFree(text); }
};

}  // namespace

std::filesystem::path StartupShortcutPath() {
  TaskString folder;
  const HRESULT result =
      SHGetKnownFolderPath(FOLDERID_Startup, KF_FLAG_CREATE, nullptr, &folder.text);
  if (FAILED(result)) Fail("SHGetKnownFolderPath (Startup)", result);
  return std::filesystem::path(folder.text) / L"Kestrilon.lnk";
}

ShortcutTarget ReadStartupShortcut() {
  const std::filesystem::path shortcut = StartupShortcutPath();
  std::error_code error;
  if (!std::filesystem::is_regular_file(shortcut, error)) return {};
  ComScope com;
  ComRef<IShellLinkW> link;
  ComRef<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.ReceiveVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) ||
      FAILED(file->Load(shortcut.c_str(), STGM_READ)))
    return {};  // unreadable: it starts nothing this program knows of
  std::wstring program(32768, L'\0'), folder(32768, L'\0');
  if (link->GetPath(program.data(), static_cast<int>(program.size()), nullptr, SLGP_RAWPATH) !=
          S_OK ||
      FAILED(link->GetWorkingDirectory(folder.data(), static_cast<int>(folder.size()))))
    return {};
  program.resize(program.find(L'\0'));
  folder.resize(folder.find(L'\0'));
  return {program, folder};
}

bool StartupShortcutStarts(const std::filesystem::path& program) {
  const std::wstring target = ReadStartupShortcut().program.wstring();
  const std::wstring wanted = program.wstring();
  return !target.empty() &&
         CompareStringOrdinal(target.c_str(), static_cast<int>(target.size()), wanted.c_str(),
                              static_cast<int>(wanted.size()), TRUE) == CSTR_EQUAL;
}

void CreateStartupShortcut(const std::filesystem::path& program) {
  const std::filesystem::path shortcut = StartupShortcutPath();
  ComScope com;
  ComRef<IShellLinkW> link;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    link.ReceiveVoid());
  if (FAILED(result)) Fail("CoCreateInstance (ShellLink)", result);
  if (FAILED(result = link->SetPath(program.c_str()))) Fail("IShellLinkW::SetPath", result);
  // Its INI file lies beside it: started from its own folder, as when the user starts it.
  if (FAILED(result = link->SetWorkingDirectory(program.parent_path().c_str())))
    Fail("IShellLinkW::SetWorkingDirectory", result);
  if (FAILED(result = link->SetDescription(L"Kestrilon")))
    Fail("IShellLinkW::SetDescription", result);
  ComRef<IPersistFile> file;
  if (FAILED(result = link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())))
    Fail("IShellLinkW::QueryInterface (IPersistFile)", result);
  if (FAILED(result = file->Save(shortcut.c_str(), TRUE))) Fail("IPersistFile::Save", result);
}

void RemoveStartupShortcut() {
  const std::filesystem::path shortcut = StartupShortcutPath();
  if (!DeleteFileW(shortcut.c_str())) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      throw framework::EOSError("DeleteFileW (" + framework::win::Narrow(shortcut.wstring()) + ")",
                                error);
  }
}

}  // namespace kestrilon::app
