// The options dialog as a table: every control, its parent, position and caption, in the order
// the controls are created (which is the order the INI file lists them in) with their tab order.
#pragma once

#include <span>
#include <string_view>

namespace kestrilon::app {

enum class ControlKind {
  PageControl,
  TabSheet,
  RadioGroup,
  GroupBox,
  CheckBox,
  Button,
  ListBox,
  ComboBox,
  Edit,
  Memo,
  Label,
  HotKey
};

struct ControlRow {
  ControlKind kind;
  std::string_view name;
  std::string_view parent;  // empty: the form
  int left, top, width, height;
  int tab_order;             // among the siblings; -1 for the pages
  std::string_view caption;  // empty: the filter setting's own caption (or, for a label, set later)
  bool saved = true;         // kept in the INI file under its name
};

// Form1: "Kestrilon", a dialog of 400 × 309 client pixels at 96 pixels per inch.
inline constexpr int kClientWidth = 400;
inline constexpr int kClientHeight = 309;

std::span<const ControlRow> DialogLayout();

}  // namespace kestrilon::app
