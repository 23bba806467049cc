// The windows of the controls (Windows): internal to the framework.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>

#include "Forms.h"
#include "WinWindow.h"

namespace kestrilon::framework::win {

// The control whose window this is, or null.
TWinControl* ControlFromWindow(HWND window) noexcept;
// The colour as RGB; system colours resolved.
COLORREF ColorToRGB(TColor color) noexcept;
// The window of item index of a radio group (made if needed), or null.
HWND RadioGroupButton(TCustomRadioGroup& group, int index);
// The window styles (style, extended style) of a form with that border: the one source for
// making its window and for working out its frame.
std::pair<DWORD, DWORD> FormStyles(TFormBorderStyle border) noexcept;
// The window of control, of the kind its class asks for. Throws EOutOfResources.
std::unique_ptr<ControlPeer> MakePeer(TWinControl& control);

}  // namespace kestrilon::framework::win
