// The platform services of the model, on Windows.
#include "Application.h"
#include "Forms.h"
#include "Platform.h"
#include "WinPeers.h"

namespace kestrilon::framework::platform {

std::unique_ptr<ControlPeer> CreateWindowPeer(TWinControl& control) {
  return win::MakePeer(control);
}

FrameSize FormFrameSize(const TCustomForm& form) {
  const auto [style, exStyle] = win::FormStyles(form.BorderStyle());
  RECT r{0, 0, 0, 0};
  if (!AdjustWindowRectEx(&r, style, FALSE, exStyle)) return {};
  return {r.right - r.left, r.bottom - r.top};
}

int FormPixelsPerInch(const TCustomForm& form) {
  HWND window = win::WindowOf(const_cast<TCustomForm&>(form));
  // Per monitor where the system knows it (Windows 10 and later), else the system's one value.
  // user32.dll is loaded already (the form has a window); GetProcAddress of no module would
  // search the program itself.
  using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = [] {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowProc>(
                        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
  }();
  if (getDpiForWindow && window) {
    if (UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
  }
  win::WindowDC screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

bool CloseMainForm(TCustomForm& form) {
  if (Application().MainForm() != &form) return false;
  Application().Terminate();
  return true;
}

void HandleException(TObject& sender) { Application().HandleException(sender); }

}  // namespace kestrilon::framework::platform
