// TForm1's presets and programs: named sets of every filter setting, chosen on their page, from
// the tray menu or by a key of their own; and for each program that copies, no filtering or a
// preset of its own.
#include <string>
#include <utility>

#include "Setting.h"
#include "SettingLayout.h"
#include "WinWindow.h"

namespace kestrilon::app {

using namespace framework;

namespace {

constexpr char kNoFiltering[] = "変換しない";

// A listed program and a copying one, as Windows compares file names.
bool SameProgram(std::string_view listed, std::string_view program) {
  return SameProgramName(listed, program, SystemSameLetter);
}

TCustomListControl& List(const TForm1& form, std::string_view name) {
  return dynamic_cast<TCustomListControl&>(*form.FindComponent(name));
}

// The preset a list shows at index (after first_preset rows of its own), or "".
std::string PresetAt(const settings::PresetBook& book, int index, int first_preset) {
  const int i = index - first_preset;
  return i >= 0 && i < static_cast<int>(book.Presets().size())
             ? book.Presets()[static_cast<std::size_t>(i)].name
             : std::string();
}

// A row of the program page's list: the programs left alone first, then those given a preset.
struct ProgramRow {
  std::string name;    // "" for no row
  std::string preset;  // "" for a program left alone
};

ProgramRow ProgramRowAt(const ProgramList& excluded, const settings::PresetBook& book, int index) {
  const auto left_alone = static_cast<int>(excluded.Names().size());
  if (index < 0) return {};
  if (index < left_alone) return {excluded.Names()[static_cast<std::size_t>(index)], {}};
  const auto i = static_cast<std::size_t>(index - left_alone);
  if (i >= book.Programs().size()) return {};
  return {book.Programs()[i].program, book.Programs()[i].preset};
}

}  // namespace

std::optional<filter::FilterSettings> TForm1::SettingsFor(const std::string& program,
                                                          bool forced) const {
  if (!program.empty()) {
    if (const settings::Preset* preset = FPresets.PresetForProgram(program, SameProgram))
      return preset->settings;
    if (!forced && FExcluded.Contains(program)) return std::nullopt;
  }
  return CurrentSettings();
}

void TForm1::SetExcludedPrograms(ProgramList list) {
  // Matched as Windows matches file names, whatever comparison the list came with.
  FExcluded = ProgramList(SystemSameLetter);
  for (const std::string& name : list.Names()) FExcluded.Add(name);
  ShowPrograms();
}

void TForm1::SetPresets(settings::PresetBook book) {
  FPresets = std::move(book);
  PresetsChanged();
}

void TForm1::ShowPrograms() {
  TStringList rows;
  for (const std::string& name : FExcluded.Names()) rows.Add(name + " : " + kNoFiltering);
  for (const settings::ProgramPreset& choice : FPresets.Programs())
    rows.Add(choice.program + " : " + choice.preset);
  ExcludeList->Items().Assign(rows);
  ExcludeList->SetItemIndex(-1);
}

void TForm1::PresetsChanged() {
  TStringList names, choices, keyed;
  choices.Add(kNoFiltering);
  for (const settings::Preset& preset : FPresets.Presets()) {
    names.Add(preset.name);
    choices.Add(preset.name);
  }
  auto& list = List(*this, names::PresetList);
  const int selected = list.ItemIndex();
  list.Items().Assign(names);
  list.SetItemIndex(selected);
  auto& program_choice = List(*this, names::ProgramChoice);
  program_choice.Items().Assign(choices);
  program_choice.SetItemIndex(0);
  auto& key_choice = List(*this, names::PresetKeyChoice);
  const int key_selected = key_choice.ItemIndex();
  key_choice.Items().Assign(names);
  key_choice.SetItemIndex(key_selected >= 0 ? key_selected : names.Count() > 0 ? 0 : -1);
  ShowPrograms();

  const std::string& active = FPresets.Active();
  dynamic_cast<TLabel&>(*FindComponent(names::PresetActive))
      .SetCaption(active.empty() ? "使用中のプリセット：なし" : "使用中のプリセット：" + active);
  TrayIcon->SetTipHelp(active.empty() ? "Kestrilon" : "Kestrilon - " + active);

  // The tray menu's presets, as radio items; none to choose: one greyed line says so.
  for (TMenuItem* item : FPresetItems) delete item;
  FPresetItems.clear();
  for (const settings::Preset& preset : FPresets.Presets()) {
    auto* item = new TMenuItem(this);
    std::string caption;  // an "&" of the name is shown, not taken for an accelerator
    for (const char c : preset.name) caption += c == '&' ? std::string("&&") : std::string(1, c);
    item->SetCaption(caption);
    item->SetRadioItem(true);
    item->SetChecked(settings::SamePresetName(preset.name, active));
    item->SetOnClick([this, name = preset.name](TObject&) { ChoosePreset(name); });
    Presets1->Add(*item);
    FPresetItems.push_back(item);
  }
  if (FPresetItems.empty()) {
    auto* none = new TMenuItem(this);
    none->SetCaption("（なし）");
    none->SetEnabled(false);
    Presets1->Add(*none);
    FPresetItems.push_back(none);
  }

  // Each preset's own key, WM_HOTKEY's id following its place.
  FPresetKeys.clear();
  const HWND window = win::WindowOf(*this);
  for (std::size_t i = 0; i < FPresets.Presets().size(); ++i)
    RegisterKey(FPresetKeys.emplace_back(), window, static_cast<int>(kPresetKeyBase + i),
                HotKeyFromText(FPresets.Presets()[i].hot_key));
  PresetKeyChoiceClick(*this);
}

void TForm1::ChoosePreset(const std::string& name, bool save) {
  const settings::Preset* preset = FPresets.Find(name);
  if (!preset) return;
  SetSettings(preset->settings);
  FPresets.SetActive(preset->name);
  PresetsChanged();
  if (!save) return;
  AutoSave->SaveIni();
  KeepConfirmed();
}

void TForm1::PresetUseClick(TObject&) {
  const std::string name = PresetAt(FPresets, List(*this, names::PresetList).ItemIndex(), 0);
  if (!name.empty()) ChoosePreset(name, false);  // OK keeps it, Cancel takes it back
}

void TForm1::PresetSaveClick(TObject&) {
  auto& edit = dynamic_cast<TEdit&>(*FindComponent(names::PresetName));
  const std::string name = edit.Text();
  settings::PresetBook book = FPresets;
  if (settings::Preset* existing = book.FindSettings(name)) {
    existing->settings = CurrentSettings();  // saved again under its name
  } else if (book.Add({name, CurrentSettings(), {}}) != settings::PresetResult::Ok) {
    return;  // an empty name, or one that can't be a name
  }
  book.SetActive(name);
  SetPresets(std::move(book));
  edit.SetText("");
}

void TForm1::PresetRenameClick(TObject&) {
  auto& edit = dynamic_cast<TEdit&>(*FindComponent(names::PresetName));
  const std::string from = PresetAt(FPresets, List(*this, names::PresetList).ItemIndex(), 0);
  settings::PresetBook book = FPresets;
  if (from.empty() || book.Rename(from, edit.Text()) != settings::PresetResult::Ok) return;
  SetPresets(std::move(book));
  edit.SetText("");
}

void TForm1::PresetDeleteClick(TObject&) {
  const std::string name = PresetAt(FPresets, List(*this, names::PresetList).ItemIndex(), 0);
  settings::PresetBook book = FPresets;
  if (name.empty() || book.Remove(name) != settings::PresetResult::Ok) return;
  SetPresets(std::move(book));
}

void TForm1::PresetKeyChoiceClick(TObject&) {
  auto& key = dynamic_cast<THotKey&>(*FindComponent(names::PresetKey));
  auto& in_use = dynamic_cast<TLabel&>(*FindComponent(names::PresetKeyInUse));
  const int index = List(*this, names::PresetKeyChoice).ItemIndex();
  key.SetOnChange(nullptr);  // showing a key is no change of it
  if (index < 0 || index >= static_cast<int>(FPresets.Presets().size())) {
    key.SetHotKey({});
    key.SetEnabled(false);
    in_use.SetCaption("");
  } else {
    key.SetEnabled(true);
    key.SetHotKey(HotKeyFromText(FPresets.Presets()[static_cast<std::size_t>(index)].hot_key));
    in_use.SetCaption(KeyCaption(FPresetKeys[static_cast<std::size_t>(index)], key.HotKey()));
  }
  key.SetOnChange([this](TObject&) {
    const int chosen = List(*this, names::PresetKeyChoice).ItemIndex();
    if (chosen < 0 || chosen >= static_cast<int>(FPresets.Presets().size())) return;
    settings::PresetBook book = FPresets;
    book.FindSettings(FPresets.Presets()[static_cast<std::size_t>(chosen)].name)->hot_key =
        HotKeyToText(dynamic_cast<const THotKey&>(*FindComponent(names::PresetKey)).HotKey());
    SetPresets(std::move(book));  // registered at once, as the other keys are
  });
}

// The program page.

void TForm1::ExcludeAddClick(TObject&) {
  ProgramList list = FExcluded;
  const std::string name = ProgramFileName(ExcludeName->Text());
  const std::string preset = PresetAt(FPresets, List(*this, names::ProgramChoice).ItemIndex(), 1);
  if (!preset.empty() && !FExcluded.Contains(name)) {
    settings::PresetBook book = FPresets;
    if (book.SetProgramPreset(name, preset) == settings::PresetResult::Ok)
      SetPresets(std::move(book));
  } else if (FPresets.PresetForProgram(name, SameProgram) == nullptr && list.Add(name)) {
    SetExcludedPrograms(std::move(list));
  }
  ExcludeName->SetText("");
}

void TForm1::ExcludeLastClick(TObject&) {
  ExcludeName->SetText(FLastCopyProgram);
  ExcludeAddClick(*this);
}

void TForm1::ExcludeRemoveClick(TObject&) {
  const ProgramRow row = ProgramRowAt(FExcluded, FPresets, ExcludeList->ItemIndex());
  if (row.name.empty()) return;
  if (row.preset.empty()) {
    ProgramList list = FExcluded;
    list.Remove(static_cast<std::size_t>(ExcludeList->ItemIndex()));
    SetExcludedPrograms(std::move(list));
  } else {
    settings::PresetBook book = FPresets;
    book.SetProgramPreset(row.name, "");
    SetPresets(std::move(book));
  }
}

void TForm1::ExcludeListClick(TObject&) {
  // The choice box shows the selected program's choice.
  const ProgramRow row = ProgramRowAt(FExcluded, FPresets, ExcludeList->ItemIndex());
  int choice = 0;
  for (std::size_t i = 0; i < FPresets.Presets().size() && !row.preset.empty(); ++i)
    if (settings::SamePresetName(FPresets.Presets()[i].name, row.preset))
      choice = static_cast<int>(i) + 1;
  List(*this, names::ProgramChoice).SetItemIndex(choice);
}

void TForm1::ProgramChoiceClick(TObject&) {
  // A program selected in the list takes the choice at once: removed, and added with it.
  const ProgramRow row = ProgramRowAt(FExcluded, FPresets, ExcludeList->ItemIndex());
  if (row.name.empty()) return;
  const int choice = List(*this, names::ProgramChoice).ItemIndex();
  ExcludeRemoveClick(*this);
  List(*this, names::ProgramChoice).SetItemIndex(choice);
  ExcludeName->SetText(row.name);
  ExcludeAddClick(*this);
}

}  // namespace kestrilon::app
