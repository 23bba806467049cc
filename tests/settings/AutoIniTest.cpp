#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "AutoIni.h"
#include "Exceptions.h"
#include "Forms.h"
#include "HotKey.h"
#include "IniFile.h"
#include "StdControls.h"
#include "TestText.h"

namespace kestrilon::settings {
namespace {

namespace fs = std::filesystem;
using namespace kestrilon::framework;
using test::Sjis;
using namespace std::string_literals;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Spit(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

template <class C>
C* Make(TComponent* owner, TWinControl* parent, const char* name, int tag = 0) {
  auto* c = new C(owner);
  c->SetName(name);
  c->SetTag(tag);
  c->SetParent(parent);
  return c;
}

class AutoIniTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    FDir = fs::temp_directory_path() / (std::string("kestrilon-autoini-") + info->name());
    fs::remove_all(FDir);
    fs::create_directories(FDir);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(FDir, ec);
  }
  // Points the component at this test's folder and records its message boxes.
  void Attach(TAutoIni& ini) {
    ini.ExecutablePath = [this] { return FDir / "kestrilon.exe"; };
    ini.ShowMessage = [this](const std::string& m) { FMessages.push_back(m); };
  }
  fs::path IniPath() const { return FDir / "kestrilon.ini"; }

  fs::path FDir;
  std::vector<std::string> FMessages;
};

// One control of each kind on a form, each in a row of the table.
struct EveryKind {
  std::unique_ptr<TForm> form = MakeForm<TForm>();
  TAutoIni* auto_ini;
  TEdit* edit;
  TCheckBox* check;
  TRadioButton* radio;
  TRadioGroup* group;
  TListBox* list;
  TComboBox* combo;
  THotKey* hot;
  TShape* shape;

