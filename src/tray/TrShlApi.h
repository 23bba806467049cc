// One icon in the Windows notification area (TTaskTrayIcon): the shell's notify record, the hidden
// window that receives the icon's callback messages, and the icon's tooltip style; the registry of
// all icons of the process, which owns the hidden windows' class and routes their messages
// (TTrayIconWinProcList); and the thread that notices the cursor leaving an icon
// (TMouseEventMaker).
#pragma once

#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Exceptions.h"
#include "Threads.h"
#include "ToolTipStyle.h"
#include "TrayTypes.h"
#include "WinHandles.h"

namespace kestrilon::tray {

namespace win = framework::win;

// The shell would not take the icon; the message says which way.
class ENotifyIconError : public framework::Exception {
 public:
  using Exception::Exception;
};

inline constexpr char MessageCannotRegister[] = "タスクトレイにアイコンを登録できません。";
inline constexpr char MessageCannotChange[] = "タスクトレイのアイコンを変更できません。";

enum TBalloonIconType { bitNone = 0, bitInfo = 1, bitWarning = 2, bitError = 3 };

// What the icons ask of the shell, replaceable where a test must provoke what a real shell won't
// do on demand. Each empty member means the real service.
struct TTrayShell {
  // Shell_NotifyIconA. A failure leaves its reason in GetLastError.
  std::function<BOOL(DWORD message, NOTIFYICONDATAA& data)> NotifyIcon;
  // The wait between the retries of a timed-out add (Sleep).
  std::function<void(DWORD milliseconds)> Sleep;
  // The shell library's version, major in the high word (read from shell32.dll).
  std::function<DWORD()> ShellVersion;
};
// Installs shell for the icons made from now on and for every later call; returns the one before.
TTrayShell SetTrayShell(TTrayShell shell);

// The shell library's version: DllGetVersion of shell32.dll, else its file version; 0 if neither
// can be read.
DWORD GetShellVersion();
DWORD GetShellFileVersion();

class TTaskTrayIcon : public framework::TObject {
 public:
  // Joins the registry (made by the first icon); the window is made when first needed.
  TTaskTrayIcon();
  // Takes the icon out of the notification area, destroys the window and leaves the registry
  // (the last icon frees it, which unregisters the window class).
  ~TTaskTrayIcon() override;

  // The hidden window, made on first use. Throws EOutOfResources when it cannot be made.
  HWND Handle();
  bool HandleAllocated() const noexcept { return static_cast<bool>(FHandle); }

  // Stored in the record only; the next add or modify sends it.
  HICON IconHandle() const noexcept { return FNotifyData.hIcon; }
  void SetIconHandle(HICON icon) noexcept { FNotifyData.hIcon = icon; }

  // Texts in UTF-8; the record holds them in the ANSI code page, cut at the last whole
  // character that fits its field (tip 127 bytes, 63 on shells before 5.0; balloon title 63,
  // text 255). Reading gives back what the record holds.
  std::string Tip() const;
  void SetTip(std::string_view text);
  std::string BalloonHelpTitle() const;
  void SetBalloonHelpTitle(std::string_view text);
  std::string BalloonHelpText() const;
  void SetBalloonHelpText(std::string_view text);
  int BalloonHelpTimeOut() const noexcept { return static_cast<int>(FNotifyData.uTimeout); }
  void SetBalloonHelpTimeOut(int timeout) noexcept {
    FNotifyData.uTimeout = static_cast<UINT>(timeout);
  }
  TBalloonIconType BalloonHelpIcon() const noexcept;
  void SetBalloonHelpIcon(TBalloonIconType icon) noexcept;

  // True when the icon is in the notification area afterwards. Add retries a timed-out shell for
  // about 12 seconds and throws ENotifyIconError when it gives up or the shell refuses; without
  // an icon handle it sends nothing and returns false.
  bool AddIcon();
  // Adds the icon when it isn't added; a modify that fails other than by time-out re-adds it
  // (an error of that add is dropped).
  bool ModifyIcon();
  // True when the icon was not added or the shell removed it.
  bool DeleteIcon();
  bool Added() const noexcept { return FAdded; }
  // Whether the icon should be in the notification area: from an add, even a failed one, until
  // the delete. A new taskbar gets every such icon, so that one refused at logon (before the
  // taskbar existed) comes once the taskbar is there.
  bool Wanted() const noexcept { return FWanted; }

  // Shows the balloon title and text now, once, with the balloon icon (shells from 5.0); the
  // picture and the tip stay as they are. False when the icon is not in the notification area or
  // the shell refused.
  bool ShowBalloonHelp();

  DWORD ShellVersion() const noexcept { return FShellVersion; }
  bool Shell5OrLater() const noexcept { return FShellVersion >= 0x00050000; }
  const NOTIFYICONDATAA& NotifyData() const noexcept { return FNotifyData; }

  bool DoForegroundWindow() const noexcept { return FDoForegroundWindow; }
  void SetDoForegroundWindow(bool value) noexcept { FDoForegroundWindow = value; }

  TToolTipStyle& ToolTipStyle() noexcept { return *FToolTipStyle; }

  // Receives every message of the hidden window (after the style looked at it) and decides its
  // result; without one the default window procedure answers.
  using TMessageEvent = std::function<void(framework::TMessage& message)>;
  void SetOnMessage(TMessageEvent handler) { FOnMessage = std::move(handler); }

  // The registry's dispatch: the taskbar's re-creation, the style, then the owner.
  void HandleMessage(framework::TMessage& message);

 private:
  void ForegroundIfAsked();
  void ShellAdded();

  DWORD FShellVersion = 0;
  win::UniqueWindow FHandle;
  NOTIFYICONDATAA FNotifyData{};
  bool FAdded = false;
  bool FWanted = false;
  TMessageEvent FOnMessage;
  std::unique_ptr<TToolTipStyle> FToolTipStyle;
  bool FDoForegroundWindow = false;
};

class TTrayIconWinProcList : public framework::TObject {
 public:
  // Registers the window class "TaskTrayHandle" and the message "TaskbarCreated".
  TTrayIconWinProcList();
  // Unregisters the window class.
  ~TTrayIconWinProcList() override;

  void Add(TTaskTrayIcon& icon);
  // An icon that is not in the list is ignored.
  void Remove(TTaskTrayIcon& icon) noexcept;
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  // Gives the message to the first icon whose window this is; false when there is none.
  bool Dispatch(HWND window, framework::TMessage& message);
  UINT TaskbarCreatedMsg() const noexcept { return FTaskbarCreatedMsg; }

 private:
  std::vector<TTaskTrayIcon*> FItems;
  UINT FTaskbarCreatedMsg = 0;
};

// The one registry while at least one icon exists, else null.
TTrayIconWinProcList* TrayIconWinProcList() noexcept;

// The window procedure of every hidden window (and, through a forwarder, their click timer).
LRESULT CALLBACK TrayIconWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Wakes every 100 ms while the cursor is over the icon and has the GUI thread check whether it
// left; sleeps while it is outside.
class TMouseEventMaker : public framework::TThread, public TLeaveTracker {
 public:
  explicit TMouseEventMaker(TCustomToolTipStyle& style) : FStyle(style) {}
  // Ends the thread before the style it serves can go.
  ~TMouseEventMaker() override;
  bool Suspended() const override { return TThread::Suspended(); }
  void Resume() override { TThread::Resume(); }

 protected:
  void Execute() override;

 private:
  TCustomToolTipStyle& FStyle;
};

}  // namespace kestrilon::tray
