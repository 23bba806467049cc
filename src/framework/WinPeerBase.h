// The base of the controls' windows (Windows), shared by the framework's peer files; internal to
// the framework. A peer makes its control's window, shows the model's values in it, and turns the
// user's changes (notifications of the window) back into the model's setters, followed by Click.
// Every message of these windows passes through PeerWindowProc, which keeps exceptions inside.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Application.h"
#include "Exceptions.h"
#include "Forms.h"
#include "Platform.h"
#include "StdControls.h"
#include "WinGraphics.h"
#include "WinHandles.h"
#include "WinPeers.h"
#include "WinText.h"

namespace kestrilon::framework::win {

inline constexpr wchar_t PeerProperty[] = L"Kestrilon.Peer";

class WindowPeer;

// The peer whose window this is, or null.
WindowPeer* PeerOf(HWND window) noexcept;
// Control identifiers of child windows; 1 and 2 are IDOK and IDCANCEL.
UINT NextControlId() noexcept;
// "'Name'" or "a control", for messages.
std::string Describe(const TComponent& component);
[[noreturn]] void ThrowOutOfResources(const std::string& what);

// The font as a GDI font, its face resolved to an installed one. Throws EOutOfResources.
UniqueFont CreateFontFor(const TFont& font);
// The height of a line in that font, in pixels.
int TextHeight(HFONT font);

LRESULT CALLBACK PeerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers a window class of the framework's own, once; false when the system refuses.
bool RegisterOwnClass(const wchar_t* name, UINT style);

class WindowPeer : public ControlPeer {
 public:
  explicit WindowPeer(TWinControl& control) : FControl(control) {}
  WindowPeer(const WindowPeer&) = delete;
  WindowPeer& operator=(const WindowPeer&) = delete;
  ~WindowPeer() override { Detach(); }

  HWND Handle() const noexcept { return FWindow.Get(); }
  TWinControl& Control() const noexcept { return FControl; }
  // The window that the windows of child controls are made in.
  virtual HWND ClientWindow() const noexcept { return Handle(); }

