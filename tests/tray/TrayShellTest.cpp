// The icon in Wine's own notification area (the standalone tray window that Wine shows when the
// X display has no tray of its own), driven with xdotool on the harness's private display as a
// user would: pointer moves and button clicks over the icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Application.h"
#include "Menus.h"
#include "Taskbar.h"
#include "TrayTestSupport.h"

namespace kestrilon::tray {
namespace {

using framework::Application;
using framework::TComponent;
using testing::PumpFor;
using testing::PumpUntil;

// Runs xdotool with args and waits for it, handling messages meanwhile (the tray sends ours).
// Wine does not signal the handle of a Unix process when it ends, so a shell around xdotool
// writes its exit status to a file, which is polled.
bool Xdotool(const std::string& args) {
  // Wine reuses process ids from one run to the next: the tick count keeps the names apart.
  static int runs = 0;
  std::string status = "/tmp/kestrilon-tray-xdotool-" + std::to_string(GetCurrentProcessId()) +
                       "-" + std::to_string(GetTickCount64()) + "-" + std::to_string(++runs);
  std::string windowsStatus = "Z:" + status;
  for (char& c : windowsStatus) {
    if (c == '/') c = '\\';
  }
  std::string line = "/bin/sh -c \"/usr/bin/xdotool " + args + "; echo $? > " + status +
                     ".part && mv " + status + ".part " + status + "\"";
  std::wstring command(line.begin(), line.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "cannot start xdotool (error " << GetLastError() << ")";
    return false;
  }
  framework::win::UniqueKernelHandle processHandle(process.hProcess);
  framework::win::UniqueKernelHandle threadHandle(process.hThread);
  bool ended = PumpUntil(
      [&] { return GetFileAttributesA(windowsStatus.c_str()) != INVALID_FILE_ATTRIBUTES; });
  std::string exitStatus;
  if (ended) {
    HANDLE file = CreateFileA(windowsStatus.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      framework::win::UniqueKernelHandle owner(file);
      char text[16] = {};
      DWORD read = 0;
      if (ReadFile(file, text, sizeof text - 1, &read, nullptr)) exitStatus.assign(text, read);
    }
    if (!DeleteFileA(windowsStatus.c_str()))
      ADD_FAILURE() << "cannot delete " << status << " (error " << GetLastError() << ")";
  }
  if (exitStatus.rfind("0", 0) != 0) {
    ADD_FAILURE() << "xdotool " << args << " failed ("
                  << (ended ? "exit " + exitStatus : "no end seen") << ")";
    return false;
  }
  return true;
}

// The visible icon windows of Wine's tray.
std::vector<HWND> TrayIconWindows() {
  std::vector<HWND> icons;
  HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  if (!tray || !IsWindowVisible(tray)) return icons;
  for (HWND child = FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr); child;
       child = FindWindowExW(tray, child, L"__winex11_tray_icon", nullptr)) {
    if (IsWindowVisible(child)) icons.push_back(child);
  }
  return icons;
}

HWND TheOneTrayIcon() {
  HWND icon = nullptr;
  bool found = PumpUntil([&] {
    std::vector<HWND> icons = TrayIconWindows();
    icon = icons.size() == 1 ? icons[0] : nullptr;
    return icon != nullptr;
  });
  return found ? icon : nullptr;
}

POINT Centre(HWND window) {
  RECT r = framework::win::WindowRect(window);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::string At(POINT p) { return std::to_string(p.x) + " " + std::to_string(p.y); }

// Moves the pointer onto the icon and a little within it.
std::string Onto(HWND icon) {
  POINT c = Centre(icon);
  return "mousemove " + std::to_string(c.x - 2) + " " + std::to_string(c.y - 2) +
         " sleep 0.2 mousemove " + At(c);
}

// The colour on screen at the middle of the icon: green for "TRAYICON1", red for "TRAYICON2".
std::string CentreColour(HWND icon) {
  framework::win::WindowDC screen(nullptr);
  POINT c = Centre(icon);
  COLORREF colour = GetPixel(screen.Get(), c.x, c.y);
  if (colour == CLR_INVALID) return "none";
  int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  if (g > 0x80 && r < 0x60 && b < 0x80) return "green";
  if (r > 0xA0 && g < 0x60 && b < 0x60) return "red";
  return "other";
}

struct Events {
  std::vector<std::string> Log;
  ULONGLONG LastUp = 0;
  ULONGLONG ClickAt = 0;
  void Attach(TTrayIcon& tray) {
    auto name = [](framework::TMouseButton b) {
      return b == framework::mbLeft ? "L" : b == framework::mbRight ? "R" : "M";
    };
    tray.SetOnMouseDown([this, name](framework::TObject&, framework::TMouseButton b,
                                     framework::TShiftState, int,
                                     int) { Log.push_back(std::string("down ") + name(b)); });
    tray.SetOnMouseUp([this, name](framework::TObject&, framework::TMouseButton b,
                                   framework::TShiftState, int, int) {
      Log.push_back(std::string("up ") + name(b));
      LastUp = GetTickCount64();
    });
    tray.SetOnMouseClick([this, name](framework::TObject&, framework::TMouseButton b,
                                      framework::TShiftState, int, int) {
      Log.push_back(std::string("click ") + name(b));
      ClickAt = GetTickCount64();
    });
    tray.SetOnDblClick([this](framework::TObject&) { Log.push_back("dblclick"); });
    tray.SetOnMouseEnter([this](framework::TObject&) { Log.push_back("enter"); });
    tray.SetOnMouseExit([this](framework::TObject&) { Log.push_back("exit"); });
  }
  // The log without the pointer's comings and goings.
  std::vector<std::string> Buttons() const {
    std::vector<std::string> buttons;
    for (const std::string& e : Log) {
      if (e != "enter" && e != "exit") buttons.push_back(e);
    }
    return buttons;
  }
  bool Has(const std::string& event) const {
    return std::find(Log.begin(), Log.end(), event) != Log.end();
  }
};

// The program's tray icon on the real shell: "TRAYICON1" and "TRAYICON2", shown when loaded.
struct ProgramTray {
  TComponent Owner{nullptr};
  TTrayIcon* Tray = nullptr;
  Events Seen;

  ProgramTray() {
    Application().Initialize();
    Owner.BeginLoading();
    Tray = new TTrayIcon(&Owner);
    Tray->SetTipHelp("Kestrilon");
    framework::TStringList list;
    list.Add("TRAYICON1");
    list.Add("TRAYICON2");
    Tray->SetResourceIconList(list);
    Tray->SetResourceIconID(0);
    Seen.Attach(*Tray);
    Owner.EndLoading();
  }
  ~ProgramTray() {
    // The pointer leaves the tray, so that the next test starts outside the icon.
    Xdotool("mousemove 900 700");
  }
};

class RealShell : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetEnvironmentVariableA("KESTRILON_DISPLAY", nullptr, 0), 0u)
        << "run under tests/wine/harness.sh";
    ASSERT_TRUE(PumpUntil([] { return TrayIconWindows().empty(); }))
        << "an icon of an earlier test is still there";
  }
};

