// A global hot key registered on a window (Windows): the owner of one RegisterHotKey.
#pragma once

#include <windows.h>

#include "HotKey.h"

namespace kestrilon::framework::win {

enum class HotKeyState {
  None,        // nothing registered: no key was asked for, or it was let go
  Registered,  // the window gets WM_HOTKEY with the id as wParam when the key is pressed
  InUse,       // another window or program holds the key (ERROR_HOTKEY_ALREADY_REGISTERED)
  Failed,      // the system refused for another reason (Error() says which)
};

// Holds at most one registration; lets go of it (UnregisterHotKey) when destroyed or moved onto.
// Use it on the thread of the window: the system refuses a window of another thread. Move-only.
class RegisteredHotKey {
 public:
  RegisteredHotKey() noexcept = default;
  RegisteredHotKey(HWND window, int id, THotKeyValue key) noexcept { Register(window, id, key); }
  RegisteredHotKey(RegisteredHotKey&& other) noexcept;
  RegisteredHotKey& operator=(RegisteredHotKey&& other) noexcept;
  RegisteredHotKey(const RegisteredHotKey&) = delete;
  RegisteredHotKey& operator=(const RegisteredHotKey&) = delete;
  ~RegisteredHotKey() { Reset(); }

  // Lets go of the key held, then registers key on window under id (0 to 0xBFFF), with
  // MOD_NOREPEAT. No key registers nothing (None). Never throws: a key in use is an answer to
  // show beside its control, not an error.
  HotKeyState Register(HWND window, int id, THotKeyValue key) noexcept;
  // Lets go of the key held: None.
  void Reset() noexcept;

  HotKeyState State() const noexcept { return FState; }
  // The system's error code when InUse or Failed, else 0.
  DWORD Error() const noexcept { return FError; }
  HWND Window() const noexcept { return FWindow; }
  int Id() const noexcept { return FId; }

 private:
  HWND FWindow = nullptr;
  int FId = 0;
  HotKeyState FState = HotKeyState::None;
  DWORD FError = 0;
};

}  // namespace kestrilon::framework::win
