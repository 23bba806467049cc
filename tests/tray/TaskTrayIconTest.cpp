// TTaskTrayIcon and its registry under Wine, with a recording shell: the notify record, the
// retries of a timed-out add, the two failure messages, the hidden window and its class.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Application.h"
#include "TrShlApi.h"
#include "TrayTestSupport.h"

namespace kestrilon::tray {
namespace {

using testing::RecordingShell;

HICON SomeIcon() { return LoadIconW(nullptr, IDI_APPLICATION); }

struct AddCase {
  const char* Name;
  std::vector<RecordingShell::Result> Results;
  std::vector<DWORD> ExpectedCalls;
  std::size_t ExpectedSleeps;
  const char* ExpectedError;  // nullptr: no exception
  bool ExpectedAdded;
};

TEST(AddIcon, TimedOutAddsAreRetriedEveryTwoSecondsUpToSixTimes) {
  constexpr BOOL F = FALSE;
  const RecordingShell::Result timeout{F, ERROR_TIMEOUT};
  const RecordingShell::Result refused{F, ERROR_ACCESS_DENIED};
  const RecordingShell::Result ok{TRUE, 0};
  std::vector<RecordingShell::Result> alwaysTimeout(13, timeout);
  std::vector<DWORD> thirteen{NIM_ADD};
  for (int i = 0; i < 6; ++i) thirteen.insert(thirteen.end(), {NIM_MODIFY, NIM_ADD});
  const AddCase cases[] = {
      {"added at once", {ok}, {NIM_ADD}, 0, nullptr, true},
      {"refused: the first message", {refused}, {NIM_ADD}, 0, MessageCannotRegister, false},
      {"the timed-out add did happen: the modify finds it",
       {timeout, ok},
       {NIM_ADD, NIM_MODIFY},
       1,
       nullptr,
       true},
      {"added on the first retry",
       {timeout, timeout, ok},
       {NIM_ADD, NIM_MODIFY, NIM_ADD},
       1,
       nullptr,
       true},
      {"a retry refused other than by time-out",
       {timeout, timeout, refused},
       {NIM_ADD, NIM_MODIFY, NIM_ADD},
       1,
       MessageCannotRegister,
       false},
      {"always timing out: the second message", alwaysTimeout, thirteen, 6, MessageCannotChange,
       false},
  };
  for (const AddCase& c : cases) {
    SCOPED_TRACE(c.Name);
    RecordingShell shell;
    shell.Results.assign(c.Results.begin(), c.Results.end());
    TTaskTrayIcon icon;
    icon.SetIconHandle(SomeIcon());
    std::string error;
    try {
      icon.AddIcon();
    } catch (const ENotifyIconError& e) {
      error = e.Message();
    }
    EXPECT_EQ(error, c.ExpectedError ? c.ExpectedError : "");
    EXPECT_EQ(icon.Added(), c.ExpectedAdded);
    EXPECT_EQ(shell.Messages(), c.ExpectedCalls);
    EXPECT_EQ(shell.Sleeps, std::vector<DWORD>(c.ExpectedSleeps, 2000));
  }
}

TEST(AddIcon, FillsTheRecordForTheShellVersion) {
  {
    RecordingShell shell(0x00060000);
    TTaskTrayIcon icon;
    icon.SetIconHandle(SomeIcon());
    ASSERT_TRUE(icon.AddIcon());
    const NOTIFYICONDATAA& sent = shell.Calls.at(0).Data;
    EXPECT_EQ(sent.cbSize, NOTIFYICONDATAA_V2_SIZE);
    EXPECT_EQ(sent.hWnd, icon.Handle());
    EXPECT_EQ(sent.uID, 1u);
    EXPECT_EQ(sent.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(sent.uCallbackMessage, WM_TASKTRAY);
    EXPECT_EQ(sent.dwState, static_cast<DWORD>(NIS_SHAREDICON));
    EXPECT_TRUE(icon.AddIcon());  // added already: nothing sent
    EXPECT_EQ(shell.Calls.size(), 1u);
  }
  RecordingShell oldShell(0x00040000);
  TTaskTrayIcon icon;
  icon.SetIconHandle(SomeIcon());
  ASSERT_TRUE(icon.AddIcon());
  EXPECT_EQ(oldShell.Calls.at(0).Data.cbSize, NOTIFYICONDATAA_V1_SIZE);
}

TEST(AddIcon, WithoutAnIconNothingIsSent) {
  RecordingShell shell;
  TTaskTrayIcon icon;
  EXPECT_FALSE(icon.AddIcon());
  EXPECT_FALSE(icon.ModifyIcon());
  EXPECT_TRUE(shell.Calls.empty());
  EXPECT_FALSE(icon.Added());
}

TEST(ModifyIcon, ATimeOutCountsAsDoneAnotherFailureReAddsTheIcon) {
  RecordingShell shell;
  TTaskTrayIcon icon;
  icon.SetIconHandle(SomeIcon());
  EXPECT_TRUE(icon.ModifyIcon());  // not added yet: adds
  EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD}));

