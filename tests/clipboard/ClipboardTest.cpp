// The clipboard detector as a format listener, and the form's filter run, under Wine's real
// clipboard: detectors and copies in one process, messages pumped until the expected happens.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "../framework/WinTestSupport.h"
#include "../tray/TrayTestSupport.h"
#include "ClipboardText.h"
#include "DelayedPaste.h"
#include "Exceptions.h"
#include "NkClipDetector.h"
#include "Presets.h"
#include "Setting.h"
#include "WinText.h"

namespace kestrilon::clipboard {
namespace {

using framework::Application;
using framework::TObject;
using framework::testing::PumpUntil;
using framework::testing::Settle;

// A movable block holding bytes, for SetClipboardData.
HGLOBAL Block(const void* data, std::size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (block) {
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
  }
  return block;
}

// Copies text as another program would: the clipboard holds only that text afterwards, and the
// marker a password manager adds, where one is given (its DWORD 1 unless a value is given).
void Copy(const std::u16string& text, const wchar_t* marker = nullptr,
          std::optional<DWORD> value = std::nullopt) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  ASSERT_NE(
      SetClipboardData(CF_UNICODETEXT, Block(text.c_str(), (text.size() + 1) * sizeof(char16_t))),
      nullptr);
  if (marker) {
    const DWORD data = value.value_or(1);
    EXPECT_NE(SetClipboardData(RegisterClipboardFormatW(marker), Block(&data, sizeof data)),
              nullptr);
  }
  CloseClipboard();
}

// Reads the text directly, past the seam the tests replace.
std::u16string Paste() {
  std::u16string text;
  for (int i = 0; i < 200 && !OpenClipboard(nullptr); ++i) Sleep(10);
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const char16_t*>(GlobalLock(h));
    GlobalUnlock(h);
  }
  CloseClipboard();
  return text;
}

// Each call's handler name with the clipboard's sequence number at that moment.
struct Recorder {
  std::vector<std::pair<std::string, DWORD>> calls;
  framework::TNotifyEvent Handler(std::string name) {
    return [this, name](TObject&) { calls.emplace_back(name, GetClipboardSequenceNumber()); };
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& call : calls) names.push_back(call.first);
    return names;
  }
  // Waits until a call has seen the clipboard as the copy numbered `sequence` left it.
  bool HeardOf(DWORD sequence) {
    return PumpUntil([&] { return !calls.empty() && calls.back().second >= sequence; });
  }
};

// Copies text and tells the sequence number the copy left.
DWORD CopyNumbered(const std::u16string& text) {
  Copy(text);
  return GetClipboardSequenceNumber();
}

// A window in the old clipboard-viewer chain that passes nothing on, as careless viewers do.
class SwallowingViewer {
 public:
  SwallowingViewer() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      return m == WM_DRAWCLIPBOARD ? 0 : DefWindowProcW(w, m, wp, lp);
    };
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SwallowingViewer";
    RegisterClassW(&wc);  // already registered by an earlier test: fine
    FWindow = CreateWindowW(L"SwallowingViewer", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
    FNext = SetClipboardViewer(FWindow);
  }
  ~SwallowingViewer() {
    ChangeClipboardChain(FWindow, FNext);
    DestroyWindow(FWindow);
  }
  HWND Window() const { return FWindow; }

 private:
  HWND FWindow = nullptr;
  HWND FNext = nullptr;
};

TEST(NkClipDetector, ANewDetectorListensToNothing) {
  TNkClipDetector d(nullptr);
  EXPECT_TRUE(d.IgnoreFirst());
  EXPECT_EQ(d.Handle(), nullptr);
  EXPECT_FALSE(d.OnClipChange());
}

// Starting to listen causes no notice, whatever IgnoreFirst says: the first call is the copy's.
TEST(NkClipDetector, ListensOnceAndEachHandlerHearsEachLaterChangeOnce) {
  for (const bool ignoreFirst : {true, false}) {
    Recorder r;
    TNkClipDetector d(nullptr);
    d.SetIgnoreFirst(ignoreFirst);
    d.SetOnClipChange(r.Handler("first"));
    HWND window = d.Handle();
    ASSERT_NE(window, nullptr);
    d.SetOnClipChange(r.Handler("second"));
    EXPECT_EQ(d.Handle(), window) << "a second handler must not listen again";
    const DWORD one = CopyNumbered(u"one");
    const DWORD two = CopyNumbered(u"two");
    ASSERT_TRUE(r.HeardOf(two));
    Settle();
    EXPECT_EQ(r.Names(), (std::vector<std::string>{"second", "second"}))
        << "IgnoreFirst " << ignoreFirst;
    EXPECT_GE(r.calls.front().second, one);
  }
}

