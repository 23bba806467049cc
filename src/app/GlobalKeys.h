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
