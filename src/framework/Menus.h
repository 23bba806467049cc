// Popup menus (Windows): a tree of items with captions ("&" marks the accelerator letter, "-"
// alone is a separator), 16×16 bitmaps and OnClick, popped up at a screen point.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "Components.h"
#include "WinGraphics.h"

namespace kestrilon::framework {

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  // Leaves its parent item; its own items stay with their owner, without a parent.
  ~TMenuItem() override;

  const std::string& Caption() const noexcept { return FCaption; }
  void SetCaption(std::string_view caption) { FCaption = std::string(caption); }
  bool IsLine() const noexcept { return FCaption == "-"; }
  bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool enabled) noexcept { FEnabled = enabled; }
  bool Checked() const noexcept { return FChecked; }
  void SetChecked(bool checked) noexcept { FChecked = checked; }
  bool Visible() const noexcept { return FVisible; }
  void SetVisible(bool visible) noexcept { FVisible = visible; }
  // One of a group of choices: checked, it shows a dot instead of a tick.
  bool RadioItem() const noexcept { return FRadioItem; }
  void SetRadioItem(bool radio) noexcept { FRadioItem = radio; }
  TBitmap& Bitmap() noexcept { return FBitmap; }
  const TBitmap& Bitmap() const noexcept { return FBitmap; }

  const TNotifyEvent& OnClick() const noexcept { return FOnClick; }
  void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }
  virtual void Click();

  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  // Index 0 to Count()-1; any other index throws EListError.
  TMenuItem* Items(int index) const;
  TMenuItem* Parent() const noexcept { return FParent; }
  // Appends item (taken from its former parent item).
  void Add(TMenuItem& item);
  void Remove(TMenuItem& item) noexcept;

  // The command identifier of this item in a popped-up menu; the item of a command, or null.
  UINT Command() const noexcept { return FCommand; }
  TMenuItem* Find(UINT command) noexcept;

 private:
  std::string FCaption;
  bool FEnabled = true;
  bool FChecked = false;
  bool FVisible = true;
  bool FRadioItem = false;
  TBitmap FBitmap;
  TNotifyEvent FOnClick;
  TMenuItem* FParent = nullptr;
  std::vector<TMenuItem*> FItems;
  UINT FCommand;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  // The root item; the menu's items are its items.
  TMenuItem& Items() noexcept { return *FItems; }

  // The component that popped the menu up (for the handlers); cleared when it is destroyed.
  TComponent* PopupComponent() const noexcept { return FPopupComponent; }
  void SetPopupComponent(TComponent* component);

  // Shows the menu at the screen point (x, y) and returns when it closes; then runs the chosen
  // item's Click. The owner's window (else the application's) is made the foreground window
  // first, so that the menu closes when the user clicks elsewhere. Throws EOutOfResources when
  // the menu cannot be made.
  void Popup(int x, int y);

 protected:
  void Notification(TComponent& component, TOperation operation) override;

 private:
  TMenuItem* FItems;
  TComponent* FPopupComponent = nullptr;
};

}  // namespace kestrilon::framework
