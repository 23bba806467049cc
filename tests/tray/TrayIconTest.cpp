// TTrayIcon under Wine with a recording shell: when the icon shows, which picture it sends, the
// property rules, the events its hidden window's messages become, the popup menus and the
// animation.
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
using testing::RecordingShell;

// A form-like owner with the program's tray icon, read as from a form file.
struct Form {
  TComponent Owner{nullptr};
  TTrayIcon* Tray = nullptr;

  explicit Form(const std::function<void(TTrayIcon&)>& properties = nullptr, bool program = true) {
    Application().Initialize();
    Owner.BeginLoading();
    Tray = new TTrayIcon(&Owner);
    if (program) {
      Tray->SetTipHelp("Kestrilon");
      framework::TStringList list;
      list.Add("TRAYICON1");
      list.Add("TRAYICON2");
      Tray->SetResourceIconList(list);
      Tray->SetResourceIconID(0);
    }
    if (properties) properties(*Tray);
    Owner.EndLoading();
  }
  HWND Window() { return Tray->TaskTrayIcon().Handle(); }
  void Notice(std::intptr_t mouse) { SendMessageA(Window(), WM_TASKTRAY, 1, mouse); }
};

// What a new icon's defaults amount to, as the shell sees them: once loaded, the application's
// own picture with the tip "TipHelp", no balloon, and a click told from a double click.
TEST(TrayIcon, WithItsDefaultsItShowsTheApplicationsPictureAndTipOnceLoaded) {
  RecordingShell shell;
  Application().Initialize();
  TComponent owner(nullptr);
  owner.BeginLoading();
  auto* tray = new TTrayIcon(&owner);
  EXPECT_TRUE(shell.Calls.empty()) << "nothing shows before loading ends";
  owner.EndLoading();
  ASSERT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD}));
  const NOTIFYICONDATAA& added = shell.Calls[0].Data;
  EXPECT_EQ(shell.Calls[0].Picture, "MAINICON");
  EXPECT_STREQ(added.szTip, "TipHelp");
  EXPECT_EQ(added.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_STREQ(added.szInfo, "");
  EXPECT_TRUE(tray->CheckSingleDoubleClick());
  EXPECT_EQ(tray->Animation(), nullptr) << "no animation thread without an interval";
}

TEST(TrayIcon, TheIconShowsWhenLoadingFinishesNotBefore) {
  RecordingShell shell;
  Application().Initialize();
  TComponent owner(nullptr);
  owner.BeginLoading();
  auto* tray = new TTrayIcon(&owner);
  tray->SetTipHelp("Kestrilon");
  framework::TStringList list;
  list.Add("TRAYICON1");
  list.Add("TRAYICON2");
  tray->SetResourceIconList(list);
  tray->SetResourceIconID(0);
  tray->SetVisible(false);
  tray->SetVisible(true);
  EXPECT_TRUE(shell.Calls.empty());
  owner.EndLoading();
  ASSERT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD}));
  EXPECT_EQ(shell.Calls[0].Picture, "TRAYICON1");
  EXPECT_STREQ(shell.Calls[0].Data.szTip, "Kestrilon");
  EXPECT_TRUE(tray->TaskTrayIcon().Added());
}

// At logon the taskbar may not exist yet: the refusal is reported, loading goes on, and the icon
// comes with the taskbar's announcement (or with a later update).
TEST(TrayIcon, AnIconRefusedAtLoadingIsReportedAndAddedWhenTheTaskbarComes) {
  std::vector<std::string> errors;
  Application().SetOnException(
      [&](TObject&, const std::exception& e) { errors.push_back(e.what()); });
  for (const bool byTaskbar : {true, false}) {
    RecordingShell shell;
    shell.Fail(1, ERROR_ACCESS_DENIED);
    Application().Initialize();
    TComponent owner(nullptr);
    owner.BeginLoading();
    auto* tray = new TTrayIcon(&owner);
    owner.EndLoading();
    EXPECT_FALSE(tray->IsLoading());
    EXPECT_FALSE(tray->TaskTrayIcon().Added());
    shell.Calls.clear();
    if (byTaskbar)
      SendMessageA(tray->TaskTrayIcon().Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    else tray->SetTipHelp("again");
    EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD}))
        << (byTaskbar ? "by the taskbar" : "by an update");
    EXPECT_TRUE(tray->TaskTrayIcon().Added());
  }
  EXPECT_EQ(errors, (std::vector<std::string>{MessageCannotRegister, MessageCannotRegister}));
  Application().SetOnException(nullptr);
}

