// TForm1 and each copy: the run wired to the form, the keys that act from anywhere, the balloon,
// and saving at the end of a session.
#include <optional>
#include <string>
#include <utility>

#include "Application.h"
#include "Setting.h"
#include "WinWindow.h"

namespace kestrilon::app {

using namespace framework;

void TForm1::SaveQuietly() noexcept {
  std::function<void(const std::string&)> shown = std::exchange(AutoSave->ShowMessage, nullptr);
  try {
    AutoSave->SaveIni();
  } catch (...) {
    // No one is there to answer a box while the session ends.
  }
  AutoSave->ShowMessage = std::move(shown);
}

void TForm1::WireRun() {
  FRun.SettingsFor = [this](const std::string& program, bool forced) {
    return SettingsFor(program, forced);
  };
  FRun.OnCopyProgram = [this](const std::string& program) { LastCopyChanged(program); };
  FRun.OnPairChanged = [this] {
    // The first item says what it will put back.
    Undo1->SetCaption(FRun.ShowingOriginal() ? kRefilterCaption : kUndoCaption);
    Undo1->SetEnabled(FRun.CanSwap());
  };
  FRun.OnTrouble = [this](const std::string& message) { ShowBalloon(message); };
}

void TForm1::ShowBalloon(const std::string& message) {
  TrayIcon->SetBalloonHelpTitle(Application().Title());
  TrayIcon->SetBalloonHelpText(message);
  TrayIcon->SetBalloonHelpIcon(tray::bitWarning);
  TrayIcon->ShowBalloonHelp();
}

void TForm1::Undo1Click(TObject&) { FRun.Swap(); }

void TForm1::FilterNow() { FRun.FilterNow(); }

void TForm1::PasteFiltered() { FRun.PasteFiltered(); }

void TForm1::TogglePause() {
  FPaused = !FPaused;
  TrayIcon->SetResourceIconID(FPaused ? 1 : 0);
}

void TForm1::ClipTrapClipChange(TObject&) { FRun.ClipboardChanged(FPaused); }

void TForm1::HotKeyPressed(WPARAM id) {
  if (id >= kPresetKeyBase && id - kPresetKeyBase < FPresets.Presets().size()) {
    ChoosePreset(FPresets.Presets()[id - kPresetKeyBase].name);
    return;
  }
  KeyAction action;
  if (!GlobalKeys::ActionOf(id, action)) return;
  try {
    switch (action) {
      case KeyAction::Swap: FRun.Swap(); break;
      case KeyAction::FilterNow: FRun.FilterNow(); break;
      case KeyAction::PasteFiltered: PasteFiltered(); break;
      case KeyAction::Pause: TogglePause(); break;
    }
  } catch (const clipboard::EClipboardError& held) {
    ShowBalloon(held.what());  // a key pressed anywhere: heard, not a box to close
  }
}

}  // namespace kestrilon::app
