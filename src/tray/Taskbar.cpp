#include "Taskbar.h"

#include "Application.h"
#include "WinWindow.h"

namespace kestrilon::tray {

using framework::Application;
using framework::TMessage;

// --- the animation thread ---

TIconAnimation::~TIconAnimation() { StopAndWait(); }

void TIconAnimation::Execute() {
  while (!Terminated()) {
    DWORD sleep = 0;
    // Each step runs on the GUI thread, which owns the component and talks to the shell; the
    // decision to sleep is taken there too, so that a resume can't slip in before it.
    Synchronize([this, &sleep] {
      if (Terminated()) return;
      if (FTrayIcon.FInterval == 0 || !FTrayIcon.FVisible) {
        Suspend();
        return;
      }
      try {
        FTrayIcon.Animate();
      } catch (...) {
        Application().HandleException(FTrayIcon);
      }
      sleep = FTrayIcon.FInterval;
    });
    if (!Pause(sleep)) break;
  }
}

// --- the component ---

// The handler a tray icon installs on the application. When the icon goes while a later handler
// (another icon's, say) has saved this one, it can't be taken out of that chain: it stays there
// and only passes the call on to the handler it had saved.
struct TTrayIcon::AppHook {
  std::shared_ptr<THook> Hook;
  void (TTrayIcon::*Method)(TObject& sender);
  void operator()(TObject& sender) const {
    if (Hook->Owner) {
      (Hook->Owner->*Method)(sender);
    } else if (Hook->Saved) {
      Hook->Saved(sender);
    }
  }
};

void TTrayIcon::Unhook(THook& hook, const TNotifyEvent& current, void (*install)(TNotifyEvent)) {
  const AppHook* installed = current.target<AppHook>();
  if (installed && installed->Hook.get() == &hook) install(hook.Saved);
  hook.Owner = nullptr;
}

TTrayIcon::TTrayIcon(framework::TComponent* owner)
    : TComponent(owner),
      FIcon(std::make_unique<framework::TIcon>()),
      FResourceIconList(std::make_unique<framework::TStringList>()) {
  FIcon->SetOnChange([this] { IconChanged(); });
  FTaskTrayIcon = std::make_unique<TTaskTrayIcon>();
  FTaskTrayIcon->SetOnMessage([this](TMessage& message) { TrayMessage(message); });
  FTaskTrayIcon->SetTip("TipHelp");
  if (!IsDesigning()) {
    FOldOnRestore = std::make_shared<THook>(THook{this, Application().OnRestore()});
    FOldOnMinimize = std::make_shared<THook>(THook{this, Application().OnMinimize()});
    Application().SetOnRestore(AppHook{FOldOnRestore, &TTrayIcon::AppRestore});
    Application().SetOnMinimize(AppHook{FOldOnMinimize, &TTrayIcon::AppMinimize});
  }
}

TTrayIcon::~TTrayIcon() {
  if (FOldOnRestore) {
    HideIcon();
    Unhook(*FOldOnRestore, Application().OnRestore(),
           [](TNotifyEvent h) { Application().SetOnRestore(std::move(h)); });
    Unhook(*FOldOnMinimize, Application().OnMinimize(),
           [](TNotifyEvent h) { Application().SetOnMinimize(std::move(h)); });
    FOldOnRestore.reset();
    FOldOnMinimize.reset();
  }
  // Its destructor tells it to end, wakes it and waits, serving its last hand-over.
  FAnimation.reset();
  FResourceIcon.reset();
  FTaskTrayIcon.reset();
  FIcon.reset();
  FResourceIconList.reset();
}

bool TTrayIcon::CanShow() const {
  return FVisible && (!FMinimized || IsIconic(Application().Handle()));
}

HICON TTrayIcon::GetIconHandle() {
  if (HICON own = FIcon->Handle()) return own;
  int index = ResourceIconID();
  if (FResourceIconList->Count() > 0 && index >= 0) {
    if (!FResourceIcon) FResourceIcon = std::make_unique<framework::TIcon>();
    // A name that doesn't load leaves no picture: the icon is not shown rather than a stale one.
    if (!FResourceIcon->LoadFromResourceName(FResourceIconList->Strings(index), true))
      FResourceIcon->SetHandle(nullptr);
    return FResourceIcon->Handle();
  }
  return Application().SmallIcon();
}

void TTrayIcon::ShowIcon() {
  FTaskTrayIcon->SetIconHandle(GetIconHandle());
  if (FTaskTrayIcon->AddIcon()) {
    AnimationControl();
    FVisible = true;
  }
}

void TTrayIcon::HideIcon() {
  if (FAnimation && !FAnimation->Suspended()) FAnimation->Suspend();
  FTaskTrayIcon->DeleteIcon();
}

void TTrayIcon::UpdateIcon() {
  FTaskTrayIcon->SetIconHandle(GetIconHandle());
  if (CanShow()) FTaskTrayIcon->ModifyIcon();
}

void TTrayIcon::IconChanged() {
  if (!Quiet()) UpdateIcon();
}

void TTrayIcon::SetIcon(const framework::TIcon* value) {
  if (value) {
    FIcon->Assign(*value);
  } else {
    win::UniqueIcon released(FIcon->ReleaseHandle());
  }
  IconChanged();
}

void TTrayIcon::SetTipHelp(std::string_view text) {
  FTaskTrayIcon->SetTip(text);
  if (!Quiet()) UpdateIcon();
}

void TTrayIcon::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  if (Quiet()) return;
  if (CanShow()) {
    ShowIcon();
  } else {
    HideIcon();
  }
}

