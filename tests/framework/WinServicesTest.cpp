// Threads with Synchronize, hidden utility windows, popup menus and resource icons under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <tuple>
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
  Application().SetOnException(
      [&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
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

// A 16×16 picture laid out like the program's menu bitmaps: one colour all round (the corner's,
// to be shown as transparent) and an 8×8 red square in the middle.
win::UniqueBitmap MenuPicture() {
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = 16;
  header.bmiHeader.biHeight = -16;  // top-down
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  win::WindowDC screen(nullptr);
  void* bits = nullptr;
  win::UniqueBitmap picture(
      CreateDIBSection(screen.Get(), &header, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!picture || !bits) return {};
  auto* pixels = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      pixels[y * 16 + x] = (x >= 4 && x < 12 && y >= 4 && y < 12) ? 0xFF0000u : 0xFF00FFu;
  GdiFlush();
  return picture;
}

// What an open menu shows in and around its item's picture, read from the menu's window.
struct MenuPixels {
  bool found = false;                 // the picture's red middle was on the screen
  std::vector<std::uint32_t> margin;  // the picture's transparent margin, left of and above the red
  std::uint32_t beside = 0;           // just left of the picture
  std::uint32_t rowEnd = 0;           // the same row at the right end of the menu
};

MenuPixels ReadMenu(HWND menu) {
  MenuPixels seen;
  RECT client{};
  if (!GetClientRect(menu, &client) || client.right <= 0 || client.bottom <= 0) return seen;
  const int w = client.right, h = client.bottom;
  win::WindowDC source(menu);
  if (!source) return seen;
  win::UniqueDeviceContext memory(CreateCompatibleDC(source.Get()));
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = w;
  header.bmiHeader.biHeight = -h;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  win::UniqueBitmap copy(
      CreateDIBSection(source.Get(), &header, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !copy || !bits) return seen;
  {
    win::SelectedObject selected(memory.Get(), copy.Get());
    if (!BitBlt(memory.Get(), 0, 0, w, h, source.Get(), 0, 0, SRCCOPY)) return seen;
  }
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  auto at = [&](int x, int y) { return pixels[y * w + x] & 0xFFFFFFu; };
  int left = w, top = h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (at(x, y) == 0xFF0000u) left = std::min(left, x), top = std::min(top, y);
  if (left < 6 || top < 2 || left + 8 > w || top + 8 > h) return seen;  // not (wholly) drawn yet
  seen.found = true;
  for (int i = 0; i < 8; ++i) {
    seen.margin.push_back(at(left - 2, top + i));
    seen.margin.push_back(at(left + i, top - 2));
  }
  seen.beside = at(left - 6, top + 3);
  seen.rowEnd = at(w - 3, top + 3);
  return seen;
}

// Waits on another thread for the menu to show its picture, reads it, then closes the menu.
std::thread ReadMenuThenClose(MenuPixels& seen) {
  return std::thread([&seen] {
    const ULONGLONG end = GetTickCount64() + 20000;
    HWND menu = nullptr;
    while (!seen.found && GetTickCount64() < end) {
      menu = FindWindowW(L"#32768", nullptr);
      if (menu && IsWindowVisible(menu)) seen = ReadMenu(menu);
      if (!seen.found) Sleep(50);
    }
    if ((menu = FindWindowW(L"#32768", nullptr))) PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  });
}

// The picture's transparent parts show the menu's own background, not black (nor the colour they
// were drawn in), whether or not the system's menus blend a bitmap's alpha.
TEST(PopupMenu, APicturesTransparentPartsShowTheMenusBackground) {
  TComponent owner(nullptr);
  auto* menu = new TPopupMenu(&owner);
  auto* item = new TMenuItem(&owner);
  item->SetCaption("環境オプション(&O)");
  menu->Items().Add(*item);
  item->Bitmap().SetHandle(MenuPicture().Release());
  ASSERT_FALSE(item->Bitmap().Empty());
  ASSERT_TRUE(item->Bitmap().MakeCornerTransparent());

  MenuPixels seen;
  std::thread reader = ReadMenuThenClose(seen);
  menu->Popup(100, 100);
  reader.join();
  ASSERT_TRUE(seen.found) << "the menu never showed the item's picture";
  EXPECT_EQ(seen.beside, seen.rowEnd)
      << "the menu's background, beside the picture and at the row's end";
  EXPECT_EQ(seen.margin, std::vector<std::uint32_t>(seen.margin.size(), seen.beside))
      << "the transparent margin, against the background beside it (" << std::hex << seen.beside
      << ")";
}

// The picture's own colours stay; its transparent parts take the background's; a picture without
// transparent parts has no such copy.
TEST(Bitmaps, ATransparentPictureLaidOnABackgroundKeepsItsColoursAndFillsTheRest) {
  TBitmap bitmap;
  bitmap.SetHandle(MenuPicture().Release());
  EXPECT_FALSE(bitmap.OnBackground(RGB(1, 2, 3)));
  ASSERT_TRUE(bitmap.MakeCornerTransparent());
  ASSERT_TRUE(bitmap.Transparent());
  win::UniqueBitmap laid = bitmap.OnBackground(RGB(0x12, 0x34, 0x56));
  ASSERT_TRUE(laid);
  win::WindowDC screen(nullptr);
  win::UniqueDeviceContext memory(CreateCompatibleDC(screen.Get()));
  ASSERT_TRUE(memory);
  win::SelectedObject selected(memory.Get(), laid.Get());
  for (const auto& [x, y, want] : {std::tuple{0, 0, RGB(0x12, 0x34, 0x56)},
                                   {15, 15, RGB(0x12, 0x34, 0x56)},
                                   {3, 8, RGB(0x12, 0x34, 0x56)},
                                   {4, 4, RGB(255, 0, 0)},
                                   {11, 11, RGB(255, 0, 0)}})
    EXPECT_EQ(GetPixel(memory.Get(), x, y), want) << x << "," << y;
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
  // At the system's sizes: a small icon from the large one would be stretched in a caption.
  for (const auto& [small, metric] : {std::pair{true, SM_CXSMICON}, {false, SM_CXICON}}) {
    SCOPED_TRACE(small ? "small" : "large");
    TIcon sized;
    ASSERT_TRUE(sized.LoadFromResourceName("MAINICON", small));
    EXPECT_EQ(testing::IconSize(sized.Handle()).cx, GetSystemMetrics(metric));
    const HICON own = small ? Application().SmallIcon() : Application().Icon();
    EXPECT_EQ(testing::IconSize(own).cx, GetSystemMetrics(metric));
  }
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