TEST_F(RealShell, TheIconAppearsWithItsPictureAndChangesWithResourceIconID) {
  ProgramTray program;
  EXPECT_TRUE(program.Tray->TaskTrayIcon().Added());
  HWND icon = TheOneTrayIcon();
  ASSERT_NE(icon, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return CentreColour(icon) == "green"; })) << CentreColour(icon);
  program.Tray->SetResourceIconID(1);
  EXPECT_TRUE(PumpUntil([&] { return CentreColour(icon) == "red"; })) << CentreColour(icon);
  program.Tray->SetVisible(false);
  EXPECT_TRUE(PumpUntil([] { return TrayIconWindows().empty(); }));
}

TEST_F(RealShell, ASingleClickIsReportedOnlyAfterTheDoubleClickTime) {
  ProgramTray program;
  HWND icon = TheOneTrayIcon();
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(Xdotool("mousemove " + At(Centre(icon)) + " click 1"));
  ASSERT_TRUE(PumpUntil([&] { return program.Seen.Has("click L"); }));
  EXPECT_EQ(program.Seen.Buttons(), (std::vector<std::string>{"down L", "up L", "click L"}));
  EXPECT_EQ(program.Seen.Log.front(), "enter");  // the pointer came over the icon first
  // A timer never fires early; allow for its granularity only.
  EXPECT_GE(program.Seen.ClickAt - program.Seen.LastUp + 20, GetDoubleClickTime());
}

TEST_F(RealShell, ADoubleClickGivesOnDblClickAndNoClick) {
  ProgramTray program;
  HWND icon = TheOneTrayIcon();
  ASSERT_NE(icon, nullptr);
  // The two presses are 60 ms apart; only on a machine so busy that the system saw them further
  // apart than the double-click time are they two clicks, and then the double click is tried again.
  for (int attempt = 0; attempt < 3 && !program.Seen.Has("dblclick"); ++attempt) {
    program.Seen.Log.clear();
    ASSERT_TRUE(Xdotool("mousemove " + At(Centre(icon)) + " click --repeat 2 --delay 60 1"));
    ASSERT_TRUE(
        PumpUntil([&] { return program.Seen.Has("dblclick") || program.Seen.Has("click L"); }));
    ASSERT_TRUE(PumpUntil([&] { return !program.Tray->ToolTipStyle().ClickPending(); }));
    PumpFor(GetDoubleClickTime() + 300);
  }
  ASSERT_TRUE(program.Seen.Has("dblclick")) << ::testing::PrintToString(program.Seen.Log);
  EXPECT_FALSE(program.Seen.Has("click L")) << ::testing::PrintToString(program.Seen.Log);
  EXPECT_EQ(program.Seen.Buttons().at(0), "down L");
  EXPECT_EQ(program.Seen.Buttons().at(1), "up L");
}