  shell.Fail(1, ERROR_TIMEOUT);
  EXPECT_TRUE(icon.ModifyIcon());
  EXPECT_TRUE(icon.Added());

  shell.Calls.clear();
  shell.Fail(1, ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_TRUE(icon.ModifyIcon());
  EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_MODIFY, NIM_ADD}));

  // The re-add's error is dropped: not added, no exception.
  shell.Calls.clear();
  shell.Fail(1, ERROR_INVALID_WINDOW_HANDLE);
  shell.Fail(1, ERROR_ACCESS_DENIED);
  EXPECT_FALSE(icon.ModifyIcon());
  EXPECT_FALSE(icon.Added());
}

TEST(DeleteIcon, ReportsTheShellsAnswerAndForgetsTheIconEitherWay) {
  RecordingShell shell;
  TTaskTrayIcon icon;
  EXPECT_TRUE(icon.DeleteIcon());  // never added: nothing to do
  EXPECT_TRUE(shell.Calls.empty());
  icon.SetIconHandle(SomeIcon());
  ASSERT_TRUE(icon.AddIcon());
  shell.Fail(1, ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(icon.DeleteIcon());
  EXPECT_FALSE(icon.Added());
  EXPECT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_DELETE}));
}

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

TEST(NotifyRecord, TextsAreCutAtTheLastWholeCharacterOfTheirField) {
  RecordingShell shell;
  TTaskTrayIcon icon;
  icon.SetTip(std::string(200, 't'));
  EXPECT_EQ(icon.Tip(), std::string(127, 't'));
  // 「あ」 is two bytes in code page 932: 63 of them fill 126 bytes, the 64th would not fit.
  icon.SetTip("x" + Repeat("あ", 64));
  EXPECT_EQ(icon.Tip(), "x" + Repeat("あ", 63));
  EXPECT_EQ(std::string(icon.NotifyData().szTip).size(), 127u);
  icon.SetTip("");
  EXPECT_EQ(icon.Tip(), "");

  icon.SetBalloonHelpText(std::string(300, 'b'));
  EXPECT_EQ(icon.BalloonHelpText(), std::string(255, 'b'));
  icon.SetBalloonHelpText("x" + Repeat("あ", 200));
  EXPECT_EQ(icon.BalloonHelpText(), "x" + Repeat("あ", 127));
  icon.SetBalloonHelpTitle(std::string(100, 'T'));
  EXPECT_EQ(icon.BalloonHelpTitle(), std::string(63, 'T'));
  icon.SetBalloonHelpTitle(Repeat("タ", 40));
  EXPECT_EQ(icon.BalloonHelpTitle(), Repeat("タ", 31));
  icon.SetBalloonHelpTimeOut(3000);
  EXPECT_EQ(icon.BalloonHelpTimeOut(), 3000);
}

