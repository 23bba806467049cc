#include "Setting.h"

#include <optional>
#include <utility>
#include <string>
#include <vector>

#include <shellapi.h>

#include "About.h"
#include "Application.h"
#include "DblChkNF.h"
#include "GlobalKeys.h"
#include "HomePage.h"
#include "IniFile.h"
#include "Presets.h"
#include "SettingLayout.h"
#include "Startup.h"
#include "WinGraphics.h"
#include "WinText.h"
#include "WinWindow.h"

namespace kestrilon::app {

using namespace framework;

namespace {

std::wstring WithExtension(std::wstring path, std::wstring_view extension) {
  const std::size_t slash = path.find_last_of(L"\\/");
  const std::size_t dot = path.find_last_of(L'.');
  if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) path.resize(dot);
  return path.append(extension);
}

// The tray menu, top to bottom; separators have neither bitmap nor handler.
struct MenuRow {
  TMenuItem* TForm1::*field;
  std::string_view name;
  std::string_view caption;
  std::string_view bitmap;  // a 16×16 bitmap resource
  void (TForm1::*click)(TObject&);
};

constexpr MenuRow kMenu[] = {
    {&TForm1::Undo1, "Undo1", kUndoCaption, "BMP_UNDO1", &TForm1::Undo1Click},
    {&TForm1::N3, "N3", "-", "", nullptr},
    {&TForm1::O1, "O1", "環境オプション(&O)", "BMP_O1", &TForm1::O1Click},
    {&TForm1::Presets1, "Presets1", "プリセット(&P)", "", nullptr},
    {&TForm1::N2, "N2", "-", "", nullptr},
    {&TForm1::Contents1, "Contents1", "目次(&C)", "BMP_CONTENTS1", &TForm1::Contents1Click},
    {&TForm1::WebSite, "WebSite", "Lumenveil(&W)", "BMP_WEBSITE", &TForm1::WebSiteClick},
    {&TForm1::About1, "About1", "バージョン情報(&A)", "BMP_ABOUT1", &TForm1::About1Click},
    {&TForm1::N1, "N1", "-", "", nullptr},
    {&TForm1::ExitProgram, "ExitProgram", "Kestrilon終了(&X)", "BMP_EXITPROGRAM",
     &TForm1::ExitProgramClick},
};

// The buttons of the exclusion page and the start-with-Windows box, by name.
struct ClickRow {
  std::string_view name;
  void (TForm1::*click)(TObject&);
};

constexpr ClickRow kClicks[] = {
    {names::ExcludeAdd, &TForm1::ExcludeAddClick},
    {names::ExcludeLast, &TForm1::ExcludeLastClick},
    {names::ExcludeRemove, &TForm1::ExcludeRemoveClick},
    {names::StartWithWindows, &TForm1::StartWithWindowsClick},
    {names::TryFromClipboard, &TForm1::TryFromClipboardClick},
    {names::ProgramChoice, &TForm1::ProgramChoiceClick},
    {names::ExcludeList, &TForm1::ExcludeListClick},
    {names::PresetUse, &TForm1::PresetUseClick},
    {names::PresetSave, &TForm1::PresetSaveClick},
    {names::PresetRename, &TForm1::PresetRenameClick},
    {names::PresetDelete, &TForm1::PresetDeleteClick},
    {names::PresetKeyChoice, &TForm1::PresetKeyChoiceClick},
};

constexpr char kExcludeKey[] = "ExcludePrograms";

// Asks the shell to open a document or an address. Whether it could is not looked at: the user
// sees the viewer or nothing, and the program goes on either way.
void OpenThroughShell(HWND owner, const std::wstring& target) {
  ShellExecuteW(owner, L"open", target.c_str(), L"", L"", SW_SHOW);
}

constexpr char kEndWithoutSaving[] = "設定を保存できませんでした。保存せずに終了しますか？";

// One code point as UTF-16: one unit, or a surrogate pair.
int ToUtf16(char32_t c, wchar_t (&out)[2]) {
  if (c < 0x10000) {
    out[0] = static_cast<wchar_t>(c);
    return 1;
  }
  c -= 0x10000;
  out[0] = static_cast<wchar_t>(0xD800 + (c >> 10));
  out[1] = static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
  return 2;
}

int AskInBox(std::string_view question) {
  return MessageBoxW(Application().Handle(), win::Widen(question).c_str(),
                     win::Widen(Application().Title()).c_str(), MB_YESNO | MB_ICONQUESTION);
}

// Text 12 pixels high at 96 pixels per inch.
constexpr int kFontHeight = -12;

// Every caption and item of the dialog with the room it has inside its control, with the layout
// as it stands (at the monitor's pixels per inch). The room follows how the controls draw: a
// check box or radio button glyph with its gap before the text, a group's frame around its
// caption.
struct CaptionRooms {
  std::vector<std::string_view> captions;
  std::vector<int> rooms;
};

CaptionRooms RoomsOf(const TForm1& form) {
  // Windows starts a check box's or radio button's text 16 pixels in at 96 per inch: the 13-pixel
  // box and its gap. (Wine's buttons start it a few pixels further in, by its own rule.)
  const int glyph = TForm1::kGlyphRoom * form.PixelsPerInch() / 96;
  const int frame = 16 * form.PixelsPerInch() / 96;
  CaptionRooms all;
  auto add = [&](std::string_view caption, int room) {
    all.captions.push_back(caption);
    all.rooms.push_back(room);
  };
  for (const ControlRow& row : DialogLayout()) {
    const auto* control = dynamic_cast<const TControl*>(form.FindComponent(row.name));
    if (!control) continue;
    switch (row.kind) {
      case ControlKind::CheckBox: add(control->Caption(), control->Width() - glyph); break;
      case ControlKind::RadioGroup: {
        const auto& group = dynamic_cast<const TCustomRadioGroup&>(*control);
        for (int i = 0; i < group.Items().Count(); ++i)
          add(group.Items()[i], control->Width() - frame - glyph);
        [[fallthrough]];
      }
      case ControlKind::GroupBox:
      case ControlKind::Button: add(control->Caption(), control->Width() - frame); break;
      case ControlKind::Label:
        // A label's own caption; one filled in later (a program's name) has none to fit.
        if (!row.caption.empty()) add(row.caption, control->Width());
        break;
      case ControlKind::PageControl:
      case ControlKind::TabSheet:
      case ControlKind::ListBox:
      case ControlKind::HotKey:
      case ControlKind::Edit:
      case ControlKind::Memo:
      case ControlKind::ComboBox: break;
    }
  }
  return all;
}

bool Fit(const TFont& font, const CaptionRooms& all) {
  const std::vector<int> widths = TextWidths(font, all.captions);
  for (std::size_t i = 0; i < widths.size(); ++i)
    if (widths[i] > all.rooms[i]) return false;
  return true;
}

}  // namespace

