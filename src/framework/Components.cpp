#include "Components.h"

#include <algorithm>
#include <exception>

#include "Exceptions.h"
#include "Strings.h"

namespace kestrilon::framework {

namespace {

bool IsIdentifier(std::string_view name) noexcept {
  auto isAlpha = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  };
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (name.empty() || !isAlpha(name.front())) return false;
  return std::all_of(name.begin(), name.end(), [&](char c) { return isAlpha(c) || isDigit(c); });
}

}  // namespace

void TPersistent::Assign(const TPersistent& /*source*/) {
  throw EConvertError("Cannot assign an object of an unrelated class");
}

TComponent::TComponent(TComponent* owner) {
  if (owner) {
    owner->Insert(*this);
    FComponentState |= owner->FComponentState & (csLoading | csDesigning);
    owner->Notification(*this, opInsert);
  }
}

TComponent::~TComponent() {
  FComponentState |= csDestroying;
  DestroyComponents();
  // Tell the components that keep a reference to this one, then forget the links both ways.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    other->DropFreeNotification(*this);
    other->Notification(*this, opRemove);
  }
  if (FOwner) FOwner->RemoveComponent(*this);
}

void TComponent::ValidateName(std::string_view name, const TComponent* ignoring) const {
  if (name.empty()) return;
  if (!IsIdentifier(name)) {
    throw EComponentError("'" + std::string(name) + "' is not a valid component name");
  }
  for (const TComponent* c : FComponents) {
    if (c != ignoring && SameText(c->FName, name)) {
      throw EComponentError("A component named " + std::string(name) + " already exists");
    }
  }
}

void TComponent::SetName(std::string_view name) {
  if (name == FName) return;
  if (FOwner) {
    FOwner->ValidateName(name, this);
  } else if (!name.empty() && !IsIdentifier(name)) {
    throw EComponentError("'" + std::string(name) + "' is not a valid component name");
  }
  FName = std::string(name);
}

void TComponent::SetDesigning(bool designing) noexcept {
  if (designing) {
    FComponentState |= csDesigning;
  } else {
    FComponentState &= ~csDesigning;
  }
  for (TComponent* c : FComponents) c->SetDesigning(designing);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return FComponents[static_cast<std::size_t>(index)];
}

int TComponent::ComponentIndex(const TComponent& component) const noexcept {
  auto it = std::find(FComponents.begin(), FComponents.end(), &component);
  return it == FComponents.end() ? -1 : static_cast<int>(it - FComponents.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const noexcept {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents) {
    if (SameText(c->FName, name)) return c;
  }
  return nullptr;
}

void TComponent::Insert(TComponent& component) {
  FComponents.push_back(&component);
  component.FOwner = this;
}

void TComponent::Remove(TComponent& component) noexcept {
  auto it = std::find(FComponents.begin(), FComponents.end(), &component);
  if (it != FComponents.end()) FComponents.erase(it);
  component.FOwner = nullptr;
}

void TComponent::InsertComponent(TComponent& component) {
  if (component.FOwner == this) return;
  ValidateName(component.FName, nullptr);
  if (component.FOwner) component.FOwner->RemoveComponent(component);
  Insert(component);
  if (IsDesigning()) component.SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent& component) {
  if (component.FOwner != this) return;
  Notification(component, opRemove);
  Remove(component);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    // Removed (and its siblings told) while it is still whole; then deleted.
    RemoveComponent(*last);
    delete last;
  }
}

void TComponent::FreeNotification(TComponent& component) {
  if (&component == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), &component) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(&component);
  }
  if (std::find(component.FFreeNotifies.begin(), component.FFreeNotifies.end(), this) ==
      component.FFreeNotifies.end()) {
    component.FFreeNotifies.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent& component) {
  DropFreeNotification(component);
  component.DropFreeNotification(*this);
}

void TComponent::DropFreeNotification(TComponent& component) noexcept {
  auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), &component);
  if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::BeginLoading() noexcept {
  FComponentState |= csLoading;
  for (TComponent* c : FComponents) c->BeginLoading();
}

void TComponent::EndLoading() {
  // One component that fails to load (a tray icon the shell refuses) must not leave the others
  // half made: every one finishes, then the first failure goes on.
  std::exception_ptr failure;
  // Loaded may create components; index the live list.
  for (std::size_t i = 0; i < FComponents.size(); ++i) {
    TComponent* c = FComponents[i];
    try {
      if (c->IsLoading()) c->EndLoading();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (IsLoading()) Loaded();
  if (failure) std::rethrow_exception(failure);
}

void TComponent::Loaded() { FComponentState &= ~csLoading; }

void TComponent::Notification(TComponent& component, TOperation operation) {
  if (operation == opRemove) DropFreeNotification(component);
  // Pass the notice on; a handler may remove components, so walk by index from the end.
  for (std::size_t i = FComponents.size(); i > 0; --i) {
    if (i > FComponents.size()) continue;
    TComponent* c = FComponents[i - 1];
    if (c != &component) c->Notification(component, operation);
  }
}

}  // namespace kestrilon::framework
