// The clipboard detector's place in the viewer chain, and the form's filter run, under Wine's real
// clipboard: detectors and copies in one process, messages pumped until the expected happens.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "../framework/WinTestSupport.h"
#include "ClipboardText.h"
#include "Exceptions.h"
#include "NkClipDetector.h"
#include "Setting.h"

namespace kestrilon::clipboard {
namespace {

using framework::Application;
using framework::TObject;
using framework::testing::PumpUntil;
using framework::testing::Settle;

// Copies text as another program would: the clipboard holds only that text afterwards.
void Copy(const std::u16string& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
  ASSERT_NE(block, nullptr);
  std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(char16_t));
  GlobalUnlock(block);
  ASSERT_NE(SetClipboardData(CF_UNICODETEXT, block), nullptr);
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

struct Recorder {
  std::vector<std::string> calls;
  framework::TNotifyEvent Handler(std::string name) {
    return [this, name](TObject&) { calls.push_back(name); };
  }
};

TEST(NkClipDetector, ANewDetectorIsNotInTheChain) {
  TNkClipDetector d(nullptr);
  EXPECT_TRUE(d.IgnoreFirst());
  EXPECT_EQ(d.Handle(), nullptr);
  EXPECT_FALSE(d.OnClipChange());
}

TEST(NkClipDetector, JoinsOnceAndANewHandlerTakesTheNextChange) {
  Recorder r;
  TNkClipDetector d(nullptr);
  d.SetOnClipChange(r.Handler("first"));
  HWND window = d.Handle();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetClipboardViewer(), window);
  d.SetOnClipChange(r.Handler("second"));
  EXPECT_EQ(d.Handle(), window) << "a second handler must not join again";
  Settle();
  EXPECT_TRUE(r.calls.empty()) << "the join notice is not reported with IgnoreFirst";
  Copy(u"x");
  ASSERT_TRUE(PumpUntil([&] { return !r.calls.empty(); }));
  EXPECT_EQ(r.calls, std::vector<std::string>{"second"});
}

TEST(NkClipDetector, WithoutIgnoreFirstTheJoinNoticeIsReported) {
  Recorder r;
  TNkClipDetector d(nullptr);
  d.SetIgnoreFirst(false);
  d.SetOnClipChange(r.Handler("d"));
  EXPECT_TRUE(PumpUntil([&] { return !r.calls.empty(); }));
}

TEST(NkClipDetector, ThreeViewersHearEveryChangeAndOneLeavesCleanly) {
  Recorder r;
  TNkClipDetector d1(nullptr), d2(nullptr), d3(nullptr);
  d1.SetOnClipChange(r.Handler("d1"));
  d2.SetOnClipChange(r.Handler("d2"));
  d3.SetOnClipChange(r.Handler("d3"));
  EXPECT_EQ(GetClipboardViewer(), d3.Handle());
  EXPECT_EQ(d3.NextViewer(), d2.Handle());
  EXPECT_EQ(d2.NextViewer(), d1.Handle());
  Settle();
  r.calls.clear();
  Copy(u"one");
  ASSERT_TRUE(PumpUntil([&] { return r.calls.size() >= 3; }));
  EXPECT_EQ(r.calls, (std::vector<std::string>{"d3", "d2", "d1"}));

  d2.SetOnClipChange(nullptr);  // leaves: d3's next viewer becomes d1
  EXPECT_EQ(d2.Handle(), nullptr);
  EXPECT_FALSE(d2.OnClipChange());
  EXPECT_EQ(d3.NextViewer(), d1.Handle());
  r.calls.clear();
  Copy(u"two");
  ASSERT_TRUE(PumpUntil([&] { return r.calls.size() >= 2; }));
  Settle();
  EXPECT_EQ(r.calls, (std::vector<std::string>{"d3", "d1"}));
}

TEST(NkClipDetector, AChainNoticeForAnotherWindowIsPassedOn) {
  Recorder r;
  TNkClipDetector d1(nullptr), d2(nullptr);
  d1.SetOnClipChange(r.Handler("d1"));
  d2.SetOnClipChange(r.Handler("d2"));
  HWND other = d2.Handle();  // any window that isn't d2's next viewer
  HWND replacement = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));
  // Not d2's next viewer: passed on to d1, whose next viewer is not `other` either.
  SendMessageW(d2.Handle(), WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(other), reinterpret_cast<LPARAM>(replacement));
  EXPECT_EQ(d2.NextViewer(), d1.Handle());
  // d1 named: d2 takes the window that followed it, and doesn't pass the notice on.
  const HWND d1_next = d1.NextViewer();
  SendMessageW(d2.Handle(), WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(d1.Handle()), reinterpret_cast<LPARAM>(replacement));
  EXPECT_EQ(d2.NextViewer(), replacement);
  EXPECT_EQ(d1.NextViewer(), d1_next);
  // Put the chain right again before the detectors leave it.
  SendMessageW(d2.Handle(), WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(replacement), reinterpret_cast<LPARAM>(d1.Handle()));
}