TEST(NotifyRecord, AnOlderShellGetsOneLineOf63Bytes) {
  RecordingShell shell(0x00040000);
  TTaskTrayIcon icon;
  icon.SetTip("a\r\nb");
  EXPECT_EQ(icon.Tip(), "a b");
  icon.SetTip(std::string(200, 't'));
  EXPECT_EQ(icon.Tip(), std::string(63, 't'));
}

TEST(NotifyRecord, TheBalloonIconIsClearedByEachAddOnNewerShells) {
  for (DWORD version : {0x00060000u, 0x00040000u}) {
    SCOPED_TRACE(version);
    RecordingShell shell(version);
    TTaskTrayIcon icon;
    icon.SetBalloonHelpIcon(bitWarning);
    EXPECT_EQ(icon.BalloonHelpIcon(), bitWarning);
    EXPECT_EQ(icon.NotifyData().dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
    icon.SetIconHandle(SomeIcon());
    ASSERT_TRUE(icon.AddIcon());
    EXPECT_EQ(icon.BalloonHelpIcon(), version >= 0x00050000 ? bitNone : bitWarning);
    EXPECT_EQ(icon.NotifyData().uFlags & NIF_INFO, 0u);
  }
}

TEST(Registry, IconsShareOneClassAndRegistryUntilTheLastGoes) {
  RecordingShell shell;
  WNDCLASSA info{};
  ASSERT_EQ(TrayIconWinProcList(), nullptr);
  auto first = std::make_unique<TTaskTrayIcon>();
  TTrayIconWinProcList* registry = TrayIconWinProcList();
  ASSERT_NE(registry, nullptr);
  auto second = std::make_unique<TTaskTrayIcon>();
  EXPECT_EQ(TrayIconWinProcList(), registry);
  EXPECT_EQ(registry->Count(), 2);
  HWND firstWindow = first->Handle();
  HWND secondWindow = second->Handle();
  char className[32] = {};
  ASSERT_GT(GetClassNameA(secondWindow, className, sizeof className), 0);
  EXPECT_STREQ(className, "TaskTrayHandle");
  EXPECT_TRUE(GetClassInfoA(GetModuleHandleW(nullptr), "TaskTrayHandle", &info));
  EXPECT_EQ(GetWindowLongA(secondWindow, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
  EXPECT_FALSE(IsWindowVisible(secondWindow));

  std::vector<UINT> secondSaw;
  second->SetOnMessage([&](framework::TMessage& m) {
    secondSaw.push_back(m.Msg);
    m.Result = 77;
  });
  first.reset();
  EXPECT_FALSE(IsWindow(firstWindow));
  EXPECT_EQ(registry->Count(), 1);
  EXPECT_EQ(SendMessageA(secondWindow, WM_APP + 1, 0, 0), 77);
  EXPECT_EQ(secondSaw, (std::vector<UINT>{WM_APP + 1}));

  second.reset();
  EXPECT_EQ(TrayIconWinProcList(), nullptr);
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleW(nullptr), "TaskTrayHandle", &info));
  // A later icon starts over.
  TTaskTrayIcon third;
  EXPECT_NE(TrayIconWinProcList(), nullptr);
  EXPECT_NE(third.Handle(), nullptr);
}

TEST(Registry, RemovingAnIconThatIsNotListedDoesNothing) {
  RecordingShell shell;
  TTaskTrayIcon icon;
  TTrayIconWinProcList* registry = TrayIconWinProcList();
  registry->Remove(icon);
  registry->Remove(icon);
  EXPECT_EQ(registry->Count(), 0);
  registry->Add(icon);  // so that the icon's destructor finds itself and frees the registry
}

TEST(TaskbarCreated, AShownIconIsAddedAgainAHiddenOneStaysOut) {
  RecordingShell shell;
  TTaskTrayIcon shown;
  TTaskTrayIcon hidden;
  shown.SetIconHandle(SomeIcon());
  hidden.SetIconHandle(SomeIcon());
  ASSERT_TRUE(shown.AddIcon());
  UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  ASSERT_NE(taskbarCreated, 0u);
  shell.Calls.clear();
  SendMessageA(shown.Handle(), taskbarCreated, 0, 0);
  SendMessageA(hidden.Handle(), taskbarCreated, 0, 0);
  ASSERT_EQ(shell.Calls.size(), 1u);
  EXPECT_EQ(shell.Calls[0].Message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(shell.Calls[0].Data.hWnd, shown.Handle());
  EXPECT_TRUE(shown.Added());
  EXPECT_FALSE(hidden.Added());
}

TEST(TaskbarCreated, AFailedReAddReachesTheApplicationsHandler) {
  RecordingShell shell;
  std::vector<std::string> errors;
  framework::Application().SetOnException(
      [&](framework::TObject&, const std::exception& e) { errors.push_back(e.what()); });
  TTaskTrayIcon icon;
  icon.SetIconHandle(SomeIcon());
  ASSERT_TRUE(icon.AddIcon());
  shell.Fail(1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(SendMessageA(icon.Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0), 0);
  EXPECT_EQ(errors, (std::vector<std::string>{MessageCannotRegister}));
  EXPECT_FALSE(icon.Added());
  EXPECT_TRUE(icon.Wanted());
  // The next taskbar gets it all the same; a deleted icon is no longer wanted.
  EXPECT_EQ(SendMessageA(icon.Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0), 0);
  EXPECT_TRUE(icon.Added());
  icon.DeleteIcon();
  shell.Calls.clear();
  SendMessageA(icon.Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(shell.Calls.empty());
  framework::Application().SetOnException(nullptr);
}

TEST(Balloon, ShownOnceWithItsTextWithoutTouchingThePictureOrTip) {
  RecordingShell shell;
  TTaskTrayIcon icon;
  icon.SetIconHandle(SomeIcon());
  EXPECT_FALSE(icon.ShowBalloonHelp()) << "no balloon without the icon";
  ASSERT_TRUE(icon.AddIcon());
  icon.SetBalloonHelpTitle("Kestrilon");
  icon.SetBalloonHelpText("クリップボード");
  icon.SetBalloonHelpIcon(bitWarning);
  shell.Calls.clear();
  ASSERT_TRUE(icon.ShowBalloonHelp());
  ASSERT_EQ(shell.Messages(), (std::vector<DWORD>{NIM_MODIFY}));
  const NOTIFYICONDATAA& sent = shell.Calls[0].Data;
  EXPECT_EQ(sent.uFlags, static_cast<UINT>(NIF_INFO));
  EXPECT_STREQ(sent.szInfoTitle, "Kestrilon");
  EXPECT_EQ(std::string(sent.szInfo), "\x83\x4e\x83\x8a\x83\x62\x83\x76\x83\x7b\x81\x5b\x83\x68")
      << "クリップボード in code page 932";
  EXPECT_EQ(sent.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
  shell.Calls.clear();
  ASSERT_TRUE(icon.ModifyIcon());
  EXPECT_EQ(shell.Calls.at(0).Data.uFlags & NIF_INFO, 0u)
      << "a later update must not show it again";
}

TEST(HiddenWindow, WithoutAnOwnerHandlerTheDefaultProcedureAnswers) {
  RecordingShell shell;
  TTaskTrayIcon icon;
  char title[8] = "x";
  // WM_GETTEXT of a window without a title: the default procedure copies an empty text.
  EXPECT_EQ(SendMessageA(icon.Handle(), WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title)),
            0);
  EXPECT_STREQ(title, "");
}

TEST(ShellVersion, TheSystemsShellLibraryHasAVersion) {
  // Wine's shell32 reports 6.0 through DllGetVersion; its file version agrees on the major part.
  DWORD version = GetShellVersion();
  EXPECT_GE(version, 0x00050000u);
  DWORD fileVersion = GetShellFileVersion();
  if (fileVersion != 0) {
    EXPECT_EQ(fileVersion >> 16, version >> 16);
  }
}

}  // namespace
}  // namespace kestrilon::tray
