#include "SettingLayout.h"

#include <map>

#include "Settings.h"
#include "StdControls.h"
#include "HotKey.h"

namespace kestrilon::app {
namespace {

using K = ControlKind;

// Radio groups and check boxes named after a filter setting take its caption and items from the
// filter's own table; the rest carry theirs here. Within each parent the rows are in creation
// order; the tab order differs where the dialog reads across its columns.
// clang-format off
constexpr ControlRow kLayout[] = {
    {K::PageControl, names::PageControl1, "", 0, 0, 400, 273, 0, ""},
    {K::TabSheet, "Basic", names::PageControl1, 0, 0, 0, 0, -1, "基本設定"},
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
    {K::TabSheet, "Extend", names::PageControl1, 0, 0, 0, 0, -1, "拡張設定"},
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
    {K::CheckBox, names::StartWithWindows, "Extend", 16, 216, 241, 17, 7, "Windowsの起動時に起動する", false},
    // Programs whose copies are left alone (kept as one key, ExcludePrograms) or filtered with a
    // preset of their own (kept with the presets).
    {K::TabSheet, "Exclude", names::PageControl1, 0, 0, 0, 0, -1, "プログラム別"},
    {K::Label, "ExcludeCaption", "Exclude", 8, 8, 377, 17, -1, "コピー元のプログラムごとの変換"},
    {K::ListBox, names::ExcludeList, "Exclude", 8, 28, 249, 150, 0, "", false},
    {K::Button, names::ExcludeRemove, "Exclude", 264, 28, 121, 22, 1, "削除(&D)"},
    {K::ComboBox, names::ProgramChoice, "Exclude", 264, 56, 121, 200, 2, "", false},
    {K::Edit, names::ExcludeName, "Exclude", 8, 186, 249, 21, 3, "", false},
    {K::Button, names::ExcludeAdd, "Exclude", 264, 185, 121, 22, 4, "追加(&A)"},
    {K::Label, "LastCopyCaption", "Exclude", 8, 216, 97, 17, -1, "最後のコピー元:"},
    {K::Label, names::LastCopyProgram, "Exclude", 104, 216, 153, 17, -1, ""},
    {K::Button, names::ExcludeLast, "Exclude", 264, 212, 121, 22, 5, "コピー元を追加(&L)"},
    // Named sets of every filter setting.
    {K::TabSheet, "Presets", names::PageControl1, 0, 0, 0, 0, -1, "プリセット"},
    {K::ListBox, names::PresetList, "Presets", 8, 8, 249, 170, 0, "", false},
    {K::Button, names::PresetUse, "Presets", 264, 8, 121, 22, 1, "選ぶ(&C)"},
    {K::Button, names::PresetRename, "Presets", 264, 36, 121, 22, 2, "名前を変更(&R)"},
    {K::Button, names::PresetDelete, "Presets", 264, 64, 121, 22, 3, "削除(&E)"},
    {K::Edit, names::PresetName, "Presets", 8, 186, 249, 21, 4, "", false},
    {K::Button, names::PresetSave, "Presets", 264, 185, 121, 22, 5, "今の設定を保存(&S)"},
    {K::Label, names::PresetActive, "Presets", 8, 216, 377, 17, -1, ""},
    // The settings as the dialog shows them, tried on a sample before they meet a copy.
    {K::TabSheet, names::Try, names::PageControl1, 0, 0, 0, 0, -1, "試す"},
    {K::Label, "TrySampleCaption", names::Try, 8, 8, 249, 17, -1, "見本"},
    {K::Button, names::TryFromClipboard, names::Try, 264, 4, 121, 22, 1, "クリップボードから"},
    {K::Memo, names::TrySample, names::Try, 8, 28, 377, 92, 0, "", false},
    {K::Label, "TryResultCaption", names::Try, 8, 126, 377, 17, -1, "結果（貼り付けたときのまま）"},
    {K::Memo, names::TryResult, names::Try, 8, 146, 377, 92, 2, "", false},
    // Keys that act from anywhere; beside each, a label that says when another program holds it.
    {K::TabSheet, "Keys", names::PageControl1, 0, 0, 0, 0, -1, "キー"},
    {K::Label, "KeysCaption", "Keys", 8, 8, 377, 17, -1, "どのプログラムからでも使えるキー（空欄：使わない）"},
    {K::Label, "SwapKeyCaption", "Keys", 8, 39, 161, 17, -1, "元に戻す／変換し直す"},
    {K::HotKey, names::SwapKey, "Keys", 168, 36, 145, 21, 0, ""},
    {K::Label, names::SwapKeyInUse, "Keys", 320, 39, 65, 17, -1, "", false},
    {K::Label, "FilterNowKeyCaption", "Keys", 8, 69, 161, 17, -1, "今すぐ変換する"},
    {K::HotKey, names::FilterNowKey, "Keys", 168, 66, 145, 21, 1, ""},
    {K::Label, names::FilterNowKeyInUse, "Keys", 320, 69, 65, 17, -1, "", false},
    {K::Label, "PasteFilteredKeyCaption", "Keys", 8, 99, 161, 17, -1, "変換して貼り付ける"},
    {K::HotKey, names::PasteFilteredKey, "Keys", 168, 96, 145, 21, 2, ""},
    {K::Label, names::PasteFilteredKeyInUse, "Keys", 320, 99, 65, 17, -1, "", false},
    {K::Label, "PauseKeyCaption", "Keys", 8, 129, 161, 17, -1, "一時停止／再開"},
    {K::HotKey, names::PauseKey, "Keys", 168, 126, 145, 21, 3, ""},
    {K::Label, names::PauseKeyInUse, "Keys", 320, 129, 65, 17, -1, "", false},
    {K::ComboBox, names::PresetKeyChoice, "Keys", 8, 156, 153, 200, 4, "", false},
    {K::HotKey, names::PresetKey, "Keys", 168, 156, 145, 21, 5, "", false},
    {K::Label, names::PresetKeyInUse, "Keys", 320, 159, 65, 17, -1, "", false},
    {K::Button, names::OkButton, "", 240, 280, 75, 22, 1, "OK"},
    {K::Button, names::CancelButton, "", 320, 280, 75, 22, 2, "キャンセル"},
    {K::CheckBox, names::ShowForm, "", 8, 284, 209, 17, 3, "起動時にこの画面を表示する"},
};
// clang-format on

}  // namespace

std::span<const ControlRow> DialogLayout() { return kLayout; }

settings::TAutoIni& MakeDialog(framework::TForm& form) {
  using namespace framework;
  form.SetName("Form1");
  form.SetClientWidth(kClientWidth);
  form.SetClientHeight(kClientHeight);
  std::map<std::string_view, TWinControl*> parents{{"", &form}};
  TPageControl* pages = nullptr;
  for (const ControlRow& row : kLayout) {
    const filter::SettingInfo* setting = filter::FindSetting(row.name);
    const std::string_view caption =
        row.caption.empty() && setting ? setting->caption : row.caption;
    TControl* control = nullptr;
    switch (row.kind) {
      case ControlKind::PageControl: control = pages = new TPageControl(&form); break;
      case ControlKind::TabSheet: {
        auto* page = new TTabSheet(&form);
        page->SetName(row.name);
        page->SetCaption(caption);
        page->SetPageControl(dynamic_cast<TPageControl*>(parents.at(row.parent)));
        parents[row.name] = page;
        continue;
      }
      case ControlKind::RadioGroup: {
        auto* group = new TRadioGroup(&form);
        for (std::string_view item : setting->items) group->Items().Add(std::string(item));
        group->SetItemIndex(0);
        control = group;
        break;
      }
      case ControlKind::GroupBox: control = new TGroupBox(&form); break;
      case ControlKind::CheckBox: control = new TCheckBox(&form); break;
      case ControlKind::Button: control = new TButton(&form); break;
      case ControlKind::ListBox: control = new TListBox(&form); break;
      case ControlKind::ComboBox: control = new TComboBox(&form); break;
      case ControlKind::Edit: control = new TEdit(&form); break;
      case ControlKind::Memo: control = new TMemo(&form); break;
      case ControlKind::Label: control = new TLabel(&form); break;
      case ControlKind::HotKey: control = new THotKey(&form); break;
    }
    control->SetName(row.name);
    control->SetCaption(caption);
    control->SetBounds(row.left, row.top, row.width, row.height);
    control->SetParent(parents.at(row.parent));
    // Not for the INI file: the INI component takes only the controls tagged 0.
    if (!row.saved) control->SetTag(1);
    if (auto* container = dynamic_cast<TWinControl*>(control)) parents[row.name] = container;
  }
  for (const ControlRow& row : kLayout)  // once all siblings exist
    if (row.tab_order >= 0)
      dynamic_cast<TWinControl*>(form.FindComponent(row.name))->SetTabOrder(row.tab_order);
  pages->SetActivePageIndex(0);

  auto* ini = new settings::TAutoIni(&form);
  ini->SetName("AutoSave");
  ini->SetCheckWinState(true);
  ini->SetCheckWinSize(false);
  ini->SetCheckTag(true);  // EnableTag 0: every option, not the page's scratch controls
  return *ini;
}

}  // namespace kestrilon::app
