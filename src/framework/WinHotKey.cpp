// The hot-key control's window (the system's msctls_hotkey32) and the owner of a registered
// global hot key.
#include "WinHotKey.h"

#include <utility>

#include "WinPeerBase.h"

namespace kestrilon::framework::win {

namespace {

class HotKeyPeer : public WindowPeer {
 public:
  explicit HotKeyPeer(THotKey& hotKey) : WindowPeer(hotKey), FHotKey(hotKey) {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_HOTKEY_CLASS};
    if (!InitCommonControlsEx(&init)) ThrowOutOfResources("Cannot initialise the common controls");
    Create(HOTKEY_CLASSW, 0, WS_EX_CLIENTEDGE, false);
    Changed(ControlChange::Value);
  }
  void Changed(ControlChange what) override {
    if (what == ControlChange::Value) {
      // HKM_SETHOTKEY has no result to check.
      if (FWindow && !MirroringFromWindow())
        SendMessageW(Handle(), HKM_SETHOTKEY, HotKeyControlWord(FHotKey.HotKey()), 0);
      return;
    }
    WindowPeer::Changed(what);
  }
  void Command(WORD code) override {
    if (code != EN_CHANGE) return;
    const auto word = static_cast<std::uint16_t>(SendMessageW(Handle(), HKM_GETHOTKEY, 0, 0));
    FromWindow([&] { FHotKey.SetHotKey(HotKeyFromControlWord(word)); });
  }

 private:
  THotKey& FHotKey;
};

}  // namespace

std::unique_ptr<ControlPeer> MakeHotKeyPeer(TWinControl& control) {
  if (auto* hotKey = dynamic_cast<THotKey*>(&control)) return std::make_unique<HotKeyPeer>(*hotKey);
  return nullptr;
}

RegisteredHotKey::RegisteredHotKey(RegisteredHotKey&& other) noexcept
    : FWindow(std::exchange(other.FWindow, nullptr)),
      FId(std::exchange(other.FId, 0)),
      FState(std::exchange(other.FState, HotKeyState::None)),
      FError(std::exchange(other.FError, 0)) {}

RegisteredHotKey& RegisteredHotKey::operator=(RegisteredHotKey&& other) noexcept {
  if (this != &other) {
    Reset();
    FWindow = std::exchange(other.FWindow, nullptr);
    FId = std::exchange(other.FId, 0);
    FState = std::exchange(other.FState, HotKeyState::None);
    FError = std::exchange(other.FError, 0);
  }
  return *this;
}

HotKeyState RegisteredHotKey::Register(HWND window, int id, THotKeyValue key) noexcept {
  Reset();
  if (key.Empty()) return FState;
  if (RegisterHotKey(window, id, HotKeyRegisterModifiers(key), key.Key)) {
    FWindow = window;
    FId = id;
    FState = HotKeyState::Registered;
  } else {
    FError = GetLastError();
    FState = FError == ERROR_HOTKEY_ALREADY_REGISTERED ? HotKeyState::InUse : HotKeyState::Failed;
  }
  return FState;
}

void RegisteredHotKey::Reset() noexcept {
  if (FState == HotKeyState::Registered && !UnregisterHotKey(FWindow, FId)) {
    // Only a window already destroyed refuses, and the system let go of its keys with it.
  }
  FWindow = nullptr;
  FId = 0;
  FState = HotKeyState::None;
  FError = 0;
}

}  // namespace kestrilon::framework::win
