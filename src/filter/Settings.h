// The twenty filter settings, named after the option dialog's controls. The names are also the
// INI keys and the names kestrilon-filter takes on its command line, so they never change.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace kestrilon::filter {

struct FilterSettings {
  // Radio groups: the index of the selected item. Only the indices that carry a meaning act;
  // any other index (-1 for "nothing selected" included) leaves the text alone.
  int NumberMode = 0;
  int AlphabetMode = 0;
  int SignMode = 0;
  int SpaceMode = 0;
  int PunctuationMode = 0;
  int PeriodMode = 0;
  int ParenthesisMode = 0;
  int KanaMode1 = 0;
  int KanaMode2 = 0;
  int ReturnMode = 0;
  int Space2Tab = 0;
  int UpDownCase = 0;
  int EnterDeleteMode = 0;
  // Check boxes.
  bool TagDelete = false;
  bool RepAmp = false;
  bool RepLG = false;
  bool RepQuot = false;
  bool AddLI = false;
  bool DelDmySpc = false;
  bool DelConma = false;

  bool operator==(const FilterSettings&) const = default;
};

enum class SettingKind { RadioGroup, CheckBox };

// One row per setting: what the dialog shows and where the value lives. Captions are UTF-8.
struct SettingInfo {
  std::string_view name;
  SettingKind kind;
  std::string_view caption;                  // group caption or check-box caption
  std::span<const std::string_view> items;   // radio-group items by index; empty for check boxes
  int FilterSettings::*index = nullptr;      // radio groups
  bool FilterSettings::*checked = nullptr;   // check boxes
};

// Every setting, radio groups first, in the order the pipeline applies them within each kind.
std::span<const SettingInfo> AllSettings();

// The row for a setting's name (exact, case-sensitive), or nullptr.
const SettingInfo* FindSetting(std::string_view name);

// A radio group stores an index the way the dialog's control would take it: below -1 becomes -1
// (nothing selected), at or above the number of items becomes the last item.
int ClampItemIndex(const SettingInfo& info, long long index);

}  // namespace kestrilon::filter