  void Changed(ControlChange what) override {
    if (!FWindow) return;
    switch (what) {
      case ControlChange::Caption:
        if (!SetWindowTextW(Handle(), Widen(FControl.Caption()).c_str())) {
          ThrowOutOfResources("Cannot set the caption of " + Describe(FControl));
        }
        break;
      case ControlChange::Bounds:
        if (!FFromWindow) ApplyBounds();
        break;
      case ControlChange::Visible:
        ShowWindow(Handle(), FControl.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
      case ControlChange::Enabled: EnableWindow(Handle(), FControl.Enabled() ? TRUE : FALSE); break;
      case ControlChange::Font:
        ApplyFont();
        for (const TWinControl* child : FControl.TabList()) {
          if (child->ParentFont() && child->Peer()) child->Peer()->Changed(ControlChange::Font);
        }
        InvalidateRect(Handle(), nullptr, TRUE);
        break;
      case ControlChange::Color:
        FBrush.Reset();
        InvalidateRect(Handle(), nullptr, TRUE);
        break;
      case ControlChange::Order: {
        LONG_PTR style = GetWindowLongPtrW(Handle(), GWL_STYLE);
        style = FControl.TabStop() ? (style | WS_TABSTOP)
                                   : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        SetWindowLongPtrW(Handle(), GWL_STYLE, style);
        break;
      }
      default: break;
    }
  }

  void ChildInserted(TControl& /*child*/) override {
    ArrangeTabOrder();
    InvalidateRect(ClientWindow(), nullptr, TRUE);
  }
  void ChildRemoved(TControl& /*child*/) override { InvalidateRect(ClientWindow(), nullptr, TRUE); }
  void ChildChanged(TControl& /*child*/, ControlChange what) override {
    if (what == ControlChange::Order) ArrangeTabOrder();
    InvalidateRect(ClientWindow(), nullptr, TRUE);
  }

  // The window's own notification (WM_COMMAND from it to its parent).
  virtual void Command(WORD /*code*/) {}
  // A notification from a child window that has no peer of its own (a radio group's buttons).
  virtual void ChildCommand(HWND /*child*/, WORD /*code*/) {}
  virtual bool Notify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }

  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_COMMAND:
        if (lParam != 0) {
          auto child = reinterpret_cast<HWND>(lParam);
          if (WindowPeer* peer = PeerOf(child)) {
            peer->Command(HIWORD(wParam));
          } else {
            ChildCommand(child, HIWORD(wParam));
          }
          return 0;
        }
        break;
      case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        LRESULT result = 0;
        if (WindowPeer* peer = PeerOf(header->hwndFrom); peer && peer->Notify(*header, result))
          return result;
        break;
      }
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX: {
        auto child = reinterpret_cast<HWND>(lParam);
        WindowPeer* peer = PeerOf(child);
        // The buttons of a radio group have no peer: they take the group's colours.
        WindowPeer& colours = peer ? *peer : *this;
        auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, ColorToRGB(colours.FControl.Font().Color()));
        SetBkColor(dc, ColorToRGB(colours.FControl.Color()));
        return reinterpret_cast<LRESULT>(colours.Brush());
      }
      default: break;
    }
    return CallDefault(message, wParam, lParam);
  }

  LRESULT CallDefault(UINT message, WPARAM wParam, LPARAM lParam) {
    return FOldProc ? CallWindowProcW(FOldProc, Handle(), message, wParam, lParam)
                    : DefWindowProcW(Handle(), message, wParam, lParam);
  }

  HBRUSH Brush() {
    if (!FBrush) FBrush.Reset(CreateSolidBrush(ColorToRGB(FControl.Color())));
    return FBrush.Get();
  }

  HFONT Font() const noexcept { return FFont.Get(); }

  // Puts the windows of the windowed children in Tab order (the dialog keys follow it).
  void ArrangeTabOrder() {
    HWND previous = HWND_TOP;
    for (TWinControl* child : FControl.TabList()) {
      auto* peer = dynamic_cast<WindowPeer*>(child->Peer());
      if (!peer || !peer->Handle()) continue;
      SetWindowPos(peer->Handle(), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      previous = peer->Handle();
    }
  }

 protected:
  // Makes the window; a system class gets subclassed. Throws EOutOfResources.
  void Create(const wchar_t* className, DWORD style, DWORD exStyle, bool ownClass,
              HWND parent = nullptr) {
    bool topLevel = dynamic_cast<TCustomForm*>(&FControl) != nullptr;
    HMENU id = nullptr;
    if (!topLevel) {
      TWinControl* parentControl = FControl.Parent();
      auto* parentPeer = parentControl ? dynamic_cast<WindowPeer*>(parentControl->Peer()) : nullptr;
      if (!parent) {
        if (!parentPeer)
          throw EInvalidOperation("The control " + Describe(FControl) + " has no parent window");
        parent = parentPeer->ClientWindow();
      }
      style |= WS_CHILD | WS_CLIPSIBLINGS;
      id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextControlId()));
    }
    if (FControl.Visible() && !topLevel) style |= WS_VISIBLE;
    if (FControl.TabStop()) style |= WS_TABSTOP;
    if (!FControl.Enabled()) style |= WS_DISABLED;
    HWND window =
        CreateWindowExW(exStyle, className, Widen(FControl.Caption()).c_str(), style,
                        FControl.Left(), FControl.Top(), FControl.Width(), FControl.Height(),
                        parent, id, GetModuleHandleW(nullptr), nullptr);
    if (!window) ThrowOutOfResources("Cannot create the window of " + Describe(FControl));
    FWindow.Reset(window);
    if (!SetPropW(window, PeerProperty, this))
      ThrowOutOfResources("Cannot tie the window of " + Describe(FControl));
    if (!ownClass) {
      FOldProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PeerWindowProc)));
      if (!FOldProc) ThrowOutOfResources("Cannot subclass the window of " + Describe(FControl));
    }
    ApplyFont();
    if (!topLevel) {
      if (auto* parentPeer = dynamic_cast<WindowPeer*>(FControl.Parent()->Peer()))
        parentPeer->ArrangeTabOrder();
    }
  }

  virtual void ApplyBounds() {
    SetWindowPos(Handle(), nullptr, FControl.Left(), FControl.Top(), FControl.Width(),
                 FControl.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  }

  virtual void ApplyFont() {
    // The old font is deleted only once the window has let go of it.
    UniqueFont font = CreateFontFor(FControl.Font());
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    FFont = std::move(font);
  }

  // Runs f with changes from the model not mirrored back to the window (they came from it).
  template <class F>
  void FromWindow(F&& f) {
    bool old = FFromWindow;
    FFromWindow = true;
    try {
      f();
    } catch (...) {
      FFromWindow = old;
      throw;
    }
    FFromWindow = old;
  }
  bool MirroringFromWindow() const noexcept { return FFromWindow; }

  // A container's own background and its non-windowed children: true when message was one of
  // the two that draw them, with its answer in result.
  bool PaintContainer(UINT message, WPARAM wParam, LRESULT& result) {
    if (message == WM_ERASEBKGND) {
      RECT r = ClientRect(Handle());
      FillRect(reinterpret_cast<HDC>(wParam), &r, Brush());
      result = 1;
      return true;
    }
    if (message == WM_PAINT) {
      PaintDC paint(Handle());
      PaintGraphicChildren(paint.Get());
      result = 0;
      return true;
    }
    return false;
  }

  void PaintGraphicChildren(HDC dc) {
    for (int i = 0; i < FControl.ControlCount(); ++i) {
      TControl* child = FControl.Controls(i);
      if (dynamic_cast<TWinControl*>(child)) break;  // windowed ones follow the others
      if (!child->Visible()) continue;
      RECT r{child->Left(), child->Top(), child->Left() + child->Width(),
             child->Top() + child->Height()};
      if (auto* shape = dynamic_cast<TShape*>(child)) {
        UniqueBrush brush(CreateSolidBrush(ColorToRGB(shape->Brush().Color())));
        if (!brush) continue;
        SelectedObject selectedBrush(
            dc, shape->Brush().Style() == bsClear ? GetStockObject(NULL_BRUSH) : brush.Get());
        SelectedObject selectedPen(dc, GetStockObject(BLACK_PEN));
        switch (shape->Shape()) {
          case stEllipse:
          case stCircle: Ellipse(dc, r.left, r.top, r.right, r.bottom); break;
          case stRoundRect:
          case stRoundSquare: RoundRect(dc, r.left, r.top, r.right, r.bottom, 8, 8); break;
          default: Rectangle(dc, r.left, r.top, r.right, r.bottom); break;
        }
      } else if (dynamic_cast<TLabel*>(child)) {
        UniqueFont font = CreateFontFor(child->Font());
        SelectedObject selected(dc, font.Get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorToRGB(child->Font().Color()));
        std::wstring text = Widen(child->Caption());
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_LEFT | DT_TOP | DT_WORDBREAK);
      }
    }
  }

  TWinControl& FControl;
  UniqueWindow FWindow;
  WNDPROC FOldProc = nullptr;
  UniqueFont FFont;
  UniqueBrush FBrush;

 private:
  void Detach() noexcept {
    HWND window = FWindow.Get();
    if (!window) return;
    RemovePropW(window, PeerProperty);
    if (FOldProc) SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOldProc));
    FWindow.Reset();
  }
  bool FFromWindow = false;
};

// The peer of each kind of control, or null when the control is not of that kind.
std::unique_ptr<ControlPeer> MakeFormPeer(TWinControl& control);
std::unique_ptr<ControlPeer> MakeButtonPeer(TWinControl& control);
std::unique_ptr<ControlPeer> MakeListPeer(TWinControl& control);
std::unique_ptr<ControlPeer> MakeHotKeyPeer(TWinControl& control);
// A plain container: for any other windowed control.
std::unique_ptr<ControlPeer> MakePanelPeer(TWinControl& control);

}  // namespace kestrilon::framework::win
