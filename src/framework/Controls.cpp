#include "Controls.h"

#include <algorithm>

#include "Exceptions.h"
#include "Platform.h"

namespace kestrilon::framework {

namespace {

template <class T>
void Erase(std::vector<T*>& list, const void* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it != list.end()) list.erase(it);
}

}  // namespace

// ---- TControl ----

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  DestroyComponents();
  if (FParent) FParent->RemoveControl(*this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  for (const TWinControl* p = parent; p; p = p->FParent) {
    if (p == this)
      throw EInvalidOperation("A control cannot be its own parent or its child's child");
  }
  if (FParent) FParent->RemoveControl(*this);
  if (parent) parent->InsertControl(*this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Changed(ControlChange::Bounds);
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  Changed(ControlChange::Visible);
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Changed(ControlChange::Enabled);
}

void TControl::SetCaption(std::string_view caption) {
  if (caption == FCaption) return;
  FCaption = std::string(caption);
  Changed(ControlChange::Caption);
}

void TControl::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed(ControlChange::Color);
}

const TFont& TControl::Font() const noexcept {
  if (FParentFont && FParent) return FParent->Font();
  return FFont;
}

void TControl::SetFont(const TFont& font) {
  FFont = font;
  FParentFont = false;
  Changed(ControlChange::Font);
}

void TControl::SetParentFont(bool parentFont) {
  if (parentFont == FParentFont) return;
  FParentFont = parentFont;
  Changed(ControlChange::Font);
}

void TControl::Click() {
  if (FOnClick) FOnClick(*this);
}

void TControl::BringToFront() {
  if (FParent) FParent->MoveChild(*this, true);
}

void TControl::SendToBack() {
  if (FParent) FParent->MoveChild(*this, false);
}

void TControl::Changed(ControlChange what) {
  if (FParent && FParent->FPeer) FParent->FPeer->ChildChanged(*this, what);
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  DestroyComponents();
  DestroyHandle();
  // Children owned elsewhere stay alive, without a parent.
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  while (!FWinControls.empty()) FWinControls.back()->SetParent(nullptr);
  // Leave the parent while this is still a TWinControl.
  if (Parent()) Parent()->RemoveControl(*this);
}

int TWinControl::ControlCount() const noexcept {
  return static_cast<int>(FControls.size() + FWinControls.size());
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  auto i = static_cast<std::size_t>(index);
  return i < FControls.size() ? FControls[i] : FWinControls[i - FControls.size()];
}

bool TWinControl::ContainsControl(const TControl& control) const noexcept {
  for (const TControl* c = &control; c; c = c->Parent()) {
    if (c == this) return true;
  }
  return false;
}

int TWinControl::TabOrder() const noexcept {
  if (!Parent()) return -1;
  const auto& list = Parent()->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int tabOrder) {
  TWinControl* parent = Parent();
  if (!parent) return;
  auto& list = parent->FTabList;
  Erase(list, this);
  if (tabOrder < 0 || tabOrder > static_cast<int>(list.size()))
    tabOrder = static_cast<int>(list.size());
  list.insert(list.begin() + tabOrder, this);
  if (parent->FPeer) parent->FPeer->ChildChanged(*this, ControlChange::Order);
}

void TWinControl::SetTabStop(bool tabStop) {
  if (tabStop == FTabStop) return;
  FTabStop = tabStop;
  Changed(ControlChange::Order);
}

void TWinControl::HandleNeeded() {
  if (FPeer) return;
  if (Parent() && !Parent()->FPeer) {
    Parent()->HandleNeeded();
    if (FPeer) return;  // made with the parent's children
  }
  FPeer = platform::CreateWindowPeer(*this);
  if (!FPeer) return;
  for (std::size_t i = 0; i < FWinControls.size(); ++i) FWinControls[i]->HandleNeeded();
  for (TControl* c : FControls) FPeer->ChildInserted(*c);
  HandleCreated();
}

void TWinControl::DestroyHandle() noexcept {
  if (!FPeer) return;
  for (TWinControl* w : FWinControls) w->DestroyHandle();
  FPeer.reset();
}

void TWinControl::SetVisible(bool visible) { TControl::SetVisible(visible); }

void TWinControl::Changed(ControlChange what) {
  if (FPeer) FPeer->Changed(what);
}

void TWinControl::InsertControl(TControl& child) {
  child.FParent = this;
  if (auto* w = dynamic_cast<TWinControl*>(&child)) {
    FWinControls.push_back(w);
    FTabList.push_back(w);
    // A window moves with its control: remade under this parent, if it has one.
    w->DestroyHandle();
    if (FPeer) w->HandleNeeded();
  } else {
    FControls.push_back(&child);
  }
  if (FPeer) FPeer->ChildInserted(child);
  ControlInserted(child);
}

void TWinControl::RemoveControl(TControl& child) {
  // By address: from a destructor, the child's derived parts may be gone already.
  ControlRemoving(child);
  if (FPeer) FPeer->ChildRemoved(child);
  auto w = std::find(FWinControls.begin(), FWinControls.end(), &child);
  if (w != FWinControls.end()) {
    (*w)->DestroyHandle();
    FWinControls.erase(w);
    Erase(FTabList, &child);
  } else {
    Erase(FControls, &child);
  }
  child.FParent = nullptr;
}

void TWinControl::MoveChild(TControl& child, bool toFront) {
  auto move = [&](auto& list, auto* item) {
    Erase(list, item);
    if (toFront) {
      list.push_back(item);
    } else {
      list.insert(list.begin(), item);
    }
  };
  if (auto* w = dynamic_cast<TWinControl*>(&child)) {
    move(FWinControls, w);
  } else {
    move(FControls, &child);
  }
  if (FPeer) FPeer->ChildChanged(child, ControlChange::Order);
}

void TWinControl::ControlInserted(TControl& /*child*/) {}
void TWinControl::ControlRemoving(TControl& /*child*/) {}

}  // namespace kestrilon::framework
