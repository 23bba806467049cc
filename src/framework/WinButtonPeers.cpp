// The windows of buttons, check boxes, radio buttons, group boxes and radio groups.
#include "WinPeerBase.h"

namespace kestrilon::framework::win {

namespace {

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
  DWORD ButtonStyle() const noexcept {
    return FButton.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  }
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
      if (FWindow)
        SendMessageW(Handle(), BM_SETCHECK, FButton.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
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
  explicit RadioGroupPeer(TCustomRadioGroup& group) : GroupBoxPeer(group), FGroup(group) {
    Rebuild();
  }

  void Changed(ControlChange what) override {
    switch (what) {
      case ControlChange::Value:
        if (!MirroringFromWindow()) ShowChecked();
        return;
      case ControlChange::Items: Rebuild(); return;
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
        for (const UniqueWindow& button : FButtons)
          EnableWindow(button.Get(), FGroup.Enabled() ? TRUE : FALSE);
        return;
      default: GroupBoxPeer::Changed(what);
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
    return index >= 0 && index < static_cast<int>(FButtons.size())
               ? FButtons[static_cast<std::size_t>(index)].Get()
               : nullptr;
  }

 private:
  void Rebuild() {
    FButtons.clear();
    for (int i = 0; i < FGroup.Items().Count(); ++i) {
      DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0);
      if (!FGroup.Enabled()) style |= WS_DISABLED;
      HWND button =
          CreateWindowExW(0, L"BUTTON", Widen(FGroup.Items()[i]).c_str(), style, 0, 0, 0, 0,
                          Handle(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextControlId())),
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
                   top + row * rowHeight, columnWidth - 8, rowHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
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
      style = static_cast<int>(i) == stop ? (style | WS_TABSTOP)
                                          : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
      SetWindowLongPtrW(button, GWL_STYLE, style);
    }
  }

  TCustomRadioGroup& FGroup;
  std::vector<UniqueWindow> FButtons;
};

}  // namespace

HWND RadioGroupButton(TCustomRadioGroup& group, int index) {
  WindowOf(group);
  auto* peer = dynamic_cast<RadioGroupPeer*>(group.Peer());
  return peer ? peer->Button(index) : nullptr;
}

std::unique_ptr<ControlPeer> MakeButtonPeer(TWinControl& control) {
  if (auto* group = dynamic_cast<TCustomRadioGroup*>(&control))
    return std::make_unique<RadioGroupPeer>(*group);
  if (dynamic_cast<TCustomGroupBox*>(&control)) return std::make_unique<GroupBoxPeer>(control);
  if (auto* button = dynamic_cast<TButton*>(&control)) return std::make_unique<ButtonPeer>(*button);
  if (auto* box = dynamic_cast<TCustomCheckBox*>(&control))
    return std::make_unique<CheckBoxPeer>(*box);
  if (auto* radio = dynamic_cast<TRadioButton*>(&control))
    return std::make_unique<RadioButtonPeer>(*radio);
  return nullptr;
}

}  // namespace kestrilon::framework::win
