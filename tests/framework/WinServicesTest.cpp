// Threads with Synchronize, hidden utility windows, popup menus and resource icons under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Application.h"
#include "Exceptions.h"
#include "Menus.h"
#include "Threads.h"
#include "UtilityWindow.h"
#include "WinGraphics.h"
#include "WinPeers.h"
#include "WinText.h"
#include "WinTestSupport.h"

namespace kestrilon::framework {
namespace {

using testing::PumpUntil;

// Hands a counter to the GUI thread many times, then ends.
class Counter : public TThread {
public:
  explicit Counter(int rounds) : FRounds(rounds) {}
  int OnGuiThread = 0;
  int Elsewhere = 0;

protected:
  void Execute() override {
    for (int i = 0; i < FRounds && !Terminated(); ++i) {
      Synchronize([this] { ++(IsMainThread() ? OnGuiThread : Elsewhere); });
    }
  }

private:
  int FRounds;
};

TEST(Threads, SynchronizeFromAWorkerAndAWaitForItFromTheGuiThreadDontDeadlock) {
  Counter counter(200);
  EXPECT_TRUE(counter.Suspended());  // created suspended
  counter.Resume();
  counter.WaitFor();  // serves the 200 hand-overs while it waits
  EXPECT_TRUE(counter.Finished());
  EXPECT_EQ(counter.OnGuiThread, 200);
  EXPECT_EQ(counter.Elsewhere, 0);
  EXPECT_FALSE(counter.FatalException());
}

TEST(Threads, SynchronizeIsServedByTheMessageLoopToo) {
  Counter counter(20);
  counter.Resume();
  ASSERT_TRUE(PumpUntil([&] { return counter.Finished(); }));
  EXPECT_EQ(counter.OnGuiThread, 20);
}

class SelfSuspending : public TThread {
public:
  std::atomic<int> Passes{0};

protected:
  void Execute() override {
    while (!Terminated()) {
      ++Passes;
      Suspend();  // sleeps until resumed or terminated
    }
  }
};

TEST(Threads, AThreadSuspendsItselfUntilResumedAndEndsWhenTerminated) {
  SelfSuspending thread;
  thread.Resume();
  ASSERT_TRUE(PumpUntil([&] { return thread.Passes == 1 && thread.Suspended(); }));
  thread.Resume();
  ASSERT_TRUE(PumpUntil([&] { return thread.Passes == 2 && thread.Suspended(); }));
  thread.Terminate();
  thread.WaitFor();
  EXPECT_TRUE(thread.Finished());
  EXPECT_EQ(thread.Passes, 2);
}

TEST(Threads, DestroyingASuspendedThreadEndsItCleanly) {
  auto thread = std::make_unique<SelfSuspending>();
  thread->Resume();
  ASSERT_TRUE(PumpUntil([&] { return thread->Passes == 1 && thread->Suspended(); }));
  thread.reset();  // terminates, resumes and waits: nothing left running on a freed object
  SelfSuspending neverStarted;
  EXPECT_THROW(neverStarted.WaitFor(), EThread);
}

class Failing : public TThread {
public:
  std::string Caught;

protected:
  void Execute() override {
    try {
      Synchronize([] { throw Exception("GUI側の失敗"); });
    } catch (const Exception& e) {
      Caught = e.Message();
    }
    throw Exception("スレッドの失敗");
  }
};

TEST(Threads, ExceptionsComeBackToTheCallerAndNeverLeaveTheThread) {
  Failing thread;
  thread.Resume();
  thread.WaitFor();
  EXPECT_EQ(thread.Caught, "GUI側の失敗");
  ASSERT_TRUE(thread.FatalException());
  try {
    std::rethrow_exception(thread.FatalException());
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "スレッドの失敗");
  }
}

TEST(UtilityWindow, EveryMessageReachesTheMethodAndExceptionsStayInside) {
  std::vector<UINT> seen;
  std::vector<std::string> errors;
  Application().SetOnException([&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
  constexpr UINT Ping = WM_APP + 7;
  constexpr UINT Fail = WM_APP + 8;
  auto window = AllocateHWnd([&](TMessage& m) {
    if (m.Msg == Ping) {
      seen.push_back(m.Msg);
      m.Result = static_cast<std::intptr_t>(m.WParam) * 2;
    } else if (m.Msg == Fail) {
      throw Exception("ウィンドウ処理の失敗");
    } else {
      m.Result = DefWindowProcW(nullptr, m.Msg, m.WParam, m.LParam);
    }
  });
  ASSERT_NE(window, nullptr);
  HWND handle = window->Handle();
  EXPECT_FALSE(IsWindowVisible(handle));
  EXPECT_EQ(SendMessageW(handle, Ping, 21, 0), 42);
  EXPECT_EQ(SendMessageW(handle, Fail, 0, 0), 0);
  EXPECT_EQ(errors, (std::vector<std::string>{"ウィンドウ処理の失敗"}));
  window.reset();
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_EQ(seen.size(), 1u);
  Application().SetOnException(nullptr);
}

// Waits on another thread for the menu to open, then types an item's accelerator letter into it.
std::thread ChooseFromMenuWhenOpen(wchar_t letter, std::atomic<bool>& opened) {
  return std::thread([letter, &opened] {
    ULONGLONG end = GetTickCount64() + 20000;
    HWND menu = nullptr;
    while (GetTickCount64() < end) {
      menu = FindWindowW(L"#32768", nullptr);
      if (menu && IsWindowVisible(menu)) break;
      Sleep(20);
    }
    if (!menu || !IsWindowVisible(menu)) return;
    opened = true;
    PostMessageW(menu, WM_CHAR, letter, 1);
  });
}

TEST(PopupMenu, TheChosenCommandRunsItsClickHandler) {
  TComponent owner(nullptr);
  auto* menu = new TPopupMenu(&owner);
  std::vector<std::string> clicks;
  auto add = [&](const char* name, const char* caption) {
    auto* item = new TMenuItem(&owner);
    item->SetName(name);
    item->SetCaption(caption);
    item->SetOnClick([&clicks, item](TObject&) { clicks.push_back(item->Name()); });
    menu->Items().Add(*item);
    return item;
  };
  add("O1", "環境オプション(&O)");
  add("N2", "-");
  TMenuItem* about = add("About1", "バージョン情報(&A)");
  add("ExitProgram", "Kestrilon終了(&X)");
  // A 16×16 bitmap beside the item.
  {
    win::WindowDC screen(nullptr);
    about->Bitmap().SetHandle(CreateCompatibleBitmap(screen.Get(), 16, 16));
  }
  ASSERT_FALSE(about->Bitmap().Empty());
  menu->SetPopupComponent(&owner);

  std::atomic<bool> opened{false};
  std::thread chooser = ChooseFromMenuWhenOpen(L'a', opened);
  menu->Popup(100, 100);
  chooser.join();
  EXPECT_TRUE(opened);
  EXPECT_EQ(clicks, (std::vector<std::string>{"About1"}));
  EXPECT_EQ(menu->PopupComponent(), &owner);
}

TEST(PopupMenu, PopupComponentIsClearedWhenItGoesAway) {
  TComponent owner(nullptr);
  auto* menu = new TPopupMenu(&owner);
  auto* source = new TComponent(nullptr);
  menu->SetPopupComponent(source);
  delete source;
  EXPECT_EQ(menu->PopupComponent(), nullptr);
}

TEST(Icons, IconsAreLoadedFromTheExecutablesResources) {
  TIcon icon;
  int changes = 0;
  icon.SetOnChange([&] { ++changes; });
  EXPECT_TRUE(icon.LoadFromResourceName("MAINICON"));
  EXPECT_FALSE(icon.Empty());
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(icon.LoadFromResourceName("NO_SUCH_ICON"));
  EXPECT_FALSE(icon.Empty());  // unchanged
  TIcon copy;
  copy.Assign(icon);
  EXPECT_FALSE(copy.Empty());
  EXPECT_NE(copy.Handle(), icon.Handle());
  EXPECT_NE(Application().Icon(), LoadIconW(nullptr, IDI_APPLICATION));
}

TEST(Colours, SystemColoursAreResolvedAndRgbColoursKept) {
  EXPECT_EQ(win::ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(win::ColorToRGB(clWindowText), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(win::ColorToRGB(clBlack), RGB(0, 0, 0));
  EXPECT_EQ(win::ColorToRGB(clRed), RGB(255, 0, 0));
  EXPECT_EQ(win::ColorToRGB(0x123456), static_cast<COLORREF>(0x123456));
}

TEST(ApplicationEvents, MinimizeAndRestoreRaiseTheirEvents) {
  Application().Initialize();
  std::vector<std::string> events;
  Application().SetOnMinimize([&](TObject& sender) {
    EXPECT_EQ(&sender, &Application());
    events.push_back("minimize");
  });
  Application().SetOnRestore([&](TObject&) { events.push_back("restore"); });
  SendMessageW(Application().Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  SendMessageW(Application().Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(events, (std::vector<std::string>{"minimize", "restore"}));
  Application().SetOnMinimize(nullptr);
  Application().SetOnRestore(nullptr);
}

// With no handler set, the application shows the message in a box; the box is read and closed
// from another thread while the GUI thread waits in it.
TEST(ApplicationEvents, AnUnhandledExceptionIsShownInABoxWithItsMessage) {
  Application().Initialize();
  Application().SetTitle("Kestrilon");
  Application().SetOnException(nullptr);
  std::wstring shown;
  std::thread reader([&shown] {
    ULONGLONG end = GetTickCount64() + 20000;
    while (GetTickCount64() < end) {
      HWND box = FindWindowW(L"#32770", L"Kestrilon");
      if (box && IsWindowVisible(box)) {
        // The message is the box's static text (control 0xFFFF).
        wchar_t text[256] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 256);
        shown = text;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
  });
  try {
    throw EInvalidCast("フォームではありません");
  } catch (...) {
    Application().HandleException(Application());
  }
  reader.join();
  EXPECT_EQ(win::Narrow(shown), "フォームではありません");
}

}  // namespace
}  // namespace kestrilon::framework
