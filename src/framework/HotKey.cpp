#include "HotKey.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <optional>

namespace kestrilon::framework {

namespace {

struct KeyName {
  std::uint8_t Key;
  const char* Name;
};

// The named keys that are not a run of letters, digits or numbered keys.
// clang-format off
constexpr KeyName kKeyNames[] = {
    {0x08, "Backspace"},   {0x09, "Tab"},       {0x0D, "Enter"},       {0x13, "Pause"},
    {0x1B, "Esc"},         {0x1C, "Convert"},   {0x1D, "NonConvert"},  {0x20, "Space"},
    {0x21, "PageUp"},      {0x22, "PageDown"},  {0x23, "End"},         {0x24, "Home"},
    {0x25, "Left"},        {0x26, "Up"},        {0x27, "Right"},       {0x28, "Down"},
    {0x2C, "PrintScreen"}, {0x2D, "Insert"},    {0x2E, "Delete"},      {0x6A, "NumMultiply"},
    {0x6B, "NumAdd"},      {0x6D, "NumSubtract"}, {0x6E, "NumDecimal"}, {0x6F, "NumDivide"},
    {0x90, "NumLock"},     {0x91, "ScrollLock"}, {0xBA, "Oem1"},       {0xBB, "OemPlus"},
    {0xBC, "OemComma"},    {0xBD, "OemMinus"},  {0xBE, "OemPeriod"},   {0xBF, "Oem2"},
    {0xC0, "Oem3"},        {0xDB, "Oem4"},      {0xDC, "Oem5"},        {0xDD, "Oem6"},
    {0xDE, "Oem7"},        {0xE2, "Oem102"},
};
// clang-format on

// Keys sent with the keyboard's extended prefix: the hot-key control names them by HOTKEYF_EXT.
constexpr std::uint8_t kExtendedKeys[] = {0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27,
                                          0x28, 0x2C, 0x2D, 0x2E, 0x5D, 0x6F, 0x90};

// Mouse buttons and the modifier keys themselves: no key of a hot key (nor is 0).
bool CannotBeTheKey(unsigned key) noexcept {
  return key == 0 || key == 0xFF || (key >= 0x01 && key <= 0x06 && key != 0x03) ||
         (key >= 0x10 && key <= 0x12) || key == 0x5B || key == 0x5C || (key >= 0xA0 && key <= 0xA5);
}

struct ModifierName {
  THotKeyModifiers Modifier;
  const char* Name;
};

// In the order the text form writes them; "Control" is read, not written.
constexpr ModifierName kModifierNames[] = {
    {hkCtrl, "Ctrl"}, {hkAlt, "Alt"}, {hkShift, "Shift"}, {hkWin, "Win"}, {hkCtrl, "Control"},
};

// The key's name, or its code in hexadecimal.
std::string KeyToText(std::uint8_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
    return std::string(1, static_cast<char>(key));
  if (key >= 0x60 && key <= 0x69) return "Num" + std::to_string(key - 0x60);
  if (key >= 0x70 && key <= 0x87) return "F" + std::to_string(key - 0x70 + 1);
  for (const KeyName& k : kKeyNames)
    if (k.Key == key) return k.Name;
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", key);
  return hex;
}

// An ASCII name compared without regard to case. The text holds ASCII only (checked first), so
// the comparison byte by byte is safe.
bool SameName(std::string_view token, std::string_view name) noexcept {
  return token.size() == name.size() &&
         std::equal(token.begin(), token.end(), name.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

// A number after a prefix ("F12", "Num3", "0xF3"), within first to last; base 10 or 16.
std::optional<unsigned> NumberAfter(std::string_view token, std::string_view prefix, int base,
                                    unsigned first, unsigned last) {
  if (token.size() <= prefix.size() || token.size() > prefix.size() + 2 ||
      !SameName(token.substr(0, prefix.size()), prefix))
    return std::nullopt;
  unsigned n = 0;
  for (char c : token.substr(prefix.size())) {
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : base == 16 && std::isxdigit(static_cast<unsigned char>(c))
                          ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                          : -1;
    if (digit < 0) return std::nullopt;
    n = n * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
  }
  if (n < first || n > last) return std::nullopt;
  return n;
}

std::optional<std::uint8_t> KeyFromText(std::string_view token) {
  if (token.size() == 1) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(token[0])));
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return static_cast<std::uint8_t>(c);
    return std::nullopt;
  }
  for (const KeyName& k : kKeyNames)
    if (SameName(token, k.Name)) return k.Key;
  std::optional<unsigned> key;
  if (auto n = NumberAfter(token, "Num", 10, 0, 9)) key = 0x60 + *n;
  else if (auto f = NumberAfter(token, "F", 10, 1, 24)) key = 0x70 + *f - 1;
  else if (auto x = NumberAfter(token, "0x", 16, 1, 0xFF)) key = *x;
  if (!key) return std::nullopt;
  return static_cast<std::uint8_t>(*key);
}

std::string_view Trim(std::string_view s) noexcept {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

THotKeyValue Normalized(THotKeyValue value) noexcept {
  if (CannotBeTheKey(value.Key)) return {};
  value.Modifiers &= hkAllModifiers;
  return value;
}

// The hot-key control's modifier flags and RegisterHotKey's, each against ours.
struct ModifierFlags {
  THotKeyModifiers Modifier;
  std::uint8_t ControlFlag;    // HOTKEYF_*
  std::uint32_t RegisterFlag;  // MOD_*
};
constexpr ModifierFlags kModifierFlags[] = {
    {hkShift, 0x01, 0x0004},
    {hkCtrl, 0x02, 0x0002},
    {hkAlt, 0x04, 0x0001},
    {hkWin, 0x00, 0x0008},  // the control has none
};
constexpr std::uint8_t kControlExtended = 0x08;      // HOTKEYF_EXT
constexpr std::uint32_t kRegisterNoRepeat = 0x4000;  // MOD_NOREPEAT

}  // namespace

std::string HotKeyToText(THotKeyValue value) {
  value = Normalized(value);
  if (value.Empty()) return {};
  std::string text;
  for (std::size_t i = 0; i < 4; ++i) {  // the four written names
    if (value.Modifiers & kModifierNames[i].Modifier)
      text.append(kModifierNames[i].Name).append("+");
  }
  return text + KeyToText(value.Key);
}

THotKeyValue HotKeyFromText(std::string_view text) {
  if (std::any_of(text.begin(), text.end(),
                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    return {};
  THotKeyValue value;
  while (!Trim(text).empty()) {
    const std::size_t plus = text.find('+');
    const std::string_view token = Trim(text.substr(0, plus));
    text = plus == std::string_view::npos ? std::string_view() : text.substr(plus + 1);
    if (plus != std::string_view::npos && Trim(text).empty())
      return {};  // "Ctrl+": no key after the "+"
    const auto modifier =
        std::find_if(std::begin(kModifierNames), std::end(kModifierNames),
                     [&](const ModifierName& m) { return SameName(token, m.Name); });
    if (modifier != std::end(kModifierNames)) {
      value.Modifiers |= modifier->Modifier;
      continue;
    }
    const std::optional<std::uint8_t> key = KeyFromText(token);
    if (!key || !value.Empty()) return {};
    value.Key = *key;
  }
  return Normalized(value);
}

std::uint16_t HotKeyControlWord(THotKeyValue value) noexcept {
  value = Normalized(value);
  std::uint8_t flags = 0;
  for (const ModifierFlags& m : kModifierFlags)
    if (value.Modifiers & m.Modifier) flags |= m.ControlFlag;
  if (std::find(std::begin(kExtendedKeys), std::end(kExtendedKeys), value.Key) !=
      std::end(kExtendedKeys))
    flags |= kControlExtended;
  return static_cast<std::uint16_t>(value.Key | (flags << 8));
}

THotKeyValue HotKeyFromControlWord(std::uint16_t word) noexcept {
  THotKeyValue value{static_cast<std::uint8_t>(word & 0xFF), 0};
  const auto flags = static_cast<std::uint8_t>(word >> 8);
  for (const ModifierFlags& m : kModifierFlags)
    if (m.ControlFlag & flags) value.Modifiers |= m.Modifier;
  return Normalized(value);
}

std::uint32_t HotKeyRegisterModifiers(THotKeyValue value) noexcept {
  std::uint32_t flags = kRegisterNoRepeat;
  for (const ModifierFlags& m : kModifierFlags)
    if (value.Modifiers & m.Modifier) flags |= m.RegisterFlag;
  return flags;
}

THotKey::THotKey(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetColor(clWindow);
}

void THotKey::SetHotKey(THotKeyValue value) {
  value = Normalized(value);
  if (value == FHotKey) return;
  FHotKey = value;
  Changed(ControlChange::Value);
  if (FOnChange) FOnChange(*this);
}

}  // namespace kestrilon::framework