bool SystemSameLetter(char32_t a, char32_t b) {
  wchar_t x[2], y[2];
  const int nx = ToUtf16(a, x), ny = ToUtf16(b, y);
  // Windows' own rule for file names: case ignored in every script, nothing else folded.
  return CompareStringOrdinal(x, nx, y, ny, TRUE) == CSTR_EQUAL;
}

TForm1::TForm1(TComponent* owner)
    : TForm(owner),
      FExcluded(SystemSameLetter),
      FRun([this] { return ClipTrap ? ClipTrap->Handle() : nullptr; },
           [this] { return win::WindowOf(*this); }) {
  SetCaption("Kestrilon");
  SetBorderStyle(bsDialog);
  SetBounds(192, 107, 0, 0);
  // Where the face is missing, the framework takes the nearest installed Japanese UI face.
  SetFont(TFont("ＭＳ Ｐゴシック", kFontHeight, SHIFTJIS_CHARSET, clWindowText));
  AutoSave = &MakeDialog(*this);
  PageControl1 = dynamic_cast<TPageControl*>(FindComponent(names::PageControl1));
  WireControls();
  WireTryPage();
  WireAutoSave();
  // Starts listening to clipboard changes, before the form's own creation handler runs.
  ClipTrap = new clipboard::TNkClipDetector(this);
  ClipTrap->SetName("ClipTrap");
  ClipTrap->SetOnClipChange([this](TObject& sender) { ClipTrapClipChange(sender); });

  MakeMenu();
  MakeTrayIcon();
  SetOnCreate([this](TObject& sender) { FormCreate(sender); });
  SetOnCloseQuery([this](TObject& sender, bool& canClose) { FormCloseQuery(sender, canClose); });
  Ask = AskInBox;
  WireRun();
  SetMessageHandler(WM_TIMER, [this](TMessage& message) {
    if (message.WParam == CopyRun::kRetryTimer) FRun.TimerTick(FPaused);
    if (message.WParam == kTryTimer) RunTry();
  });
  SetMessageHandler(WM_QUERYENDSESSION, [this](TMessage& message) {
    // Windows may always end the session: nothing here may hold it up, no box may wait for an
    // answer. The settings are saved if they can be; they were saved at the last OK anyway.
    message.Result = TRUE;
    Hide();
    SaveQuietly();
    FSaveOnClose = false;
    Close();
  });
  SetMessageHandler(WM_HOTKEY, [this](TMessage& message) { HotKeyPressed(message.WParam); });
  // The window exists while the form is hidden, so that the end of the session reaches it, and
  // the global keys are registered on it.
  HandleNeeded();
  for (const KeyRow& row : GlobalKeyRows()) {
    auto& key = dynamic_cast<THotKey&>(*FindComponent(row.control));
    key.SetHotKey(row.default_key);
    // A change acts at once, as every option does.
    key.SetOnChange([this](TObject&) { FKeys.Register(win::WindowOf(*this), *this); });
  }
  FKeys.Register(win::WindowOf(*this), *this);
  PresetsChanged();
  FitFontToCaptions();
  KeepConfirmed();
}

