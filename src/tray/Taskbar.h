// TTrayIcon: the notification-area icon as a component of a form. Its properties choose the
// picture (an explicit Icon, else an entry of ResourceIconList, else the application's icon), the
// tip, when it shows, and how its mouse notices become events and popup menus; TIconAnimation
// steps through the pictures on a timer of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "Components.h"
#include "Controls.h"
#include "Menus.h"
#include "Strings.h"
#include "Threads.h"
#include "TrShlApi.h"
#include "WinGraphics.h"

namespace kestrilon::tray {

using framework::TMouseButton;
using framework::TNotifyEvent;
using framework::TObject;
using framework::TShiftState;

using TMouseEvent =
    std::function<void(TObject& sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject& sender, TShiftState shift, int x, int y)>;

class TTrayIcon;

// Changes the icon every Interval milliseconds while it is visible; each step runs on the GUI
// thread.
class TIconAnimation : public framework::TThread {
 public:
  explicit TIconAnimation(TTrayIcon& trayIcon) : FTrayIcon(trayIcon) {}
  // Ends the thread before the component it animates can go.
  ~TIconAnimation() override;

 protected:
  void Execute() override;

 private:
  TTrayIcon& FTrayIcon;
};

class TTrayIcon : public framework::TComponent {
 public:
  // Hooks the application's minimize and restore (unless designing). The icon is shown by Loaded,
  // or by the first setter that wants it shown.
  explicit TTrayIcon(framework::TComponent* owner);
  // Removes the icon, gives the application its handlers back, ends the animation.
  ~TTrayIcon() override;

  bool AutoPopup() const noexcept { return FAutoPopup; }
  void SetAutoPopup(bool value) noexcept { FAutoPopup = value; }

  // The explicit picture; empty means the resource list's or the application's.
  framework::TIcon& Icon() noexcept { return *FIcon; }
  // Copies value's picture (null empties the own icon), then updates the shell.
  void SetIcon(const framework::TIcon* value);

  std::string TipHelp() const { return FTaskTrayIcon->Tip(); }
  void SetTipHelp(std::string_view text);

  // Shown only while the application is minimized.
  bool Minimized() const noexcept { return FMinimized; }
  void SetMinimized(bool value);
  bool Visible() const noexcept { return FVisible; }
  void SetVisible(bool value);
  // Hides the application's taskbar button whenever it is minimized.
  bool HideOnTaskBar() const noexcept { return FHideOnTaskBar; }
  void SetHideOnTaskBar(bool value) noexcept { FHideOnTaskBar = value; }

  // Index into ResourceIconList, -1 for none. Writes are clamped to the list (outside loading);
  // writing the same non-zero index does nothing, writing 0 always refreshes the picture. A read
  // finds an index beyond the list reset to 0.
  int ResourceIconID();
  void SetResourceIconID(int value);
  // Names of icon resources of the executable.
  const framework::TStringList& ResourceIconList() const noexcept { return *FResourceIconList; }
  // Takes value's entries; when an entry was chosen, the index is clamped to the new list and the
  // picture is updated if the chosen name changed.
  void SetResourceIconList(const framework::TStrings& value);

  // Animation period in milliseconds (0: none; 1 to 49 become 50).
  std::uint32_t Interval() const noexcept { return FInterval; }
  void SetInterval(std::uint32_t value);

  bool DoForegroundWindow() const noexcept { return FTaskTrayIcon->DoForegroundWindow(); }
  void SetDoForegroundWindow(bool value) noexcept { FTaskTrayIcon->SetDoForegroundWindow(value); }
  // Waits the double-click time before reporting a click, so that a double click isn't one too.
  bool CheckSingleDoubleClick() const noexcept {
    return FTaskTrayIcon->ToolTipStyle().CheckSingleDoubleClick();
  }
  void SetCheckSingleDoubleClick(bool value) noexcept {
    FTaskTrayIcon->ToolTipStyle().SetCheckSingleDoubleClick(value);
  }

  // Kept in the notify record; sent with the next add or modify of the icon.
  std::string BalloonHelpTitle() const { return FTaskTrayIcon->BalloonHelpTitle(); }
  void SetBalloonHelpTitle(std::string_view text) { FTaskTrayIcon->SetBalloonHelpTitle(text); }
  std::string BalloonHelpText() const { return FTaskTrayIcon->BalloonHelpText(); }
  void SetBalloonHelpText(std::string_view text) { FTaskTrayIcon->SetBalloonHelpText(text); }
  int BalloonHelpTimeOut() const noexcept { return FTaskTrayIcon->BalloonHelpTimeOut(); }
  void SetBalloonHelpTimeOut(int value) noexcept { FTaskTrayIcon->SetBalloonHelpTimeOut(value); }
  TBalloonIconType BalloonHelpIcon() const noexcept { return FTaskTrayIcon->BalloonHelpIcon(); }
  void SetBalloonHelpIcon(TBalloonIconType value) noexcept {
    FTaskTrayIcon->SetBalloonHelpIcon(value);
  }

  // Shows the balloon title and text once on the icon; false when the icon is not shown.
  bool ShowBalloonHelp() { return FTaskTrayIcon->ShowBalloonHelp(); }

