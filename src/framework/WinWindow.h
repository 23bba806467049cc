// The window behind a control (Windows), for code outside the framework that hands the system an
// owner window or a timer's target. Everything else about the controls' windows stays inside the
// framework.
#pragma once

#include <windows.h>

#include "Controls.h"

namespace kestrilon::framework::win {

// The window of a control, made if needed; null without one.
HWND WindowOf(TWinControl& control);

}  // namespace kestrilon::framework::win
