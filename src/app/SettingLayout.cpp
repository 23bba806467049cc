#include "SettingLayout.h"

namespace kestrilon::app {
namespace {

using K = ControlKind;

// Radio groups and check boxes named after a filter setting take its caption and items from the
// filter's own table; the rest carry theirs here. Within each parent the rows are in creation
// order; the tab order differs where the dialog reads across its columns.
constexpr ControlRow kLayout[] = {
    {K::PageControl, "PageControl1", "", 0, 0, 400, 273, 0, ""},
    {K::TabSheet, "Basic", "PageControl1", 0, 0, 0, 0, -1, "基本設定"},
    {K::RadioGroup, "NumberMode", "Basic", 8, 8, 89, 73, 0, ""},
    {K::RadioGroup, "AlphabetMode", "Basic", 8, 88, 89, 73, 1, ""},
    {K::RadioGroup, "SignMode", "Basic", 8, 168, 89, 73, 2, ""},
    {K::RadioGroup, "SpaceMode", "Basic", 104, 8, 89, 73, 3, ""},
    {K::RadioGroup, "KanaMode1", "Basic", 200, 8, 89, 73, 4, ""},
    {K::RadioGroup, "KanaMode2", "Basic", 200, 88, 89, 93, 6, ""},
    {K::RadioGroup, "ReturnMode", "Basic", 200, 188, 89, 53, 7, ""},
    {K::RadioGroup, "PunctuationMode", "Basic", 104, 88, 89, 73, 5, ""},
    {K::RadioGroup, "PeriodMode", "Basic", 104, 168, 89, 73, 8, ""},
    {K::RadioGroup, "ParenthesisMode", "Basic", 296, 8, 89, 73, 9, ""},
    {K::TabSheet, "Extend", "PageControl1", 0, 0, 0, 0, -1, "拡張設定"},
    {K::RadioGroup, "EnterDeleteMode", "Extend", 200, 8, 89, 53, 4, ""},
    {K::CheckBox, "DelDmySpc", "Extend", 16, 120, 185, 17, 1, ""},
    {K::CheckBox, "DelConma", "Extend", 16, 136, 185, 17, 2, ""},
    {K::CheckBox, "KeepLastLineBreak", "Extend", 16, 152, 185, 17, 3, ""},
    {K::GroupBox, "HTMLGroup", "Extend", 8, 8, 185, 105, 0, "HTML関連"},
    {K::CheckBox, "RepAmp", "HTMLGroup", 8, 48, 168, 17, 0, ""},
    {K::CheckBox, "RepLG", "HTMLGroup", 8, 64, 168, 17, 1, ""},
    {K::CheckBox, "RepQuot", "HTMLGroup", 8, 80, 168, 17, 2, ""},
    {K::CheckBox, "AddLI", "HTMLGroup", 8, 32, 168, 17, 3, ""},
    {K::CheckBox, "TagDelete", "HTMLGroup", 8, 16, 168, 17, 4, ""},
    {K::RadioGroup, "UpDownCase", "Extend", 296, 8, 89, 73, 5, ""},
    {K::RadioGroup, "Space2Tab", "Extend", 200, 88, 185, 89, 6, ""},
    // The shortcut in the Startup folder is this setting, not the INI file.
    {K::CheckBox, "StartWithWindows", "Extend", 16, 216, 241, 17, 7, "Windowsの起動時に起動する", false},
    // Programs whose copies are left alone; the list itself is kept as one key, ExcludePrograms.
    {K::TabSheet, "Exclude", "PageControl1", 0, 0, 0, 0, -1, "除外"},
    {K::Label, "ExcludeCaption", "Exclude", 8, 8, 377, 17, -1, "コピーしても書き換えないプログラム"},
    {K::ListBox, "ExcludeList", "Exclude", 8, 28, 249, 150, 0, "", false},
    {K::Button, "ExcludeRemove", "Exclude", 264, 28, 121, 22, 1, "削除(&D)"},
    {K::Edit, "ExcludeName", "Exclude", 8, 186, 249, 21, 2, "", false},
    {K::Button, "ExcludeAdd", "Exclude", 264, 185, 121, 22, 3, "追加(&A)"},
    {K::Label, "LastCopyCaption", "Exclude", 8, 216, 97, 17, -1, "最後のコピー元:"},
    {K::Label, "LastCopyProgram", "Exclude", 104, 216, 153, 17, -1, ""},
    {K::Button, "ExcludeLast", "Exclude", 264, 212, 121, 22, 4, "コピー元を追加(&L)"},
    {K::Button, "OkButton", "", 240, 280, 75, 22, 1, "OK"},
    {K::Button, "CancelButton", "", 320, 280, 75, 22, 2, "キャンセル"},
    {K::CheckBox, "ShowForm", "", 8, 284, 209, 17, 3, "起動時にこの画面を表示する"},
};

}  // namespace

std::span<const ControlRow> DialogLayout() { return kLayout; }

}  // namespace kestrilon::app
