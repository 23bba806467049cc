// The hot-key control's value and its text form (the INI file's).
#include <gtest/gtest.h>

#include <string>

#include "HotKey.h"

namespace kestrilon::framework {
namespace {

std::string Show(THotKeyValue v) {
  return std::to_string(v.Key) + "/" + std::to_string(v.Modifiers);
}

TEST(HotKeyText, EveryValueIsWrittenAsItsTextAndReadBack) {
  const struct {
    THotKeyValue value;
    const char* text;
    // clang-format off
  } cases[] = {
      {{}, ""},
      {{'V', hkCtrl | hkAlt}, "Ctrl+Alt+V"},
      {{'Q', 0}, "Q"},
      {{'0', hkWin | hkShift | hkAlt | hkCtrl}, "Ctrl+Alt+Shift+Win+0"},
      {{0x70, hkShift}, "Shift+F1"},      {{0x87, hkCtrl}, "Ctrl+F24"},
      {{0x60, hkCtrl}, "Ctrl+Num0"},      {{0x69, hkCtrl}, "Ctrl+Num9"},
      {{0x6F, hkAlt}, "Alt+NumDivide"},   {{0x20, hkAlt}, "Alt+Space"},
      {{0x25, hkWin}, "Win+Left"},        {{0x1D, hkCtrl}, "Ctrl+NonConvert"},
      {{0xBA, hkCtrl}, "Ctrl+Oem1"},      {{0xBB, hkCtrl | hkShift}, "Ctrl+Shift+OemPlus"},
      {{0xF3, hkAlt}, "Alt+0xF3"},        // no name: its code
      {{0x03, hkCtrl}, "Ctrl+0x03"},      // VK_CANCEL is a key, not a mouse button
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(HotKeyToText(c.value), c.text);
    EXPECT_EQ(HotKeyFromText(c.text), c.value) << c.text;
  }
}

TEST(HotKeyText, ReadingToleratesCaseBlanksAndOrderAndAnythingElseIsNoKey) {
  const struct {
    const char* text;
    THotKeyValue value;
    // clang-format off
  } cases[] = {
      {"  ctrl + ALT +v ", {'V', hkCtrl | hkAlt}},   {"alt+\tctrl+V", {'V', hkCtrl | hkAlt}},
      {"Control+Shift+f12", {0x7B, hkCtrl | hkShift}}, {"win+PAGEdown", {0x22, hkWin}},
      {"ctrl+0xf3", {0xF3, hkCtrl}},                 {"Ctrl+Ctrl+V", {'V', hkCtrl}},
      {" \t ", {}},
      // Not one key with modifiers: no key.
      {"Ctrl+Alt", {}}, {"Ctrl+", {}}, {"V+", {}}, {"+V", {}}, {"Ctrl++V", {}}, {"A+B", {}},
      {"Ctrl-V", {}}, {"Ctrl+Foo", {}}, {"Ctrl+V;note", {}}, {"F0", {}}, {"F25", {}},
      {"Num10", {}}, {"0x", {}}, {"0x100", {}}, {"Ctrl+0xFF", {}}, {"0x00+V", {}},
      {"Ctrl+0x10", {}}, {"Ctrl+0xA3", {}}, {"Ctrl+0x5B", {}},  // Shift, right Ctrl, left Win
      {"Ctrl+0x01", {}},                                        // the left mouse button
      {"Ctrl+\xEF\xBC\xB6", {}},  // a full-width Ｖ
      {"Ctrl+\x83\x5C", {}},      // ソ in code page 932: its second byte is "\"
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(Show(HotKeyFromText(c.text)), Show(c.value)) << "\"" << c.text << "\"";
}

TEST(HotKeyControl, HoldsANormalizedValueAndRaisesOnChangeWhenItChanges) {
  THotKey hotKey(nullptr);
  int changes = 0;
  hotKey.SetOnChange([&](TObject&) { ++changes; });
  const struct {
    THotKeyValue set, held;
    int changes;  // in all, after this row
    // clang-format off
  } rows[] = {
      {{0, hkCtrl}, {}, 0},            // no key has no modifiers: nothing changed
      {{'V', hkCtrl | 0xF0}, {'V', hkCtrl}, 1},
      {{'V', hkCtrl}, {'V', hkCtrl}, 1},  // the same value again
      {{'V', hkCtrl | hkWin}, {'V', hkCtrl | hkWin}, 2},
      {{0x10, hkCtrl}, {}, 3},         // VK_SHIFT is no key
      {{0x7B, 0}, {0x7B, 0}, 4},
      {{}, {}, 5},
  };
  // clang-format on
  for (const auto& r : rows) {
    hotKey.SetHotKey(r.set);
    EXPECT_EQ(Show(hotKey.HotKey()), Show(r.held)) << Show(r.set);
    EXPECT_EQ(changes, r.changes) << Show(r.set);
  }
  EXPECT_TRUE(hotKey.TabStop());
}

}  // namespace
}  // namespace kestrilon::framework
