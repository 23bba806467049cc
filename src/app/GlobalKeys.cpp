#include "GlobalKeys.h"

#include "SettingLayout.h"
#include "StdControls.h"

namespace kestrilon::app {

namespace {

using framework::hkAlt;
using framework::hkCtrl;
using framework::hkShift;

// Ctrl+Alt+Shift with a letter: no common Japanese program and no input method uses those, while
// Ctrl+Shift+V pastes in browsers and editors, Ctrl+Alt+V is the office suites' paste special and
// Win+V the system's clipboard history. Pause has none: pressed by mistake it would leave every
// later copy unfiltered without a word.
constexpr KeyRow kKeys[] = {
    {KeyAction::Swap, names::SwapKey, names::SwapKeyInUse, {'Z', hkCtrl | hkAlt | hkShift}},
    {KeyAction::FilterNow,
     names::FilterNowKey,
     names::FilterNowKeyInUse,
     {'F', hkCtrl | hkAlt | hkShift}},
    {KeyAction::PasteFiltered,
     names::PasteFilteredKey,
     names::PasteFilteredKeyInUse,
     {'V', hkCtrl | hkAlt | hkShift}},
    {KeyAction::Pause, names::PauseKey, names::PauseKeyInUse, {}},
};
static_assert(std::size(kKeys) == kGlobalKeyCount);

// A key with no modifier but Shift would take a letter away from every program.
bool Usable(framework::THotKeyValue key) {
  return (key.Modifiers & (hkCtrl | hkAlt | framework::hkWin)) != 0 ||
         (key.Key >= VK_F1 && key.Key <= VK_F24);
}

}  // namespace

std::span<const KeyRow> GlobalKeyRows() { return kKeys; }

void RegisterKey(framework::win::RegisteredHotKey& registration, HWND window, int id,
                 framework::THotKeyValue key) {
  if (key.Empty() || Usable(key)) registration.Register(window, id, key);
  else registration.Reset();
}

std::string_view KeyCaption(const framework::win::RegisteredHotKey& registration,
                            framework::THotKeyValue key) {
  if (!key.Empty() && !Usable(key)) return "使えません";
  switch (registration.State()) {
    case framework::win::HotKeyState::InUse: return "使用中";
    case framework::win::HotKeyState::Failed: return "使えません";
    default: return "";
  }
}

void GlobalKeys::Register(HWND window, framework::TComponent& form) {
  for (std::size_t i = 0; i < std::size(kKeys); ++i) {
    const auto& control =
        dynamic_cast<const framework::THotKey&>(*form.FindComponent(kKeys[i].control));
    auto& label = dynamic_cast<framework::TLabel&>(*form.FindComponent(kKeys[i].in_use));
    RegisterKey(FKeys[i], window, static_cast<int>(i), control.HotKey());
    label.SetCaption(KeyCaption(FKeys[i], control.HotKey()));
  }
}

bool GlobalKeys::ActionOf(WPARAM id, KeyAction& action) noexcept {
  if (id >= std::size(kKeys)) return false;
  action = kKeys[id].action;
  return true;
}

}  // namespace kestrilon::app
