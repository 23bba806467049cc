// TForm1 as the controller under Wine: start-up with and without an INI file, the tray clicks,
// OK, Cancel, the closes and their failures, the end of the session, tab order, and captions
// that fit at every density.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../framework/WinTestSupport.h"
#include "AppTestSupport.h"
#include "IniFile.h"
#include "Presets.h"
#include "Setting.h"
#include "Startup.h"
#include "WinHotKey.h"
#include "WinGraphics.h"
#include "WinText.h"

namespace kestrilon::app {
namespace {

using framework::TObject;
using framework::testing::Settle;
using kestrilon::testing::ReadFile;

std::filesystem::path IniBesideTests() { return testing::ThisProgram().replace_extension(".ini"); }

std::string UserName() {
  wchar_t user[257] = {};
  DWORD size = 256;
  EXPECT_TRUE(GetUserNameW(user, &size));
  return framework::win::Narrow(user);
}

class Controller : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove(IniBesideTests());
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
  }
  void TearDown() override {
    form.reset();
    std::filesystem::remove(IniBesideTests());
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
  }
  void Start(const std::vector<std::string>& keys = {}) {
    if (!keys.empty()) {
      std::ofstream ini(IniBesideTests(), std::ios::binary);
      ini << "[" << UserName() << "]\r\n";
      for (const std::string& kv : keys) ini << kv << "\r\n";
    }
    form = framework::MakeForm<TForm1>();
    form->AutoSave->ShowMessage = [this](const std::string& message) {
      messages.push_back(message);
    };
    Settle();
  }
  void SaveBesideTests() {
    form->AutoSave->ExecutablePath = [] { return testing::ThisProgram(); };
  }
  framework::TCustomRadioGroup& Group(const char* name) {
    return dynamic_cast<framework::TCustomRadioGroup&>(*form->FindComponent(name));
  }
  std::unique_ptr<TForm1> form;
  std::vector<std::string> messages;
};

TEST_F(Controller, AFirstStartShowsNothingWithEveryOptionAtItsDefaultAndFiltersAtIdlePriority) {
  Start();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(form->CurrentSettings(), filter::FilterSettings{});
  EXPECT_FALSE(form->ShowForm->Checked());
  EXPECT_EQ(form->PageControl1->ActivePageIndex(), 0);
  EXPECT_EQ(std::vector<int>({form->Left(), form->Top()}), std::vector<int>({0, 0}));
  EXPECT_FALSE(form->Paused());
  EXPECT_FALSE(form->Busy());
  EXPECT_EQ(form->TrayIcon->ResourceIconID(), 0);
  EXPECT_EQ(form->AutoSave->Section(), UserName());
  EXPECT_EQ(std::filesystem::path(form->HelpFile()).filename(),
            testing::ThisProgram().replace_extension(".pdf").filename());
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
}

TEST_F(Controller, ShowFormSavedAsCheckedShowsTheDialogAtItsSavedPlaceWithTheSavedOptions) {
  Start({"Form1Top=120", "Form1Left=150", "ShowForm=1", "NumberMode=2", "TagDelete=1"});
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(std::vector<int>({form->Left(), form->Top()}), std::vector<int>({150, 120}));
  EXPECT_EQ(form->CurrentSettings().NumberMode, kestrilon::filter::Width::ToFull);
  EXPECT_TRUE(form->CurrentSettings().TagDelete);
}

TEST_F(Controller, LeftClicksTogglePauseAndPictureOtherButtonsAndDoubleClicksDoNot) {
  Start();
  TObject& sender = *form->TrayIcon;
  form->TrayIconMouseClick(sender, framework::mbLeft, 0, 0, 0);
  EXPECT_TRUE(form->Paused());
  EXPECT_EQ(form->TrayIcon->ResourceIconID(), 1);
  for (framework::TMouseButton other : {framework::mbRight, framework::mbMiddle}) {
    form->TrayIconMouseClick(sender, other, 0, 0, 0);  // one at a time: two toggles would cancel
    EXPECT_TRUE(form->Paused()) << other;
    EXPECT_EQ(form->TrayIcon->ResourceIconID(), 1) << other;
  }
  form->TrayIconDblClick(sender);
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(form->Paused());
  form->TrayIconMouseClick(sender, framework::mbLeft, 0, 0, 0);
  EXPECT_FALSE(form->Paused());
  EXPECT_EQ(form->TrayIcon->ResourceIconID(), 0);
}

