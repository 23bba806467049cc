// The options dialog as a table: every control, its parent, position and caption, in the order
// the controls are created (which is the order the INI file lists them in) with their tab order;
// and the dialog made from it, over the framework's value model (portable).
#pragma once

#include <span>
#include <string_view>

#include "AutoIni.h"
#include "Forms.h"

namespace kestrilon::app {

// The controls the program reaches by name. The table's rows and every lookup use these, so that
// a control renamed in one place can't leave a lookup behind.
namespace names {
inline constexpr std::string_view PageControl1 = "PageControl1";
inline constexpr std::string_view Try = "Try";
inline constexpr std::string_view TrySample = "TrySample";
inline constexpr std::string_view TryResult = "TryResult";
inline constexpr std::string_view TryFromClipboard = "TryFromClipboard";
inline constexpr std::string_view OkButton = "OkButton";
inline constexpr std::string_view CancelButton = "CancelButton";
inline constexpr std::string_view ShowForm = "ShowForm";
inline constexpr std::string_view StartWithWindows = "StartWithWindows";
inline constexpr std::string_view ExcludeList = "ExcludeList";
inline constexpr std::string_view ExcludeName = "ExcludeName";
inline constexpr std::string_view ExcludeAdd = "ExcludeAdd";
inline constexpr std::string_view ExcludeLast = "ExcludeLast";
inline constexpr std::string_view ExcludeRemove = "ExcludeRemove";
inline constexpr std::string_view LastCopyProgram = "LastCopyProgram";
inline constexpr std::string_view ProgramChoice = "ProgramChoice";
inline constexpr std::string_view PresetList = "PresetList";
inline constexpr std::string_view PresetUse = "PresetUse";
inline constexpr std::string_view PresetSave = "PresetSave";
inline constexpr std::string_view PresetRename = "PresetRename";
inline constexpr std::string_view PresetDelete = "PresetDelete";
inline constexpr std::string_view PresetName = "PresetName";
inline constexpr std::string_view PresetActive = "PresetActive";
inline constexpr std::string_view PresetKeyChoice = "PresetKeyChoice";
inline constexpr std::string_view PresetKey = "PresetKey";
inline constexpr std::string_view PresetKeyInUse = "PresetKeyInUse";
inline constexpr std::string_view SwapKey = "SwapKey";
inline constexpr std::string_view SwapKeyInUse = "SwapKeyInUse";
inline constexpr std::string_view FilterNowKey = "FilterNowKey";
inline constexpr std::string_view FilterNowKeyInUse = "FilterNowKeyInUse";
inline constexpr std::string_view PasteFilteredKey = "PasteFilteredKey";
inline constexpr std::string_view PasteFilteredKeyInUse = "PasteFilteredKeyInUse";
inline constexpr std::string_view PauseKey = "PauseKey";
inline constexpr std::string_view PauseKeyInUse = "PauseKeyInUse";
}  // namespace names

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

// Makes the dialog on form: its name and client size; every control of the table with its
// caption (a filter setting's own where the row has none) and items, place, parent and tab order,
// the first page shown; and the INI component that keeps the dialog's position and its saved
// controls (the others are tagged 1 and left out).
settings::TAutoIni& MakeDialog(framework::TForm& form);

}  // namespace kestrilon::app