struct IdCase {
  const char* Name;
  int Before;
  int Write;
  int ReadBack;
  std::vector<std::string> Sent;  // pictures sent by the write
};

TEST(ResourceIconID, WritesAreClampedAndChooseThePicture) {
  const IdCase cases[] = {
      {"1 shows the second resource", 0, 1, 1, {"TRAYICON2"}},
      {"5 selects the last entry", 0, 5, 1, {"TRAYICON2"}},
      {"-7 selects none: the application's icon", 0, -7, -1, {"MAINICON"}},
      {"0 over 0 refreshes", 0, 0, 0, {"TRAYICON1"}},
      {"1 over 1 does nothing", 1, 1, 1, {}},
      {"back to 0", 1, 0, 0, {"TRAYICON1"}},
  };
  for (const IdCase& c : cases) {
    SCOPED_TRACE(c.Name);
    RecordingShell shell;
    Form form([&](TTrayIcon& t) { t.SetResourceIconID(c.Before); });
    shell.Calls.clear();
    form.Tray->SetResourceIconID(c.Write);
    EXPECT_EQ(form.Tray->ResourceIconID(), c.ReadBack);
    EXPECT_EQ(shell.Pictures(), c.Sent);
    for (const testing::ShellCall& call : shell.Calls) {
      EXPECT_EQ(call.Message, static_cast<DWORD>(NIM_MODIFY));
      // The notification area's size: one it must shrink blurs.
      EXPECT_EQ(call.Width, GetSystemMetrics(SM_CXSMICON)) << call.Picture;
    }
  }
}

TEST(ResourceIconID, AnIndexStoredWhileLoadingIsCheckedWhenRead) {
  RecordingShell shell;
  Form form([](TTrayIcon& t) { t.SetResourceIconID(9); });
  EXPECT_EQ(shell.Pictures(), (std::vector<std::string>{"TRAYICON1"}));
  EXPECT_EQ(form.Tray->ResourceIconID(), 0);
}

TEST(ResourceIconID, WritingItDropsAnExplicitIcon) {
  RecordingShell shell;
  Form form;
  framework::TIcon explicitIcon;
  ASSERT_TRUE(explicitIcon.LoadFromResourceName("MAINICON", true));
  form.Tray->SetIcon(&explicitIcon);
  EXPECT_EQ(shell.Pictures().back(), "MAINICON");
  EXPECT_FALSE(form.Tray->Icon().Empty());
  shell.Calls.clear();
  form.Tray->SetResourceIconID(1);
  EXPECT_TRUE(form.Tray->Icon().Empty());
  EXPECT_EQ(shell.Pictures(), (std::vector<std::string>{"TRAYICON2"}));
  // A null icon empties the own one too: the resource icon comes back.
  form.Tray->SetIcon(&explicitIcon);
  shell.Calls.clear();
  form.Tray->SetIcon(nullptr);
  EXPECT_EQ(shell.Pictures(), (std::vector<std::string>{"TRAYICON2"}));
}

TEST(ResourceIconID, AResourceThatDoesNotLoadShowsNothing) {
  RecordingShell shell;
  Form form(
      [](TTrayIcon& t) {
        framework::TStringList list;
        list.Add("NOSUCHICON");
        t.SetResourceIconList(list);
        t.SetResourceIconID(0);
      },
      false);
  EXPECT_TRUE(shell.Calls.empty());
  EXPECT_FALSE(form.Tray->TaskTrayIcon().Added());
}

