// The hot-key control: a key with its modifiers, chosen by the user for a global key. The value
// lives here, portable; on Windows the control's window is the system's hot-key control, which
// shows the value and reports the user's changes back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Controls.h"

namespace kestrilon::framework {

// The modifiers of a hot key, a set of these bits.
using THotKeyModifiers = std::uint8_t;
inline constexpr THotKeyModifiers hkShift = 1u << 0;
inline constexpr THotKeyModifiers hkCtrl = 1u << 1;
inline constexpr THotKeyModifiers hkAlt = 1u << 2;
inline constexpr THotKeyModifiers hkWin = 1u << 3;
inline constexpr THotKeyModifiers hkAllModifiers = hkShift | hkCtrl | hkAlt | hkWin;

// A virtual-key code (1 to 254) with modifiers; Key 0 is "no key", which has no modifiers.
struct THotKeyValue {
  std::uint8_t Key = 0;
  THotKeyModifiers Modifiers = 0;

  bool Empty() const noexcept { return Key == 0; }
  bool operator==(const THotKeyValue&) const = default;
};

// The text form, for the INI file and for people: the modifiers in the order Ctrl, Alt, Shift,
// Win, then the key, joined by "+": "Ctrl+Alt+V", "Shift+F12", "Ctrl+Num0", "Alt+Space". Keys are
// named A to Z, 0 to 9, F1 to F24, Num0 to Num9, NumMultiply, NumAdd, NumSubtract, NumDecimal,
// NumDivide, Backspace, Tab, Enter, Pause, Esc, Convert, NonConvert, Space, PageUp, PageDown, End,
// Home, Left, Up, Right, Down, PrintScreen, Insert, Delete, NumLock, ScrollLock, and the
// punctuation keys by their virtual-key names Oem1, OemPlus, OemComma, OemMinus, OemPeriod, Oem2,
// Oem3, Oem4, Oem5, Oem6, Oem7, Oem102 (their characters differ between keyboard layouts); any
// other key as its code in hexadecimal, "0xF3". "No key" is the empty text.
std::string HotKeyToText(THotKeyValue value);
// Reads the text form back: names in any case, blanks around them ignored, modifiers in any
// order ("Control" is Ctrl too). Empty or blank text is no key. Text that is not one key with
// modifiers (an unknown name, no key or two keys, a modifier key or mouse button as the key,
// any character outside ASCII) is no key too: a key the user did not mean is never registered.
THotKeyValue HotKeyFromText(std::string_view text);

// What the system's hot-key control holds: the key in the low byte, its modifier flags
// (HOTKEYF_SHIFT 1, HOTKEYF_CONTROL 2, HOTKEYF_ALT 4, HOTKEYF_EXT 8) in the high byte. HOTKEYF_EXT
// marks the keys that the keyboard sends as extended (arrows, Insert, Delete, Home, End, Page
// Up and Down, NumDivide, ...): the control names them by it ("Left", not "Num 4"). The control
// has no flag for Win: the word leaves it out.
std::uint16_t HotKeyControlWord(THotKeyValue value) noexcept;
// The control's word as a value (HOTKEYF_EXT dropped; a word without a key is no key).
THotKeyValue HotKeyFromControlWord(std::uint16_t word) noexcept;
// The modifiers as RegisterHotKey takes them (MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4, MOD_WIN 8),
// with MOD_NOREPEAT (0x4000): a key held down acts once.
std::uint32_t HotKeyRegisterModifiers(THotKeyValue value) noexcept;

class THotKey : public TWinControl {
 public:
  explicit THotKey(TComponent* owner);
  THotKeyValue HotKey() const noexcept { return FHotKey; }
  // Modifiers outside hkAllModifiers are dropped; a mouse button or a modifier key as the key
  // (VK_SHIFT, VK_LWIN, ...) is no key, and no key has no modifiers. Raises OnChange when the
  // value changes, whether the user or code changed it.
  void SetHotKey(THotKeyValue value);
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

 private:
  THotKeyValue FHotKey;
  TNotifyEvent FOnChange;
};

}  // namespace kestrilon::framework
