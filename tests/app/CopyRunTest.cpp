// The run on each copy, as the form drives it under Wine's real clipboard: its own writes, the
// priority, the retries of a held clipboard, private copies, the swap, failures of every system
// call, and the programs left alone or given a preset.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../clipboard/ClipboardTestSupport.h"
#include "../framework/WinTestSupport.h"
#include "../tray/TrayTestSupport.h"
#include "ClipboardText.h"
#include "Exceptions.h"
#include "Presets.h"
#include "Setting.h"
#include "WinText.h"

namespace kestrilon::app {
namespace {

using clipboard::testing::Block;
using clipboard::testing::Copy;
using clipboard::testing::Dword;
using clipboard::testing::Paste;
using clipboard::testing::PasteAnsi;
using framework::Application;
using framework::TObject;
using framework::testing::PumpUntil;
using framework::testing::Settle;

// The settings the form saves beside this program: a preset a test leaves there would change
// the next run's copies.
std::filesystem::path IniBesideTests() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(std::wstring(path, n)).replace_extension(".ini");
}

// The form's run: the marks, the priority, the retries.
class FilterRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove(IniBesideTests());
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    form = framework::MakeForm<TForm1>();
    Settle();
  }
  void TearDown() override {
    form.reset();
    Application().SetOnException(nullptr);
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
  }
  std::unique_ptr<TForm1> form;
};

TEST_F(FilterRun, StartsIdleAndFiltersEachCopyOnceHoweverLateOrOftenItsOwnNoticeComes) {
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
  dynamic_cast<framework::TCheckBox&>(*form->FindComponent("RepAmp")).SetChecked(true);
  Copy(u"a&b");
  ASSERT_TRUE(PumpUntil([&] { return Paste() == u"a&amp;b\r\n"; }));
  // Notices of the program's own write, as a late or repeating sender would deliver them.
  for (int i = 0; i < 3; ++i) SendMessageW(form->ClipTrap->Handle(), WM_CLIPBOARDUPDATE, 0, 0);
  Settle();
  EXPECT_EQ(Paste(), u"a&amp;b\r\n") << "its own write must not be filtered again";
  // Another program adds a format to that write without emptying the clipboard: the text is
  // still the run's own, though the clipboard's number moved on.
  ASSERT_TRUE(OpenClipboard(nullptr));
  const DWORD added = 1;
  EXPECT_NE(SetClipboardData(RegisterClipboardFormatW(L"Added Later"), Block(&added, sizeof added)),
            nullptr);
  CloseClipboard();
  SendMessageW(form->ClipTrap->Handle(), WM_CLIPBOARDUPDATE, 0, 0);
  Settle();
  EXPECT_EQ(Paste(), u"a&amp;b\r\n") << "a format added to its own write";
  EXPECT_FALSE(form->Busy());
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
  // The same text copied by another program is a new copy: what counts is who wrote it.
  Copy(u"a&amp;b\r\n");
  EXPECT_TRUE(PumpUntil([&] { return Paste() == u"a&amp;amp;b\r\n"; }));
}

TEST_F(FilterRun, RunsAtNormalPriorityAndPausedLeavesTheClipboard) {
  DWORD during = 0;
  form->Run().Api.Open = [&](HWND owner) {
    if (form->Busy()) during = GetPriorityClass(GetCurrentProcess());
    return OpenClipboard(owner);
  };
  Copy(u"abc");
  ASSERT_TRUE(PumpUntil([&] { return Paste() == u"abc\r\n"; }));
  EXPECT_EQ(during, static_cast<DWORD>(NORMAL_PRIORITY_CLASS));

  form->SetPaused(true);
  Copy(u"paused");
  Settle();
  Sleep(200);
  Settle();
  EXPECT_EQ(Paste(), u"paused");
}

