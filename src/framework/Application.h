// The application object (Windows): the hidden application window, the main form, the message
// loop, and the handler that every exception caught at a callback from the system ends in.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "Forms.h"
#include "WinHandles.h"

namespace kestrilon::framework {

using TExceptionEvent = std::function<void(TObject& sender, const std::exception& error)>;

class TApplication : public TComponent {
 public:
  TApplication();
  // Destroys the forms (and so their components), the last created first.
  ~TApplication() override;

  // Makes the application window. Idempotent; CreateForm and Run call it too. Throws
  // EOutOfResources when the window cannot be made.
  void Initialize();

  const std::string& Title() const noexcept { return FTitle; }
  void SetTitle(std::string_view title);
  bool ShowMainForm() const noexcept { return FShowMainForm; }
  void SetShowMainForm(bool show) noexcept { FShowMainForm = show; }
  TCustomForm* MainForm() const noexcept { return FMainForm; }

  // Creates a form owned by the application and ends its construction (Loaded, OnCreate). The
  // first form created is the main form.
  template <class F, class... Args>
  F* CreateForm(Args&&... args) {
    Initialize();
    auto* form = new F(this, std::forward<Args>(args)...);
    if (!FMainForm) FMainForm = form;
    form->AfterConstruction();
    return form;
  }

  // Shows the main form (if ShowMainForm) and runs the message loop until Terminate.
  void Run();
  void Terminate() noexcept;
  bool Terminated() const noexcept { return FTerminated; }
  // Handles every message waiting now, then returns.
  void ProcessMessages();
  // Waits for one message (or a Synchronize call) and handles it.
  void HandleMessage();

  // The hidden application window, owner of the forms' windows.
  HWND Handle() const noexcept { return FWindow.Get(); }
  // The icon resource "MAINICON" of the executable at the system's large or small icon size
  // (LoadIconAtSystemSize), or the system's application icon.
  HICON Icon() const noexcept { return MainIcon(false); }
  HICON SmallIcon() const noexcept { return MainIcon(true); }

  void Minimize();
  void Restore();
  const TNotifyEvent& OnMinimize() const noexcept { return FOnMinimize; }
  void SetOnMinimize(TNotifyEvent handler) { FOnMinimize = std::move(handler); }
  const TNotifyEvent& OnRestore() const noexcept { return FOnRestore; }
  void SetOnRestore(TNotifyEvent handler) { FOnRestore = std::move(handler); }

  // Called inside a catch block: hands the exception being handled to OnException, or, when that
  // is empty, shows its message in a box. Never throws.
  void HandleException(TObject& sender) noexcept;
  void ShowException(const std::exception& error) noexcept;
  const TExceptionEvent& OnException() const noexcept { return FOnException; }
  void SetOnException(TExceptionEvent handler) { FOnException = std::move(handler); }

  // For the message loop: gives a form the keys a dialog handles (Enter, Escape, Tab, arrows,
  // accelerator letters). True when the message was used.
  bool IsDialogKey(MSG& message);

 protected:
  void Notification(TComponent& component, TOperation operation) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Dispatch(MSG& message);
  HICON MainIcon(bool small) const noexcept;

  std::string FTitle;
  bool FShowMainForm = true;
  bool FTerminated = false;
  TCustomForm* FMainForm = nullptr;
  win::UniqueWindow FWindow;
  // Loaded on first use: the large one, then the small one.
  struct TLoadedIcon {
    win::UniqueIcon FIcon;
    bool FLoaded = false;
  };
  mutable TLoadedIcon FIcons[2];
  TNotifyEvent FOnMinimize;
  TNotifyEvent FOnRestore;
  TExceptionEvent FOnException;
};

// The one application object of the process, made on first use.
TApplication& Application();

// The message the application window gets when a thread waits in Synchronize.
inline constexpr UINT WM_KESTRILON_SYNCHRONIZE = WM_APP + 0x3A1;

}  // namespace kestrilon::framework