TEST_F(RealShell, TheRightButtonPopsUpTheMenuAndItsTimerReportsARightClick) {
  ProgramTray program;
  auto* menu = new framework::TPopupMenu(&program.Owner);
  auto* item = new framework::TMenuItem(&program.Owner);
  item->SetCaption("環境オプション(&O)");
  menu->Items().Add(*item);
  program.Tray->SetRButtonPopupMenu(menu);
  HWND icon = TheOneTrayIcon();
  ASSERT_NE(icon, nullptr);

  // The menu runs its own loop inside the notice's handling; another thread finds and closes it.
  std::atomic<bool> opened{false};
  std::atomic<bool> stop{false};
  std::thread closer([&] {
    while (!stop) {
      HWND popup = FindWindowW(L"#32768", nullptr);
      if (popup && IsWindowVisible(popup)) {
        opened = true;
        PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        return;
      }
      Sleep(20);
    }
  });
  bool clicked = Xdotool("mousemove " + At(Centre(icon)) + " click 3");
  bool menuSeen = PumpUntil([&] { return opened.load(); });
  stop = true;
  closer.join();
  ASSERT_TRUE(clicked);
  EXPECT_TRUE(menuSeen);
  ASSERT_TRUE(PumpUntil([&] { return program.Seen.Has("click R"); }));
  EXPECT_FALSE(program.Seen.Has("down R"));  // the press popped the menu up instead
  EXPECT_EQ(menu->PopupComponent(), program.Tray);
}

TEST_F(RealShell, EnterOnTheFirstMoveAndExitSoonAfterLeaving) {
  ProgramTray program;
  HWND icon = TheOneTrayIcon();
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(Xdotool(Onto(icon)));
  ASSERT_TRUE(PumpUntil([&] { return program.Seen.Has("enter"); }));
  EXPECT_EQ(program.Seen.Log.front(), "enter");
  // The box holds the positions the shell reported; a poll that comes between the pointer's last
  // move and its report may see it outside for a moment (and the report then enters again). Wait
  // until the resting point has been reported.
  ASSERT_TRUE(PumpUntil([&] {
    POINT p;
    TTrayRect box = program.Tray->ToolTipStyle().IconRect();
    return GetCursorPos(&p) && program.Tray->ToolTipStyle().MouseInside() &&
           box.Contains({p.x, p.y});
  }));
  program.Seen.Log.clear();
  PumpFor(300);  // resting on the icon: every poll finds it inside
  EXPECT_TRUE(program.Seen.Log.empty()) << ::testing::PrintToString(program.Seen.Log);
  ASSERT_TRUE(Xdotool("mousemove 700 500"));
  ASSERT_TRUE(PumpUntil([&] { return program.Seen.Has("exit"); }));
  EXPECT_EQ(program.Seen.Log, (std::vector<std::string>{"exit"}));
}

TEST_F(RealShell, TwoIconsShowSideBySideAndTheSecondOutlivesTheFirst) {
  auto first = std::make_unique<ProgramTray>();
  auto second = std::make_unique<ProgramTray>();
  ASSERT_TRUE(PumpUntil([] { return TrayIconWindows().size() == 2; }));
  first.reset();
  HWND icon = TheOneTrayIcon();
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(Xdotool("mousemove " + At(Centre(icon)) + " click 1"));
  EXPECT_TRUE(PumpUntil([&] { return second->Seen.Has("click L"); }));
}

TEST_F(RealShell, DestroyingTheIconWhileThePointerIsOverItEndsCleanly) {
  auto program = std::make_unique<ProgramTray>();
  HWND icon = TheOneTrayIcon();
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(Xdotool(Onto(icon)));
  ASSERT_TRUE(PumpUntil([&] { return program->Seen.Has("enter"); }));
  program.reset();  // the tracker is polling: it is ended and waited for
  EXPECT_TRUE(PumpUntil([] { return TrayIconWindows().empty(); }));
}

}  // namespace
}  // namespace kestrilon::tray
