// Controls: components with a place on screen. A control has a parent (a windowed control) and
// bounds relative to it; a windowed control has child controls and, when there is a window
// system, a window (its peer) that shows the control's values and reports the user's changes
// back. The values themselves always live here, in C++ members, so they can be set and read
// without any window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Components.h"
#include "Graphics.h"

namespace kestrilon::framework {

// A window message as handlers see it; Result is the answer, preset to 0.
struct TMessage {
  std::uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = std::uint32_t;
inline constexpr TShiftState ssShift = 1u << 0;
inline constexpr TShiftState ssAlt = 1u << 1;
inline constexpr TShiftState ssCtrl = 1u << 2;
inline constexpr TShiftState ssLeft = 1u << 3;
inline constexpr TShiftState ssRight = 1u << 4;
inline constexpr TShiftState ssMiddle = 1u << 5;
inline constexpr TShiftState ssDouble = 1u << 6;

class TControl;
class TWinControl;

// What of a control changed, so that its window can show it.
enum class ControlChange {
  Caption,  // caption or text
  Value,    // checked state, item index, brush colour
  Items,    // the list of items
  Bounds,   // position or size
  Visible,
  Enabled,
  Font,
  Color,
  Default,  // a button's default or cancel role
  Order,    // z-order or tab order of the children
  Pages,    // a page control's pages or active page
};

// The window of one windowed control. The platform layer makes it (HandleNeeded); the control
// tells it of every change of its values, and it calls the control's setters when the user
// changes them.
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual void Changed(ControlChange what) = 0;
  // A child control joined or left this control, or a non-windowed child changed.
  virtual void ChildInserted(TControl& child) = 0;
  virtual void ChildRemoved(TControl& child) = 0;
  virtual void ChildChanged(TControl& child, ControlChange what) = 0;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  // Deletes owned components first, then leaves the parent.
  ~TControl() override;

  TWinControl* Parent() const noexcept { return FParent; }
  // Moves the control to another parent (null: none). It goes to the end of the new parent's
  // windowed or non-windowed children. Throws EInvalidOperation when parent is the control itself
  // or one of its children.
  void SetParent(TWinControl* parent);

  int Left() const noexcept { return FLeft; }
  int Top() const noexcept { return FTop; }
  int Width() const noexcept { return FWidth; }
  int Height() const noexcept { return FHeight; }
  void SetLeft(int left) { SetBounds(left, FTop, FWidth, FHeight); }
  void SetTop(int top) { SetBounds(FLeft, top, FWidth, FHeight); }
  void SetWidth(int width) { SetBounds(FLeft, FTop, width, FHeight); }
  void SetHeight(int height) { SetBounds(FLeft, FTop, FWidth, height); }
  virtual void SetBounds(int left, int top, int width, int height);

  bool Visible() const noexcept { return FVisible; }
  virtual void SetVisible(bool visible);
  bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool enabled);

  // UTF-8; "&" marks the accelerator letter, "&&" is one "&".
  const std::string& Caption() const noexcept { return FCaption; }
  void SetCaption(std::string_view caption);

  TColor Color() const noexcept { return FColor; }
  void SetColor(TColor color);

  // With ParentFont (the default) the control uses its parent's font.
  const TFont& Font() const noexcept;
  void SetFont(const TFont& font);
  bool ParentFont() const noexcept { return FParentFont; }
  void SetParentFont(bool parentFont);

  const TNotifyEvent& OnClick() const noexcept { return FOnClick; }
  void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }
  // Runs OnClick, if set. The window calls it when the user clicks; setters don't.
  virtual void Click();

  // Moves the control to the end (front) or the start (back) of its parent's children of its
  // kind (windowed or not).
  void BringToFront();
  void SendToBack();

 protected:
  // Tells the window that shows this control (its own or, for a non-windowed control, its
  // parent's) that `what` changed.
  virtual void Changed(ControlChange what);

 private:
  friend class TWinControl;
  TWinControl* FParent = nullptr;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  bool FParentFont = true;
  std::string FCaption;
  TColor FColor = clBtnFace;
  TFont FFont;
  TNotifyEvent FOnClick;
};

// A control drawn by its parent's window; it has no window of its own.
class TGraphicControl : public TControl {
 public:
  using TControl::TControl;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  // Deletes owned components, destroys the window, and leaves the remaining child controls
  // without a parent (a parent doesn't own its children; their owner does).
  ~TWinControl() override;

  // The children: the non-windowed ones first, then the windowed ones, each in the order they
  // were inserted, as changed by BringToFront and SendToBack.
  int ControlCount() const noexcept;
  // Index 0 to ControlCount()-1; any other index throws EListError.
  TControl* Controls(int index) const;
  bool ContainsControl(const TControl& control) const noexcept;

  // Position among the parent's windowed children in the Tab key's order (-1: no parent).
  // A value outside 0 to count-1 puts it last.
  int TabOrder() const noexcept;
  void SetTabOrder(int tabOrder);
  bool TabStop() const noexcept { return FTabStop; }
  void SetTabStop(bool tabStop);
  // The windowed children in Tab order.
  const std::vector<TWinControl*>& TabList() const noexcept { return FTabList; }

  // The window, when there is a window system and it was made.
  bool HandleAllocated() const noexcept { return FPeer != nullptr; }
  ControlPeer* Peer() const noexcept { return FPeer.get(); }
  // Makes the window of this control (its parent's first) and of its windowed children. Without
  // a window system nothing happens.
  void HandleNeeded();
  // Destroys the windows of the children and then this control's own.
  void DestroyHandle() noexcept;

  void SetVisible(bool visible) override;

 protected:
  void Changed(ControlChange what) override;
  // Called once the window of this control and those of its children exist.
  virtual void HandleCreated() {}
  // Called after a child joined or before it leaves this control.
  virtual void ControlInserted(TControl& child);
  virtual void ControlRemoving(TControl& child);

 private:
  friend class TControl;
  void InsertControl(TControl& child);
  void RemoveControl(TControl& child);
  void MoveChild(TControl& child, bool toFront);

  std::vector<TControl*> FControls;  // non-windowed children
  std::vector<TWinControl*> FWinControls;
  std::vector<TWinControl*> FTabList;
  bool FTabStop = false;
  std::unique_ptr<ControlPeer> FPeer;
};

}  // namespace kestrilon::framework
