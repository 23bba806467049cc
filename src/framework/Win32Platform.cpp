// The platform services of the model, on Windows.
#include "Application.h"
#include "Forms.h"
#include "Platform.h"
#include "WinPeers.h"

namespace kestrilon::framework::platform {

std::unique_ptr<ControlPeer> CreateWindowPeer(TWinControl& control) { return win::MakePeer(control); }

FrameSize FormFrameSize(const TCustomForm& form) {
  DWORD style = WS_CAPTION | WS_SYSMENU;
  DWORD exStyle = 0;
  switch (form.BorderStyle()) {
    case bsNone:
      style = WS_POPUP;
      break;
    case bsDialog:
      exStyle = WS_EX_DLGMODALFRAME;
      break;
    case bsToolWindow:
      exStyle = WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      style |= WS_THICKFRAME;
      exStyle = WS_EX_TOOLWINDOW;
      break;
    case bsSizeable:
      style = WS_OVERLAPPEDWINDOW;
      break;
    case bsSingle:
    default:
      break;
  }
  RECT r{0, 0, 0, 0};
  if (!AdjustWindowRectEx(&r, style, FALSE, exStyle)) return {};
  return {r.right - r.left, r.bottom - r.top};
}

bool CloseMainForm(TCustomForm& form) {
  if (Application().MainForm() != &form) return false;
  Application().Terminate();
  return true;
}

void HandleException(TObject& sender) { Application().HandleException(sender); }

}  // namespace kestrilon::framework::platform
