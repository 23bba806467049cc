// The keys that act from anywhere: one row per action, with its control on the "キー" page, the
// label beside it that says when another program holds the key, and its default.
#pragma once

#include <windows.h>

#include <array>
#include <span>
#include <string_view>

#include "Components.h"
#include "HotKey.h"
#include "WinHotKey.h"

namespace kestrilon::app {

enum class KeyAction { Swap, FilterNow, PasteFiltered, Pause };

struct KeyRow {
  KeyAction action;
  std::string_view control;  // the THotKey, its INI key too
  std::string_view in_use;   // the label beside it
  framework::THotKeyValue default_key;
};

std::span<const KeyRow> GlobalKeyRows();
inline constexpr std::size_t kGlobalKeyCount = 4;

// Registers key on window under id, unless it would take a letter away from every program (no
// Ctrl, Alt or Win, and no function key): then nothing is held. Never throws.
void RegisterKey(framework::win::RegisteredHotKey& registration, HWND window, int id,
                 framework::THotKeyValue key);
// What the label beside a key's control says: "使用中" when another program holds it, "使えません"
// when it can't be had, "" when it is registered or there is none.
std::string_view KeyCaption(const framework::win::RegisteredHotKey& registration,
                            framework::THotKeyValue key);

// The rows' keys registered on one window, WM_HOTKEY's id being the row's index.
class GlobalKeys {
 public:
  // Registers each row's key as its control on form shows it now, letting go of the ones held
  // before, and tells beside each control whether another program holds it. Never throws for a
  // key in use: the program goes on without it.
  void Register(HWND window, framework::TComponent& form);
  // The action of a WM_HOTKEY id; false when the id is none of the rows'.
  static bool ActionOf(WPARAM id, KeyAction& action) noexcept;

 private:
  std::array<framework::win::RegisteredHotKey, kGlobalKeyCount> FKeys;
};

}  // namespace kestrilon::app