void TForm1::WireControls() {
  OkButton = dynamic_cast<TButton*>(FindComponent(names::OkButton));
  OkButton->SetDefault(true);
  OkButton->SetOnClick([this](TObject& sender) { OkButtonClick(sender); });
  CancelButton = dynamic_cast<TButton*>(FindComponent(names::CancelButton));
  CancelButton->SetCancel(true);
  CancelButton->SetOnClick([this](TObject& sender) { CancelButtonClick(sender); });
  ShowForm = dynamic_cast<TCheckBox*>(FindComponent(names::ShowForm));
  StartWithWindows = dynamic_cast<TCheckBox*>(FindComponent(names::StartWithWindows));
  ExcludeList = dynamic_cast<TListBox*>(FindComponent(names::ExcludeList));
  ExcludeName = dynamic_cast<TEdit*>(FindComponent(names::ExcludeName));
  LastCopyProgram = dynamic_cast<TLabel*>(FindComponent(names::LastCopyProgram));
  for (const ClickRow& row : kClicks)
    dynamic_cast<TControl&>(*FindComponent(row.name))
        .SetOnClick([this, click = row.click](TObject& sender) { (this->*click)(sender); });
  LastCopyChanged({});
}

void TForm1::WireAutoSave() {
  AutoSave->OnSaveIni = [this](settings::IniFile& ini, const std::string& section) {
    // A character the file's code page lacks becomes "?", which still matches it.
    settings::WriteText(ini, section, kExcludeKey, FExcluded.Joined(),
                        settings::Unstorable::AsQuestionMark);
    settings::WritePresets(ini, section, FPresets);
  };
  AutoSave->OnLoadIni = [this](settings::IniFile& ini, const std::string& section) {
    // A missing key leaves the list as it is: empty at the first start, the confirmed one at a
    // cancel.
    if (auto value = settings::ReadText(ini, section, kExcludeKey, settings::kWholeValue))
      SetExcludedPrograms(ProgramList::Parse(*value));
    SetPresets(settings::ReadPresets(ini, section));
  };
}

