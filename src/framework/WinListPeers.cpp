// The windows of edit boxes, list and combo boxes, and page controls.
#include "WinPeerBase.h"

namespace kestrilon::framework::win {

namespace {

class EditPeer : public WindowPeer {
 public:
  explicit EditPeer(TCustomEdit& edit) : WindowPeer(edit), FEdit(edit) {
    const auto* memo = dynamic_cast<const TMemo*>(&edit);
    const DWORD style = !memo ? ES_AUTOHSCROLL
                              : ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL |
                                    (memo->ReadOnly() ? ES_READONLY : 0);
    Create(L"EDIT", style, WS_EX_CLIENTEDGE, false);
    // A memo holds as much as memory allows, not the 30000 characters an edit box starts with.
    if (memo) SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
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
  ListPeer(ListControl& control, const ListMessages& messages)
      : WindowPeer(control), FList(control), FMessages(messages) {
    Create(messages.ClassName, messages.Style, WS_EX_CLIENTEDGE, false);
    Changed(ControlChange::Items);
  }
  void Changed(ControlChange what) override {
    if (!FWindow) return;
    if (what == ControlChange::Items) {
      SendMessageW(Handle(), FMessages.Reset, 0, 0);
      for (const std::string& item : FList.Items()) {
        std::wstring text = Widen(item);
        LRESULT added =
            SendMessageW(Handle(), FMessages.AddString, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (added < 0) ThrowOutOfResources("Cannot add an item to " + Describe(FList));
      }
      what = ControlChange::Value;
    }
    if (what == ControlChange::Value) {
      if (!MirroringFromWindow())
        SendMessageW(Handle(), FMessages.SetSelection, static_cast<WPARAM>(FList.ItemIndex()), 0);
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
    SetWindowPos(Handle(), nullptr, FList.Left(), FList.Top(), FList.Width(),
                 FList.Height() + extra, SWP_NOZORDER | SWP_NOACTIVATE);
  }

 private:
  ListControl& FList;
  ListMessages FMessages;
};

constexpr ListMessages ListBoxMessages{L"LISTBOX",      LBS_NOTIFY | WS_VSCROLL,
                                       LB_RESETCONTENT, LB_ADDSTRING,
                                       LB_SETCURSEL,    LB_GETCURSEL,
                                       LBN_SELCHANGE};
constexpr ListMessages ComboBoxMessages{L"COMBOBOX",     CBS_DROPDOWNLIST | WS_VSCROLL,
                                        CB_RESETCONTENT, CB_ADDSTRING,
                                        CB_SETCURSEL,    CB_GETCURSEL,
                                        CBN_SELCHANGE};

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
        if (SendMessageW(Handle(), TCM_INSERTITEMW, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&item)) < 0) {
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

std::unique_ptr<ControlPeer> MakeListPeer(TWinControl& control) {
  if (auto* pages = dynamic_cast<TPageControl*>(&control))
    return std::make_unique<PageControlPeer>(*pages);
  if (auto* edit = dynamic_cast<TCustomEdit*>(&control)) return std::make_unique<EditPeer>(*edit);
  if (auto* list = dynamic_cast<TCustomListBox*>(&control)) {
    return std::make_unique<ListPeer<TCustomListBox>>(*list, ListBoxMessages);
  }
  if (auto* combo = dynamic_cast<TCustomComboBox*>(&control)) {
    return std::make_unique<ListPeer<TCustomComboBox>>(*combo, ComboBoxMessages);
  }
  return nullptr;
}

}  // namespace kestrilon::framework::win
