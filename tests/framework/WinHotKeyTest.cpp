// The hot-key control in the system's msctls_hotkey32 window, and global keys registered with the
// system, under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Application.h"
#include "Forms.h"
#include "HotKey.h"
#include "UtilityWindow.h"
#include "WinHandles.h"
#include "WinHotKey.h"
#include "WinPeers.h"
#include "WinTestSupport.h"

namespace kestrilon::framework {
namespace {

using testing::PumpUntil;
using testing::Settle;
using win::HotKeyState;
using win::RegisteredHotKey;

TEST(HotKeyFlags, OurModifiersBecomeTheControlsAndRegisterHotKeysOwnFlags) {
  const struct {
    THotKeyValue value;
    WORD controlWord;
    UINT registerFlags;
  } cases[] = {
      {{'V', 0}, MAKEWORD('V', 0), MOD_NOREPEAT},
      {{'V', hkShift}, MAKEWORD('V', HOTKEYF_SHIFT), MOD_SHIFT | MOD_NOREPEAT},
      {{'V', hkCtrl}, MAKEWORD('V', HOTKEYF_CONTROL), MOD_CONTROL | MOD_NOREPEAT},
      {{'V', hkAlt}, MAKEWORD('V', HOTKEYF_ALT), MOD_ALT | MOD_NOREPEAT},
      {{'V', hkWin}, MAKEWORD('V', 0), MOD_WIN | MOD_NOREPEAT},  // the control has no Win
      {{'V', hkCtrl | hkAlt | hkShift},
       MAKEWORD('V', HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT),
       MOD_CONTROL | MOD_ALT | MOD_SHIFT | MOD_NOREPEAT},
      {{VK_LEFT, hkCtrl},
       MAKEWORD(VK_LEFT, HOTKEYF_CONTROL | HOTKEYF_EXT),
       MOD_CONTROL | MOD_NOREPEAT},
      {{VK_DIVIDE, 0}, MAKEWORD(VK_DIVIDE, HOTKEYF_EXT), MOD_NOREPEAT},
      {{VK_NUMPAD4, 0}, MAKEWORD(VK_NUMPAD4, 0), MOD_NOREPEAT},
  };
  for (const auto& c : cases) {
    const std::string row = HotKeyToText(c.value);
    EXPECT_EQ(HotKeyControlWord(c.value), c.controlWord) << row;
    EXPECT_EQ(HotKeyRegisterModifiers(c.value), c.registerFlags) << row;
    THotKeyValue back = c.value;
    back.Modifiers &= static_cast<THotKeyModifiers>(~hkWin);
    EXPECT_EQ(HotKeyFromControlWord(c.controlWord), back) << row;
  }
  EXPECT_EQ(HotKeyFromControlWord(MAKEWORD(0, HOTKEYF_CONTROL)),
            THotKeyValue{});  // a modifier alone
}

class HotKeyWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetOnException(
        [this](TObject&, const std::exception& e) { Errors.push_back(e.what()); });
    Form = MakeForm<TForm>();
    Form->SetBounds(100, 100, 300, 120);
    Key = new THotKey(Form.get());
    Key->SetName("SwapKey");
    Key->SetBounds(8, 8, 200, 22);
    Key->SetParent(Form.get());
    Key->SetOnChange([this](TObject&) { Seen.push_back(HotKeyToText(Key->HotKey())); });
    Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(win::WindowOf(*Form)) != FALSE; }));
    Settle();
  }
  void TearDown() override {
    Form.reset();
    Application().SetOnException(nullptr);
  }
  HWND Control() { return win::WindowOf(*Key); }
  WORD Shown() { return static_cast<WORD>(SendMessageW(Control(), HKM_GETHOTKEY, 0, 0)); }

  std::unique_ptr<TForm> Form;
  THotKey* Key = nullptr;
  std::vector<std::string> Seen;
  std::vector<std::string> Errors;
};

TEST_F(HotKeyWindow, TheSystemsControlShowsTheModelsValue) {
  wchar_t className[64] = {};
  ASSERT_GT(GetClassNameW(Control(), className, 64), 0);
  EXPECT_STREQ(className, HOTKEY_CLASSW);
  EXPECT_EQ(Shown(), 0);
  Key->SetHotKey({'V', hkCtrl | hkAlt});
  EXPECT_EQ(Shown(), MAKEWORD('V', HOTKEYF_CONTROL | HOTKEYF_ALT));
  Key->SetHotKey(HotKeyFromText("Shift+Win+Left"));
  EXPECT_EQ(Shown(), MAKEWORD(VK_LEFT, HOTKEYF_SHIFT | HOTKEYF_EXT));
  Key->SetHotKey({});
  EXPECT_EQ(Shown(), 0);
  EXPECT_EQ(Seen, (std::vector<std::string>{"Ctrl+Alt+V", "Shift+Win+Left", ""}));
}