TEST_F(Controller, OkSavesThenHidesAndCancelHidesThenGoesBackToTheConfirmedValues) {
  Start();
  SaveBesideTests();
  form->O1Click(*form->O1);
  ASSERT_TRUE(form->Visible());
  Group("NumberMode").SetItemIndex(1);
  form->CancelButtonClick(*form->CancelButton);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(form->CurrentSettings().NumberMode, kestrilon::filter::Width::Keep)
      << "without an INI file, Cancel must still take the edit back";
  EXPECT_FALSE(std::filesystem::exists(IniBesideTests()));

  form->O1Click(*form->O1);
  Group("NumberMode").SetItemIndex(1);
  form->OkButtonClick(*form->OkButton);
  EXPECT_FALSE(form->Visible());
  EXPECT_NE(ReadFile(IniBesideTests()).find("NumberMode=1\r\n"), std::string::npos);

  form->O1Click(*form->O1);
  Group("NumberMode").SetItemIndex(2);
  Group("AlphabetMode").SetItemIndex(2);
  form->CancelButtonClick(*form->CancelButton);
  EXPECT_EQ(form->CurrentSettings().NumberMode, kestrilon::filter::Width::ToHalf);
  EXPECT_EQ(form->CurrentSettings().AlphabetMode, kestrilon::filter::Width::Keep);
}

TEST_F(Controller, ASaveThatFailsKeepsTheDialogOpenAndAFailedCloseKeepsTheProgram) {
  Start();
  form->AutoSave->ExecutablePath = [] {
    return testing::ThisProgram().parent_path() / "no such folder" / "k.exe";
  };
  form->O1Click(*form->O1);
  EXPECT_ANY_THROW(form->OkButtonClick(*form->OkButton));
  EXPECT_TRUE(form->Visible()) << "the dialog stays, its edits with it";
  EXPECT_EQ(messages, std::vector<std::string>{"Can not save to IniFile"});
  bool canClose = true;
  EXPECT_ANY_THROW(form->FormCloseQuery(*form, canClose));
  EXPECT_FALSE(framework::Application().Terminated());
}