TEST(ResourceIconList, ANewListKeepsTheChosenIndexWithinItAndUpdatesOnANewName) {
  RecordingShell shell;
  Form form([](TTrayIcon& t) { t.SetResourceIconID(1); });
  shell.Calls.clear();
  framework::TStringList shorter;
  shorter.Add("TRAYICON2");
  form.Tray->SetResourceIconList(shorter);  // index 1 becomes 0, still "TRAYICON2"
  EXPECT_EQ(form.Tray->ResourceIconID(), 0);
  EXPECT_EQ(form.Tray->ResourceIconList().Count(), 1);
  // Writing 0 over 0 refreshes: one modify, showing the same name.
  EXPECT_EQ(shell.Pictures(), (std::vector<std::string>{"TRAYICON2"}));

  framework::TStringList swapped;
  swapped.Add("TRAYICON1");
  shell.Calls.clear();
  form.Tray->SetResourceIconList(swapped);
  EXPECT_EQ(shell.Pictures().back(), "TRAYICON1");

  // No entry chosen: the list is taken, the picture (the application's) stays.
  form.Tray->SetResourceIconID(-1);
  shell.Calls.clear();
  form.Tray->SetResourceIconList(shorter);
  EXPECT_EQ(form.Tray->ResourceIconList().Strings(0), "TRAYICON2");
  EXPECT_TRUE(shell.Calls.empty());
}

TEST(Visibility, VisibleAddsAndDeletesTheIcon) {
  RecordingShell shell;
  Form form;
  shell.Calls.clear();
  form.Tray->SetVisible(false);
  form.Tray->SetVisible(false);
  form.Tray->SetVisible(true);
  EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD}));
}

TEST(Visibility, AMinimizedIconShowsOnlyWhileTheApplicationIsMinimized) {
  RecordingShell shell;
  Form form([](TTrayIcon& t) {
    t.SetMinimized(true);
    t.SetHideOnTaskBar(true);
  });
  EXPECT_TRUE(shell.Calls.empty());
  Application().Minimize();
  EXPECT_TRUE(IsIconic(Application().Handle()));
  EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD}));
  EXPECT_FALSE(IsWindowVisible(Application().Handle()));  // HideOnTaskBar: no taskbar button
  Application().Restore();
  EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_DELETE}));
  ShowWindow(Application().Handle(), SW_HIDE);
}

TEST(Visibility, TheApplicationsHandlersAreChainedAndPutBack) {
  RecordingShell shell;
  int minimized = 0;
  int restored = 0;
  Application().SetOnMinimize([&](framework::TObject&) { ++minimized; });
  Application().SetOnRestore([&](framework::TObject&) { ++restored; });
  {
    Form form;
    Application().Minimize();
    Application().Restore();
    EXPECT_EQ(minimized, 1);
    EXPECT_EQ(restored, 1);
  }
  Application().Minimize();
  Application().Restore();
  EXPECT_EQ(minimized, 2);
  EXPECT_EQ(restored, 2);
  ShowWindow(Application().Handle(), SW_HIDE);
  Application().SetOnMinimize(nullptr);
  Application().SetOnRestore(nullptr);
}

TEST(Visibility, IconsDestroyedInTheOrderTheyWereMadeLeaveNoDanglingHandler) {
  RecordingShell shell;
  int minimized = 0;
  Application().SetOnMinimize([&](framework::TObject&) { ++minimized; });
  auto first = std::make_unique<Form>([](TTrayIcon& t) { t.SetMinimized(true); });
  auto second = std::make_unique<Form>([](TTrayIcon& t) { t.SetMinimized(true); });
  first.reset();  // the second still holds the first's handler as the one to call on
  Application().Minimize();
  EXPECT_EQ(minimized, 1);
  EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD}));  // the second's icon only
  Application().Restore();
  second.reset();
  Application().Minimize();
  Application().Restore();
  EXPECT_EQ(minimized, 2);
  ShowWindow(Application().Handle(), SW_HIDE);
  Application().SetOnMinimize(nullptr);
}

TEST(TipHelp, ANewTipIsSentWithAModify) {
  RecordingShell shell;
  Form form;
  shell.Calls.clear();
  form.Tray->SetTipHelp("一時停止中");
  ASSERT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_MODIFY}));
  EXPECT_EQ(form.Tray->TipHelp(), "一時停止中");
}

