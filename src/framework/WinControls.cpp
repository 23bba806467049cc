// The windows of the controls: one peer per windowed control. A peer makes the window, shows the
// model's values in it, and turns the user's changes (notifications of the window) back into the
// model's setters, followed by Click. Every message of these windows passes through
// PeerWindowProc, which keeps exceptions inside.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <vector>

#include "Application.h"
#include "Exceptions.h"
#include "Forms.h"
#include "Platform.h"
#include "StdControls.h"
#include "WinHandles.h"
#include "WinGraphics.h"
#include "WinPeers.h"
#include "WinText.h"

namespace kestrilon::framework::win {

namespace {

constexpr wchar_t PeerProperty[] = L"Kestrilon.Peer";
constexpr wchar_t FormClass[] = L"KestrilonForm";
constexpr wchar_t PanelClass[] = L"KestrilonPanel";

class WindowPeer;

WindowPeer* PeerOf(HWND window) noexcept {
  return window ? static_cast<WindowPeer*>(GetPropW(window, PeerProperty)) : nullptr;
}

// Control identifiers of child windows; 1 and 2 are IDOK and IDCANCEL.
UINT NextControlId() noexcept {
  static UINT id = 1000;
  return ++id;
}

std::string Describe(const TComponent& component) {
  return component.Name().empty() ? std::string("a control") : "'" + component.Name() + "'";
}

[[noreturn]] void ThrowOutOfResources(const std::string& what) {
  throw EOutOfResources(what + " (error " + std::to_string(GetLastError()) + ")");
}

// ---- fonts ----

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceExists(const std::wstring& face) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  std::copy(face.begin(), face.end(), query.lfFaceName);
  bool found = false;
  WindowDC screen(nullptr);
  if (!screen) return false;
  EnumFontFamiliesExW(screen.Get(), &query, &FaceFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// A face that exists: the one asked for, else the first Japanese UI face installed. A system
// without the classic Japanese faces (Wine, a stripped Windows) then still shows the captions.
// The order: the same face under its English name (a Windows whose language isn't Japanese knows
// it so), then the proportional Japanese UI faces of later Windows versions, then the free ones.
const std::wstring& ResolveFace(const std::string& name) {
  static std::map<std::string, std::wstring> resolved;  // GUI thread only
  auto it = resolved.find(name);
  if (it != resolved.end()) return it->second;
  std::wstring face = Widen(name);
  if (!FaceExists(face)) {
    static const wchar_t* const fallbacks[] = {
        L"MS PGothic", L"MS UI Gothic", L"Yu Gothic UI", L"Meiryo UI", L"Noto Sans CJK JP",
        L"Noto Sans JP", L"IPAPGothic", L"VL PGothic", L"TakaoPGothic", L"Droid Sans Fallback",
    };
    for (const wchar_t* candidate : fallbacks) {
      if (FaceExists(candidate)) {
        face = candidate;
        break;
      }
    }
  }
  return resolved.emplace(name, face).first->second;
}

UniqueFont CreateFontFor(const TFont& font) {
  LOGFONTW lf{};
  lf.lfHeight = font.Height();
  lf.lfWeight = (font.Style() & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (font.Style() & fsItalic) ? TRUE : FALSE;
  lf.lfUnderline = (font.Style() & fsUnderline) ? TRUE : FALSE;
  lf.lfStrikeOut = (font.Style() & fsStrikeOut) ? TRUE : FALSE;
  lf.lfCharSet = font.Charset();
  lf.lfQuality = DEFAULT_QUALITY;
  const std::wstring& face = ResolveFace(font.Name());
  std::copy_n(face.begin(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1), lf.lfFaceName);
  UniqueFont handle(CreateFontIndirectW(&lf));
  if (!handle) ThrowOutOfResources("Cannot create the font " + font.Name());
  return handle;
}

int TextHeight(HFONT font) {
  WindowDC screen(nullptr);
  if (!screen) return 13;
  SelectedObject selected(screen.Get(), font);
  TEXTMETRICW metrics{};
  if (!GetTextMetricsW(screen.Get(), &metrics)) return 13;
  return metrics.tmHeight;
}

// ---- the peers ----

LRESULT CALLBACK PeerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

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
      case ControlChange::Enabled:
        EnableWindow(Handle(), FControl.Enabled() ? TRUE : FALSE);
        break;
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
        style = FControl.TabStop() ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        SetWindowLongPtrW(Handle(), GWL_STYLE, style);
        break;
      }
      default:
        break;
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
        if (WindowPeer* peer = PeerOf(header->hwndFrom); peer && peer->Notify(*header, result)) return result;
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
      default:
        break;
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
  void Create(const wchar_t* className, DWORD style, DWORD exStyle, bool ownClass, HWND parent = nullptr) {
    bool topLevel = dynamic_cast<TCustomForm*>(&FControl) != nullptr;
    HMENU id = nullptr;
    if (!topLevel) {
      TWinControl* parentControl = FControl.Parent();
      auto* parentPeer = parentControl ? dynamic_cast<WindowPeer*>(parentControl->Peer()) : nullptr;
      if (!parent) {
        if (!parentPeer) throw EInvalidOperation("The control " + Describe(FControl) + " has no parent window");
        parent = parentPeer->ClientWindow();
      }
      style |= WS_CHILD | WS_CLIPSIBLINGS;
      id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextControlId()));
    }
    if (FControl.Visible() && !topLevel) style |= WS_VISIBLE;
    if (FControl.TabStop()) style |= WS_TABSTOP;
    if (!FControl.Enabled()) style |= WS_DISABLED;
    HWND window = CreateWindowExW(exStyle, className, Widen(FControl.Caption()).c_str(), style, FControl.Left(),
                                  FControl.Top(), FControl.Width(), FControl.Height(), parent, id,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) ThrowOutOfResources("Cannot create the window of " + Describe(FControl));
    FWindow.Reset(window);
    if (!SetPropW(window, PeerProperty, this)) ThrowOutOfResources("Cannot tie the window of " + Describe(FControl));
    if (!ownClass) {
      FOldProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PeerWindowProc)));
      if (!FOldProc) ThrowOutOfResources("Cannot subclass the window of " + Describe(FControl));
    }
    ApplyFont();
    if (!topLevel) {
      if (auto* parentPeer = dynamic_cast<WindowPeer*>(FControl.Parent()->Peer())) parentPeer->ArrangeTabOrder();
    }
  }

  virtual void ApplyBounds() {
    SetWindowPos(Handle(), nullptr, FControl.Left(), FControl.Top(), FControl.Width(), FControl.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
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
      RECT r{child->Left(), child->Top(), child->Left() + child->Width(), child->Top() + child->Height()};
      if (auto* shape = dynamic_cast<TShape*>(child)) {
        UniqueBrush brush(CreateSolidBrush(ColorToRGB(shape->Brush().Color())));
        if (!brush) continue;
        SelectedObject selectedBrush(dc, shape->Brush().Style() == bsClear ? GetStockObject(NULL_BRUSH) : brush.Get());
        SelectedObject selectedPen(dc, GetStockObject(BLACK_PEN));
        switch (shape->Shape()) {
          case stEllipse:
          case stCircle:
            Ellipse(dc, r.left, r.top, r.right, r.bottom);
            break;
          case stRoundRect:
          case stRoundSquare:
            RoundRect(dc, r.left, r.top, r.right, r.bottom, 8, 8);
            break;
          default:
            Rectangle(dc, r.left, r.top, r.right, r.bottom);
            break;
        }
      } else if (dynamic_cast<TLabel*>(child)) {
        UniqueFont font = CreateFontFor(child->Font());
        SelectedObject selected(dc, font.Get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorToRGB(child->Font().Color()));
        std::wstring text = Widen(child->Caption());
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_TOP | DT_WORDBREAK);
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
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0;
}

// A plain container (tab sheets, any other windowed control): paints its colour and its
// non-windowed children.
class PanelPeer : public WindowPeer {
public:
  explicit PanelPeer(TWinControl& control) : WindowPeer(control) {
    if (!RegisterOwnClass(PanelClass, 0)) ThrowOutOfResources("Cannot register the panel window class");
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
    if (!RegisterOwnClass(FormClass, CS_DBLCLKS)) ThrowOutOfResources("Cannot register the form window class");
    Application().Initialize();
    auto [style, exStyle] = Styles(form.BorderStyle());
    Create(FormClass, style, exStyle, true, Application().Handle());
  }

  static std::pair<DWORD, DWORD> Styles(TFormBorderStyle border) noexcept {
    DWORD style = WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    switch (border) {
      case bsNone:
        style |= WS_POPUP;
        break;
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
      default:
        style |= WS_OVERLAPPEDWINDOW;
        break;
    }
    return {style, exStyle};
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
        auto [style, exStyle] = Styles(FForm.BorderStyle());
        LONG_PTR visible = GetWindowLongPtrW(Handle(), GWL_STYLE) & WS_VISIBLE;
        if ((GetWindowLongPtrW(Handle(), GWL_STYLE) & ~WS_VISIBLE) != static_cast<LONG_PTR>(style)) {
          SetWindowLongPtrW(Handle(), GWL_STYLE, static_cast<LONG_PTR>(style) | visible);
          SetWindowLongPtrW(Handle(), GWL_EXSTYLE, static_cast<LONG_PTR>(exStyle));
          SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
        break;
      }
      default:
        break;
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
      case WM_CLOSE:
        FForm.Close();
        return 0;
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
        SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
      }
      case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE && Application().MainForm() == &FForm) {
          Application().Minimize();
          return 0;
        }
        break;
      default:
        break;
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

class ButtonPeer : public WindowPeer {
public:
  explicit ButtonPeer(TButton& button) : WindowPeer(button), FButton(button) {
    Create(L"BUTTON", ButtonStyle(), 0, false);
  }
  void Changed(ControlChange what) override {
    if (what == ControlChange::Default && FWindow) {
      SendMessageW(Handle(), BM_SETSTYLE, ButtonStyle(), TRUE);
      return;
    }
    WindowPeer::Changed(what);
  }
  void Command(WORD code) override {
    if (code == BN_CLICKED) FButton.Click();
  }

private:
  DWORD ButtonStyle() const noexcept { return FButton.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON; }
  TButton& FButton;
};

class CheckBoxPeer : public WindowPeer {
public:
  explicit CheckBoxPeer(TCustomCheckBox& box) : WindowPeer(box), FBox(box) {
    Create(L"BUTTON", BS_AUTOCHECKBOX, 0, false);
    Changed(ControlChange::Value);
  }
  void Changed(ControlChange what) override {
    if (what == ControlChange::Value) {
      if (FWindow && !MirroringFromWindow()) {
        SendMessageW(Handle(), BM_SETCHECK, FBox.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      return;
    }
    WindowPeer::Changed(what);
  }
  void Command(WORD code) override {
    if (code != BN_CLICKED) return;
    bool checked = SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    FromWindow([&] { FBox.SetChecked(checked); });
    FBox.Click();
  }

private:
  TCustomCheckBox& FBox;
};

class RadioButtonPeer : public WindowPeer {
public:
  explicit RadioButtonPeer(TRadioButton& button) : WindowPeer(button), FButton(button) {
    // Not the automatic kind: the model unchecks the siblings, and their windows follow.
    Create(L"BUTTON", BS_RADIOBUTTON, 0, false);
    Changed(ControlChange::Value);
  }
  void Changed(ControlChange what) override {
    if (what == ControlChange::Value) {
      if (FWindow) SendMessageW(Handle(), BM_SETCHECK, FButton.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      return;
    }
    WindowPeer::Changed(what);
  }
  void Command(WORD code) override {
    if (code != BN_CLICKED) return;
    FButton.SetChecked(true);
    FButton.Click();
  }

private:
  TRadioButton& FButton;
};

class GroupBoxPeer : public WindowPeer {
public:
  explicit GroupBoxPeer(TWinControl& control) : WindowPeer(control) {
    Create(L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, false);
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    // A group box is transparent to the mouse; its children must still get their clicks.
    if (message == WM_NCHITTEST) return HTCLIENT;
    // Nor does it paint its inside: the parent clips its children, so nobody else would.
    if (message == WM_ERASEBKGND) {
      RECT r = ClientRect(Handle());
      FillRect(reinterpret_cast<HDC>(wParam), &r, Brush());
      return 1;
    }
    return WindowPeer::WindowProc(message, wParam, lParam);
  }
};

// A group box with one automatic radio button per item; the buttons belong to the peer.
class RadioGroupPeer : public GroupBoxPeer {
public:
  explicit RadioGroupPeer(TCustomRadioGroup& group) : GroupBoxPeer(group), FGroup(group) { Rebuild(); }

  void Changed(ControlChange what) override {
    switch (what) {
      case ControlChange::Value:
        if (!MirroringFromWindow()) ShowChecked();
        return;
      case ControlChange::Items:
        Rebuild();
        return;
      case ControlChange::Bounds:
        GroupBoxPeer::Changed(what);
        Arrange();
        return;
      case ControlChange::Font:
        GroupBoxPeer::Changed(what);
        for (const UniqueWindow& button : FButtons) {
          SendMessageW(button.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(Font()), TRUE);
        }
        Arrange();
        return;
      case ControlChange::Enabled:
        GroupBoxPeer::Changed(what);
        for (const UniqueWindow& button : FButtons) EnableWindow(button.Get(), FGroup.Enabled() ? TRUE : FALSE);
        return;
      default:
        GroupBoxPeer::Changed(what);
    }
  }

  void ChildCommand(HWND child, WORD code) override {
    if (code != BN_CLICKED) return;
    for (std::size_t i = 0; i < FButtons.size(); ++i) {
      if (FButtons[i].Get() != child) continue;
      if (SendMessageW(child, BM_GETCHECK, 0, 0) != BST_CHECKED) return;
      int index = static_cast<int>(i);
      if (index == FGroup.ItemIndex()) return;
      FromWindow([&] { FGroup.SetItemIndex(index); });
      UpdateTabStops();
      FGroup.Click();
      return;
    }
  }

  HWND Button(int index) const noexcept {
    return index >= 0 && index < static_cast<int>(FButtons.size()) ? FButtons[static_cast<std::size_t>(index)].Get()
                                                                     : nullptr;
  }

private:
  void Rebuild() {
    FButtons.clear();
    for (int i = 0; i < FGroup.Items().Count(); ++i) {
      DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0);
      if (!FGroup.Enabled()) style |= WS_DISABLED;
      HWND button = CreateWindowExW(0, L"BUTTON", Widen(FGroup.Items()[i]).c_str(), style, 0, 0, 0, 0, Handle(),
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextControlId())),
                                    GetModuleHandleW(nullptr), nullptr);
      if (!button) ThrowOutOfResources("Cannot create the buttons of " + Describe(FGroup));
      FButtons.emplace_back(button);
      SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
    }
    Arrange();
    ShowChecked();
  }

  // Rows of equal height under the caption, filled column by column.
  void Arrange() {
    int count = static_cast<int>(FButtons.size());
    if (count == 0) return;
    int columns = FGroup.Columns();
    int perColumn = (count + columns - 1) / columns;
    int columnWidth = (FGroup.Width() - 10) / columns;
    int textHeight = TextHeight(Font());
    int space = FGroup.Height() - textHeight - 5;
    int rowHeight = space / perColumn;
    int top = textHeight + 1 + (space % perColumn) / 2;
    for (int i = 0; i < count; ++i) {
      int column = i / perColumn;
      int row = i % perColumn;
      SetWindowPos(FButtons[static_cast<std::size_t>(i)].Get(), nullptr, 8 + column * columnWidth,
                   top + row * rowHeight, columnWidth - 8, rowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  void ShowChecked() {
    for (std::size_t i = 0; i < FButtons.size(); ++i) {
      SendMessageW(FButtons[i].Get(), BM_SETCHECK,
                   static_cast<int>(i) == FGroup.ItemIndex() ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    UpdateTabStops();
  }

  // The Tab key lands on the selected button (the first when none is).
  void UpdateTabStops() {
    int stop = FGroup.ItemIndex() >= 0 ? FGroup.ItemIndex() : 0;
    for (std::size_t i = 0; i < FButtons.size(); ++i) {
      HWND button = FButtons[i].Get();
      LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
      style = static_cast<int>(i) == stop ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
      SetWindowLongPtrW(button, GWL_STYLE, style);
    }
  }

  TCustomRadioGroup& FGroup;
  std::vector<UniqueWindow> FButtons;
};

class EditPeer : public WindowPeer {
public:
  explicit EditPeer(TCustomEdit& edit) : WindowPeer(edit), FEdit(edit) {
    Create(L"EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, false);
    Changed(ControlChange::Value);
  }
  void Changed(ControlChange what) override {
    if (what == ControlChange::Value) {
      if (FWindow && !MirroringFromWindow()) SetWindowTextW(Handle(), Widen(FEdit.Text()).c_str());
      return;
    }
    WindowPeer::Changed(what);
  }
  void Command(WORD code) override {
    if (code != EN_CHANGE) return;
    int length = GetWindowTextLengthW(Handle());
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(Handle(), text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    FromWindow([&] { FEdit.SetText(Narrow(text)); });
  }

private:
  TCustomEdit& FEdit;
};

// List boxes and combo boxes differ only in their messages.
struct ListMessages {
  const wchar_t* ClassName;
  DWORD Style;
  UINT Reset, AddString, SetSelection, GetSelection;
  WORD SelectionChanged;
};

template <class ListControl>
class ListPeer : public WindowPeer {
public:
  ListPeer(ListControl& control, const ListMessages& messages) : WindowPeer(control), FList(control), FMessages(messages) {
    Create(messages.ClassName, messages.Style, WS_EX_CLIENTEDGE, false);
    Changed(ControlChange::Items);
  }
  void Changed(ControlChange what) override {
    if (!FWindow) return;
    if (what == ControlChange::Items) {
      SendMessageW(Handle(), FMessages.Reset, 0, 0);
      for (const std::string& item : FList.Items()) {
        std::wstring text = Widen(item);
        LRESULT added = SendMessageW(Handle(), FMessages.AddString, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (added < 0) ThrowOutOfResources("Cannot add an item to " + Describe(FList));
      }
      what = ControlChange::Value;
    }
    if (what == ControlChange::Value) {
      if (!MirroringFromWindow()) SendMessageW(Handle(), FMessages.SetSelection, static_cast<WPARAM>(FList.ItemIndex()), 0);
      return;
    }
    WindowPeer::Changed(what);
  }
  void Command(WORD code) override {
    if (code != FMessages.SelectionChanged) return;
    int index = static_cast<int>(SendMessageW(Handle(), FMessages.GetSelection, 0, 0));
    FromWindow([&] { FList.SetItemIndex(index); });
    FList.Click();
  }

protected:
  void ApplyBounds() override {
    // A drop-down list's window includes its list.
    int extra = FMessages.ClassName == std::wstring_view(L"COMBOBOX") ? 200 : 0;
    SetWindowPos(Handle(), nullptr, FList.Left(), FList.Top(), FList.Width(), FList.Height() + extra,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

private:
  ListControl& FList;
  ListMessages FMessages;
};

constexpr ListMessages ListBoxMessages{L"LISTBOX",      LBS_NOTIFY | WS_VSCROLL, LB_RESETCONTENT, LB_ADDSTRING,
                                       LB_SETCURSEL,    LB_GETCURSEL,            LBN_SELCHANGE};
constexpr ListMessages ComboBoxMessages{L"COMBOBOX",      CBS_DROPDOWNLIST | WS_VSCROLL, CB_RESETCONTENT, CB_ADDSTRING,
                                        CB_SETCURSEL,     CB_GETCURSEL,                  CBN_SELCHANGE};

class PageControlPeer : public WindowPeer {
public:
  explicit PageControlPeer(TPageControl& pages) : WindowPeer(pages), FPages(pages) {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
    if (!InitCommonControlsEx(&init)) ThrowOutOfResources("Cannot initialise the common controls");
    Create(WC_TABCONTROLW, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, false);
    Changed(ControlChange::Pages);
  }

  void Changed(ControlChange what) override {
    if (!FWindow) return;
    if (what == ControlChange::Pages) {
      SendMessageW(Handle(), TCM_DELETEALLITEMS, 0, 0);
      for (int i = 0; i < FPages.PageCount(); ++i) {
        std::wstring caption = Widen(FPages.Pages(i)->Caption());
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        if (SendMessageW(Handle(), TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)) < 0) {
          ThrowOutOfResources("Cannot add a tab to " + Describe(FPages));
        }
      }
      SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(FPages.ActivePageIndex()), 0);
      LayoutPages();
      return;
    }
    WindowPeer::Changed(what);
    if (what == ControlChange::Bounds || what == ControlChange::Font) LayoutPages();
  }

  bool Notify(const NMHDR& header, LRESULT& result) override {
    if (header.code != static_cast<UINT>(TCN_SELCHANGE)) return false;
    int index = static_cast<int>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
    FPages.SetActivePageIndex(index);
    if (FPages.OnChange()) FPages.OnChange()(FPages);
    result = 0;
    return true;
  }

private:
  // Every page fills the tab control's display area.
  void LayoutPages() {
    RECT r = ClientRect(Handle());
    SendMessageW(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    for (int i = 0; i < FPages.PageCount(); ++i) {
      FPages.Pages(i)->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
  }

  TPageControl& FPages;
};

}  // namespace

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

HWND RadioGroupButton(TCustomRadioGroup& group, int index) {
  WindowOf(group);
  auto* peer = dynamic_cast<RadioGroupPeer*>(group.Peer());
  return peer ? peer->Button(index) : nullptr;
}

std::unique_ptr<ControlPeer> MakePeer(TWinControl& control) {
  if (auto* form = dynamic_cast<TCustomForm*>(&control)) return std::make_unique<FormPeer>(*form);
  if (auto* pages = dynamic_cast<TPageControl*>(&control)) return std::make_unique<PageControlPeer>(*pages);
  if (auto* group = dynamic_cast<TCustomRadioGroup*>(&control)) return std::make_unique<RadioGroupPeer>(*group);
  if (dynamic_cast<TCustomGroupBox*>(&control)) return std::make_unique<GroupBoxPeer>(control);
  if (auto* button = dynamic_cast<TButton*>(&control)) return std::make_unique<ButtonPeer>(*button);
  if (auto* box = dynamic_cast<TCustomCheckBox*>(&control)) return std::make_unique<CheckBoxPeer>(*box);
  if (auto* radio = dynamic_cast<TRadioButton*>(&control)) return std::make_unique<RadioButtonPeer>(*radio);
  if (auto* edit = dynamic_cast<TCustomEdit*>(&control)) return std::make_unique<EditPeer>(*edit);
  if (auto* list = dynamic_cast<TCustomListBox*>(&control)) {
    return std::make_unique<ListPeer<TCustomListBox>>(*list, ListBoxMessages);
  }
  if (auto* combo = dynamic_cast<TCustomComboBox*>(&control)) {
    return std::make_unique<ListPeer<TCustomComboBox>>(*combo, ComboBoxMessages);
  }
  return std::make_unique<PanelPeer>(control);
}

}  // namespace kestrilon::framework::win

namespace kestrilon::framework {

std::vector<int> TextWidths(const TFont& font, const std::vector<std::string_view>& captions) {
  std::vector<int> widths(captions.size(), 0);
  win::UniqueFont handle = win::CreateFontFor(font);
  win::WindowDC screen(nullptr);
  if (!screen) return widths;
  win::SelectedObject selected(screen.Get(), handle.Get());
  for (std::size_t i = 0; i < captions.size(); ++i) {
    const std::wstring text = win::Widen(captions[i]);
    RECT r{0, 0, 0, 0};
    if (DrawTextW(screen.Get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE))
      widths[i] = r.right - r.left;
  }
  return widths;
}

int TextWidth(const TFont& font, std::string_view caption) { return TextWidths(font, {caption}).front(); }

}  // namespace kestrilon::framework