void TTrayIcon::SetMinimized(bool value) {
  if (value == FMinimized) return;
  FMinimized = value;
  if (Quiet()) return;
  if (CanShow()) {
    UpdateIcon();
  } else {
    HideIcon();
  }
}

int TTrayIcon::ResourceIconID() {
  if (FResourceIconID >= FResourceIconList->Count()) FResourceIconID = 0;
  return FResourceIconID;
}

void TTrayIcon::SetResourceIconID(int value) {
  // Writing 0 over 0 goes on: it is how the owner refreshes the picture.
  if (value == FResourceIconID && value != 0) return;
  // Dropped without a change notice: the update below shows the resource icon at once.
  win::UniqueIcon dropped(FIcon->ReleaseHandle());
  if (IsLoading()) {
    FResourceIconID = value;
  } else {
    int count = FResourceIconList->Count();
    FResourceIconID = value >= count ? count - 1 : value < 0 ? -1 : value;
  }
  if (!Quiet() && CanShow()) UpdateIcon();
}

void TTrayIcon::SetResourceIconList(const framework::TStrings& value) {
  if (FResourceIconList->Count() == 0 || FResourceIconID < 0) {
    // Nothing was chosen from the old list, so the picture stays what it was unless the list
    // was empty before (then the first update chooses from the new one).
    bool wasEmpty = FResourceIconList->Count() == 0;
    FResourceIconList->Assign(value);
    if (wasEmpty && !Quiet() && CanShow()) UpdateIcon();
    return;
  }
  int index = ResourceIconID();
  std::string before =
      index >= 0 && index < FResourceIconList->Count() ? FResourceIconList->Strings(index) : "";
  FResourceIconList->Assign(value);
  SetResourceIconID(ResourceIconID());
  index = FResourceIconID;
  std::string after =
      index >= 0 && index < FResourceIconList->Count() ? FResourceIconList->Strings(index) : "";
  if (after != before && !Quiet() && CanShow()) UpdateIcon();
}

void TTrayIcon::SetInterval(std::uint32_t value) {
  if (value == FInterval) return;
  FInterval = value >= 1 && value < 50 ? 50 : value;
  AnimationControl();
}

void TTrayIcon::SetLButtonPopupMenu(framework::TPopupMenu* menu) {
  FLButtonPopupMenu = menu;
  if (menu) FreeNotification(*menu);
}

void TTrayIcon::SetRButtonPopupMenu(framework::TPopupMenu* menu) {
  FRButtonPopupMenu = menu;
  if (menu) FreeNotification(*menu);
}

void TTrayIcon::Loaded() {
  try {
    if (!IsDesigning() && CanShow()) ShowIcon();
  } catch (const ENotifyIconError&) {
    // At logon the taskbar may not exist yet. The user is told, the program goes on, and the
    // icon, still wanted, is added when the taskbar announces itself.
    Application().HandleException(*this);
  } catch (...) {
    // The component is loaded either way; only the icon is missing.
    TComponent::Loaded();
    throw;
  }
  TComponent::Loaded();
}

void TTrayIcon::Notification(framework::TComponent& component, framework::TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != framework::opRemove) return;
  if (&component == static_cast<framework::TComponent*>(FLButtonPopupMenu))
    FLButtonPopupMenu = nullptr;
  if (&component == static_cast<framework::TComponent*>(FRButtonPopupMenu))
    FRButtonPopupMenu = nullptr;
}