// The events of the component in the order they came.
struct EventLog {
  std::vector<std::string> Events;
  void Attach(TTrayIcon& tray) {
    auto button = [](framework::TMouseButton b) {
      return b == framework::mbLeft ? "L" : b == framework::mbRight ? "R" : "M";
    };
    tray.SetOnMouseDown(
        [this, button](framework::TObject&, framework::TMouseButton b, framework::TShiftState, int,
                       int) { Events.push_back(std::string("down ") + button(b)); });
    tray.SetOnMouseUp([this, button](framework::TObject&, framework::TMouseButton b,
                                     framework::TShiftState, int,
                                     int) { Events.push_back(std::string("up ") + button(b)); });
    tray.SetOnMouseClick(
        [this, button](framework::TObject&, framework::TMouseButton b, framework::TShiftState, int,
                       int) { Events.push_back(std::string("click ") + button(b)); });
    tray.SetOnDblClick([this](framework::TObject&) { Events.push_back("dblclick"); });
    tray.SetOnRDblClick([this](framework::TObject&) { Events.push_back("rdblclick"); });
    tray.SetOnMouseMove([this](framework::TObject&, framework::TShiftState, int, int) {
      Events.push_back("move");
    });
    tray.SetOnMouseEnter([this](framework::TObject&) { Events.push_back("enter"); });
    tray.SetOnMouseExit([this](framework::TObject&) { Events.push_back("exit"); });
  }
};

TEST(MouseEvents, ASingleClickIsReportedAfterTheDoubleClickTime) {
  RecordingShell shell;
  Form form;
  EventLog log;
  log.Attach(*form.Tray);
  ULONGLONG released = GetTickCount64();
  form.Notice(WM_LBUTTONDOWN);
  form.Notice(WM_LBUTTONUP);
  EXPECT_EQ(log.Events, (std::vector<std::string>{"down L", "up L"}));
  ASSERT_TRUE(PumpUntil([&] { return log.Events.size() == 3; }));
  EXPECT_GE(GetTickCount64() - released,
            GetDoubleClickTime() - 20);  // never sooner (timer granularity aside)
  EXPECT_EQ(log.Events.back(), "click L");
}

TEST(MouseEvents, ADoubleClickGivesNoClick) {
  RecordingShell shell;
  Form form;
  EventLog log;
  log.Attach(*form.Tray);
  form.Notice(WM_LBUTTONDOWN);
  form.Notice(WM_LBUTTONUP);
  form.Notice(WM_LBUTTONDBLCLK);
  form.Notice(
      WM_LBUTTONUP);  // the shell's second release; the re-posted press comes first in a real run
  ASSERT_TRUE(PumpUntil([&] { return !form.Tray->ToolTipStyle().ClickPending(); }));
  PumpFor(GetDoubleClickTime() + 200);
  EXPECT_EQ(log.Events, (std::vector<std::string>{"down L", "up L", "dblclick", "up L", "down L"}));
}

TEST(MouseEvents, WithoutDiscriminationTheClickComesBeforeTheRelease) {
  RecordingShell shell;
  Form form([](TTrayIcon& t) { t.SetCheckSingleDoubleClick(false); });
  EventLog log;
  log.Attach(*form.Tray);
  form.Notice(WM_LBUTTONDOWN);
  form.Notice(WM_LBUTTONUP);
  form.Notice(WM_LBUTTONDBLCLK);
  ASSERT_TRUE(PumpUntil([&] { return log.Events.size() == 5; }));  // the re-posted press
  form.Notice(WM_LBUTTONUP);
  EXPECT_EQ(log.Events,
            (std::vector<std::string>{"down L", "click L", "up L", "dblclick", "down L", "up L"}));
}

