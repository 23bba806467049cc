// TNkClipDetector: registers the program as a clipboard format listener and raises OnClipChange
// whenever the clipboard's contents change. Assigning a handler starts listening; assigning an
// empty one stops. It knows nothing of formats or text.
//
// A listener, not a member of the old clipboard-viewer chain: in a chain every viewer depends on
// the one before it to pass each notice on, so a program that passes nothing on silences the
// rest, and one that passes notices on late makes them arrive after the change is long done.
// The system tells each listener itself.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "Components.h"
#include "UtilityWindow.h"

namespace kestrilon::clipboard {

class TNkClipDetector : public framework::TComponent {
 public:
  // How the hidden window is made: the framework's AllocateHWnd, unless a test stands in for
  // the failure a real system won't give on demand.
  using TWindowAllocator =
      std::function<std::unique_ptr<framework::TUtilityWindow>(framework::TWindowMethod)>;

  // IgnoreFirst := True. Creates no window and listens to nothing.
  explicit TNkClipDetector(framework::TComponent* owner,
                           TWindowAllocator allocator = framework::AllocateHWnd);
  // Stops listening and destroys the hidden window. The handler is not cleared.
  ~TNkClipDetector() override;

  // Kept because a form file may set it. It once skipped the notice that joining the viewer
  // chain caused; starting to listen causes no notice, so there is nothing left to skip and the
  // value changes nothing: the text on the clipboard at start-up is left alone either way.
  bool IgnoreFirst() const noexcept { return FIgnoreFirst; }
  void SetIgnoreFirst(bool value) noexcept { FIgnoreFirst = value; }

  const framework::TNotifyEvent& OnClipChange() const noexcept { return FOnClipChange; }
  // A handler starts listening (once; another handler later only replaces it); an empty handler
  // stops. Throws framework::EOutOfResources when the hidden window cannot be made, and
  // framework::EOSError when the system refuses the listener; nothing is stored then.
  void SetOnClipChange(framework::TNotifyEvent value);

  // The hidden window; null while not listening.
  HWND Handle() const noexcept { return FWindow ? FWindow->Handle() : nullptr; }

 protected:
  // Calls OnClipChange with this detector as Sender, if a handler is set.
  virtual void DoClipChange();

 private:
  void WndProc(framework::TMessage& message);
  void StopListening() noexcept;

  TWindowAllocator FAllocator;
  framework::TNotifyEvent FOnClipChange;
  bool FIgnoreFirst = true;
  std::unique_ptr<framework::TUtilityWindow> FWindow;  // the hidden window; null: not listening
};

}  // namespace kestrilon::clipboard
