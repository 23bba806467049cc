// The few services the portable model asks of the window system. A Win32 build links the Win32
// implementations (Win32Platform.cpp); a build without a window system links Headless.cpp, where
// controls hold their values and have no windows.
#pragma once

#include <memory>

#include "Controls.h"

namespace kestrilon::framework {
class TCustomForm;
}

namespace kestrilon::framework::platform {

// The window of control, or null where there are no windows. Throws EOutOfResources when the
// window cannot be made.
std::unique_ptr<ControlPeer> CreateWindowPeer(TWinControl& control);

// The size the frame of form's window adds to its client area, for its border style.
struct FrameSize {
  int Width = 0;
  int Height = 0;
};
FrameSize FormFrameSize(const TCustomForm& form);

// The pixels per inch of the monitor that shows form's window (96 without a window system).
int FormPixelsPerInch(const TCustomForm& form);

// A form that may close: if it is the application's main form, ends the message loop and
// returns true; otherwise returns false and the form hides.
bool CloseMainForm(TCustomForm& form);

// Called inside a catch block: gives the exception being handled to the application's handler.
// Without an application it is rethrown.
void HandleException(TObject& sender);

}  // namespace kestrilon::framework::platform