// The exit command where the settings can't be saved: the INI component's box, then one box with
// the reason and the question. Only yes ends it, without saving; no, or a box that could not be
// shown, keeps the program (and a later close tries to save again).
TEST_F(Controller, AnExitThatCannotSaveAsksWhetherToEndWithoutSaving) {
  Start();
  form->AutoSave->ExecutablePath = [] {
    return testing::ThisProgram().parent_path() / "no such folder" / "k.exe";
  };
  std::vector<std::string> errors;
  framework::Application().SetOnException(
      [&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
  std::vector<std::string> questions;
  int answer = 0;
  form->Ask = [&](std::string_view question) {
    questions.emplace_back(question);
    return answer;
  };
  const std::pair<int, const char*> answers[] = {{IDNO, "no"}, {0, "no box"}, {IDYES, "yes"}};
  for (const auto& [button, what] : answers) {
    answer = button;
    messages.clear();
    questions.clear();
    form->ExitProgramClick(*form->ExitProgram);
    EXPECT_EQ(messages, std::vector<std::string>{"Can not save to IniFile"})
        << what << ": once; after yes the close doesn't try to save again";
    ASSERT_EQ(questions.size(), 1u) << what;
    EXPECT_NE(questions[0].find("k.ini に書き込めません"), std::string::npos) << questions[0];
    EXPECT_TRUE(questions[0].ends_with("\n\n設定を保存できませんでした。保存せずに終了しますか？"))
        << questions[0];
    bool canClose = true;
    if (button == IDYES) EXPECT_NO_THROW(form->FormCloseQuery(*form, canClose)) << what;
    else EXPECT_ANY_THROW(form->FormCloseQuery(*form, canClose)) << what << ": still to be saved";
  }
  EXPECT_TRUE(errors.empty()) << "no third box: " << errors.front();
  framework::Application().SetOnException(nullptr);
}

TEST_F(Controller, EveryCloseSavesTheCurrentValuesConfirmedOrNot) {
  Start();
  SaveBesideTests();
  form->TrayIconDblClick(*form->TrayIcon);
  Group("Space2Tab").SetItemIndex(3);
  form->ExitProgramClick(*form->ExitProgram);
  EXPECT_FALSE(form->Visible());
  EXPECT_NE(ReadFile(IniBesideTests()).find("Space2Tab=3\r\n"), std::string::npos);
}

// Windows never waits on the program: yes at once, the settings saved where they can be, and no
// box where they can't (they were saved at the last OK).
TEST_F(Controller, TheEndOfTheSessionMayGoOnAndTheSettingsAreSavedFirstWhereTheyCanBe) {
  for (const bool writable : {true, false}) {
    Start();
    if (writable) SaveBesideTests();
    else
      form->AutoSave->ExecutablePath = [] {
        return testing::ThisProgram().parent_path() / "no such folder" / "k.exe";
      };
    std::vector<std::string> errors;
    framework::Application().SetOnException(
        [&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
    form->O1Click(*form->O1);
    Group("UpDownCase").SetItemIndex(2);
    HWND window = FindWindowW(L"KestrilonForm", L"Kestrilon");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_TRUE(errors.empty()) << errors.front();
    if (writable) {
      EXPECT_NE(ReadFile(IniBesideTests()).find("UpDownCase=2\r\n"), std::string::npos);
    }
    framework::Application().SetOnException(nullptr);
    form.reset();
    messages.clear();
  }
}

// Presses a key with its modifiers through the system's input, as a user at any program would.
void Press(framework::THotKeyValue key) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(in);
  };
  const std::pair<framework::THotKeyModifiers, WORD> modifiers[] = {
      {framework::hkCtrl, VK_CONTROL}, {framework::hkAlt, VK_MENU}, {framework::hkShift, VK_SHIFT}};
  for (const auto& [flag, vk] : modifiers)
    if (key.Modifiers & flag) add(vk, false);
  add(key.Key, false);
  add(key.Key, true);
  for (const auto& [flag, vk] : modifiers)
    if (key.Modifiers & flag) add(vk, true);
  ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
            inputs.size());
}

// The keys act from anywhere, a change at once; a key another program holds says so beside its
// control and the program goes on; a key that would take a letter away is refused; Cancel puts
// the keys back as they were.
TEST_F(Controller, GlobalKeysActAtOnceSayWhenHeldElsewhereAndCancelPutsThemBack) {
  HWND other = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  framework::win::RegisteredHotKey held(
      other, 1, {'F', framework::hkCtrl | framework::hkAlt | framework::hkShift});
  ASSERT_EQ(held.State(), framework::win::HotKeyState::Registered);
  Start();
  auto inUse = [&](const char* name) {
    return dynamic_cast<framework::TLabel&>(*form->FindComponent(name)).Caption();
  };
  auto key = [&](const char* name) -> framework::THotKey& {
    return dynamic_cast<framework::THotKey&>(*form->FindComponent(name));
  };
  EXPECT_EQ(inUse("FilterNowKeyInUse"), "使用中");
  EXPECT_EQ(inUse("SwapKeyInUse"), "");
  EXPECT_TRUE(key("PauseKey").HotKey().Empty()) << "no pause key unless the user sets one";

  form->O1Click(*form->O1);
  const framework::THotKeyValue pause{VK_F9, framework::hkCtrl | framework::hkAlt};
  key("PauseKey").SetHotKey(pause);
  Press(pause);
  EXPECT_TRUE(framework::testing::PumpUntil([&] { return form->Paused(); })) << "acts before OK";
  key("SwapKey").SetHotKey({'A', 0});
  EXPECT_EQ(inUse("SwapKeyInUse"), "使えません");
  form->CancelButtonClick(*form->CancelButton);
  EXPECT_TRUE(key("PauseKey").HotKey().Empty());
  EXPECT_EQ(
      key("SwapKey").HotKey(),
      (framework::THotKeyValue{'Z', framework::hkCtrl | framework::hkAlt | framework::hkShift}));
  EXPECT_EQ(inUse("SwapKeyInUse"), "");
  // Let go: the key reaches no one here now.
  framework::win::RegisteredHotKey again(other, 2, pause);
  EXPECT_EQ(again.State(), framework::win::HotKeyState::Registered);

  // A preset's own key chooses it, from anywhere.
  settings::PresetBook book;
  filter::FilterSettings upper;
  upper.UpDownCase = filter::LetterCase::ToUpper;
  ASSERT_EQ(book.Add({"大文字", upper, "Ctrl+Alt+F10"}), settings::PresetResult::Ok);
  SaveBesideTests();
  form->SetPresets(book);
  Press({VK_F10, framework::hkCtrl | framework::hkAlt});
  EXPECT_TRUE(framework::testing::PumpUntil([&] { return form->Presets().Active() == "大文字"; }));
  EXPECT_EQ(form->CurrentSettings().UpDownCase, filter::LetterCase::ToUpper);
  // A preset's key that would take a letter away from every program is refused, as the others are.
  book.FindSettings("大文字")->hot_key = "A";
  form->SetPresets(book);
  EXPECT_EQ(inUse("PresetKeyInUse"), "使えません");
  DestroyWindow(other);
}

// The "試す" page shows its sample as the clipboard's run would leave it, with the settings the
// dialog shows now: the first sample when it first opens, then any sample, any option.
TEST_F(Controller, TheTryPageFiltersItsSampleAsACopyWouldBeFiltered) {
  Start();
  auto text = [&](const char* name) {
    return dynamic_cast<framework::TMemo&>(*form->FindComponent(name)).Text();
  };
  auto expected = [&] {
    const std::wstring wide = framework::win::Widen(text("TrySample"));
    filter::Filter filter;
    const auto filtered =
        Filtered(filter, std::u16string(wide.begin(), wide.end()), form->CurrentSettings());
    return framework::win::Narrow(std::wstring(filtered->text.begin(), filtered->text.end()));
  };
  form->O1Click(*form->O1);
  form->PageControl1->SetActivePage(
      dynamic_cast<framework::TTabSheet*>(form->FindComponent("Try")));
  form->PageControl1->OnChange()(*form->PageControl1);
  ASSERT_FALSE(text("TrySample").empty()) << "a first sample";
  Group("NumberMode").SetItemIndex(1);
  Group("NumberMode").Click();
  Group("UpDownCase").SetItemIndex(2);
  Group("UpDownCase").Click();
  ASSERT_TRUE(framework::testing::PumpUntil(
      [&] { return !text("TryResult").empty() && text("TryResult") == expected(); }));
  EXPECT_NE(text("TryResult"), text("TrySample"));
  dynamic_cast<framework::TMemo&>(*form->FindComponent("TrySample"))
      .SetText("Björk 😀 한글 ＡＢＣ１２３ <b>x</b>");
  EXPECT_TRUE(framework::testing::PumpUntil([&] { return text("TryResult") == expected(); }))
      << text("TryResult");
  EXPECT_EQ(text("TryResult"), "BJöRK 😀 한글 ＡＢＣ123 <B>X</B>\r\n");
}

// The INI file as the program writes it: stored files and anyone who edits them rely on these keys
// in this order (the dialog's creation order, not its tab order), the program's own list last.
TEST_F(Controller, TheIniFileListsThePositionEveryOptionAndTheExclusionsInTheirOrder) {
  Start();
  SaveBesideTests();
  form->OkButtonClick(*form->OkButton);
  std::vector<std::string> keys;
  std::istringstream lines(ReadFile(IniBesideTests()));
  for (std::string line; std::getline(lines, line);)
    if (const auto eq = line.find('='); eq != std::string::npos) keys.push_back(line.substr(0, eq));
  // clang-format off
  EXPECT_EQ(keys, (std::vector<std::string>{
      "Form1Top", "Form1Left",
      "NumberMode", "AlphabetMode", "SignMode", "SpaceMode", "KanaMode1", "KanaMode2", "ReturnMode",
      "PunctuationMode", "PeriodMode", "ParenthesisMode",
      "EnterDeleteMode", "DelDmySpc", "DelConma", "KeepLastLineBreak",
      "RepAmp", "RepLG", "RepQuot", "AddLI", "TagDelete", "UpDownCase", "Space2Tab",
      "SwapKey", "FilterNowKey", "PasteFilteredKey", "PauseKey", "ShowForm", "ExcludePrograms"}));
  // clang-format on
}

// The exclusion list is one key among the options: OK saves it, Cancel takes an edit back, a new
// start reads it. The page's scratch controls and the start-with-Windows box are not kept there.
TEST_F(Controller, TheExclusionListIsKeptAsOneKeyWithTheOptionsRules) {
  Start({"ExcludePrograms=EXCEL.EXE;WindowsTerminal.exe"});
  SaveBesideTests();
  EXPECT_EQ(form->ExcludedPrograms().Joined(), "EXCEL.EXE;WindowsTerminal.exe");
  EXPECT_EQ(form->ExcludeList->Items().Count(), 2);
  form->O1Click(*form->O1);
  form->ExcludeName->SetText(" notepad.exe ");
  form->ExcludeAddClick(*form);
  EXPECT_EQ(form->ExcludeName->Text(), "");
  form->ExcludeList->SetItemIndex(0);
  form->ExcludeRemoveClick(*form);
  EXPECT_EQ(form->ExcludedPrograms().Joined(), "WindowsTerminal.exe;notepad.exe") << "acts at once";
  form->CancelButtonClick(*form->CancelButton);
  EXPECT_EQ(form->ExcludedPrograms().Joined(), "EXCEL.EXE;WindowsTerminal.exe");
  EXPECT_EQ(form->ExcludeList->Items().Count(), 2);

  form->O1Click(*form->O1);
  form->ExcludeName->SetText("a.exe");
  form->ExcludeAddClick(*form);
  form->OkButtonClick(*form->OkButton);
  const std::string ini = ReadFile(IniBesideTests());
  EXPECT_NE(ini.find("ExcludePrograms=EXCEL.EXE;WindowsTerminal.exe;a.exe\r\n"), std::string::npos)
      << ini;
  for (const char* scratch : {"ExcludeList=", "ExcludeName=", "StartWithWindows="})
    EXPECT_EQ(ini.find(scratch), std::string::npos) << scratch;
  EXPECT_NE(ini.find("NumberMode=0\r\n"), std::string::npos) << "the options are still kept";
}

// Any program, any number of them: names whose second bytes are ASCII, names the file's code page
// lacks (kept as "?", which still matches them), a list far past the 2047 bytes a profile read
// takes. Case is ignored in every script, as Windows compares file names.
TEST_F(Controller, TheExclusionListHoldsAnyProgramAnyNumberOfThem) {
  Start();
  SaveBesideTests();
  std::vector<std::string> names;
  for (const char* name :
       {"江口.exe", "望月.exe", "曽根.exe", "ソ.exe", "表.exe", "能.exe", "十.exe", "予.exe",
        "ゼ.exe", "ァ.exe", "ポ.exe", "兎.exe", "Björk.exe", "한글.exe"})
    names.emplace_back(name);
  for (int i = 0; i < 220; ++i) names.push_back("program-number-" + std::to_string(i) + ".exe");
  form->O1Click(*form->O1);
  for (const std::string& name : names) {
    form->ExcludeName->SetText(name);
    form->ExcludeAddClick(*form);
  }
  form->OkButtonClick(*form->OkButton);
  EXPECT_TRUE(messages.empty()) << messages.front();
  form.reset();
  Start();
  ASSERT_EQ(form->ExcludedPrograms().Names().size(), names.size());
  EXPECT_EQ(form->ExcludedPrograms().Names()[12], "Bj?rk.exe");
  EXPECT_EQ(form->ExcludedPrograms().Names()[13], "??.exe");
  for (const char* program :
       {"江口.EXE", "BJÖRK.EXE", "björk.exe", "한글.exe", "PROGRAM-NUMBER-219.EXE"})
    EXPECT_TRUE(form->ExcludedPrograms().Contains(program)) << program;
  EXPECT_FALSE(form->ExcludedPrograms().Contains("program-number-220.exe"));
}

TEST_F(Controller, AFirstStartHasNoExclusionsAndCancelKeepsItSo) {
  Start();
  SaveBesideTests();
  form->O1Click(*form->O1);
  form->ExcludeName->SetText("EXCEL.EXE");
  form->ExcludeAddClick(*form);
  form->CancelButtonClick(*form->CancelButton);
  EXPECT_EQ(form->ExcludedPrograms().Joined(), "");
}

// The box is the shortcut in the Startup folder: checking makes it, to this program in its own
// folder, unchecking removes it, and showing the dialog reads it back. A shortcut to another copy
// of the program is not this one's.
TEST_F(Controller, StartWithWindowsMakesAndRemovesTheStartupShortcut) {
  Start();
  RemoveStartupShortcut();
  form->O1Click(*form->O1);
  EXPECT_FALSE(form->StartWithWindows->Checked());
  form->StartWithWindows->SetChecked(true);
  form->StartWithWindowsClick(*form->StartWithWindows);
  const ShortcutTarget made = ReadStartupShortcut();
  EXPECT_EQ(made.program, testing::ThisProgram());
  EXPECT_EQ(made.folder, testing::ThisProgram().parent_path());
  form->CancelButtonClick(*form->CancelButton);
  form->O1Click(*form->O1);
  EXPECT_TRUE(form->StartWithWindows->Checked()) << "the shortcut, not the INI file, says so";
  form->StartWithWindows->SetChecked(false);
  form->StartWithWindowsClick(*form->StartWithWindows);
  EXPECT_TRUE(ReadStartupShortcut().program.empty());
  EXPECT_EQ(StartupShortcutPath().filename(), L"Kestrilon.lnk");

  CreateStartupShortcut(testing::ThisProgram().parent_path() / "another copy" / "kestrilon.exe");
  form->CancelButtonClick(*form->CancelButton);
  form->O1Click(*form->O1);
  EXPECT_FALSE(form->StartWithWindows->Checked());
  RemoveStartupShortcut();
}

std::vector<std::string> TabNames(const framework::TWinControl& parent) {
  std::vector<std::string> names;
  for (const framework::TWinControl* c : parent.TabList()) names.push_back(c->Name());
  return names;
}

TEST_F(Controller, TabOrderReadsDownTheColumnsWithPunctuationBetweenTheKanaGroups) {
  Start();
  EXPECT_EQ(TabNames(*form),
            (std::vector<std::string>{"PageControl1", "OkButton", "CancelButton", "ShowForm"}));
  EXPECT_EQ(TabNames(dynamic_cast<framework::TWinControl&>(*form->FindComponent("Basic"))),
            (std::vector<std::string>{"NumberMode", "AlphabetMode", "SignMode", "SpaceMode",
                                      "KanaMode1", "PunctuationMode", "KanaMode2", "ReturnMode",
                                      "PeriodMode", "ParenthesisMode"}));
  EXPECT_EQ(TabNames(dynamic_cast<framework::TWinControl&>(*form->FindComponent("HTMLGroup"))),
            (std::vector<std::string>{"RepAmp", "RepLG", "RepQuot", "AddLI", "TagDelete"}));
}

// A check box's caption must fit beside its glyph, whatever face stands in for the designed one
// and at every density the form is scaled to.
TEST_F(Controller, EveryCheckBoxCaptionFitsAtEveryDensity) {
  Start();
  for (int dpi : {96, 120, 144, 192, 96}) {
    form->ScaleForPixelsPerInch(dpi);
    const int glyph = TForm1::kGlyphRoom * dpi / 96;
    for (const char* name : {"ShowForm", "DelDmySpc", "DelConma", "KeepLastLineBreak", "RepAmp",
                             "RepLG", "RepQuot", "AddLI", "TagDelete", "StartWithWindows"}) {
      const auto& box = dynamic_cast<const framework::TControl&>(*form->FindComponent(name));
      EXPECT_LE(framework::TextWidth(box.Font(), box.Caption()), box.Width() - glyph)
          << name << " at " << dpi;
    }
    // The exclusion page's buttons inside their frame, its labels in their box.
    const int frame = 16 * dpi / 96;
    for (const char* name :
         {"ExcludeRemove", "ExcludeAdd", "ExcludeLast", "ExcludeCaption", "LastCopyCaption"}) {
      const auto& control = dynamic_cast<const framework::TControl&>(*form->FindComponent(name));
      const int room = dynamic_cast<const framework::TButton*>(&control) ? control.Width() - frame
                                                                         : control.Width();
      EXPECT_LE(framework::TextWidth(control.Font(), control.Caption()), room)
          << name << " at " << dpi;
    }
  }
  EXPECT_EQ(form->ClientWidth(), 400);
}

}  // namespace
}  // namespace kestrilon::app
