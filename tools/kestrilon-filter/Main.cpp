// Entry point of kestrilon-filter; everything else is in FilterTool.
#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>

#include "FileIo.h"
#include "FileSystem.h"
#include "FilterTool.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // Before any other DLL is loaded: only the system folder is searched from now on, not the
  // tool's own nor the current one, where a planted DLL may lie (see cmake/LoadAfterMain.cmake).
  if (!kestrilon::settings::ConfineDllSearch()) {
    std::fputs("kestrilon-filter: cannot limit the DLL search to the system folder\n", stderr);
    return 1;
  }
#endif
  return kestrilon::tool::RunFilterTool(kestrilon::tool::Arguments(argc, argv));
}