// Another program keeps the clipboard open right after a copy: no box, no wait in the loop; the
// timer tries again for the whole patience after the newest copy, and only that copy is filtered
// once the clipboard opens. A pause stops the retry, unless the user asked for the copy.
TEST_F(FilterRun, AHeldClipboardIsTriedAgainFromTheTimer) {
  struct Case {
    const char* what;
    bool forced;          // filter now asked for the copy
    bool newer;           // a second copy, late in the first one's patience
    bool paused;          // the user pauses while the clipboard is held
    std::u16string left;  // the clipboard's text once it opens
  };
  const Case cases[] = {
      {"the newest copy, with patience of its own", false, true, false, u"two\r\n"},
      {"paused: left alone", false, false, true, u"one"},
      {"asked for, then paused: filtered", true, false, true, u"one\r\n"},
  };
  std::vector<std::string> errors;
  Application().SetOnException(
      [&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
  bool held = true;
  int refusals = 0;
  ULONGLONG now = 0;
  form->Run().Clock = [&] { return now; };
  form->Run().Api.Open = [&](HWND owner) {
    if (!held) return OpenClipboard(owner);
    ++refusals;
    return FALSE;
  };
  // Waits for one more try, which sees the clock and the clipboard as they are now.
  auto triedAgain = [&] {
    const int before = refusals;
    return PumpUntil([&] { return refusals > before; });
  };
  for (const Case& c : cases) {
    form->SetPaused(false);
    held = true;
    now = 10000;
    Copy(u"one");
    ASSERT_TRUE(PumpUntil([&] { return form->Retrying(); })) << c.what;
    if (c.forced) form->FilterNow();
    if (c.newer) {
      now += CopyRun::kRetryPatience - 500;
      Copy(u"two");
      ASSERT_TRUE(triedAgain()) << c.what;
      now += 1000;  // past the first copy's patience, within the second's
      ASSERT_TRUE(triedAgain()) << c.what;
      EXPECT_TRUE(form->Retrying()) << c.what;
      EXPECT_FALSE(form->Busy()) << c.what;
    }
    if (c.paused) form->SetPaused(true);
    held = false;
    ASSERT_TRUE(PumpUntil([&] { return !form->Retrying(); })) << c.what;
    Settle();
    EXPECT_EQ(Paste(), c.left) << c.what;
  }
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(FilterRun, AClipboardThatStaysShutIsSaidOnceInABalloonAndTheNextCopyIsFiltered) {
  form.reset();
  tray::testing::RecordingShell shell;  // the form's icon is added through it
  form = framework::MakeForm<TForm1>();
  ASSERT_TRUE(form->TrayIcon->TaskTrayIcon().Added());
  std::vector<std::string> errors;
  Application().SetOnException(
      [&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
  form->Run().Api.Open = [&](HWND) { return FALSE; };
  auto balloons = [&] {
    std::vector<std::string> texts;
    for (const tray::testing::ShellCall& call : shell.Calls)
      if (call.Message == NIM_MODIFY && (call.Data.uFlags & NIF_INFO))
        texts.push_back(call.Data.szInfo);
    return texts;
  };
  ULONGLONG now = 10000;
  form->Run().Clock = [&] { return now; };
  Copy(u"shut");
  ASSERT_TRUE(PumpUntil([&] { return form->Retrying(); }));
  EXPECT_TRUE(balloons().empty()) << "said only once the patience is over";
  now += CopyRun::kRetryPatience;
  ASSERT_TRUE(PumpUntil([&] { return !balloons().empty(); }));
  EXPECT_FALSE(form->Retrying());
  Settle();
  // "クリップボードを開くことができません" in code page 932.
  EXPECT_EQ(balloons(),
            std::vector<std::string>{"\x83\x4e\x83\x8a\x83\x62\x83\x76\x83\x7b\x81\x5b\x83\x68"
                                     "\x82\xf0\x8a\x4a\x82\xad\x82\xb1\x82\xc6\x82\xaa\x82\xc5"
                                     "\x82\xab\x82\xdc\x82\xb9\x82\xf1"});
  EXPECT_TRUE(errors.empty()) << "no box: " << errors.front();
  EXPECT_FALSE(form->Busy());
  EXPECT_EQ(Paste(), u"shut");

  form->Run().Api.Open = [](HWND owner) { return OpenClipboard(owner); };
  Copy(u"open");
  EXPECT_TRUE(PumpUntil([&] { return Paste() == u"open\r\n"; }));
}

// A permission format that can't be read, or holds less than its DWORD, says no: a copy is never
// taken for public by mistake.
TEST_F(FilterRun, PrivateCopiesAreLeftAloneWithTheirMarkers) {
  enum Refused { None, GetData, Lock };  // the call that fails for the marker's data
  struct Case {
    const wchar_t* marker;
    std::string data;
    Refused refused;
    bool filtered;
  };
  const std::string yes = Dword(1), no = Dword(0), shortYes(2, '\x01');
  const Case cases[] = {
      {L"ExcludeClipboardContentFromMonitorProcessing", yes, None, false},
      {L"Clipboard Viewer Ignore", yes, None, false},
      {L"CanIncludeInClipboardHistory", no, None, false},
      {L"CanUploadToCloudClipboard", no, None, false},
      {L"CanIncludeInClipboardHistory", yes, None, true},
      {L"CanUploadToCloudClipboard", yes, None, true},
      {L"CanIncludeInClipboardHistory", shortYes, None, false},
      {L"CanUploadToCloudClipboard", yes, GetData, false},
      {L"CanIncludeInClipboardHistory", yes, Lock, false},
  };
  dynamic_cast<framework::TCustomRadioGroup&>(*form->FindComponent("UpDownCase")).SetItemIndex(2);
  int opens = 0;
  UINT marker = 0;
  Refused refused = None;
  clipboard::ClipboardApi& api = form->Run().Api;
  api.Open = [&](HWND owner) {
    ++opens;
    return OpenClipboard(owner);
  };
  api.GetData = [&](UINT format) {
    return refused == GetData && format == marker ? nullptr : GetClipboardData(format);
  };
  api.Lock = [&](HGLOBAL block) {
    return refused == Lock && block == GetClipboardData(marker) ? nullptr : GlobalLock(block);
  };
  const char* refusals[] = {"", ", its data refused", ", its lock refused"};
  for (const Case& c : cases) {
    const std::string name = framework::win::Narrow(c.marker) + ", " +
                             std::to_string(c.data.size()) + " bytes" + refusals[c.refused];
    opens = 0;
    marker = RegisterClipboardFormatW(c.marker);
    refused = c.refused;
    Copy(u"secret", c.marker, c.data);
    ASSERT_TRUE(PumpUntil([&] { return opens > 0 && !form->Busy(); })) << name;
    Settle();
    EXPECT_EQ(Paste(), c.filtered ? u"SECRET\r\n" : u"secret") << name;
    if (!c.filtered) {
      EXPECT_TRUE(IsClipboardFormatAvailable(marker)) << name << ": the marker stays";
      EXPECT_EQ(opens, 1) << name << ": looked at once, never written";
    }
  }
}

// Undo puts back the copy exactly as it was, as the program's own write, and then puts back the
// filtered text again, back and forth; the menu says which. The next copy is filtered as ever.
TEST_F(FilterRun, SwapPutsBackEitherVersionExactlyAndOnlyWhileItIsTheLastCopy) {
  dynamic_cast<framework::TCheckBox&>(*form->FindComponent("RepAmp")).SetChecked(true);
  EXPECT_FALSE(form->CanSwap());
  EXPECT_FALSE(form->Undo1->Enabled());
  const std::u16string original = u"a&b 😀\nline2\r";
  Copy(original);
  ASSERT_TRUE(PumpUntil([&] { return Paste() == u"a&amp;b 😀\r\nline2\r\n"; }));
  EXPECT_TRUE(form->CanSwap());
  EXPECT_TRUE(form->Undo1->Enabled());
  EXPECT_EQ(form->Undo1->Caption(), "元に戻す(&U)");
  for (const bool back : {true, false, true}) {
    form->Undo1Click(*form->Undo1);
    for (int i = 0; i < 3; ++i) SendMessageW(form->ClipTrap->Handle(), WM_CLIPBOARDUPDATE, 0, 0);
    Settle();
    EXPECT_EQ(Paste(), back ? original : u"a&amp;b 😀\r\nline2\r\n")
        << "put back as it was, and not filtered again";
    EXPECT_EQ(PasteAnsi(), back ? "a&b ?\nline2\r" : "a&amp;b ?\r\nline2\r\n")
        << "its ANSI form too";
    EXPECT_EQ(form->Undo1->Caption(), back ? "変換し直す(&U)" : "元に戻す(&U)");
    EXPECT_TRUE(form->Undo1->Enabled());
  }
  form->FilterNow();
  Settle();
  EXPECT_EQ(Paste(), u"a&amp;b 😀\r\nline2\r\n")
      << "filter now on the original: the filtered version, once";
  form->FilterNow();
  Settle();
  EXPECT_EQ(Paste(), u"a&amp;b 😀\r\nline2\r\n") << "filter now on its own write: nothing more";
  Copy(u"c&d");
  EXPECT_TRUE(PumpUntil([&] { return Paste() == u"c&amp;d\r\n"; }));

  // A later copy that is left alone makes the kept original stale.
  struct Later {
    const char* what;
    std::function<void()> copy;
  };
  // clang-format off
  const Later laters[] = {
      {"a private copy", [] { Copy(u"pw&", L"Clipboard Viewer Ignore"); }},
      {"a copy that changes nothing", [] { Copy(u"plain\r\n"); }},
      {"a copy while paused", [&] {
         form->SetPaused(true);
         Copy(u"paused&");
       }},
      {"a copy that meets a held clipboard", [&] {
         form->Run().Api.Open = [](HWND) { return FALSE; };
         Copy(u"held&");
       }},
  };
  // clang-format on
  for (const Later& later : laters) {
    form->Run().Api = {};
    form->SetPaused(false);
    Copy(u"e&f");
    ASSERT_TRUE(PumpUntil([&] { return form->CanSwap(); })) << later.what;
    later.copy();
    EXPECT_TRUE(PumpUntil([&] { return !form->CanSwap(); })) << later.what;
    EXPECT_FALSE(form->Undo1->Enabled()) << later.what;
  }
  form->Run().Api = {};
  form->SetPaused(false);
}

// A copy that filtering leaves as it was keeps everything its program put on the clipboard.
TEST_F(FilterRun, ACopyThatFilteringLeavesAsItWasKeepsItsFormatsAndIsNotWritten) {
  int opens = 0;
  form->Run().Api.Open = [&](HWND owner) {
    ++opens;
    return OpenClipboard(owner);
  };
  Copy(u"already\r\n", L"Rich Text Format", Dword(7));
  const DWORD copied = GetClipboardSequenceNumber();
  ASSERT_TRUE(PumpUntil([&] { return opens > 0 && !form->Busy(); }));
  Settle();
  EXPECT_EQ(opens, 1) << "read, never written";
  EXPECT_EQ(GetClipboardSequenceNumber(), copied);
  EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(L"Rich Text Format")));
  EXPECT_FALSE(form->CanSwap());
}

// A program that copies while an earlier copy is being filtered keeps its copy: the run writes
// nothing over it, and the newer copy is filtered in its turn. Undo never replaces a newer copy.
TEST_F(FilterRun, ACopyMadeDuringARunOrBeforeAnUndoIsNeverOverwritten) {
  dynamic_cast<framework::TCheckBox&>(*form->FindComponent("RepAmp")).SetChecked(true);
  int opens = 0;
  form->Run().Api.Open = [&](HWND owner) {
    if (++opens == 2) Copy(u"newer&");  // between the run's read and its write
    return OpenClipboard(owner);
  };
  Copy(u"older&");
  ASSERT_TRUE(PumpUntil([&] { return Paste() == u"newer&amp;\r\n"; }));
  Settle();
  EXPECT_EQ(Paste(), u"newer&amp;\r\n");
  ASSERT_TRUE(form->CanSwap());

  Copy(u"newest&");  // its notice not yet heard
  form->Undo1Click(*form->Undo1);
  EXPECT_EQ(Paste(), u"newest&") << "undo must not put back an older copy over it";
  EXPECT_TRUE(PumpUntil([&] { return Paste() == u"newest&amp;\r\n"; }));
}

// Each system call of the run fails once, in turn, in the read and in the write. The clipboard
// then holds the copy or its filtered form, never nothing and never half; no exception escapes;
// a failed write is told in a balloon; the next copy is filtered as usual.
TEST_F(FilterRun, ASystemCallThatFailsLosesNothing) {
  enum Call { Open, Close, Empty, GetData, SetData, Alloc, Lock };
  struct Case {
    const char* what;
    Call call;
    int nth;  // the how-manieth call of its kind in the run
    bool filtered;
  };
  const Case cases[] = {
      {"open for the read", Open, 1, true},      {"read the text", GetData, 1, true},
      {"lock the text read", Lock, 1, true},     {"close after the read", Close, 1, true},
      {"open for the write", Open, 2, true},     {"empty", Empty, 1, false},
      {"allocate the text", Alloc, 1, false},    {"lock the text", Lock, 2, false},
      {"set the text", SetData, 1, false},       {"allocate the ANSI text", Alloc, 2, false},
      {"lock the ANSI text", Lock, 3, false},    {"set the ANSI text", SetData, 2, false},
      {"allocate the locale", Alloc, 3, false},  {"set the locale", SetData, 3, false},
      {"close after the write", Close, 2, true},
  };
  std::vector<std::string> errors;
  Application().SetOnException(
      [&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
  dynamic_cast<framework::TCheckBox&>(*form->FindComponent("RepAmp")).SetChecked(true);
  Call failing = Open;
  int calls[7] = {}, nth = 0;
  // True when this call is the one to fail.
  auto fails = [&](Call call) { return ++calls[call] == nth && call == failing; };
  clipboard::ClipboardApi& api = form->Run().Api;
  api.Open = [&](HWND owner) { return fails(Open) ? FALSE : OpenClipboard(owner); };
  api.Close = [&] { return CloseClipboard() && !fails(Close); };  // reported, though it closed
  api.Empty = [&] { return fails(Empty) ? FALSE : EmptyClipboard(); };
  api.GetData = [&](UINT format) { return fails(GetData) ? nullptr : GetClipboardData(format); };
  api.SetData = [&](UINT format, HANDLE data) {
    return fails(SetData) ? nullptr : SetClipboardData(format, data);
  };
  api.Alloc = [&](UINT flags, SIZE_T size) {
    return fails(Alloc) ? nullptr : GlobalAlloc(flags, size);
  };
  api.Lock = [&](HGLOBAL block) { return fails(Lock) ? nullptr : GlobalLock(block); };
  for (const Case& c : cases) {
    std::fill(std::begin(calls), std::end(calls), 0);
    failing = c.call;
    nth = c.nth;
    form->TrayIcon->SetBalloonHelpText("");
    Copy(u"a&b");
    const std::u16string expected = c.filtered ? u"a&amp;b\r\n" : u"a&b";
    ASSERT_TRUE(PumpUntil([&] {
      return calls[c.call] >= c.nth && !form->Busy() && !form->Retrying();
    })) << c.what;
    Settle();
    EXPECT_EQ(Paste(), expected) << c.what;
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE ansiBlock = GetClipboardData(CF_TEXT);
    const auto* ansi = ansiBlock ? static_cast<const char*>(GlobalLock(ansiBlock)) : nullptr;
    EXPECT_EQ(std::string(ansi ? ansi : "(none)"),
              framework::win::Narrow(std::wstring(expected.begin(), expected.end())))
        << c.what << ": the ANSI form agrees";
    if (ansi) GlobalUnlock(ansiBlock);
    CloseClipboard();
    EXPECT_EQ(form->TrayIcon->BalloonHelpText().empty(), c.filtered) << c.what;
    EXPECT_TRUE(errors.empty()) << c.what << ": " << errors.front();
    nth = 0;
    Copy(u"next&");
    EXPECT_TRUE(PumpUntil([&] { return Paste() == u"next&amp;\r\n"; })) << c.what;
  }
  // Every empty refused: the copy stays its program's, unchanged since the run read it, so undo
  // may still put the filtered text there.
  api.Empty = [] { return FALSE; };
  form->TrayIcon->SetBalloonHelpText("");
  Copy(u"c&d");
  ASSERT_TRUE(
      PumpUntil([&] { return !form->TrayIcon->BalloonHelpText().empty() && !form->Busy(); }));
  api.Empty = [] { return EmptyClipboard(); };
  form->Undo1Click(*form->Undo1);
  EXPECT_EQ(Paste(), u"c&amp;d\r\n");
}

// Copies whose clipboard owner window belongs to a listed program are left alone.
TEST_F(FilterRun, CopiesOfAnExcludedProgramAreLeftAloneAndItsNameCanBeAdded) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"CopyingProgram";
  RegisterClassW(&wc);
  HWND window = CreateWindowW(L"CopyingProgram", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  auto copyAsProgram = [&](const std::u16string& text) {
    ASSERT_TRUE(OpenClipboard(window));  // this window owns the copy
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, Block(text.c_str(), (text.size() + 1) * sizeof(char16_t)));
    CloseClipboard();
  };
  dynamic_cast<framework::TCheckBox&>(*form->FindComponent("RepAmp")).SetChecked(true);
  copyAsProgram(u"1&");
  ASSERT_TRUE(PumpUntil([&] { return Paste() == u"1&amp;\r\n"; }));
  EXPECT_EQ(form->LastCopyProgramName(), "copyrun_win_tests.exe");
  form->ExcludeLastClick(*form);
  EXPECT_EQ(form->ExcludedPrograms().Joined(), "copyrun_win_tests.exe");
  EXPECT_EQ(form->ExcludeList->Items().Count(), 1);

  int opens = 0;
  form->Run().Api.Open = [&](HWND owner) {
    ++opens;
    return OpenClipboard(owner);
  };
  form->SetExcludedPrograms(ProgramList::Parse("EXCEL.EXE;COPYRUN_WIN_TESTS.EXE"));
  copyAsProgram(u"2&");
  Copy(u"3&");  // no owner window: no program to leave alone
  ASSERT_TRUE(PumpUntil([&] { return Paste() == u"3&amp;\r\n"; }));
  copyAsProgram(u"4&");
  const DWORD copied = GetClipboardSequenceNumber();
  ASSERT_TRUE(PumpUntil([&] { return form->LastCopyProgramName() == "copyrun_win_tests.exe"; }));
  Settle();
  EXPECT_EQ(Paste(), u"4&");
  EXPECT_EQ(GetClipboardSequenceNumber(), copied);
  EXPECT_EQ(opens, 2) << "the excluded copies are not even opened; the other is read and written";

  // Filter now filters an excluded program's copy, and swap then puts it back.
  form->FilterNow();
  EXPECT_EQ(Paste(), u"4&amp;\r\n");
  EXPECT_TRUE(form->CanSwap());

  // While paused too, the last copy's program is the one a user would add; filter now still
  // filters, a private copy never.
  form->SetPaused(true);
  Copy(u"5&");
  ASSERT_TRUE(PumpUntil([&] { return form->LastCopyProgramName().empty(); }));
  form->FilterNow();
  EXPECT_EQ(Paste(), u"5&amp;\r\n");
  Copy(u"pw&", L"Clipboard Viewer Ignore");
  Settle();
  form->FilterNow();
  EXPECT_EQ(Paste(), u"pw&");
  EXPECT_FALSE(form->CanSwap());
  copyAsProgram(u"6");
  EXPECT_TRUE(PumpUntil([&] { return form->LastCopyProgramName() == "copyrun_win_tests.exe"; }));
  form->SetPaused(false);

  // A preset per program: this program's copies follow its preset, another's the dialog's
  // settings; a preset chosen from the tray menu changes the next copy of any other program.
  form->SetExcludedPrograms(ProgramList::Parse(""));
  settings::PresetBook book;
  filter::FilterSettings upper, lower;
  upper.UpDownCase = filter::LetterCase::ToUpper;
  lower.UpDownCase = filter::LetterCase::ToLower;
  ASSERT_EQ(book.Add({"大文字 [江]", upper, ""}), settings::PresetResult::Ok);
  ASSERT_EQ(book.Add({"小文字", lower, ""}), settings::PresetResult::Ok);
  ASSERT_EQ(book.SetProgramPreset("COPYRUN_WIN_TESTS.EXE", "大文字 [江]"),
            settings::PresetResult::Ok);
  form->SetPresets(book);
  // The same text copied by this program and by another: what each copy becomes.
  auto expect = [&](const char16_t* own, const char16_t* other, const char* others_settings) {
    copyAsProgram(u"Mixed&");
    EXPECT_TRUE(PumpUntil([&] { return Paste() == own; })) << "its preset";
    Copy(u"Mixed&");
    EXPECT_TRUE(PumpUntil([&] { return Paste() == other; })) << others_settings;
  };
  expect(u"MIXED&\r\n", u"Mixed&amp;\r\n", "the dialog's");
  ASSERT_EQ(form->Presets1->Count(), 2);
  EXPECT_TRUE(form->Presets1->Items(0)->RadioItem());
  form->Presets1->Items(1)->Click();  // 小文字, from the tray menu
  EXPECT_TRUE(form->Presets1->Items(1)->Checked());
  EXPECT_EQ(form->TrayIcon->TipHelp(), "Kestrilon - 小文字");
  expect(u"MIXED&\r\n", u"mixed&\r\n", "the chosen one");
  DestroyWindow(window);
}

}  // namespace
}  // namespace kestrilon::app
