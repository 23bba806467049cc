// The component model: objects that own other objects, carry a name and a tag, know whether they
// are being designed or loaded, and hear when a component they may refer to goes away.
//
// Ownership: a component created with an owner is allocated with `new` and belongs to that owner,
// which deletes its components when it is destroyed, the last created first. Deleting an owned
// component earlier is allowed; it leaves its owner's list then. A component without an owner
// belongs to whoever made it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrilon::framework {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

// An event: a handler bound to some object, or empty. Sender is the object that raises it.
using TNotifyEvent = std::function<void(TObject& sender)>;

class TPersistent : public TObject {
 public:
  // Copies the state of source into this object. The base refuses: EConvertError.
  virtual void Assign(const TPersistent& source);
};

// Component state: a set of these bits.
using TComponentState = std::uint32_t;
inline constexpr TComponentState csLoading = 1u << 0;     // being created and its properties set
inline constexpr TComponentState csDesigning = 1u << 1;   // in a designer: no windows, no system
inline constexpr TComponentState csDestroying = 1u << 2;  // its destructor has begun

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
 public:
  // Joins owner's components (owner may be null). A component whose owner is being designed or
  // loaded is so too.
  explicit TComponent(TComponent* owner);
  // Deletes the owned components (the last created first), tells the components that asked for
  // it (FreeNotification) and the owner's other components (Notification, opRemove), and leaves
  // the owner.
  ~TComponent() override;

  TComponent* Owner() const noexcept { return FOwner; }

  const std::string& Name() const noexcept { return FName; }
  // Empty, or an identifier (ASCII letter or underscore, then letters, digits, underscores) not
  // taken by another component of the same owner, letters compared without case. Otherwise
  // throws EComponentError with the name in the message.
  void SetName(std::string_view name);

  int Tag() const noexcept { return FTag; }
  void SetTag(int tag) noexcept { FTag = tag; }

  TComponentState ComponentState() const noexcept { return FComponentState; }
  bool IsLoading() const noexcept { return (FComponentState & csLoading) != 0; }
  bool IsDesigning() const noexcept { return (FComponentState & csDesigning) != 0; }
  bool IsDestroying() const noexcept { return (FComponentState & csDestroying) != 0; }
  // Sets or clears csDesigning on this component and everything it owns.
  void SetDesigning(bool designing) noexcept;

  // The owned components in the order they joined (creation order).
  int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
  // Index 0 to ComponentCount()-1; any other index throws EListError.
  TComponent* Components(int index) const;
  int ComponentIndex(const TComponent& component) const noexcept;
  // The owned component of that name (letters compared without case), or null.
  TComponent* FindComponent(std::string_view name) const noexcept;

  // Takes component over from its present owner. Throws EComponentError when its name is taken
  // here (it stays with its old owner then).
  void InsertComponent(TComponent& component);
  // Gives the component up; it has no owner afterwards and belongs to the caller.
  void RemoveComponent(TComponent& component);
  // Deletes every owned component, the last created first.
  void DestroyComponents();

  // Asks to be told (Notification, opRemove) when component is destroyed, also when it belongs
  // to another owner. Both sides forget the link when either is destroyed.
  void FreeNotification(TComponent& component);
  void RemoveFreeNotification(TComponent& component);

  // Marks this component and all it owns as loading (csLoading).
  void BeginLoading() noexcept;
  // Ends loading: calls Loaded on every owned component that is still loading, in creation order
  // and depth first, then on this one. An exception out of a Loaded leaves the rest loading.
  void EndLoading();

 protected:
  // Called once the component was created and its properties set; clears csLoading.
  virtual void Loaded();
  // Called on the owner when component joins (opInsert) or leaves (opRemove) it, and on every
  // component that asked for FreeNotification of it. The base class passes the notice on to all
  // owned components. During opRemove from a destructor, compare component by address only:
  // its derived parts may already be gone.
  virtual void Notification(TComponent& component, TOperation operation);

 private:
  void ValidateName(std::string_view name, const TComponent* ignoring) const;
  void Insert(TComponent& component);
  void Remove(TComponent& component) noexcept;
  void DropFreeNotification(TComponent& component) noexcept;

  TComponent* FOwner = nullptr;
  std::string FName;
  int FTag = 0;
  TComponentState FComponentState = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};

}  // namespace kestrilon::framework
