#include "StdControls.h"

#include <algorithm>

#include "Exceptions.h"
#include "ItemIndex.h"

namespace kestrilon::framework {

// ---- edit, button, check box, radio button ----

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetColor(clWindow);
}

void TCustomEdit::SetText(std::string_view text) {
  if (text == FText) return;
  FText = std::string(text);
  Changed(ControlChange::Value);
  if (FOnChange) FOnChange(*this);
}

TButton::TButton(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TButton::SetDefault(bool value) {
  if (value == FDefault) return;
  FDefault = value;
  Changed(ControlChange::Default);
}

void TButton::SetCancel(bool value) {
  if (value == FCancel) return;
  FCancel = value;
  Changed(ControlChange::Default);
}

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TCustomCheckBox::SetChecked(bool checked) {
  if (checked == FChecked) return;
  FChecked = checked;
  Changed(ControlChange::Value);
}

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {}

void TRadioButton::SetChecked(bool checked) {
  if (checked == FChecked) return;
  FChecked = checked;
  Changed(ControlChange::Value);
  if (checked && Parent()) {
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
      auto* sibling = dynamic_cast<TRadioButton*>(Parent()->Controls(i));
      if (sibling && sibling != this) sibling->SetChecked(false);
    }
  }
}

// ---- radio group ----

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner) : TWinControl(owner) {
  FItems.SetOnChange([this] { ItemsChanged(); });
}

TCustomRadioGroup::~TCustomRadioGroup() { FItems.SetOnChange(nullptr); }

void TCustomRadioGroup::SetItemIndex(int index) {
  index = filter::ClampItemIndex(index, FItems.Count());
  if (index == FItemIndex) return;
  FItemIndex = index;
  Changed(ControlChange::Value);
}

void TCustomRadioGroup::ItemsChanged() {
  FItemIndex = filter::ClampItemIndex(FItemIndex, FItems.Count());
  Changed(ControlChange::Items);
}

void TCustomRadioGroup::SetColumns(int columns) {
  columns = std::clamp(columns, 1, 16);
  if (columns == FColumns) return;
  FColumns = columns;
  Changed(ControlChange::Items);
}

// ---- list box, combo box ----

namespace {

int ListIndex(int index, int count) noexcept { return (index < -1 || index >= count) ? -1 : index; }

}  // namespace

TCustomListControl::TCustomListControl(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetColor(clWindow);
  FItems.SetOnChange([this] {
    if (FItemIndex >= FItems.Count()) FItemIndex = -1;
    Changed(ControlChange::Items);
  });
}

TCustomListControl::~TCustomListControl() { FItems.SetOnChange(nullptr); }

void TCustomListControl::SetItemIndex(int index) {
  index = ListIndex(index, FItems.Count());
  if (index == FItemIndex) return;
  FItemIndex = index;
  Changed(ControlChange::Value);
}

// ---- group box, label, shape ----

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TWinControl(owner) {}

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {}

void TBrush::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  if (FOnChange) FOnChange();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  if (FOnChange) FOnChange();
}

TShape::TShape(TComponent* owner) : TGraphicControl(owner) {
  FBrush.SetOnChange([this] { Changed(ControlChange::Value); });
}

void TShape::SetShape(TShapeType shape) {
  if (shape == FShape) return;
  FShape = shape;
  Changed(ControlChange::Value);
}

// ---- page control ----

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) { SetVisible(false); }

TPageControl* TTabSheet::PageControl() const noexcept {
  return dynamic_cast<TPageControl*>(Parent());
}

void TTabSheet::SetPageControl(TPageControl* pageControl) { SetParent(pageControl); }

int TTabSheet::PageIndex() const noexcept {
  const TPageControl* pc = PageControl();
  if (!pc) return -1;
  for (int i = 0; i < pc->PageCount(); ++i) {
    if (pc->Pages(i) == this) return i;
  }
  return -1;
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return FPages[static_cast<std::size_t>(index)];
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && std::find(FPages.begin(), FPages.end(), page) == FPages.end()) {
    throw EInvalidOperation("The page '" + page->Name() + "' doesn't belong to this page control");
  }
  if (page == FActivePage) return;
  FActivePage = page;
  for (TTabSheet* p : FPages) p->SetVisible(p == page);
  Changed(ControlChange::Pages);
}

int TPageControl::ActivePageIndex() const noexcept {
  auto it = std::find(FPages.begin(), FPages.end(), FActivePage);
  return it == FPages.end() ? -1 : static_cast<int>(it - FPages.begin());
}

void TPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < PageCount() ? FPages[static_cast<std::size_t>(index)]
                                                  : nullptr);
}

void TPageControl::ControlInserted(TControl& child) {
  auto* page = dynamic_cast<TTabSheet*>(&child);
  if (!page) return;
  FPages.push_back(page);
  page->SetVisible(false);
  Changed(ControlChange::Pages);
  if (!FActivePage) SetActivePage(page);
}

void TPageControl::ControlRemoving(TControl& child) {
  // By address: from a destructor, child may no longer be a whole TTabSheet.
  auto it = std::find_if(FPages.begin(), FPages.end(),
                         [&](TTabSheet* p) { return static_cast<TControl*>(p) == &child; });
  if (it == FPages.end()) return;
  std::size_t index = static_cast<std::size_t>(it - FPages.begin());
  FPages.erase(it);
  if (FActivePage && static_cast<TControl*>(FActivePage) == &child) {
    FActivePage = nullptr;
    if (!FPages.empty()) SetActivePage(FPages[std::min(index, FPages.size() - 1)]);
  }
  Changed(ControlChange::Pages);
}

}  // namespace kestrilon::framework
