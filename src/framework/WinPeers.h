// The windows of the controls (Windows): internal to the framework.
#pragma once

#include <windows.h>

#include <memory>

#include "Forms.h"
#include "WinWindow.h"

namespace kestrilon::framework::win {

// The control whose window this is, or null.
TWinControl* ControlFromWindow(HWND window) noexcept;
// The colour as RGB; system colours resolved.
COLORREF ColorToRGB(TColor color) noexcept;
// The window of item index of a radio group (made if needed), or null.
HWND RadioGroupButton(TCustomRadioGroup& group, int index);
// The window of control, of the kind its class asks for. Throws EOutOfResources.
std::unique_ptr<ControlPeer> MakePeer(TWinControl& control);

}  // namespace kestrilon::framework::win
