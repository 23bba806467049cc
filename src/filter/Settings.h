// The filter settings (the twenty steps, and how the text ends), named after the option dialog's
// controls. The names are also the INI keys and the names kestrilon-filter takes on its command
// line, so they never change.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace kestrilon::filter {

// The items of each kind of radio group, as the group's item index: the enumerators are in the
// order of the items in the settings table (Settings.cpp), which gives their captions. A value
// outside the enumerators (-1 for "nothing selected" included) leaves the text alone.
enum class Width { Keep, ToHalf, ToFull };               // 数字 英字 記号 空白 括弧
enum class Comma { Keep, ToIdeographic, ToFullWidth };   // 読点: to 、 or to ，
enum class Period { Keep, ToIdeographic, ToFullWidth };  // 句点: to 。 or to ．
enum class Hiragana { Keep, ToHalfWidthKatakana, ToKatakana };             // かな
enum class Katakana { Keep, ToHalfWidth, ToFullWidth, ToHiragana };        // カナ
enum class LineBreaks { Keep, ToCrLf };                                    // 改行
enum class SpaceRuns { Keep, HalfWidthToTab, FullWidthToTab, BothToTab };  // 連続スペース処理
enum class LetterCase { Keep, ToLower, ToUpper };                          // 英文処理
enum class Joining { Keep, JoinLines };                                    // 改行除去

struct FilterSettings {
  // Radio groups: the selected item.
  Width NumberMode = Width::Keep;
  Width AlphabetMode = Width::Keep;
  Width SignMode = Width::Keep;
  Width SpaceMode = Width::Keep;
  Comma PunctuationMode = Comma::Keep;
  Period PeriodMode = Period::Keep;
  Width ParenthesisMode = Width::Keep;
  Hiragana KanaMode1 = Hiragana::Keep;
  Katakana KanaMode2 = Katakana::Keep;
  LineBreaks ReturnMode = LineBreaks::Keep;
  SpaceRuns Space2Tab = SpaceRuns::Keep;
  LetterCase UpDownCase = LetterCase::Keep;
  Joining EnterDeleteMode = Joining::Keep;
  // Check boxes.
  bool TagDelete = false;
  bool RepAmp = false;
  bool RepLG = false;
  bool RepQuot = false;
  bool AddLI = false;
  bool DelDmySpc = false;
  bool DelConma = false;
  // Not a step: leaves out the line break the pipeline adds after the last line when the text
  // itself did not end in one (with joining on, there is none to leave out).
  bool KeepLastLineBreak = false;

  bool operator==(const FilterSettings&) const = default;
};

enum class SettingKind { RadioGroup, CheckBox };

// One row per setting: what the dialog shows and where the value lives. Captions are UTF-8.
struct SettingInfo {
  std::string_view name;
  SettingKind kind;
  std::string_view caption;                 // group caption or check-box caption
  std::span<const std::string_view> items;  // radio-group items by index; empty for check boxes
  // The value as the dialog and the INI file hold it: a radio group's item index, or a check
  // box's 0 or 1 (any other number checks it).
  int (*get)(const FilterSettings&) = nullptr;
  void (*set)(FilterSettings&, int) = nullptr;

  int Value(const FilterSettings& s) const { return get(s); }
  void SetValue(FilterSettings& s, int value) const { set(s, value); }
};

// Every setting, radio groups first, in the order the pipeline applies them within each kind.
std::span<const SettingInfo> AllSettings();

// The row for a setting's name (exact, case-sensitive), or nullptr.
const SettingInfo* FindSetting(std::string_view name);

// A radio group stores an index the way the dialog's control would take it: below -1 becomes -1
// (nothing selected), at or above the number of items becomes the last item.
int ClampItemIndex(const SettingInfo& info, long long index);

}  // namespace kestrilon::filter
