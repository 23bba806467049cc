// TForm1: the options dialog and the program's controller. Its option controls are the live
// filter settings; ClipTrap reports clipboard changes to ClipTrapClipChange, which filters the
// clipboard's text; AutoSave keeps the controls in the INI file beside the executable.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <vector>
#include <string_view>

#include "AutoIni.h"
#include "CopyRules.h"
#include "CopyRun.h"
#include "GlobalKeys.h"
#include "Forms.h"
#include "Menus.h"
#include "NkClipDetector.h"
#include "Presets.h"
#include "Settings.h"
#include "StdControls.h"
#include "Taskbar.h"

namespace kestrilon::app {

// The menu's first item: what a swap will put back.
inline constexpr char kUndoCaption[] = "元に戻す(&U)";
inline constexpr char kRefilterCaption[] = "変換し直す(&U)";

// Whether two characters are the same letter as Windows compares file names: case ignored in
// every script.
bool SystemSameLetter(char32_t a, char32_t b);

class TForm1 : public framework::TForm {
 public:
  explicit TForm1(framework::TComponent* owner);

  framework::TPageControl* PageControl1 = nullptr;
  framework::TButton* OkButton = nullptr;
  framework::TButton* CancelButton = nullptr;
  framework::TCheckBox* ShowForm = nullptr;
  settings::TAutoIni* AutoSave = nullptr;
  framework::TCheckBox* StartWithWindows = nullptr;
  framework::TListBox* ExcludeList = nullptr;
  framework::TEdit* ExcludeName = nullptr;
  framework::TLabel* LastCopyProgram = nullptr;
  clipboard::TNkClipDetector* ClipTrap = nullptr;
  framework::TPopupMenu* MenuR = nullptr;
  framework::TMenuItem* Undo1 = nullptr;
  framework::TMenuItem* N3 = nullptr;
  framework::TMenuItem* O1 = nullptr;
  framework::TMenuItem* Presets1 = nullptr;
  framework::TMenuItem* N2 = nullptr;
  framework::TMenuItem* Contents1 = nullptr;
  framework::TMenuItem* WebSite = nullptr;
  framework::TMenuItem* About1 = nullptr;
  framework::TMenuItem* N1 = nullptr;
  framework::TMenuItem* ExitProgram = nullptr;
  tray::TTrayIcon* TrayIcon = nullptr;

  // What a check box or radio button takes before its text, in pixels at 96 per inch.
  static constexpr int kGlyphRoom = 16;
  // Makes the font smaller, where it must, so that no caption is cut off.
  void FitFontToCaptions();

  // The filter settings as the controls show them now.
  filter::FilterSettings CurrentSettings() const;

  bool Busy() const noexcept { return FRun.Busy(); }
  bool Paused() const noexcept { return FPaused; }
  void SetPaused(bool paused) noexcept { FPaused = paused; }
  // Programs whose copies are left alone, as the exclusion page shows them.
  const ProgramList& ExcludedPrograms() const noexcept { return FExcluded; }
  void SetExcludedPrograms(ProgramList list);
  // The file name of the program that made the last copy ("" when it left no owner window).
  const std::string& LastCopyProgramName() const noexcept { return FLastCopyProgram; }
  bool CanSwap() const noexcept { return FRun.CanSwap(); }

  // A copy that met a clipboard held by another program is tried again from a timer.
  bool Retrying() const noexcept { return FRun.Retrying(); }

  // The run on each copy; a test reaches the clipboard's system calls through it.
  CopyRun& Run() noexcept { return FRun; }

  // Asks a yes-or-no question in a box: the button pressed (IDYES, IDNO), or 0 when no box could
  // be shown. A test answers it instead.
  std::function<int(std::string_view question)> Ask;

