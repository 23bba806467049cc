// Hidden utility windows (Windows): an invisible, zero-size popup tool window whose every message
// goes to a function, as non-visual components (the clipboard detector, the tray icon) need one.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "Controls.h"
#include "WinHandles.h"

namespace kestrilon::framework {

// Receives every message of the window; Result (preset to 0) is the answer. Whatever the
// function doesn't handle it passes to DefWindowProc itself.
using TWindowMethod = std::function<void(TMessage& message)>;

class TUtilityWindow {
 public:
  TUtilityWindow(const TUtilityWindow&) = delete;
  TUtilityWindow& operator=(const TUtilityWindow&) = delete;
  // Destroys the window; its messages stop reaching the method.
  ~TUtilityWindow();
  HWND Handle() const noexcept { return FWindow.Get(); }

 private:
  friend std::unique_ptr<TUtilityWindow> AllocateHWnd(TWindowMethod method);
  explicit TUtilityWindow(TWindowMethod method) : FMethod(std::move(method)) {}
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  TWindowMethod FMethod;
  win::UniqueWindow FWindow;
};

// The window, or null when it can't be made (GetLastError tells why). An exception out of method
// goes to the application's handler; the message's result is then 0.
std::unique_ptr<TUtilityWindow> AllocateHWnd(TWindowMethod method);

}  // namespace kestrilon::framework
