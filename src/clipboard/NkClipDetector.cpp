#include "NkClipDetector.h"

#include "Exceptions.h"

namespace kestrilon::clipboard {

TNkClipDetector::TNkClipDetector(framework::TComponent* owner, TWindowAllocator allocator)
    : TComponent(owner), FAllocator(std::move(allocator)) {}

TNkClipDetector::~TNkClipDetector() { StopListening(); }

void TNkClipDetector::StopListening() noexcept {
  if (!FWindow) return;
  // A refusal leaves nothing to do: destroying the window ends its listening all the same.
  RemoveClipboardFormatListener(FWindow->Handle());
  FWindow.reset();
}

void TNkClipDetector::SetOnClipChange(framework::TNotifyEvent value) {
  if (IsDesigning()) {  // never a window or a listener in the designer
    FOnClipChange = std::move(value);
    return;
  }
  if (!value) {
    if (!FWindow) return;
    StopListening();
    FOnClipChange = nullptr;
    return;
  }
  if (FWindow) {  // already listening
    FOnClipChange = std::move(value);
    return;
  }
  auto window = FAllocator([this](framework::TMessage& message) { WndProc(message); });
  if (!window)
    throw framework::EOutOfResources("TNkClipDetector.SetOnClipChange: Cannot Allocate HWnd");
  if (!AddClipboardFormatListener(window->Handle()))
    throw framework::EOSError("AddClipboardFormatListener", GetLastError());
  FWindow = std::move(window);
  FOnClipChange = std::move(value);
}

void TNkClipDetector::DoClipChange() {
  if (FOnClipChange) FOnClipChange(*this);
}

void TNkClipDetector::WndProc(framework::TMessage& message) {
  if (message.Msg == WM_CLIPBOARDUPDATE) {
    DoClipChange();  // an exception goes on to the window's caller, the framework's handler
    return;
  }
  message.Result = DefWindowProcW(FWindow ? FWindow->Handle() : nullptr, message.Msg,
                                  message.WParam, message.LParam);
}

}  // namespace kestrilon::clipboard
