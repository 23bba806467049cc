// The clipboard detector as a format listener, under Wine's real clipboard: detectors and copies
// in one process, messages pumped until the expected happens.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../framework/WinTestSupport.h"
#include "ClipboardTestSupport.h"
#include "Exceptions.h"
#include "NkClipDetector.h"

namespace kestrilon::clipboard {
namespace {

using framework::Application;
using framework::TObject;
using framework::testing::PumpUntil;
using framework::testing::Settle;
using testing::Copy;

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

}  // namespace
}  // namespace kestrilon::clipboard
