// The value-holding controls. Each keeps its value in a member and shows it in its window when it
// has one; the user's changes come back through the same setters, followed by Click (OnClick).
// Setting a value from code never raises OnClick.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Controls.h"
#include "Strings.h"

namespace kestrilon::framework {

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* owner);
  const std::string& Text() const noexcept { return FText; }  // UTF-8
  void SetText(std::string_view text);
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

 private:
  std::string FText;
  TNotifyEvent FOnChange;
};

class TEdit : public TCustomEdit {
 public:
  using TCustomEdit::TCustomEdit;
};

// An edit box of several lines (CR LF between them), with a scroll bar, holding as much text as
// memory allows; read-only ones show a text the user may select and copy.
class TMemo : public TCustomEdit {
 public:
  using TCustomEdit::TCustomEdit;
  bool ReadOnly() const noexcept { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }  // before the window is made

 private:
  bool FReadOnly = false;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);
  // The default button is clicked by Enter, the cancel button by Escape, anywhere in the form.
  bool Default() const noexcept { return FDefault; }
  void SetDefault(bool value);
  bool Cancel() const noexcept { return FCancel; }
  void SetCancel(bool value);

 private:
  bool FDefault = false;
  bool FCancel = false;
};

class TCustomCheckBox : public TWinControl {
 public:
  explicit TCustomCheckBox(TComponent* owner);
  bool Checked() const noexcept { return FChecked; }
  void SetChecked(bool checked);

 private:
  bool FChecked = false;
};

class TCheckBox : public TCustomCheckBox {
 public:
  using TCustomCheckBox::TCustomCheckBox;
};

class TRadioButton : public TWinControl {
 public:
  explicit TRadioButton(TComponent* owner);
  bool Checked() const noexcept { return FChecked; }
  // Checking a radio button unchecks the other radio buttons of the same parent.
  void SetChecked(bool checked);

 private:
  bool FChecked = false;
};

// A group box with one radio button per item, exactly one (or none) selected.
class TCustomRadioGroup : public TWinControl {
 public:
  explicit TCustomRadioGroup(TComponent* owner);
  ~TCustomRadioGroup() override;

  // The captions of the buttons. Its OnChange belongs to the group.
  TStrings& Items() noexcept { return FItems; }
  const TStrings& Items() const noexcept { return FItems; }
  // -1: nothing selected. Setting clamps: below -1 gives -1, Items().Count() or more gives the
  // last item (-1 when there are none). Shrinking Items clamps it the same way.
  int ItemIndex() const noexcept { return FItemIndex; }
  void SetItemIndex(int index);
  int Columns() const noexcept { return FColumns; }
  void SetColumns(int columns);  // 1 to 16

 private:
  void ItemsChanged();
  TStringList FItems;
  int FItemIndex = -1;
  int FColumns = 1;
};

class TRadioGroup : public TCustomRadioGroup {
 public:
  using TCustomRadioGroup::TCustomRadioGroup;
};

// A control that lists items to choose one from: the list box and the combo box.
class TCustomListControl : public TWinControl {
 public:
  explicit TCustomListControl(TComponent* owner);
  ~TCustomListControl() override;
  TStrings& Items() noexcept { return FItems; }
  const TStrings& Items() const noexcept { return FItems; }
  // -1: nothing selected; an index outside the items selects nothing (-1).
  int ItemIndex() const noexcept { return FItemIndex; }
  void SetItemIndex(int index);

 private:
  TStringList FItems;
  int FItemIndex = -1;
};

class TCustomListBox : public TCustomListControl {
 public:
  using TCustomListControl::TCustomListControl;
};

class TListBox : public TCustomListBox {
 public:
  using TCustomListBox::TCustomListBox;
};

// A drop-down list to choose one item from.
class TCustomComboBox : public TCustomListControl {
 public:
  using TCustomListControl::TCustomListControl;
};

class TComboBox : public TCustomComboBox {
 public:
  using TCustomComboBox::TCustomComboBox;
};

class TCustomGroupBox : public TWinControl {
 public:
  explicit TCustomGroupBox(TComponent* owner);
};

class TGroupBox : public TCustomGroupBox {
 public:
  using TCustomGroupBox::TCustomGroupBox;
};

// Static text drawn by its parent.
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

// A filled figure drawn by its parent; its value is the colour of its brush.
class TShape : public TGraphicControl {
 public:
  explicit TShape(TComponent* owner);
  TBrush& Brush() noexcept { return FBrush; }
  const TBrush& Brush() const noexcept { return FBrush; }
  TShapeType Shape() const noexcept { return FShape; }
  void SetShape(TShapeType shape);

 private:
  TBrush FBrush;
  TShapeType FShape = stRectangle;
};

class TPageControl;

// One page of a page control; its parent is the page control.
class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* owner);
  TPageControl* PageControl() const noexcept;
  // Makes the page control its parent: it becomes the last page.
  void SetPageControl(TPageControl* pageControl);
  // Its position among the pages (-1: none).
  int PageIndex() const noexcept;
};

// Pages with a tab each; one page, the active one, is shown.
class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* owner);
  int PageCount() const noexcept { return static_cast<int>(FPages.size()); }
  // Index 0 to PageCount()-1; any other index throws EListError.
  TTabSheet* Pages(int index) const;
  TTabSheet* ActivePage() const noexcept { return FActivePage; }
  // A page of this control, or null; anything else throws EInvalidOperation.
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const noexcept;
  // -1 or out of range: no active page.
  void SetActivePageIndex(int index);
  // Raised when the user brings another page to the front.
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

 protected:
  void ControlInserted(TControl& child) override;
  void ControlRemoving(TControl& child) override;

 private:
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  TNotifyEvent FOnChange;
};

}  // namespace kestrilon::framework