TEST(MouseEvents, TheRightButtonPopsUpItsMenuAndItsTimerReportsARightClick) {
  RecordingShell shell;
  auto* menu = static_cast<framework::TPopupMenu*>(nullptr);
  Form form;
  menu = new framework::TPopupMenu(&form.Owner);
  auto* item = new framework::TMenuItem(&form.Owner);
  item->SetCaption("環境オプション(&O)");
  menu->Items().Add(*item);
  form.Tray->SetRButtonPopupMenu(menu);
  EventLog log;
  log.Attach(*form.Tray);

  std::atomic<bool> opened{false};
  std::thread closer([&opened] {
    ULONGLONG end = GetTickCount64() + 20000;
    while (GetTickCount64() < end) {
      HWND popup = FindWindowW(L"#32768", nullptr);
      if (popup && IsWindowVisible(popup)) {
        opened = true;
        PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        return;
      }
      Sleep(20);
    }
  });
  form.Notice(WM_RBUTTONDOWN);  // returns when the menu has closed
  closer.join();
  EXPECT_TRUE(opened);
  EXPECT_EQ(menu->PopupComponent(), form.Tray);
  form.Notice(WM_RBUTTONUP);
  ASSERT_TRUE(PumpUntil([&] { return log.Events.size() == 2; }));
  EXPECT_EQ(log.Events,
            (std::vector<std::string>{"up R", "click R"}));  // no mouse-down for the popup press

  form.Tray->SetAutoPopup(false);
  log.Events.clear();
  form.Notice(WM_RBUTTONDOWN);
  EXPECT_EQ(log.Events, (std::vector<std::string>{"down R"}));

  delete menu;  // the reference goes with it
  EXPECT_EQ(form.Tray->RButtonPopupMenu(), nullptr);
}

TEST(MouseEvents, OtherNoticesAndMessages) {
  RecordingShell shell;
  Form form;
  EventLog log;
  log.Attach(*form.Tray);
  form.Notice(WM_RBUTTONDBLCLK);
  form.Notice(WM_MBUTTONDBLCLK);  // nothing
  form.Notice(WM_MBUTTONDOWN);
  EXPECT_EQ(log.Events, (std::vector<std::string>{"rdblclick", "down M"}));
  EXPECT_EQ(SendMessageA(form.Window(), WM_QUERYENDSESSION, 0, 0), 1);
  // The owner's handler answers every message; what it leaves gets 0, not the default answer.
  char title[8] = "x";
  EXPECT_EQ(SendMessageA(form.Window(), WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title)),
            0);
  EXPECT_STREQ(title, "x");
}

TEST(MouseEvents, EnteringOnTheFirstMoveAndLeavingWhenTheCursorGoes) {
  RecordingShell shell;
  Form form;
  EventLog log;
  log.Attach(*form.Tray);
  ASSERT_TRUE(SetCursorPos(300, 300));
  ASSERT_TRUE(PumpUntil([] {
    POINT p;
    return GetCursorPos(&p) && p.x == 300 && p.y == 300;
  }));
  form.Notice(WM_MOUSEMOVE);
  form.Notice(WM_MOUSEMOVE);
  EXPECT_EQ(log.Events, (std::vector<std::string>{"enter", "move", "move"}));
  PumpFor(400);  // the tracker polls meanwhile: the cursor is still on the icon
  EXPECT_EQ(log.Events.size(), 3u);
  ASSERT_TRUE(SetCursorPos(700, 500));
  ASSERT_TRUE(PumpUntil([&] { return log.Events.size() == 4; }));
  EXPECT_EQ(log.Events.back(), "exit");
  // Back again: a second enter, from the same, resumed tracker.
  ASSERT_TRUE(SetCursorPos(300, 300));
  ASSERT_TRUE(PumpUntil([] {
    POINT p;
    return GetCursorPos(&p) && p.x == 300;
  }));
  form.Notice(WM_MOUSEMOVE);
  EXPECT_EQ(log.Events.at(4), "enter");
  ASSERT_TRUE(SetCursorPos(700, 500));
  ASSERT_TRUE(PumpUntil([&] { return log.Events.back() == "exit"; }));
}

TEST(MouseEvents, DestroyingTheIconWhileTheTrackerPollsNeverDeadlocks) {
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    RecordingShell shell;
    auto form = std::make_unique<Form>();
    EventLog log;
    log.Attach(*form->Tray);
    ASSERT_TRUE(SetCursorPos(320, 320));
    form->Notice(WM_MOUSEMOVE);
    PumpFor(static_cast<DWORD>(40 * round));  // somewhere in the tracker's 100 ms
    form.reset();  // waits for the tracker, serving its pending hand-over
  }
}