void TTrayIcon::AppMinimize(TObject& sender) {
  if (FOldOnMinimize->Saved) FOldOnMinimize->Saved(sender);
  if (FVisible && FMinimized) ShowIcon();
  // The return value is the window's former visibility, not an error.
  if (FVisible && FHideOnTaskBar) ShowWindow(Application().Handle(), SW_HIDE);
}

void TTrayIcon::AppRestore(TObject& sender) {
  if (FOldOnRestore->Saved) FOldOnRestore->Saved(sender);
  if (!FMinimized) return;
  HideIcon();
  if (auto* control = dynamic_cast<framework::TWinControl*>(Owner());
      control && control->HandleAllocated()) {
    SetForegroundWindow(win::WindowOf(*control));
  }
}

void TTrayIcon::PopupAt(framework::TPopupMenu& menu, int x, int y) {
  Application().Initialize();
  // The menu only closes on a click elsewhere when the program owns the foreground.
  SetForegroundWindow(Application().Handle());
  Application().ProcessMessages();
  menu.SetPopupComponent(this);
  menu.Popup(x, y);
}

void TTrayIcon::TrayMessage(TMessage& message) {
  if (message.Msg == msg::QueryEndSession) {
    message.Result = 1;  // the tray icon never holds up a shutdown
    return;
  }
  if (message.Msg != WM_TASKTRAY) return;
  POINT p{};
  if (!GetCursorPos(&p)) p = POINT{};
  const int x = p.x;
  const int y = p.y;
  using framework::mbLeft;
  using framework::mbMiddle;
  using framework::mbRight;
  switch (message.LParam) {
    case msg::MouseMove:
      if (FOnMouseMove) FOnMouseMove(*this, 0, x, y);
      break;
    case msg::LButtonDown:
      if (FLButtonPopupMenu && FAutoPopup) {
        PopupAt(*FLButtonPopupMenu, x, y);
      } else if (FOnMouseDown) {
        FOnMouseDown(*this, mbLeft, framework::ssLeft, x, y);
      }
      break;
    case msg::LButtonUp:
      if (FOnMouseUp) FOnMouseUp(*this, mbLeft, framework::ssLeft, x, y);
      break;
    case msg::LButtonDblClk:
      if (FOnDblClick) FOnDblClick(*this);
      break;
    case msg::RButtonDown:
      if (FRButtonPopupMenu && FAutoPopup) {
        PopupAt(*FRButtonPopupMenu, x, y);
      } else if (FOnMouseDown) {
        FOnMouseDown(*this, mbRight, framework::ssRight, x, y);
      }
      break;
    case msg::RButtonUp:
      if (FOnMouseUp) FOnMouseUp(*this, mbRight, framework::ssRight, x, y);
      break;
    case msg::RButtonDblClk:
      if (FOnRDblClick) FOnRDblClick(*this);
      break;
    case msg::MButtonDown:
      if (FOnMouseDown) FOnMouseDown(*this, mbMiddle, framework::ssMiddle, x, y);
      break;
    case msg::MButtonUp:
      if (FOnMouseUp) FOnMouseUp(*this, mbMiddle, framework::ssMiddle, x, y);
      break;
    case TRAY_MOUSEENTER:
      if (FOnMouseEnter) FOnMouseEnter(*this);
      break;
    case TRAY_MOUSEEXIT:
      if (FOnMouseExit) FOnMouseExit(*this);
      break;
    case TRAY_MOUSECLICK:
      if (FOnMouseClick && message.WParam <= 2) {
        FOnMouseClick(*this, static_cast<TMouseButton>(message.WParam), 0, x, y);
      }
      break;
    default: break;
  }
}

void TTrayIcon::AnimationControl() {
  if (FVisible && FInterval != 0) {
    GetAnimation().Resume();
  } else if (FAnimation && !FAnimation->Suspended()) {
    FAnimation->Suspend();
  }
}

TIconAnimation& TTrayIcon::GetAnimation() {
  if (!FAnimation) FAnimation = std::make_unique<TIconAnimation>(*this);
  return *FAnimation;
}

void TTrayIcon::Animate() {
  if (FOnIconAnimation) {
    FOnIconAnimation(*this);
    UpdateIcon();
    return;
  }
  int next = FResourceIconID + 1;
  if (next >= FResourceIconList->Count()) next = 0;
  SetResourceIconID(next);
}

}  // namespace kestrilon::tray