TEST(NkClipDetector, EveryListenerHearsEveryChangeAndOneThatStopsHearsNoMore) {
  Recorder r;
  TNkClipDetector d1(nullptr), d2(nullptr), d3(nullptr);
  d1.SetOnClipChange(r.Handler("d1"));
  d2.SetOnClipChange(r.Handler("d2"));
  d3.SetOnClipChange(r.Handler("d3"));
  const DWORD one = CopyNumbered(u"one");
  ASSERT_TRUE(PumpUntil([&] { return r.calls.size() >= 3; }));
  auto names = r.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"d1", "d2", "d3"}));
  EXPECT_GE(r.calls.front().second, one);

  d2.SetOnClipChange(nullptr);
  EXPECT_EQ(d2.Handle(), nullptr);
  EXPECT_FALSE(d2.OnClipChange());
  d2.SetOnClipChange(nullptr);  // stopping twice changes nothing
  r.calls.clear();
  CopyNumbered(u"two");
  ASSERT_TRUE(PumpUntil([&] { return r.calls.size() >= 2; }));
  Settle();
  names = r.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"d1", "d3"}));
}

// A viewer-chain member that passes nothing on can't silence a listener.
TEST(NkClipDetector, AViewerThatPassesNothingOnCannotSilenceIt) {
  Recorder r;
  TNkClipDetector d(nullptr);
  d.SetOnClipChange(r.Handler("d"));
  SwallowingViewer viewer;
  ASSERT_NE(viewer.Window(), nullptr);
  ASSERT_EQ(GetClipboardViewer(), viewer.Window());
  EXPECT_TRUE(r.HeardOf(CopyNumbered(u"still heard")));
}

