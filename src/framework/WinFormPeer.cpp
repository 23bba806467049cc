// The windows of forms and of plain containers (tab sheets and the like).
#include "WinPeerBase.h"

namespace kestrilon::framework::win {

namespace {

constexpr wchar_t FormClass[] = L"KestrilonForm";
constexpr wchar_t PanelClass[] = L"KestrilonPanel";

// A plain container (tab sheets, any other windowed control): paints its colour and its
// non-windowed children.
class PanelPeer : public WindowPeer {
 public:
  explicit PanelPeer(TWinControl& control) : WindowPeer(control) {
    if (!RegisterOwnClass(PanelClass, 0))
      ThrowOutOfResources("Cannot register the panel window class");
    Create(PanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, true);
  }

  void Changed(ControlChange what) override {
    WindowPeer::Changed(what);
    // A page's caption is its tab's text.
    if (what == ControlChange::Caption && FControl.Parent() && FControl.Parent()->Peer() &&
        dynamic_cast<TTabSheet*>(&FControl)) {
      FControl.Parent()->Peer()->Changed(ControlChange::Pages);
    }
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = 0;
    if (PaintContainer(message, wParam, result)) return result;
    return WindowPeer::WindowProc(message, wParam, lParam);
  }
};

class FormPeer : public WindowPeer {
 public:
  explicit FormPeer(TCustomForm& form) : WindowPeer(form), FForm(form) {
    if (!RegisterOwnClass(FormClass, CS_DBLCLKS))
      ThrowOutOfResources("Cannot register the form window class");
    Application().Initialize();
    auto [style, exStyle] = FormStyles(form.BorderStyle());
    Create(FormClass, style, exStyle, true, Application().Handle());
  }

  void Changed(ControlChange what) override {
    if (!FWindow) return;
    switch (what) {
      case ControlChange::Visible:
        if (FForm.Visible()) {
          ShowWindow(Handle(), SW_SHOW);
          // The result tells only whether the system let us come forward; shown it is anyway.
          SetForegroundWindow(Handle());
          FocusFirst();
        } else {
          ShowWindow(Handle(), SW_HIDE);
        }
        return;
      case ControlChange::Bounds: {
        auto [style, exStyle] = FormStyles(FForm.BorderStyle());
        LONG_PTR visible = GetWindowLongPtrW(Handle(), GWL_STYLE) & WS_VISIBLE;
        if ((GetWindowLongPtrW(Handle(), GWL_STYLE) & ~WS_VISIBLE) !=
            static_cast<LONG_PTR>(style)) {
          SetWindowLongPtrW(Handle(), GWL_STYLE, static_cast<LONG_PTR>(style) | visible);
          SetWindowLongPtrW(Handle(), GWL_EXSTYLE, static_cast<LONG_PTR>(exStyle));
          SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
        break;
      }
      default: break;
    }
    WindowPeer::Changed(what);
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (const TMessageHandler* handler = FForm.MessageHandler(message)) {
      TMessage record{message, wParam, lParam, 0};
      (*handler)(record);
      return record.Result;
    }
    switch (message) {
      case WM_CLOSE: FForm.Close(); return 0;
      case WM_COMMAND:
        if (lParam == 0 || LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
          if (LOWORD(wParam) == IDOK) {
            if (TButton* button = FForm.DefaultButton()) button->Click();
            return 0;
          }
          if (LOWORD(wParam) == IDCANCEL) {
            if (TButton* button = FForm.CancelButton()) button->Click();
            return 0;
          }
        }
        break;
      case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!(pos->flags & SWP_NOMOVE) || !(pos->flags & SWP_NOSIZE)) {
          RECT r = WindowRect(Handle());
          FromWindow([&] { FForm.SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); });
        }
        break;
      }
      case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
          HWND focus = GetFocus();
          if (focus && IsChild(Handle(), focus)) FLastFocus = focus;
        } else if (FLastFocus && IsWindow(FLastFocus) && IsChild(Handle(), FLastFocus)) {
          SetFocus(FLastFocus);
          return 0;
        }
        break;
      case WM_DPICHANGED: {
        // Moved to a monitor of another density: the layout follows, in the place the system
        // suggests.
        FForm.ScaleForPixelsPerInch(HIWORD(wParam));
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(Handle(), nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
      }
      case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE && Application().MainForm() == &FForm) {
          Application().Minimize();
          return 0;
        }
        break;
      default: break;
    }
    LRESULT result = 0;
    if (PaintContainer(message, wParam, result)) return result;
    return WindowPeer::WindowProc(message, wParam, lParam);
  }

 private:
  void FocusFirst() {
    HWND focus = GetFocus();
    if (focus && IsChild(Handle(), focus)) return;
    HWND target = nullptr;
    if (TWinControl* active = FForm.ActiveControl(); active && active->Peer()) {
      target = static_cast<WindowPeer*>(active->Peer())->Handle();
    }
    if (!target) target = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    if (target) SetFocus(target);
  }

  TCustomForm& FForm;
  HWND FLastFocus = nullptr;
};

}  // namespace

std::pair<DWORD, DWORD> FormStyles(TFormBorderStyle border) noexcept {
  DWORD style = WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  switch (border) {
    case bsNone: style |= WS_POPUP; break;
    case bsSingle:
      style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
      break;
    case bsDialog:
      style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
      exStyle |= WS_EX_DLGMODALFRAME;
      break;
    case bsToolWindow:
      style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
      exStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      exStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeable:
    default: style |= WS_OVERLAPPEDWINDOW; break;
  }
  return {style, exStyle};
}

std::unique_ptr<ControlPeer> MakeFormPeer(TWinControl& control) {
  if (auto* form = dynamic_cast<TCustomForm*>(&control)) return std::make_unique<FormPeer>(*form);
  return nullptr;
}

std::unique_ptr<ControlPeer> MakePanelPeer(TWinControl& control) {
  return std::make_unique<PanelPeer>(control);
}

}  // namespace kestrilon::framework::win