  TToolTipStyle& ToolTipStyle() noexcept { return FTaskTrayIcon->ToolTipStyle(); }
  void SetToolTipStyle(const TToolTipStyle& value) { FTaskTrayIcon->ToolTipStyle().Assign(value); }

  framework::TPopupMenu* LButtonPopupMenu() const noexcept { return FLButtonPopupMenu; }
  void SetLButtonPopupMenu(framework::TPopupMenu* menu);
  framework::TPopupMenu* RButtonPopupMenu() const noexcept { return FRButtonPopupMenu; }
  void SetRButtonPopupMenu(framework::TPopupMenu* menu);

  const TNotifyEvent& OnDblClick() const noexcept { return FOnDblClick; }
  void SetOnDblClick(TNotifyEvent handler) { FOnDblClick = std::move(handler); }
  const TNotifyEvent& OnRDblClick() const noexcept { return FOnRDblClick; }
  void SetOnRDblClick(TNotifyEvent handler) { FOnRDblClick = std::move(handler); }
  const TMouseMoveEvent& OnMouseMove() const noexcept { return FOnMouseMove; }
  void SetOnMouseMove(TMouseMoveEvent handler) { FOnMouseMove = std::move(handler); }
  const TMouseEvent& OnMouseDown() const noexcept { return FOnMouseDown; }
  void SetOnMouseDown(TMouseEvent handler) { FOnMouseDown = std::move(handler); }
  const TMouseEvent& OnMouseUp() const noexcept { return FOnMouseUp; }
  void SetOnMouseUp(TMouseEvent handler) { FOnMouseUp = std::move(handler); }
  const TNotifyEvent& OnIconAnimation() const noexcept { return FOnIconAnimation; }
  void SetOnIconAnimation(TNotifyEvent handler) { FOnIconAnimation = std::move(handler); }
  const TNotifyEvent& OnMouseEnter() const noexcept { return FOnMouseEnter; }
  void SetOnMouseEnter(TNotifyEvent handler) { FOnMouseEnter = std::move(handler); }
  const TNotifyEvent& OnMouseExit() const noexcept { return FOnMouseExit; }
  void SetOnMouseExit(TNotifyEvent handler) { FOnMouseExit = std::move(handler); }
  const TMouseEvent& OnMouseClick() const noexcept { return FOnMouseClick; }
  void SetOnMouseClick(TMouseEvent handler) { FOnMouseClick = std::move(handler); }

  // The notification-area icon itself.
  TTaskTrayIcon& TaskTrayIcon() noexcept { return *FTaskTrayIcon; }
  // The animation thread, or null before the first animation.
  const TIconAnimation* Animation() const noexcept { return FAnimation.get(); }

 protected:
  void Loaded() override;
  void Notification(framework::TComponent& component, framework::TOperation operation) override;

 private:
  friend class TIconAnimation;

  bool Quiet() const noexcept { return IsDesigning() || IsLoading(); }
  bool CanShow() const;
  HICON GetIconHandle();
  void ShowIcon();
  void HideIcon();
  void UpdateIcon();
  void IconChanged();
  void AppMinimize(TObject& sender);
  void AppRestore(TObject& sender);
  struct THook;
  struct AppHook;
  static void Unhook(THook& hook, const TNotifyEvent& current, void (*install)(TNotifyEvent));
  void TrayMessage(framework::TMessage& message);
  void PopupAt(framework::TPopupMenu& menu, int x, int y);
  void AnimationControl();
  TIconAnimation& GetAnimation();
  void Animate();

  std::unique_ptr<TIconAnimation> FAnimation;
  std::unique_ptr<framework::TIcon> FResourceIcon;
  bool FAutoPopup = true;
  std::unique_ptr<framework::TIcon> FIcon;
  framework::TPopupMenu* FLButtonPopupMenu = nullptr;
  framework::TPopupMenu* FRButtonPopupMenu = nullptr;
  std::unique_ptr<TTaskTrayIcon> FTaskTrayIcon;
  int FResourceIconID = -1;
  std::unique_ptr<framework::TStringList> FResourceIconList;
  bool FVisible = true;
  bool FMinimized = false;
  bool FHideOnTaskBar = false;
  std::uint32_t FInterval = 0;
  // The application's minimize and restore handlers that were in place when this component
  // hooked them, shared with the hook it installed (see Taskbar.cpp).
  struct THook {
    TTrayIcon* Owner;  // null once the component is gone
    TNotifyEvent Saved;
  };
  std::shared_ptr<THook> FOldOnRestore;
  std::shared_ptr<THook> FOldOnMinimize;
  TNotifyEvent FOnDblClick;
  TNotifyEvent FOnRDblClick;
  TMouseMoveEvent FOnMouseMove;
  TMouseEvent FOnMouseDown;
  TMouseEvent FOnMouseUp;
  TNotifyEvent FOnIconAnimation;
  TNotifyEvent FOnMouseEnter;
  TNotifyEvent FOnMouseExit;
  TMouseEvent FOnMouseClick;
};

}  // namespace kestrilon::tray