  explicit EveryKind(int tag = 0) {
    TForm* f = form.get();
    f->SetName("Main");
    shape = Make<TShape>(f, f, "Shape", tag);  // not windowed: first among the children
    Make<TButton>(f, f, "Button", tag);
    edit = Make<TEdit>(f, f, "Edit", tag);
    check = Make<TCheckBox>(f, f, "Check", tag);
    radio = Make<TRadioButton>(f, f, "Radio", tag);
    group = Make<TRadioGroup>(f, f, "Group", tag);
    for (const char* item : {"a", "b", "c"}) group->Items().Add(item);
    list = Make<TListBox>(f, f, "List", tag);
    for (const char* item : {"a", "b", "c"}) list->Items().Add(item);
    combo = Make<TComboBox>(f, f, "Combo", tag);
    for (const char* item : {"a", "b", "c"}) combo->Items().Add(item);
    hot = Make<THotKey>(f, f, "Hot", tag);
    auto_ini = new TAutoIni(f);
    auto_ini->SetSection("S");
  }
  void SetValues() {
    shape->Brush().SetColor(0x123456);
    edit->SetText("田中 text");
    check->SetChecked(true);
    radio->SetChecked(true);
    group->SetItemIndex(2);
    list->SetItemIndex(1);
    combo->SetItemIndex(0);
    hot->SetHotKey({'V', hkCtrl | hkAlt});
  }
};

TEST_F(AutoIniTest, EveryRowSavesAndLoadsItsValueUnderTheControlsName) {
  EveryKind k;
  Attach(*k.auto_ini);
  k.SetValues();
  k.auto_ini->SaveIni();
  EXPECT_EQ(Slurp(IniPath()), "[S]\r\nShape=1193046\r\nEdit=" + Sjis("田中 text") +
                                  "\r\nCheck=1\r\nRadio=1\r\nGroup=2\r\nList=1\r\nCombo=0\r\n"
                                  "Hot=Ctrl+Alt+V\r\n");

  EveryKind fresh;
  Attach(*fresh.auto_ini);
  fresh.auto_ini->LoadIni();
  EXPECT_EQ(fresh.shape->Brush().Color(), 0x123456);
  EXPECT_EQ(fresh.edit->Text(), "田中 text");
  EXPECT_TRUE(fresh.check->Checked());
  EXPECT_TRUE(fresh.radio->Checked());
  EXPECT_EQ(fresh.group->ItemIndex(), 2);
  EXPECT_EQ(fresh.list->ItemIndex(), 1);
  EXPECT_EQ(fresh.combo->ItemIndex(), 0);
  EXPECT_EQ(fresh.hot->HotKey(), (THotKeyValue{'V', hkCtrl | hkAlt}));
}

TEST_F(AutoIniTest, CheckControlsLeavesOutTheKindsNotInTheSet) {
  struct Case {
    TCheckControl left_out;
    const char* key;
  } cases[] = {{ccEdit, "Edit="},        {ccCheckBox, "Check="}, {ccRadioButton, "Radio="},
               {ccRadioGroup, "Group="}, {ccListBox, "List="},   {ccComboBox, "Combo="},
               {ccColor, "Shape="},      {ccHotKey, "Hot="}};
  for (const auto& c : cases) {
    fs::remove(IniPath());
    EveryKind k;
    Attach(*k.auto_ini);
    TCheckControls set = TCheckControls::All();
    set.Exclude(c.left_out);
    k.auto_ini->SetCheckControls(set);
    k.auto_ini->SaveIni();
    const std::string text = Slurp(IniPath());
    EXPECT_EQ(text.find(c.key), std::string::npos) << c.key;
    for (const auto& other : cases) {
      if (other.left_out == c.left_out) continue;
      EXPECT_NE(text.find(other.key), std::string::npos) << c.key;
    }
  }
  EXPECT_EQ(TCheckControls::All().Bits(), 0xFF);
  EXPECT_EQ((TCheckControls{ccEdit, ccHotKey}.Bits()), 0x81);
  EXPECT_EQ(TAutoIni(nullptr).CheckControls(), TCheckControls::All());
}

TEST_F(AutoIniTest, AControlLeftOutByItsKindIsWalkedIfItHasChildren) {
  auto form = MakeForm<TForm>();
  auto* group = Make<TRadioGroup>(form.get(), form.get(), "Group");
  group->Items().Add("a");
  Make<TCheckBox>(form.get(), group, "Inner")->SetChecked(true);
  auto* ini = new TAutoIni(form.get());
  ini->SetSection("S");
  Attach(*ini);
  ini->SaveIni();
  EXPECT_EQ(Slurp(IniPath()), "[S]\r\nGroup=-1\r\n");  // handled as a group: not walked
  ini->SetCheckControls({ccCheckBox});
  fs::remove(IniPath());
  ini->SaveIni();
  EXPECT_EQ(Slurp(IniPath()), "[S]\r\nInner=1\r\n");
}

TEST_F(AutoIniTest, TheTagFilterSelectsControlsButContainersAreAlwaysWalked) {
  auto form = MakeForm<TForm>();
  TForm* f = form.get();
  auto* outer = Make<TGroupBox>(f, f, "Outer", 1);  // untagged container
  auto* inner = Make<TGroupBox>(f, outer, "Inner", 5);
  Make<TCheckBox>(f, inner, "Deep5", 5)->SetChecked(true);
  Make<TCheckBox>(f, inner, "Deep0", 0)->SetChecked(true);
  Make<TCheckBox>(f, outer, "Mid5", 5)->SetChecked(true);
  Make<TCheckBox>(f, f, "Top0", 0)->SetChecked(true);
  auto* group = Make<TRadioGroup>(f, f, "Group0", 0);  // a tagged-out control is not walked
  Make<TCheckBox>(f, group, "InGroup5", 5);
  auto* ini = new TAutoIni(f);
  ini->SetSection("S");
  ini->SetCheckTag(true);
  ini->SetEnableTag(5);
  Attach(*ini);
  ini->SaveIni();
  EXPECT_EQ(Slurp(IniPath()), "[S]\r\nDeep5=1\r\nMid5=1\r\n");

  // Loading obeys the same filter.
  Spit(IniPath(), "[S]\r\nDeep5=0\r\nDeep0=0\r\nMid5=0\r\nTop0=0\r\n");
  ini->LoadIni();
  EXPECT_FALSE(dynamic_cast<TCheckBox*>(f->FindComponent("Deep5"))->Checked());
  EXPECT_TRUE(dynamic_cast<TCheckBox*>(f->FindComponent("Deep0"))->Checked());
  EXPECT_FALSE(dynamic_cast<TCheckBox*>(f->FindComponent("Mid5"))->Checked());
  EXPECT_TRUE(dynamic_cast<TCheckBox*>(f->FindComponent("Top0"))->Checked());
}

TEST_F(AutoIniTest, LoadingReadsValuesAsTheIntegerRuleAndTheRadioGroupAllow) {
  struct Case {
    const char* stored;  // the text after the key's "="; nullptr: no such key
    int number_mode;     // the group starts at 1 (three items)
    bool show_form;      // the check box starts checked
  } cases[] = {
      {nullptr, 1, true}, {"2", 2, true},   {"7", 2, true}, {"-5", -1, true},  {"0x1", 1, true},
      {"0", 0, false},    {"abc", 1, true}, {"", 1, true},  {" 0 ", 0, false}, {"\"0\"", 0, false},
  };
  for (const auto& c : cases) {
    EveryKind k;
    Attach(*k.auto_ini);
    k.auto_ini->SetSection("User");
    k.group->SetItemIndex(1);
    k.check->SetChecked(true);
    Spit(IniPath(),
         c.stored ? std::string("[user]\r\ngroup=") + c.stored + "\r\nCHECK=" + c.stored + "\r\n"
                  : std::string("[User]\r\n"));
    k.auto_ini->LoadIni();
    const std::string label = c.stored ? c.stored : "(missing)";
    EXPECT_EQ(k.group->ItemIndex(), c.number_mode) << label;
    EXPECT_EQ(k.check->Checked(), c.show_form) << label;
  }
  // 2 counts as checked, as any value but 0 does.
  EveryKind k;
  Attach(*k.auto_ini);
  k.auto_ini->SetSection("User");
  Spit(IniPath(), "[User]\r\nCheck=2\r\n");
  k.auto_ini->LoadIni();
  EXPECT_TRUE(k.check->Checked());
}

TEST_F(AutoIniTest, AHotKeysTextIsReadAsWrittenByHandAndUnreadableTextIsNoKey) {
  const struct {
    const char* stored;   // nullptr: no such key
    THotKeyValue loaded;  // the control starts at Ctrl+Alt+V
    // clang-format off
  } cases[] = {
      {nullptr, {'V', hkCtrl | hkAlt}}, {" shift + win+F12 ", {0x7B, hkShift | hkWin}},
      {"", {}},                         {"Ctrl+Alt+Foo", {}},
      {"\"Ctrl+V\"", {'V', hkCtrl}},  // quotes come off, as the system reads a value
  };
  // clang-format on
  for (const auto& c : cases) {
    EveryKind k;
    Attach(*k.auto_ini);
    k.auto_ini->SetCheckControls({ccHotKey});
    k.hot->SetHotKey({'V', hkCtrl | hkAlt});
    Spit(IniPath(),
         std::string("[S]\r\n") + (c.stored ? std::string("Hot=") + c.stored + "\r\n" : ""));
    k.auto_ini->LoadIni();
    EXPECT_EQ(HotKeyToText(k.hot->HotKey()), HotKeyToText(c.loaded))
        << (c.stored ? c.stored : "(missing)");
  }
}

TEST_F(AutoIniTest, PositionAndSizeFollowCheckWinStateAndCheckWinSize) {
  struct Case {
    bool state, size;
    std::string saved;
  } cases[] = {
      {false, false, ""},  // nothing at all to save: no file either
      {false, true, ""},
      {true, false, "[S]\r\nMainTop=20\r\nMainLeft=10\r\n"},
      {true, true, "[S]\r\nMainTop=20\r\nMainLeft=10\r\nMainheight=40\r\nMainwidth=30\r\n"},
  };
  for (const auto& c : cases) {
    fs::remove(IniPath());
    auto form = MakeForm<TForm>();
    form->SetName("Main");
    form->SetBounds(10, 20, 30, 40);
    auto* ini = new TAutoIni(form.get());
    ini->SetSection("S");
    ini->SetCheckWinState(c.state);
    ini->SetCheckWinSize(c.size);
    Attach(*ini);
    ini->SaveIni();
    EXPECT_EQ(fs::exists(IniPath()) ? Slurp(IniPath()) : "", c.saved);
  }
  // Loading: Top and Left default to 0, height and width to the current size.
  auto form = MakeForm<TForm>();
  form->SetName("Main");
  form->SetBounds(10, 20, 30, 40);
  auto* ini = new TAutoIni(form.get());
  ini->SetSection("S");
  ini->SetCheckWinState(true);
  ini->SetCheckWinSize(true);
  Attach(*ini);
  Spit(IniPath(), "[S]\r\nMainwidth=300\r\n");
  ini->LoadIni();
  EXPECT_EQ(form->Left(), 0);
  EXPECT_EQ(form->Top(), 0);
  EXPECT_EQ(form->Width(), 300);
  EXPECT_EQ(form->Height(), 40);
  // With no file at all, only the position changes.
  fs::remove(IniPath());
  form->SetBounds(10, 20, 30, 40);
  ini->LoadIni();
  EXPECT_EQ(form->Left(), 0);
  EXPECT_EQ(form->Top(), 0);
  EXPECT_EQ(form->Width(), 30);
  EXPECT_EQ(form->Height(), 40);
  EXPECT_FALSE(fs::exists(IniPath()));
}

TEST_F(AutoIniTest, PathAndSectionFollowTheExecutable) {
  auto form = MakeForm<TForm>();
  auto* ini = new TAutoIni(form.get());
  Attach(*ini);
  Make<TCheckBox>(form.get(), form.get(), "Box");
  ini->SaveIni();  // empty section: the executable's file name, which the property keeps
  EXPECT_EQ(ini->Section(), "kestrilon.exe");
  EXPECT_EQ(ini->IniPath(), FDir / "kestrilon.ini");
  EXPECT_EQ(Slurp(IniPath()), "[kestrilon.exe]\r\nBox=0\r\n");

  ini->SetAIniFileName("conf.ini");
  ini->SaveIni();
  EXPECT_EQ(ini->IniPath(), FDir / "conf.ini");
  EXPECT_TRUE(fs::exists(FDir / "conf.ini"));

  ini->ExecutablePath = [this] { return FDir / "NoExtension"; };
  ini->SetAIniFileName("");
  ini->LoadIni();
  EXPECT_EQ(ini->IniPath(), FDir / "NoExtension.ini");

  ini->SetAIniFileName("conf.ini");
  ini->SetMakeIniWinDir(true);
  ini->LoadIni();
  EXPECT_EQ(ini->IniPath(), fs::path("conf.ini"));
  ini->SetAIniFileName("");
  ini->LoadIni();
  EXPECT_EQ(ini->IniPath(), fs::path("NoExtension.ini"));
  EXPECT_EQ(ini->Section(), "kestrilon.exe");
}

TEST_F(AutoIniTest, AFailedSaveShowsItsMessageThenPassesTheErrorOnAndKeepsTheFile) {
  EveryKind k;
  Attach(*k.auto_ini);
  k.auto_ini->SetSection("User");
  k.auto_ini->SetAIniFileName("missing/kestrilon.ini");
  try {
    k.auto_ini->SaveIni();
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const EIniFileError& e) {
    EXPECT_EQ(FMessages, std::vector<std::string>{"Can not save to IniFile"});
    EXPECT_EQ(std::string(e.what()),
              (FDir / "missing" / "kestrilon.ini").string() + " に書き込めません");
  }

  // A read-only file: not one key of it changes.
  const std::string old_text = "[User]\r\nGroup=2\r\nCheck=1\r\n";
  Spit(IniPath(), old_text);
  fs::permissions(IniPath(), fs::perms::owner_read);
  k.auto_ini->SetAIniFileName("");
  FMessages.clear();
  EXPECT_THROW(k.auto_ini->SaveIni(), EIniFileError);
  EXPECT_EQ(FMessages, std::vector<std::string>{"Can not save to IniFile"});
  EXPECT_EQ(Slurp(IniPath()), old_text);

  // An edit text the file can't hold (a line break, a character code page 932 lacks).
  fs::permissions(IniPath(), fs::perms::owner_all);
  for (const char* text : {"two\r\nlines", "emoji \xF0\x9F\x98\x80"}) {
    k.edit->SetText(text);
    FMessages.clear();
    EXPECT_THROW(k.auto_ini->SaveIni(), EIniFileError) << text;
    EXPECT_EQ(FMessages, std::vector<std::string>{"Can not save to IniFile"});
    EXPECT_EQ(Slurp(IniPath()), old_text);
  }
}

TEST_F(AutoIniTest, AnOwnerOfTheWrongClassIsAnInvalidCastReportedTheSameWay) {
  TComponent plain(nullptr);
  auto* ini = new TAutoIni(&plain);
  Attach(*ini);
  ini->SetSection("S");
  EXPECT_THROW(ini->SaveIni(), EInvalidCast);  // no form for CheckWinState... nor a container
  EXPECT_THROW(ini->LoadIni(), EInvalidCast);
  ini->SetCheckWinState(true);
  EXPECT_THROW(ini->LoadIni(), EInvalidCast);
  EXPECT_EQ(FMessages,
            (std::vector<std::string>{"Can not save to IniFile", "Can not load from IniFile",
                                      "Can not load from IniFile"}));
  EXPECT_FALSE(fs::exists(IniPath()));

  auto group = std::make_unique<TGroupBox>(nullptr);  // windowed, but not a form
  auto* on_group = new TAutoIni(group.get());
  Attach(*on_group);
  on_group->SetCheckWinState(true);
  FMessages.clear();
  EXPECT_THROW(on_group->SaveIni(), EInvalidCast);
  EXPECT_EQ(FMessages, std::vector<std::string>{"Can not save to IniFile"});
}

TEST_F(AutoIniTest, CorruptFilesLoadWithoutHarmAndLeaveTheControlsAsTheyWere) {
  std::string garbage;
  for (int i = 0; i < 65536; ++i) garbage += static_cast<char>((i * 7919 + i / 256) & 0xFF);
  struct Case {
    std::string text;
    int number_mode;  // starts at 1; the check box starts checked and stays so in every case
  } cases[] = {
      {garbage, 1},
      {"[User]\r\nGroup=" + std::string(1 << 20, '1') + "\r\nCheck=" + std::string(1 << 20, 'x'),
       1},
      {"[User]\rGroup=\rCheck=abc\r", 1},
      {"[User]\r\nGroup=\x82", 1},             // a lead byte cut off at the end
      {"[User\r\nGroup=2\r\nCheck=0\r\n", 1},  // no closing bracket: no section
      // A NUL ends the value, as the system's functions read it.
      {"[User]\r\nGroup=2\0\r\nCheck=\0\r\n"s + std::string(100, '\0'), 2},
  };
  for (const auto& c : cases) {
    EveryKind k;
    Attach(*k.auto_ini);
    k.auto_ini->SetSection("User");
    k.group->SetItemIndex(1);
    k.check->SetChecked(true);
    Spit(IniPath(), c.text);
    k.auto_ini->LoadIni();
    EXPECT_EQ(k.group->ItemIndex(), c.number_mode) << c.text.substr(0, 30);
    EXPECT_TRUE(k.check->Checked()) << c.text.substr(0, 30);
    EXPECT_TRUE(FMessages.empty());
  }
  // Odd line ends and a missing final line end still carry good values.
  for (const std::string text : {"[User]\rGroup=2\rCheck=0", "[User]\nGroup=2\nCheck=0"}) {
    EveryKind k;
    Attach(*k.auto_ini);
    k.auto_ini->SetSection("User");
    k.check->SetChecked(true);
    Spit(IniPath(), text);
    k.auto_ini->LoadIni();
    EXPECT_EQ(k.group->ItemIndex(), 2);
    EXPECT_FALSE(k.check->Checked());
  }
}

TEST_F(AutoIniTest, TextsAndSectionNamesGoToTheFileInCodePage932) {
  EveryKind k;
  Attach(*k.auto_ini);
  k.auto_ini->SetSection("ユーザー");
  k.auto_ini->SetCheckControls({ccEdit});
  k.edit->SetText("“引用” ソ表");
  k.auto_ini->SaveIni();
  EXPECT_EQ(Slurp(IniPath()), "[" + Sjis("ユーザー") + "]\r\nEdit=" + Sjis("“引用” ソ表") + "\r\n");
  k.edit->SetText("changed");
  k.auto_ini->LoadIni();
  EXPECT_EQ(k.edit->Text(), "“引用” ソ表");

  // A user name with a character code page 932 lacks is looked up as the ANSI functions see it.
  k.auto_ini->SetSection("J\xC3\xBCrgen");  // Jürgen
  Spit(IniPath(), "[J?rgen]\r\nEdit=found\r\n");
  k.auto_ini->LoadIni();
  EXPECT_EQ(k.edit->Text(), "found");
  // A stored text that doesn't decode leaves the edit as it is.
  Spit(IniPath(), "[J?rgen]\r\nEdit=abc\x82\r\n");
  k.auto_ini->LoadIni();
  EXPECT_EQ(k.edit->Text(), "found");
}

TEST_F(AutoIniTest, UnnamedControlsHaveNoKeyAndAreSkipped) {
  auto form = MakeForm<TForm>();
  auto* unnamed = new TCheckBox(form.get());
  unnamed->SetParent(form.get());
  unnamed->SetChecked(true);
  Make<TCheckBox>(form.get(), form.get(), "Named");
  auto* ini = new TAutoIni(form.get());
  ini->SetSection("S");
  Attach(*ini);
  ini->SaveIni();
  EXPECT_EQ(Slurp(IniPath()), "[S]\r\nNamed=0\r\n");
}

}  // namespace
}  // namespace kestrilon::settings
