// Helpers of the Windows tests: pumping messages until a condition holds, with a deadline,
// sending keys the way the keyboard does (to the window with the focus, through the loop), and
// the size of an icon.
#pragma once

#include <windows.h>

#include <functional>

#include "Application.h"
#include "WinHandles.h"

namespace kestrilon::framework::testing {

// Handles messages until condition() holds; false if it still doesn't after the deadline. The
// deadline is generous: it only ends a wait that would otherwise hang.
inline bool PumpUntil(const std::function<bool()>& condition, DWORD deadlineMs = 20000) {
  ULONGLONG end = GetTickCount64() + deadlineMs;
  while (!condition()) {
    if (GetTickCount64() > end) return false;
    Application().ProcessMessages();
    if (!condition()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// Handles everything that is waiting, including what handling it posts.
inline void Settle() {
  for (int i = 0; i < 5; ++i) Application().ProcessMessages();
}

// A key press and release as the keyboard driver posts them to the focused window.
inline void PostKey(UINT key, bool alt = false) {
  HWND focus = GetFocus();
  LPARAM context = alt ? (1 << 29) : 0;
  UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  UINT up = alt ? WM_SYSKEYUP : WM_KEYUP;
  PostMessageW(focus, down, key, 1 | context);
  PostMessageW(focus, up, key, 1 | context | (1u << 30) | (1u << 31));
}

// The width and height in pixels of an icon's picture; 0 by 0 when it can't be read.
inline SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  win::UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
  BITMAP bitmap{};
  if (!colour || !GetObjectW(colour.Get(), sizeof bitmap, &bitmap)) return {};
  return {bitmap.bmWidth, bitmap.bmHeight};
}

}  // namespace kestrilon::framework::testing