TEST(NkClipDetector, AHandlersFailureReachesTheApplicationAndTheNextChangeIsHeard) {
  std::vector<std::string> errors;
  Application().SetOnException(
      [&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
  int calls = 0;
  TNkClipDetector d(nullptr);
  d.SetOnClipChange([&](TObject&) {
    if (++calls == 1) throw framework::Exception("boom");
  });
  Copy(u"x");
  ASSERT_TRUE(PumpUntil([&] { return calls == 1; }));
  Copy(u"y");
  ASSERT_TRUE(PumpUntil([&] { return calls == 2; }));
  EXPECT_EQ(errors, std::vector<std::string>{"boom"});
  Application().SetOnException(nullptr);
}

TEST(NkClipDetector, NoWindowMeansNoHandlerAndTheMessage) {
  TNkClipDetector d(nullptr, [](framework::TWindowMethod) { return nullptr; });
  try {
    d.SetOnClipChange([](TObject&) {});
    ADD_FAILURE() << "no exception";
  } catch (const framework::EOutOfResources& e) {
    EXPECT_STREQ(e.what(), "TNkClipDetector.SetOnClipChange: Cannot Allocate HWnd");
  }
  EXPECT_FALSE(d.OnClipChange());
  EXPECT_EQ(d.Handle(), nullptr);
}

TEST(NkClipDetector, DesigningStoresTheHandlerWithoutListening) {
  TNkClipDetector d(nullptr);
  d.SetDesigning(true);
  d.SetOnClipChange([](TObject&) {});
  EXPECT_TRUE(d.OnClipChange());
  EXPECT_EQ(d.Handle(), nullptr);
}

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
    form = framework::MakeForm<app::TForm1>();
    Settle();
  }
  void TearDown() override {
    form.reset();
    Application().SetOnException(nullptr);
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
  }
  std::unique_ptr<app::TForm1> form;
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
// timer tries again, and only the newest copy is filtered once the clipboard opens.
TEST_F(FilterRun, AHeldClipboardIsTriedAgainFromTheTimerAndTheNewestCopyIsFiltered) {
  std::vector<std::string> errors;
  Application().SetOnException(
      [&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
  bool held = true;
  int refusals = 0;
  form->Run().Api.Open = [&](HWND owner) {
    if (!held) return OpenClipboard(owner);
    ++refusals;
    return FALSE;
  };
  Copy(u"one");
  ASSERT_TRUE(PumpUntil([&] { return form->Retrying(); }));
  Copy(u"two");
  ASSERT_TRUE(PumpUntil([&] { return refusals >= 4; })) << "tried again while held";
  EXPECT_FALSE(form->Busy());
  held = false;
  ASSERT_TRUE(PumpUntil([&] { return Paste() == u"two\r\n"; }));
  Settle();
  EXPECT_EQ(Paste(), u"two\r\n");
  EXPECT_FALSE(form->Retrying());
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(FilterRun, AClipboardThatStaysShutIsSaidOnceInABalloonAndTheNextCopyIsFiltered) {
  form.reset();
  tray::testing::RecordingShell shell;  // the form's icon is added through it
  form = framework::MakeForm<app::TForm1>();
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
  Copy(u"shut");
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

TEST_F(FilterRun, PrivateCopiesAreLeftAloneWithTheirMarkers) {
  struct Case {
    const wchar_t* marker;
    std::optional<DWORD> value;  // none: the marker's data means nothing
    bool filtered;
  };
  const Case cases[] = {
      {L"ExcludeClipboardContentFromMonitorProcessing", std::nullopt, false},
      {L"Clipboard Viewer Ignore", std::nullopt, false},
      {L"CanIncludeInClipboardHistory", 0, false},
      {L"CanUploadToCloudClipboard", 0, false},
      {L"CanIncludeInClipboardHistory", 1, true},
      {L"CanUploadToCloudClipboard", 1, true},
  };
  dynamic_cast<framework::TCustomRadioGroup&>(*form->FindComponent("UpDownCase")).SetItemIndex(2);
  int opens = 0;
  form->Run().Api.Open = [&](HWND owner) {
    ++opens;
    return OpenClipboard(owner);
  };
  for (const Case& c : cases) {
    const std::string name =
        framework::win::Narrow(c.marker) + (c.value ? " = " + std::to_string(*c.value) : "");
    opens = 0;
    Copy(u"secret", c.marker, c.value);
    ASSERT_TRUE(PumpUntil([&] { return opens > 0 && !form->Busy(); })) << name;
    Settle();
    EXPECT_EQ(Paste(), c.filtered ? u"SECRET\r\n" : u"secret") << name;
    if (!c.filtered) {
      EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(c.marker)))
          << name << ": the marker stays";
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
  };
  // clang-format on
  for (const Later& later : laters) {
    form->SetPaused(false);
    Copy(u"e&f");
    ASSERT_TRUE(PumpUntil([&] { return form->CanSwap(); })) << later.what;
    later.copy();
    EXPECT_TRUE(PumpUntil([&] { return !form->CanSwap(); })) << later.what;
    EXPECT_FALSE(form->Undo1->Enabled()) << later.what;
  }
  form->SetPaused(false);
}

// A copy that filtering leaves as it was keeps everything its program put on the clipboard.
TEST_F(FilterRun, ACopyThatFilteringLeavesAsItWasKeepsItsFormatsAndIsNotWritten) {
  int opens = 0;
  form->Run().Api.Open = [&](HWND owner) {
    ++opens;
    return OpenClipboard(owner);
  };
  Copy(u"already\r\n", L"Rich Text Format", 7);
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
  EXPECT_EQ(form->LastCopyProgramName(), "clipboard_win_tests.exe");
  form->ExcludeLastClick(*form);
  EXPECT_EQ(form->ExcludedPrograms().Joined(), "clipboard_win_tests.exe");
  EXPECT_EQ(form->ExcludeList->Items().Count(), 1);

  int opens = 0;
  form->Run().Api.Open = [&](HWND owner) {
    ++opens;
    return OpenClipboard(owner);
  };
  form->SetExcludedPrograms(app::ProgramList::Parse("EXCEL.EXE;CLIPBOARD_WIN_TESTS.EXE"));
  copyAsProgram(u"2&");
  Copy(u"3&");  // no owner window: no program to leave alone
  ASSERT_TRUE(PumpUntil([&] { return Paste() == u"3&amp;\r\n"; }));
  copyAsProgram(u"4&");
  const DWORD copied = GetClipboardSequenceNumber();
  ASSERT_TRUE(PumpUntil([&] { return form->LastCopyProgramName() == "clipboard_win_tests.exe"; }));
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
  EXPECT_TRUE(PumpUntil([&] { return form->LastCopyProgramName() == "clipboard_win_tests.exe"; }));
  form->SetPaused(false);

  // A preset per program: this program's copies follow its preset, another's the dialog's
  // settings; a preset chosen from the tray menu changes the next copy of any other program.
  form->SetExcludedPrograms(app::ProgramList::Parse(""));
  settings::PresetBook book;
  filter::FilterSettings upper, lower;
  upper.UpDownCase = filter::LetterCase::ToUpper;
  lower.UpDownCase = filter::LetterCase::ToLower;
  ASSERT_EQ(book.Add({"大文字 [江]", upper, ""}), settings::PresetResult::Ok);
  ASSERT_EQ(book.Add({"小文字", lower, ""}), settings::PresetResult::Ok);
  ASSERT_EQ(book.SetProgramPreset("CLIPBOARD_WIN_TESTS.EXE", "大文字 [江]"),
            settings::PresetResult::Ok);
  form->SetPresets(book);
  struct Row {
    bool asProgram;
    const char16_t* copied;
    const char16_t* filtered;
  };
  const Row before[] = {{true, u"Mixed&", u"MIXED&\r\n"}, {false, u"Mixed&", u"Mixed&amp;\r\n"}};
  for (const Row& row : before) {
    if (row.asProgram) copyAsProgram(row.copied);
    else Copy(row.copied);
    EXPECT_TRUE(PumpUntil([&] { return Paste() == row.filtered; }))
        << (row.asProgram ? "its preset" : "the dialog's");
  }
  ASSERT_EQ(form->Presets1->Count(), 2);
  EXPECT_TRUE(form->Presets1->Items(0)->RadioItem());
  form->Presets1->Items(1)->Click();  // 小文字, from the tray menu
  EXPECT_TRUE(form->Presets1->Items(1)->Checked());
  EXPECT_EQ(form->TrayIcon->TipHelp(), "Kestrilon - 小文字");
  const Row after[] = {{true, u"Mixed&", u"MIXED&\r\n"}, {false, u"Mixed&", u"mixed&\r\n"}};
  for (const Row& row : after) {
    if (row.asProgram) copyAsProgram(row.copied);
    else Copy(row.copied);
    EXPECT_TRUE(PumpUntil([&] { return Paste() == row.filtered; }))
        << (row.asProgram ? "its preset" : "the chosen one");
  }
  DestroyWindow(window);
}

// ---- Paste filtered, keep the clipboard ----

// Copies text with a second format beside it, as a word processor does.
void CopyRich(const std::u16string& text, const std::string& rtf) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  EXPECT_NE(
      SetClipboardData(CF_UNICODETEXT, Block(text.c_str(), (text.size() + 1) * sizeof(char16_t))),
      nullptr);
  EXPECT_NE(SetClipboardData(RegisterClipboardFormatW(L"Rich Text Format"),
                             Block(rtf.c_str(), rtf.size() + 1)),
            nullptr);
  CloseClipboard();
}

// The bytes of each of these formats as a reader gets them ("-" for none), read directly.
std::vector<std::string> Snapshot() {
  std::vector<std::string> bytes;
  if (!OpenClipboard(nullptr)) return {"(held)"};
  for (UINT format : {UINT{CF_UNICODETEXT}, UINT{CF_TEXT}, UINT{CF_LOCALE},
                      RegisterClipboardFormatW(L"Rich Text Format")}) {
    HANDLE h = GetClipboardData(format);
    const auto* p = h ? static_cast<const char*>(GlobalLock(h)) : nullptr;
    bytes.push_back(p ? std::string(p, GlobalSize(h)) : "-");
    if (p) GlobalUnlock(h);
  }
  CloseClipboard();
  return bytes;
}

std::string Cp932(const std::wstring& text) {
  std::string bytes(text.size() * 2, '\0');
  bytes.resize(static_cast<std::size_t>(
      WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

// The virtual keys of the inputs, "^" after a release: "11 56 56^ 11^" is Ctrl+V.
std::string KeyNames(const INPUT* inputs, UINT count) {
  std::string names;
  char name[8];
  for (UINT i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "%x%s", inputs[i].ki.wVk,
                  inputs[i].ki.dwFlags & KEYEVENTF_KEYUP ? "^" : "");
    names += (names.empty() ? "" : " ") + std::string(name);
  }
  return names;
}

// The user's target: a top-level window, in front, whose edit control has the focus.
class EditWindow {
 public:
  EditWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PasteTarget";
    RegisterClassW(&wc);  // already registered by an earlier test: fine
    FTop.Reset(CreateWindowExW(0, L"PasteTarget", L"target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                               100, 400, 200, nullptr, nullptr, GetModuleHandleW(nullptr),
                               nullptr));
    FEdit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 380, 150,
                            FTop.Get(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(FTop.Get());
    SetFocus(FEdit);
    PumpUntil([&] { return GetForegroundWindow() == FTop.Get() && GetFocus() == FEdit; });
  }
  HWND Top() const { return FTop.Get(); }
  HWND Edit() const { return FEdit; }
  std::u16string Text() const {
    wchar_t buffer[256] = {};
    GetWindowTextW(FEdit, buffer, 256);
    return std::u16string(buffer, buffer + std::wcslen(buffer));
  }

 private:
  framework::win::UniqueWindow FTop;
  HWND FEdit = nullptr;  // destroyed with its parent
};

class PasteFiltered : public ::testing::Test {
 protected:
  void SetUp() override { CopyRich(u"a&b がっこう", "{\\rtf1 a&b}"); }
  // A paste whose end is recorded.
  void Watch(DelayedPaste& paste) {
    end.reset();
    paste.OnFinished = [this](DelayedPaste::End e, const std::string&) { end = e; };
  }
  // Pumps until a sent paste has ended; its end, if any.
  std::optional<DelayedPaste::End> Ended(DelayedPaste& paste) {
    PumpUntil([&] { return !paste.Active(); });
    Settle();
    return end;
  }
  std::optional<DelayedPaste::End> end;
  const std::u16string original = u"a&b がっこう";
  const std::u16string filtered = u"a&amp;b ガッコウ";
  const std::string ansi = Cp932(L"a&amp;b ガッコウ");
};

// Whatever the target does with the keys, the clipboard ends holding the copy, every format of it
// byte for byte; an elevated target or a stale original gets no keys and leaves it untouched.
TEST_F(PasteFiltered, EndsWithTheClipboardAsItWas) {
  using Start = DelayedPaste::Start;
  using End = DelayedPaste::End;
  EditWindow target;
  ASSERT_EQ(GetForegroundWindow(), target.Top());
  ASSERT_EQ(GetFocus(), target.Edit());
  // What the target does with the keys, in place of the system's SendInput.
  using Keys = std::function<void()>;
  const Keys real = nullptr;
  const Keys nothing = [] {};
  const Keys ansiReader = [&] {  // reads CF_TEXT, as an ANSI program pastes
    ASSERT_TRUE(OpenClipboard(target.Edit()));
    HANDLE h = GetClipboardData(CF_TEXT);
    SetWindowTextA(target.Edit(), h ? static_cast<const char*>(GlobalLock(h)) : "(none)");
    if (h) GlobalUnlock(h);
    CloseClipboard();
  };
  struct Case {
    const char* what;
    Keys keys;
    std::vector<int> held;  // keys the hot key leaves down
    bool elevated;
    bool stale;  // the clipboard no longer holds the original
    bool quit;   // the program ends mid-paste
    Start start;
    std::optional<End> end;
    std::u16string edit;  // what the edit control shows afterwards
    std::string sent;     // the keys sent
  };
  const Case cases[] = {
      {"a focused edit control",
       real,
       {},
       false,
       false,
       false,
       Start::Sent,
       End::Restored,
       filtered,
       "11 56 56^ 11^"},
      {"Shift and right Alt held",
       real,
       {VK_LSHIFT, VK_RMENU},
       false,
       false,
       false,
       Start::Sent,
       End::Restored,
       filtered,
       "e8 e8^ a0^ a5^ 11 56 56^ 11^"},
      {"Win held",
       nothing,
       {VK_LWIN},
       false,
       false,
       false,
       Start::Sent,
       End::Restored,
       u"",
       "e8 e8^ 5b^ 11 56 56^ 11^"},
      {"an ANSI reader",
       ansiReader,
       {},
       false,
       false,
       false,
       Start::Sent,
       End::Restored,
       filtered,
       "11 56 56^ 11^"},
      {"nothing reads it",
       nothing,
       {},
       false,
       false,
       false,
       Start::Sent,
       End::Restored,
       u"",
       "11 56 56^ 11^"},
      {"the program ends first",
       nothing,
       {},
       false,
       false,
       true,
       Start::Sent,
       std::nullopt,
       u"",
       "11 56 56^ 11^"},
      {"an elevated window", real, {}, true, false, false, Start::Elevated, std::nullopt, u"", ""},
      {"a stale original", real, {}, false, true, false, Start::Changed, std::nullopt, u"", ""},
  };
  for (const Case& c : cases) {
    SetWindowTextW(target.Edit(), L"");
    const std::vector<std::string> before = Snapshot();
    const DWORD sequence = GetClipboardSequenceNumber();
    std::string sent;
    auto paste = std::make_unique<DelayedPaste>();
    Watch(*paste);
    if (c.elevated) paste->Target.IsElevated = [&](HWND window) { return window == target.Top(); };
    paste->Target.KeyState = [&](int key) -> SHORT {
      return std::find(c.held.begin(), c.held.end(), key) != c.held.end() ? SHORT(0x8000) : 0;
    };
    paste->Target.SendInput = [&](UINT count, INPUT* inputs, int size) {
      sent = KeyNames(inputs, count);
      if (!c.keys) return SendInput(count, inputs, size);
      c.keys();
      return count;
    };
    EXPECT_EQ(paste->Paste(c.stale ? u"older" : original, filtered, ansi), c.start) << c.what;
    if (c.quit) paste.reset();
    EXPECT_EQ(paste ? Ended(*paste) : end, c.end) << c.what;
    EXPECT_EQ(target.Text(), c.edit) << c.what;
    EXPECT_EQ(sent, c.sent) << c.what;
    EXPECT_EQ(Snapshot(), before) << c.what;
    if (c.start != Start::Sent) {
      EXPECT_EQ(GetClipboardSequenceNumber(), sequence) << c.what << ": untouched";
    }
    if (paste) {
      EXPECT_EQ(paste->IsOwnChange(), c.start == Start::Sent) << c.what;
    }
  }
}

// Another program's change before the copy is put back stays: made before the target read the
// text, after it (as the restore opens the clipboard), or a format added without emptying it.
TEST_F(PasteFiltered, AChangeByAnotherProgramIsNeverOverwritten) {
  const UINT rtf = RegisterClipboardFormatW(L"Rich Text Format");
  struct Case {
    const char* what;
    bool read;                     // the target reads the text
    std::function<void()> change;  // just before the restore opens the clipboard
    std::u16string text;           // the text afterwards
  };
  // clang-format off
  const Case cases[] = {
      {"a copy before the read", false, nullptr, u"newer"},
      {"a copy after the read", true, [] { Copy(u"newer"); }, u"newer"},
      {"a format added", true, [&] {
         ASSERT_TRUE(OpenClipboard(nullptr));
         EXPECT_NE(SetClipboardData(rtf, Block("{\\rtf1 added}", 14)), nullptr);
         CloseClipboard();
       }, filtered},
  };
  // clang-format on
  EditWindow target;
  for (const Case& c : cases) {
    SetUp();
    SetWindowTextW(target.Edit(), L"");
    DelayedPaste paste;
    Watch(paste);
    if (!c.read) paste.Target.SendInput = [](UINT count, INPUT*, int) { return count; };
    int opens = 0;
    paste.Api.Open = [&](HWND owner) {
      if (++opens == 2 && c.change) c.change();
      return OpenClipboard(owner);
    };
    ASSERT_EQ(paste.Paste(original, filtered, ansi), DelayedPaste::Start::Sent) << c.what;
    if (!c.change) Copy(u"newer");
    EXPECT_EQ(Ended(paste), DelayedPaste::End::Superseded) << c.what;
    EXPECT_EQ(Paste(), c.text) << c.what;
    EXPECT_EQ(target.Text(), c.read ? filtered : u"") << c.what;
    EXPECT_EQ(c.text == filtered, IsClipboardFormatAvailable(rtf) != 0)
        << c.what << ": the added format stays";
  }
}

}  // namespace
}  // namespace kestrilon::clipboard