TEST_F(HotKeyWindow, KeysTypedIntoTheControlBecomeTheModelsValue) {
  Key->SetHotKey({'V', hkCtrl | hkAlt});
  Seen.clear();
  SetFocus(Control());
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == Control(); }));
  // As the keyboard sends Ctrl, Shift and F5, through the loop.
  for (UINT key : {VK_CONTROL, VK_SHIFT, VK_F5}) PostMessageW(Control(), WM_KEYDOWN, key, 1);
  ASSERT_TRUE(PumpUntil([&] {
    return Key->HotKey() == THotKeyValue{VK_F5, hkCtrl | hkShift};
  })) << HotKeyToText(Key->HotKey());
  for (UINT key : {VK_F5, VK_SHIFT, VK_CONTROL}) PostMessageW(Control(), WM_KEYUP, key, 0xC0000001);
  Settle();
  EXPECT_EQ(HotKeyToText(Key->HotKey()), "Ctrl+Shift+F5");
  ASSERT_FALSE(Seen.empty());
  EXPECT_EQ(Seen.back(), "Ctrl+Shift+F5");
  EXPECT_EQ(Shown(), MAKEWORD(VK_F5, HOTKEYF_CONTROL | HOTKEYF_SHIFT));
  EXPECT_TRUE(Errors.empty());
}

// A hidden window that counts the WM_HOTKEY messages it gets, by id.
struct HotKeyTarget {
  std::vector<WPARAM> Ids;
  std::unique_ptr<TUtilityWindow> Window = AllocateHWnd([this](TMessage& m) {
    if (m.Msg == WM_HOTKEY) Ids.push_back(m.WParam);
    else m.Result = DefWindowProcW(Handle(), m.Msg, m.WParam, m.LParam);
  });
  HWND Handle() const { return Window ? Window->Handle() : nullptr; }
};

const THotKeyValue kTestKey{VK_F11, hkCtrl | hkAlt | hkShift};

void PressTestKey() {
  std::vector<INPUT> inputs;
  auto add = [&](WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  for (WORD key : {VK_CONTROL, VK_MENU, VK_SHIFT, VK_F11}) add(key, false);
  for (WORD key : {VK_F11, VK_SHIFT, VK_MENU, VK_CONTROL}) add(key, true);
  ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
            inputs.size());
}

TEST(RegisteredHotKey, ARegisteredKeyReachesItsWindowUntilTheOwnerLetsGo) {
  HotKeyTarget target;
  ASSERT_TRUE(target.Handle());
  {
    RegisteredHotKey key(target.Handle(), 7, kTestKey);
    ASSERT_EQ(key.State(), HotKeyState::Registered) << key.Error();
    PressTestKey();
    ASSERT_TRUE(PumpUntil([&] { return !target.Ids.empty(); })) << "no WM_HOTKEY";
    EXPECT_EQ(target.Ids, std::vector<WPARAM>{7});
  }
  // Let go: another window may have the key now.
  HotKeyTarget other;
  RegisteredHotKey again(other.Handle(), 1, kTestKey);
  EXPECT_EQ(again.State(), HotKeyState::Registered) << again.Error();
}

TEST(RegisteredHotKey, AKeyHeldElsewhereIsInUseAndTheOwnerSaysSoWithoutThrowing) {
  HotKeyTarget first, second;
  RegisteredHotKey held(first.Handle(), 1, kTestKey);
  ASSERT_EQ(held.State(), HotKeyState::Registered) << held.Error();

  RegisteredHotKey key;
  EXPECT_EQ(key.Register(second.Handle(), 1, kTestKey), HotKeyState::InUse);
  EXPECT_EQ(key.Error(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
  // Another key on the same owner; then no key lets it go.
  const THotKeyValue otherKey{VK_F10, hkCtrl | hkAlt | hkShift};
  EXPECT_EQ(key.Register(second.Handle(), 1, otherKey), HotKeyState::Registered) << key.Error();
  EXPECT_EQ(key.Register(second.Handle(), 1, {}), HotKeyState::None);
  EXPECT_EQ(RegisteredHotKey(first.Handle(), 2, otherKey).State(), HotKeyState::Registered);

  // A key moved to another owner stays held until that one lets go.
  RegisteredHotKey moved = std::move(held);
  EXPECT_EQ(held.State(), HotKeyState::None);
  EXPECT_EQ(RegisteredHotKey(second.Handle(), 1, kTestKey).State(), HotKeyState::InUse);
  moved.Reset();
  EXPECT_EQ(RegisteredHotKey(second.Handle(), 1, kTestKey).State(), HotKeyState::Registered);

  // Held by another thread (a program of its own, as far as the keys go).
  win::UniqueKernelHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  win::UniqueKernelHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(ready && done);
  bool registeredThere = false;
  std::thread holder([&] {
    registeredThere =
        RegisterHotKey(nullptr, 3, HotKeyRegisterModifiers(kTestKey), kTestKey.Key) != FALSE;
    SetEvent(ready.Get());
    WaitForSingleObject(done.Get(), 20000);
    if (registeredThere) UnregisterHotKey(nullptr, 3);
  });
  ASSERT_EQ(WaitForSingleObject(ready.Get(), 20000), WAIT_OBJECT_0);
  EXPECT_TRUE(registeredThere);
  EXPECT_EQ(key.Register(second.Handle(), 1, kTestKey), HotKeyState::InUse);
  SetEvent(done.Get());
  holder.join();

  // Any other refusal is a failure with the system's reason: here a window that is gone.
  HWND gone = nullptr;
  {
    HotKeyTarget shortLived;
    gone = shortLived.Handle();
  }
  EXPECT_EQ(key.Register(gone, 1, kTestKey), HotKeyState::Failed);
  EXPECT_EQ(key.Error(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
}  // namespace kestrilon::framework
