#include "NkClipDetector.h"

#include "Exceptions.h"

namespace kestrilon::clipboard {

TNkClipDetector::TNkClipDetector(framework::TComponent* owner) : TComponent(owner) {}

TNkClipDetector::~TNkClipDetector() { LeaveChain(); }

TNkClipDetector::TWindowAllocator& TNkClipDetector::WindowAllocator() {
  static TWindowAllocator allocator = framework::AllocateHWnd;
  return allocator;
}

void TNkClipDetector::LeaveChain() noexcept {
  if (!FWindow) return;
  // The result only says whether the chain was changed; there is nothing to do either way.
  ChangeClipboardChain(FWindow->Handle(), FNextViewer);
  FWindow.reset();
}

void TNkClipDetector::SetOnClipChange(framework::TNotifyEvent value) {
  if (IsDesigning()) {  // never a window or a chain in the designer
    FOnClipChange = std::move(value);
    return;
  }
  if (!value) {
    if (!FWindow) return;
    LeaveChain();
    FOnClipChange = nullptr;
    return;
  }
  if (FWindow) {  // stays where it is in the chain
    FOnClipChange = std::move(value);
    return;
  }
  auto window = WindowAllocator()([this](framework::TMessage& message) { WndProc(message); });
  if (!window)
    throw framework::EOutOfResources("TNkClipDetector.SetOnClipChange: Cannot Allocate HWnd");
  FWindow = std::move(window);
  // Stored before joining, so that the handler exists when the join delivers its notice.
  FOnClipChange = std::move(value);
  FJoining = true;
  // 0 is the normal answer of the first viewer: there is no next one.
  FNextViewer = SetClipboardViewer(FWindow->Handle());
  FJoining = false;
}

void TNkClipDetector::DoClipChange() {
  if (FOnClipChange) FOnClipChange(*this);
}

void TNkClipDetector::WndProc(framework::TMessage& message) {
  switch (message.Msg) {
    case WM_DRAWCLIPBOARD:
      // The notice goes on after the handler has returned, whatever the handler did: a viewer
      // later in the chain must never miss a change. The handler's exception goes on to the
      // window's caller (the framework's handler) only after that.
      try {
        if (!FIgnoreFirst || !FJoining) DoClipChange();
      } catch (...) {
        if (FNextViewer) SendMessageW(FNextViewer, WM_DRAWCLIPBOARD, 0, 0);
        throw;
      }
      if (FNextViewer) SendMessageW(FNextViewer, WM_DRAWCLIPBOARD, 0, 0);
      break;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(message.WParam) == FNextViewer) {
        FNextViewer = reinterpret_cast<HWND>(message.LParam);
        message.Result = 0;
      } else {
        message.Result = SendMessageW(FNextViewer, WM_CHANGECBCHAIN, message.WParam, message.LParam);
      }
      break;
    default:
      message.Result = DefWindowProcW(FWindow ? FWindow->Handle() : nullptr, message.Msg,
                                      message.WParam, message.LParam);
  }
}

}  // namespace kestrilon::clipboard