TEST(Animation, IntervalsBelow50AreRaisedTo50) {
  RecordingShell shell;
  Form form([](TTrayIcon& t) { t.SetVisible(false); });
  form.Tray->SetInterval(10);
  EXPECT_EQ(form.Tray->Interval(), 50u);
  form.Tray->SetInterval(0);
  EXPECT_EQ(form.Tray->Interval(), 0u);
  form.Tray->SetInterval(700);
  EXPECT_EQ(form.Tray->Interval(), 700u);
}

TEST(Animation, AlternatesTheResourcePicturesWhileVisibleAndStopsWhenHidden) {
  RecordingShell shell;
  Form form;
  shell.Calls.clear();
  form.Tray->SetInterval(60);
  ASSERT_TRUE(PumpUntil([&] { return shell.Calls.size() >= 4; }));
  std::vector<std::string> pictures = shell.Pictures();
  EXPECT_EQ(std::vector<std::string>(pictures.begin(), pictures.begin() + 4),
            (std::vector<std::string>{"TRAYICON2", "TRAYICON1", "TRAYICON2", "TRAYICON1"}));

  form.Tray->SetVisible(false);
  ASSERT_TRUE(PumpUntil([&] { return form.Tray->Animation()->Suspended(); }));
  PumpFor(50);  // a step that was already handed over may still arrive
  std::size_t hidden = shell.Calls.size();
  PumpFor(400);
  EXPECT_EQ(shell.Calls.size(), hidden);

  form.Tray->SetVisible(true);  // added again, then animated again
  ASSERT_TRUE(PumpUntil([&] { return shell.Calls.size() >= hidden + 3; }));
  EXPECT_EQ(shell.Calls[hidden].Message, static_cast<DWORD>(NIM_ADD));

  form.Tray->SetInterval(0);
  ASSERT_TRUE(PumpUntil([&] { return form.Tray->Animation()->Suspended(); }));
}

TEST(Animation, AHandlerDrawsTheStepsAndTheResourceIndexStays) {
  RecordingShell shell;
  Form form;
  framework::TIcon picture;
  ASSERT_TRUE(picture.LoadFromResourceName("MAINICON", true));
  int steps = 0;
  form.Tray->SetOnIconAnimation([&](framework::TObject& sender) {
    EXPECT_EQ(&sender, form.Tray);
    ++steps;
    form.Tray->SetIcon(&picture);
  });
  shell.Calls.clear();
  form.Tray->SetInterval(50);
  ASSERT_TRUE(PumpUntil([&] { return steps >= 3; }));
  EXPECT_EQ(form.Tray->ResourceIconID(), 0);
  EXPECT_EQ(shell.Pictures().back(), "MAINICON");
}

TEST(Animation, AnEmptyListShowsTheApplicationsIcon) {
  RecordingShell shell;
  Form form(nullptr, false);
  shell.Calls.clear();
  form.Tray->SetInterval(50);
  ASSERT_TRUE(PumpUntil([&] { return shell.Calls.size() >= 2; }));
  EXPECT_EQ(form.Tray->ResourceIconID(), -1);
  EXPECT_EQ(shell.Pictures().back(), "MAINICON");
}

TEST(ToolTipStyleProperty, WritingItCopiesTheStyle) {
  RecordingShell shell;
  Form a;
  Form b;
  b.Tray->ToolTipStyle().SetUseDefault(false);
  b.Tray->ToolTipStyle().SetBackGroundColor(framework::clNavy);
  a.Tray->SetToolTipStyle(b.Tray->ToolTipStyle());
  EXPECT_FALSE(a.Tray->ToolTipStyle().UseDefault());
  EXPECT_EQ(a.Tray->ToolTipStyle().BackGroundColor(), framework::clNavy);
  EXPECT_NE(&a.Tray->ToolTipStyle(), &b.Tray->ToolTipStyle());
}

}  // namespace
}  // namespace kestrilon::tray
