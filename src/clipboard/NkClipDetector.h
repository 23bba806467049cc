// TNkClipDetector: makes the program a member of the system's clipboard-viewer chain and raises
// OnClipChange whenever the clipboard's contents change. Assigning a handler joins the chain;
// assigning an empty one leaves it. It knows nothing of formats or text.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "Components.h"
#include "UtilityWindow.h"

namespace kestrilon::clipboard {

class TNkClipDetector : public framework::TComponent {
public:
  // IgnoreFirst := True. Creates no window and joins nothing.
  explicit TNkClipDetector(framework::TComponent* owner);
  // Leaves the chain if joined and destroys the hidden window. The handler is not cleared.
  ~TNkClipDetector() override;

  // With IgnoreFirst (the default), the notice the system sends during the join itself is not
  // reported, so the text already on the clipboard at start-up is left alone.
  bool IgnoreFirst() const noexcept { return FIgnoreFirst; }
  void SetIgnoreFirst(bool value) noexcept { FIgnoreFirst = value; }

  const framework::TNotifyEvent& OnClipChange() const noexcept { return FOnClipChange; }
  // A handler joins the chain (once; another handler later only replaces it); an empty handler
  // leaves it. Throws framework::EOutOfResources when the hidden window cannot be made; nothing
  // is stored then.
  void SetOnClipChange(framework::TNotifyEvent value);

  HWND Handle() const noexcept { return FWindow ? FWindow->Handle() : nullptr; }
  HWND NextViewer() const noexcept { return FNextViewer; }

  // How the hidden window is made: the framework's AllocateHWnd, unless a test replaces it to
  // provoke the failure a real system won't give on demand.
  using TWindowAllocator =
      std::function<std::unique_ptr<framework::TUtilityWindow>(framework::TWindowMethod)>;
  static TWindowAllocator& WindowAllocator();

protected:
  // Calls OnClipChange with this detector as Sender, if a handler is set.
  virtual void DoClipChange();

private:
  void WndProc(framework::TMessage& message);
  void LeaveChain() noexcept;

  HWND FNextViewer = nullptr;
  framework::TNotifyEvent FOnClipChange;
  bool FJoining = false;
  bool FIgnoreFirst = true;
  std::unique_ptr<framework::TUtilityWindow> FWindow;  // the hidden window; null: not joined
};

}  // namespace kestrilon::clipboard