  void FormCreate(framework::TObject& sender);
  void FormCloseQuery(framework::TObject& sender, bool& canClose);
  void OkButtonClick(framework::TObject& sender);
  void CancelButtonClick(framework::TObject& sender);
  // Puts back the version of the last filtered copy that the clipboard doesn't hold.
  void Undo1Click(framework::TObject& sender);
  // Filters the clipboard's text now, paused or not, whatever program copied it.
  void FilterNow();
  // Pauses or resumes filtering; the tray picture shows which.
  void TogglePause();
  // Pastes the clipboard's text filtered into the active window, and leaves the clipboard as it
  // was.
  void PasteFiltered();
  void O1Click(framework::TObject& sender);
  void TrayIconDblClick(framework::TObject& sender);
  // A left click pauses or resumes filtering; the tray picture shows which.
  void TrayIconMouseClick(framework::TObject& sender, framework::TMouseButton button,
                          framework::TShiftState shift, int x, int y);
  void Contents1Click(framework::TObject& sender);
  void WebSiteClick(framework::TObject& sender);
  void About1Click(framework::TObject& sender);
  void ExcludeAddClick(framework::TObject& sender);
  void ExcludeLastClick(framework::TObject& sender);
  void ExcludeRemoveClick(framework::TObject& sender);
  // The program page: the selected program's choice, and the choice shown for it.
  void ProgramChoiceClick(framework::TObject& sender);
  void ExcludeListClick(framework::TObject& sender);
  // The preset page: choose, save the settings shown now under the typed name, rename, delete.
  void PresetUseClick(framework::TObject& sender);
  void PresetSaveClick(framework::TObject& sender);
  void PresetRenameClick(framework::TObject& sender);
  void PresetDeleteClick(framework::TObject& sender);
  // The keys page: which preset's key the key control shows.
  void PresetKeyChoiceClick(framework::TObject& sender);
  // Sets the controls to the preset's settings and makes it the active one; from the tray menu
  // or its key, saved at once.
  void ChoosePreset(const std::string& name, bool save = true);
  const settings::PresetBook& Presets() const noexcept { return FPresets; }
  void SetPresets(settings::PresetBook book);
  // The settings for a copy made by program: its preset, nothing when it is left alone (unless
  // forced), else the settings the dialog shows.
  std::optional<filter::FilterSettings> SettingsFor(const std::string& program, bool forced) const;
  // Makes or removes the shortcut in the Startup folder, as the box now says.
  void StartWithWindowsClick(framework::TObject& sender);
  // The "試す" page's sample becomes the clipboard's text.
  void TryFromClipboardClick(framework::TObject& sender);
  // The "試す" page's result is worked out again soon: at most once per kTryInterval however
  // fast the sample or the settings change, so that a long sample stays responsive.
  void ScheduleTry();
  static constexpr UINT_PTR kTryTimer = 2;
  // WM_HOTKEY's id of the first preset's key; the others follow.
  static constexpr WPARAM kPresetKeyBase = 100;
  static constexpr UINT kTryInterval = 100;  // ms

  // Closes the program. Where the settings cannot be saved, the user may end it without them.
  void ExitProgramClick(framework::TObject& sender);
  // Filters the clipboard's text once for each change another program makes.
  void ClipTrapClipChange(framework::TObject& sender);

 protected:
  void PixelsPerInchChanged() override { FitFontToCaptions(); }

 private:
  // The parts of the form, in the order they are made: the dialog from its layout table (with
  // the INI component), the controls' handlers, what the INI file keeps beside the controls, the
  // menu from its table, the tray icon last.
  void WireControls();
  void WireAutoSave();
  void MakeMenu();
  void MakeTrayIcon();

  void WireRun();
  // Saves without a box, and without a word when that fails.
  void SaveQuietly() noexcept;
  // Shows the dialog, its start-with-Windows box as the Startup folder has it.
  void ShowDialog();
  void LastCopyChanged(std::string program);
  // A message in a balloon on the tray icon: heard, and stopping no one.
  void ShowBalloon(const std::string& message);
  // A global key: its action.
  void HotKeyPressed(WPARAM id);
  void WireTryPage();
  // The "試す" page's result, now.
  void RunTry();
  // Every view of the presets and the programs' choices: the lists, the menu, the tip, the keys.
  void PresetsChanged();
  void ShowPrograms();
  void SetSettings(const filter::FilterSettings& settings);
  // The values last loaded or saved: what Cancel goes back to where the INI file has no value.
  void KeepConfirmed();
  void RestoreConfirmed();

  filter::FilterSettings FConfirmed;
  bool FConfirmedShowForm = false;
  ProgramList FConfirmedExcluded;
  settings::PresetBook FPresets;
  settings::PresetBook FConfirmedPresets;
  std::vector<framework::win::RegisteredHotKey> FPresetKeys;
  std::vector<framework::TMenuItem*> FPresetItems;
  std::array<framework::THotKeyValue, kGlobalKeyCount> FConfirmedKeys;
  GlobalKeys FKeys;

  ProgramList FExcluded;
  std::string FLastCopyProgram;
  CopyRun FRun;

  bool FPaused = false;
  bool FSaveOnClose = true;
  bool FTryPending = false;
  bool FTryShown = false;
  filter::Filter FTryFilter;
};

}  // namespace kestrilon::app
