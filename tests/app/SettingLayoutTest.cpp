// The dialog as its table makes it, kept in the INI file as the program keeps it: every saved
// control under its name, in the order the controls are created (not their tab order), the
// page's scratch controls left out, and everything read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../TestFiles.h"
#include "../settings/TestText.h"
#include "HotKey.h"
#include "IniFile.h"
#include "Presets.h"
#include "SettingLayout.h"
#include "StdControls.h"

namespace kestrilon::app {
namespace {

namespace fs = std::filesystem;
using kestrilon::testing::ReadFile;
using kestrilon::testing::WriteFile;
using settings::test::Sjis;

// The dialog on a form of its own, saving beside a program in folder.
struct Dialog {
  std::unique_ptr<framework::TForm> form = framework::MakeForm<framework::TForm>();
  settings::TAutoIni& ini = MakeDialog(*form);
  std::vector<std::string> messages;

  explicit Dialog(const fs::path& folder) {
    ini.ExecutablePath = [folder] { return folder / "kestrilon.exe"; };
    ini.ShowMessage = [this](const std::string& message) { messages.push_back(message); };
    ini.SetSection("田中");
  }
  template <class C>
  C& Control(std::string_view name) {
    return dynamic_cast<C&>(*form->FindComponent(name));
  }
  // What a saved control of the options holds, as text.
  std::string Value(const ControlRow& row) {
    switch (row.kind) {
      case ControlKind::RadioGroup:
        return std::to_string(Control<framework::TCustomRadioGroup>(row.name).ItemIndex());
      case ControlKind::CheckBox:
        return Control<framework::TCheckBox>(row.name).Checked() ? "checked" : "-";
      case ControlKind::HotKey:
        return framework::HotKeyToText(Control<framework::THotKey>(row.name).HotKey());
      default: return "";
    }
  }
};

TEST(DialogLayout, SavesEveryOptionKeyByKeyInCreationOrderAndReadsItBack) {
  const fs::path folder = fs::temp_directory_path() / "kestrilon-dialog-layout";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path file = folder / "kestrilon.ini";
  Dialog p(folder);
  p.form->SetBounds(-8, 40, p.form->Width(), p.form->Height());
  int n = 0;
  for (const ControlRow& row : DialogLayout())
    if (row.kind == ControlKind::RadioGroup)
      p.Control<framework::TCustomRadioGroup>(row.name).SetItemIndex(n++ % 3);
  p.Control<framework::TCheckBox>("RepAmp").SetChecked(true);
  p.Control<framework::TCheckBox>(names::ShowForm).SetChecked(true);
  p.Control<framework::THotKey>(names::SwapKey)
      .SetHotKey({'Z', framework::hkCtrl | framework::hkAlt | framework::hkShift});
  // Scratch controls with values: none of them is kept.
  p.Control<framework::TCheckBox>(names::StartWithWindows).SetChecked(true);
  p.Control<framework::TEdit>(names::ExcludeName).SetText("EXCEL.EXE");
  p.Control<framework::THotKey>(names::PresetKey).SetHotKey({'P', framework::hkCtrl});
  p.ini.SaveIni();
  const std::string first =
      "[" + Sjis("田中") +
      "]\r\n"
      "Form1Top=40\r\nForm1Left=-8\r\n"
      "NumberMode=0\r\nAlphabetMode=1\r\nSignMode=2\r\nSpaceMode=0\r\nKanaMode1=1\r\n"
      "KanaMode2=2\r\nReturnMode=0\r\nPunctuationMode=1\r\nPeriodMode=2\r\nParenthesisMode=0\r\n"
      "EnterDeleteMode=1\r\nDelDmySpc=0\r\nDelConma=0\r\nKeepLastLineBreak=0\r\n"
      "RepAmp=1\r\nRepLG=0\r\nRepQuot=0\r\nAddLI=0\r\nTagDelete=0\r\n"
      "UpDownCase=2\r\nSpace2Tab=0\r\n"
      "SwapKey=Ctrl+Alt+Shift+Z\r\nFilterNowKey=\r\nPasteFilteredKey=\r\nPauseKey=\r\n"
      "ShowForm=1\r\n";
  EXPECT_EQ(ReadFile(file), first);
  EXPECT_TRUE(p.messages.empty());

  // A second save rewrites the values in place; another section and a comment stay.
  WriteFile(file, "; hand-made\r\n" + first + "\r\n[Other]\r\nNumberMode=2\r\n");
  p.Control<framework::TCustomRadioGroup>("NumberMode").SetItemIndex(2);
  p.Control<framework::TCheckBox>(names::ShowForm).SetChecked(false);
  p.ini.SaveIni();
  std::string second = first;
  second.replace(second.find("NumberMode=0"), 12, "NumberMode=2");
  second.replace(second.find("ShowForm=1"), 10, "ShowForm=0");
  EXPECT_EQ(ReadFile(file), "; hand-made\r\n" + second + "\r\n[Other]\r\nNumberMode=2\r\n");

  // And a fresh dialog reads every value back.
  Dialog q(folder);
  q.ini.LoadIni();
  EXPECT_EQ(q.form->Top(), 40);
  EXPECT_EQ(q.form->Left(), -8);
  for (const ControlRow& row : DialogLayout()) {
    if (!row.saved) continue;
    EXPECT_EQ(q.Value(row), p.Value(row)) << row.name;
  }
  fs::remove_all(folder);
}

// kestrilon-filter reads a stored setting as the dialog's control takes it, for every setting
// and every kind of value: the tool promises the program's own result.
TEST(DialogLayout, TheToolReadsEverySettingAsTheDialogTakesIt) {
  const fs::path folder = fs::temp_directory_path() / "kestrilon-dialog-clamp";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string stored[] = {"-9",          "-2",         "-1",  "0",   "1",
                                "2",           "3",          "4",   "5",   "2147483647",
                                "-2147483648", "4294967296", "0x2", "abc", ""};
  for (const std::string& value : stored) {
    std::string file = "[" + Sjis("田中") + "]\r\n";
    for (const filter::SettingInfo& info : filter::AllSettings())
      file += std::string(info.name) + "=" + value + "\r\n";
    WriteFile(folder / "kestrilon.ini", file);
    Dialog dialog(folder);
    dialog.ini.LoadIni();
    const filter::FilterSettings tool =
        settings::ReadFilterSettings(settings::IniDocument(file), Sjis("田中"), {});
    for (const filter::SettingInfo& info : filter::AllSettings()) {
      const ControlRow& row =
          *std::find_if(DialogLayout().begin(), DialogLayout().end(),
                        [&](const ControlRow& r) { return r.name == info.name; });
      const std::string shown = dialog.Value(row);
      EXPECT_EQ(info.kind == filter::SettingKind::CheckBox ? (info.Value(tool) ? "checked" : "-")
                                                           : std::to_string(info.Value(tool)),
                shown)
          << info.name << "=" << value;
    }
  }
  fs::remove_all(folder);
}

}  // namespace
}  // namespace kestrilon::app
