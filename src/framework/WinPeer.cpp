// The controls' windows: what every peer shares, and the choice of peer for a control.
#include "WinPeerBase.h"

namespace kestrilon::framework::win {

WindowPeer* PeerOf(HWND window) noexcept {
  return window ? static_cast<WindowPeer*>(GetPropW(window, PeerProperty)) : nullptr;
}

UINT NextControlId() noexcept {
  static UINT id = 1000;
  return ++id;
}

std::string Describe(const TComponent& component) {
  return component.Name().empty() ? std::string("a control") : "'" + component.Name() + "'";
}

void ThrowOutOfResources(const std::string& what) {
  throw EOutOfResources(what + " (error " + std::to_string(GetLastError()) + ")");
}

LRESULT CALLBACK PeerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowPeer* peer = PeerOf(window);
  if (!peer) return DefWindowProcW(window, message, wParam, lParam);
  try {
    return peer->WindowProc(message, wParam, lParam);
  } catch (...) {
    Application().HandleException(peer->Control());
    return 0;
  }
}

bool RegisterOwnClass(const wchar_t* name, UINT style) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  if (GetClassInfoExW(instance, name, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = &PeerWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = Application().Icon();
  // Drawn in the caption at its own size, not shrunk from the large one.
  wc.hIconSm = Application().SmallIcon();
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0;
}

TWinControl* ControlFromWindow(HWND window) noexcept {
  WindowPeer* peer = PeerOf(window);
  return peer ? &peer->Control() : nullptr;
}

HWND WindowOf(TWinControl& control) {
  control.HandleNeeded();
  auto* peer = dynamic_cast<WindowPeer*>(control.Peer());
  return peer ? peer->Handle() : nullptr;
}

COLORREF ColorToRGB(TColor color) noexcept {
  if (color == clDefault) return GetSysColor(COLOR_WINDOW);
  if (color == clNone) return RGB(0, 0, 0);
  if (IsSystemColor(color)) return GetSysColor(color & 0xFF);
  return static_cast<COLORREF>(color) & 0xFFFFFFu;
}

std::unique_ptr<ControlPeer> MakePeer(TWinControl& control) {
  for (auto make : {MakeFormPeer, MakeButtonPeer, MakeListPeer, MakeHotKeyPeer})
    if (auto peer = make(control)) return peer;
  return MakePanelPeer(control);
}

}  // namespace kestrilon::framework::win