void TForm1::MakeMenu() {
  MenuR = new TPopupMenu(this);
  MenuR->SetName("MenuR");
  for (const MenuRow& row : kMenu) {
    auto* item = new TMenuItem(this);
    item->SetName(row.name);
    item->SetCaption(row.caption);
    // A missing picture leaves the command without one; the command itself still works.
    if (!row.bitmap.empty() && item->Bitmap().LoadFromResourceName(row.bitmap))
      item->Bitmap().MakeCornerTransparent();
    if (row.click)
      item->SetOnClick([this, click = row.click](TObject& sender) { (this->*click)(sender); });
    MenuR->Items().Add(*item);
    this->*row.field = item;
  }
  Undo1->SetEnabled(false);  // nothing to undo yet
}

void TForm1::MakeTrayIcon() {
  // Made last: its icon appears once the form has loaded, after the detector has joined.
  TrayIcon = new tray::TTrayIcon(this);
  TrayIcon->SetName("TrayIcon");
  TrayIcon->SetTipHelp("Kestrilon");
  TStringList icons;
  icons.Add("TRAYICON1");
  icons.Add("TRAYICON2");
  TrayIcon->SetResourceIconList(icons);
  TrayIcon->SetResourceIconID(0);
  TrayIcon->SetCheckSingleDoubleClick(true);
  TrayIcon->SetBalloonHelpTimeOut(0);
  TrayIcon->SetRButtonPopupMenu(MenuR);
  TrayIcon->SetOnDblClick([this](TObject& sender) { TrayIconDblClick(sender); });
  TrayIcon->SetOnMouseClick([this](TObject& sender, TMouseButton button, TShiftState shift, int x,
                                   int y) { TrayIconMouseClick(sender, button, shift, x, y); });
}

void TForm1::FitFontToCaptions() {
  // A substitute face may be wider than the one the layout was made for; a pixel less at a time
  // until every caption shows whole, but never below a legible size.
  TFont font = Font();
  font.SetHeight(kFontHeight * PixelsPerInch() / 96);  // from the design, not from the last fit
  const int smallest = -9 * PixelsPerInch() / 96;
  const CaptionRooms rooms = RoomsOf(*this);
  while (font.Height() < smallest && !Fit(font, rooms)) font.SetHeight(font.Height() + 1);
  if (!(font == Font())) SetFont(font);
}

filter::FilterSettings TForm1::CurrentSettings() const {
  filter::FilterSettings s;
  for (const filter::SettingInfo& info : filter::AllSettings()) {
    TComponent* c = FindComponent(info.name);
    if (info.kind == filter::SettingKind::RadioGroup)
      info.SetValue(s, dynamic_cast<TCustomRadioGroup&>(*c).ItemIndex());
    else info.SetValue(s, dynamic_cast<TCustomCheckBox&>(*c).Checked());
  }
  return s;
}

void TForm1::SetSettings(const filter::FilterSettings& s) {
  for (const filter::SettingInfo& info : filter::AllSettings()) {
    TComponent* c = FindComponent(info.name);
    if (info.kind == filter::SettingKind::RadioGroup)
      dynamic_cast<TCustomRadioGroup&>(*c).SetItemIndex(info.Value(s));
    else dynamic_cast<TCustomCheckBox&>(*c).SetChecked(info.Value(s) != 0);
  }
  ScheduleTry();  // values set from code raise no click
}

void TForm1::KeepConfirmed() {
  FConfirmed = CurrentSettings();
  FConfirmedShowForm = ShowForm->Checked();
  FConfirmedExcluded = FExcluded;
  FConfirmedPresets = FPresets;
  for (std::size_t i = 0; i < kGlobalKeyCount; ++i)
    FConfirmedKeys[i] =
        dynamic_cast<const THotKey&>(*FindComponent(GlobalKeyRows()[i].control)).HotKey();
}

