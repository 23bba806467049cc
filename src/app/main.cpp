// kestrilon.exe: the DLL search, the guard, then the application with its one form, hidden, until
// the form is closed.
#include <windows.h>

#include "Application.h"
#include "DblChkNF.h"
#include "Setting.h"
#include "FileSystem.h"
#include "SystemLibrary.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before any other DLL is loaded: only the system folder is searched from now on, not the
  // program's own (often Downloads, where a planted version.dll may lie) nor the current one.
  // Everything beyond kernel32 and the C runtime is loaded at its first use, after this line
  // (see cmake/LoadAfterMain.cmake). Without it the program must not run: end before loading more.
  if (!kestrilon::settings::ConfineDllSearch()) return 1;
  // A DLL or function loaded at its first use that this Windows lacks: a box says so, the program
  // ends.
  kestrilon::framework::win::InstallDelayLoadFailureHook();

  const auto guard = kestrilon::app::TSingleInstanceGuard::Acquire();
  if (!guard) return 0;  // another instance runs: end at once, quietly

  using kestrilon::framework::Application;
  try {
    Application().Initialize();
    Application().SetShowMainForm(false);
    Application().SetTitle("Kestrilon");
    Application().CreateForm<kestrilon::app::TForm1>();
    Application().Run();
    // The form and its components go now, in order (the detector stops listening, the
    // icon leaves the tray), while the services they lean on still exist: after main returns,
    // the function-level statics are destroyed in an order of their own.
    Application().DestroyComponents();
  } catch (...) {
    // The form could not be made (no window for the clipboard detector, say): say why, end.
    Application().HandleException(Application());
    Application().DestroyComponents();
    return 1;
  }
  return 0;
}