TEST(NkClipDetector, AHandlersFailureDoesNotKeepTheNoticeFromTheNextViewer) {
  std::vector<std::string> errors;
  Application().SetOnException([&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
  Recorder r;
  TNkClipDetector d1(nullptr), d2(nullptr);
  d1.SetOnClipChange(r.Handler("d1"));
  d2.SetOnClipChange([](TObject&) { throw framework::Exception("boom"); });
  Settle();
  Copy(u"x");
  ASSERT_TRUE(PumpUntil([&] { return !r.calls.empty(); }));
  EXPECT_EQ(r.calls, std::vector<std::string>{"d1"});
  EXPECT_EQ(errors, std::vector<std::string>{"boom"});
  Application().SetOnException(nullptr);
}

TEST(NkClipDetector, NoWindowMeansNoHandlerAndTheMessage) {
  auto saved = TNkClipDetector::WindowAllocator();
  TNkClipDetector::WindowAllocator() = [](framework::TWindowMethod) { return nullptr; };
  TNkClipDetector d(nullptr);
  try {
    d.SetOnClipChange([](TObject&) {});
    ADD_FAILURE() << "no exception";
  } catch (const framework::EOutOfResources& e) {
    EXPECT_STREQ(e.what(), "TNkClipDetector.SetOnClipChange: Cannot Allocate HWnd");
  }
  TNkClipDetector::WindowAllocator() = saved;
  EXPECT_FALSE(d.OnClipChange());
  EXPECT_EQ(d.Handle(), nullptr);
}

TEST(NkClipDetector, DesigningStoresTheHandlerWithoutJoining) {
  TNkClipDetector d(nullptr);
  d.SetDesigning(true);
  d.SetOnClipChange([](TObject&) {});
  EXPECT_TRUE(d.OnClipChange());
  EXPECT_EQ(d.Handle(), nullptr);
}

TEST(NkClipDetector, DestroyingAJoinedDetectorUnlinksIt) {
  HWND before = GetClipboardViewer();
  {
    TNkClipDetector d(nullptr);
    d.SetOnClipChange([](TObject&) {});
    EXPECT_EQ(GetClipboardViewer(), d.Handle());
  }
  EXPECT_EQ(GetClipboardViewer(), before);
}

// The form's run: the marks, the priority, the retries.
class FilterRun : public ::testing::Test {
protected:
  void SetUp() override {
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    form = framework::MakeForm<app::TForm1>();
    Settle();
  }
  void TearDown() override {
    form.reset();
    ClipboardOpener() = [](HWND owner) { return OpenClipboard(owner); };
    Application().SetOnException(nullptr);
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
  }
  std::unique_ptr<app::TForm1> form;
};

TEST_F(FilterRun, StartsIdleAndFiltersEachCopyOnce) {
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
  dynamic_cast<framework::TCheckBox&>(*form->FindComponent("RepAmp")).SetChecked(true);
  Copy(u"a&b");
  ASSERT_TRUE(PumpUntil([&] { return Paste() == u"a&amp;b\r\n"; }));
  Settle();
  EXPECT_EQ(Paste(), u"a&amp;b\r\n") << "its own write must not be filtered again";
  EXPECT_FALSE(form->Busy());
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
}

TEST_F(FilterRun, RunsAtNormalPriorityAndPausedLeavesTheClipboard) {
  DWORD during = 0;
  ClipboardOpener() = [&](HWND owner) {
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

TEST_F(FilterRun, AClipboardThatStaysShutEndsTheRunWithTheMessageAndTheNextCopyIsFiltered) {
  std::vector<std::string> errors;
  Application().SetOnException([&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
  int attempts = 0;
  ClipboardOpener() = [&](HWND) {
    ++attempts;
    return FALSE;
  };
  Copy(u"shut");
  ASSERT_TRUE(PumpUntil([&] { return !errors.empty(); }));
  EXPECT_EQ(errors.front(), "クリップボードを開くことができません");
  EXPECT_GT(attempts, 2) << "it must retry before giving up";
  EXPECT_FALSE(form->Busy());
  EXPECT_EQ(Paste(), u"shut");

  ClipboardOpener() = [](HWND owner) { return OpenClipboard(owner); };
  Copy(u"open");
  EXPECT_TRUE(PumpUntil([&] { return Paste() == u"open\r\n"; }));
}

}  // namespace
}  // namespace kestrilon::clipboard