void TForm1::RestoreConfirmed() {
  SetSettings(FConfirmed);
  ShowForm->SetChecked(FConfirmedShowForm);
  SetExcludedPrograms(FConfirmedExcluded);
  SetPresets(FConfirmedPresets);
  for (std::size_t i = 0; i < kGlobalKeyCount; ++i)
    dynamic_cast<THotKey&>(*FindComponent(GlobalKeyRows()[i].control)).SetHotKey(FConfirmedKeys[i]);
}

void TForm1::LastCopyChanged(std::string program) {
  FLastCopyProgram = std::move(program);
  LastCopyProgram->SetCaption(FLastCopyProgram.empty() ? "（なし）" : FLastCopyProgram);
}

void TForm1::ShowDialog() {
  try {
    StartWithWindows->SetChecked(StartupShortcutStarts(ExecutablePath()));
  } catch (const framework::EOSError&) {
    StartWithWindows->SetChecked(false);  // no Startup folder: nothing starts from it
  }
  Show();
}

void TForm1::FormCreate(TObject&) {
  SetBounds(0, 0, Width(), Height());
  wchar_t user[257] = {};
  DWORD size = 256;
  // Unread user name: the section falls back to the executable's file name.
  if (GetUserNameW(user, &size)) AutoSave->SetSection(win::Narrow(user));
  SetHelpFile(win::Narrow(WithExtension(ExecutablePath(), L".pdf")));
  AutoSave->LoadIni();
  KeepConfirmed();
  FPaused = false;
  if (ShowForm->Checked()) ShowDialog();
  SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
}

void TForm1::FormCloseQuery(TObject&, bool& canClose) {
  // A failure ends the close: the program keeps running.
  if (canClose && FSaveOnClose) AutoSave->SaveIni();
}

void TForm1::OkButtonClick(TObject&) {
  AutoSave->SaveIni();  // a failure keeps the dialog open
  KeepConfirmed();
  Hide();
}

void TForm1::CancelButtonClick(TObject&) {
  Hide();
  // Loading alone would keep an edit wherever the file has no value yet (the first run has no
  // file at all): the confirmed values come back first.
  RestoreConfirmed();
  AutoSave->LoadIni();
  KeepConfirmed();
}

void TForm1::O1Click(TObject&) { ShowDialog(); }

void TForm1::TrayIconDblClick(TObject&) { ShowDialog(); }

void TForm1::StartWithWindowsClick(TObject&) {
  try {
    if (StartWithWindows->Checked()) CreateStartupShortcut(ExecutablePath());
    else RemoveStartupShortcut();
  } catch (...) {
    // The box shows what the Startup folder holds, whatever the failure left there.
    StartWithWindows->SetChecked(StartupShortcutStarts(ExecutablePath()));
    throw;
  }
}

void TForm1::TrayIconMouseClick(TObject&, TMouseButton button, TShiftState, int, int) {
  if (button != mbLeft) return;  // the right button pops up the menu by itself
  TogglePause();
}

void TForm1::Contents1Click(TObject&) {
  OpenThroughShell(win::WindowOf(*this), win::Widen(HelpFile()));
}

void TForm1::WebSiteClick(TObject&) {
  OpenThroughShell(win::WindowOf(*this), win::Widen(kHomePageUrl));
}

void TForm1::About1Click(TObject&) {
  ShowAbout(Application().Handle(), Application().Title(), Application().Icon(),
            AboutText(ExecutablePath()));
}

void TForm1::ExitProgramClick(TObject&) {
  Hide();
  try {
    Close();
    return;
  } catch (const std::exception& e) {
    // A settings file that can't be written (a read-only folder, a full disk) must not keep
    // anyone from ending the program: one box gives the reason and asks.
    // Only a yes ends it: where no box could be shown (0), ending unasked would lose the settings.
    if (Ask(std::string(e.what()) + "\n\n" + kEndWithoutSaving) != IDYES) return;
  }
  FSaveOnClose = false;
  Close();
}

}  // namespace kestrilon::app
