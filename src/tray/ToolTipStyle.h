// The tooltip style of a tray icon: it watches every message of the icon's hidden window first,
// tells single from double clicks with a timer, keeps the box where the icon is taken to be,
// reports the cursor entering and leaving it (the shell reports neither), and colours the tray's
// tooltip while the cursor is over this icon.
//
// The logic is portable; what it asks of the window system goes through TToolTipHost, which the
// Windows side implements with the real calls and the native tests with a recording fake.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "Components.h"
#include "Controls.h"
#include "Graphics.h"
#include "TrayTypes.h"

namespace kestrilon::tray {

using framework::TColor;
using framework::TMessage;

class TCustomToolTipStyle;

// Polls, while the cursor is over the icon, whether it has left (TMouseEventMaker on Windows).
class TLeaveTracker {
 public:
  virtual ~TLeaveTracker() = default;
  virtual bool Suspended() const = 0;
  virtual void Resume() = 0;
};

// Windows are plain numbers here: 0 is none.
using TWindowId = std::uintptr_t;

class TToolTipHost {
 public:
  virtual ~TToolTipHost() = default;
  // The cursor's screen position; empty when the system can't tell.
  virtual std::optional<TTrayPoint> CursorPos() = 0;
  // Starts timer ClickTimerID on window with the double-click time as period; false when the
  // system couldn't make it.
  virtual bool StartClickTimer(TWindowId window) = 0;
  virtual void KillClickTimer(TWindowId window) = 0;
  // WM_TASKTRAY to window: sent (handled before the call returns) or posted (handled later).
  virtual void SendTrayMessage(TWindowId window, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  virtual void PostTrayMessage(TWindowId window, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  // The tooltip window that the shell shows the tray icons' tips in, or 0.
  virtual TWindowId FindTrayToolTip() = 0;
  virtual void SendToolTip(TWindowId toolTip, std::uint32_t message, std::uintptr_t wParam) = 0;
  // GetSysColor.
  virtual std::uint32_t SystemColor(int index) = 0;
  // A new leave tracker serving style, not yet running.
  virtual std::unique_ptr<TLeaveTracker> CreateLeaveTracker(TCustomToolTipStyle& style) = 0;
};

// The tooltip messages the style sends, and the system colours of tooltips.
namespace tooltip {
inline constexpr std::uint32_t SetTipBkColor = 0x0413;
inline constexpr std::uint32_t SetTipTextColor = 0x0414;
inline constexpr std::uint32_t Pop = 0x041C;
inline constexpr int ColorInfoText = 23;
inline constexpr int ColorInfoBk = 24;
}  // namespace tooltip

// Elements of the mouse state.
inline constexpr std::uint8_t msLeftDown = 1u << 0;
inline constexpr std::uint8_t msRightDown = 1u << 1;
inline constexpr std::uint8_t msMiddleDown = 1u << 2;
inline constexpr std::uint8_t msInside = 1u << 3;

class TCustomToolTipStyle : public framework::TPersistent {
 public:
  // Looks for the tray's tooltip window once, now.
  explicit TCustomToolTipStyle(std::unique_ptr<TToolTipHost> host);
  // Ends the leave tracker (waiting for it), then hides the tray's tooltip and gives it the
  // system's colours back, whatever UseDefault says.
  ~TCustomToolTipStyle() override;

  // Copies UseDefault, BackGroundColor and TextColor from another style; anything else is refused
  // (EConvertError). Nothing is sent to the tooltip window.
  void Assign(const framework::TPersistent& source) override;

  TWindowId NotifyWnd() const noexcept { return FNotifyWnd; }
  void SetNotifyWnd(TWindowId window) noexcept { FNotifyWnd = window; }
  TWindowId ToolTipWnd() const noexcept { return FToolTipWnd; }

  const TTrayRect& IconRect() const noexcept { return FIconRect; }
  void ResetIconRect() noexcept { FIconRect = {}; }
  std::uint8_t MouseState() const noexcept { return FMouseState.load(); }
  bool MouseInside() const noexcept { return (FMouseState.load() & msInside) != 0; }
  bool ClickPending() const noexcept { return FClickPending; }

  bool CheckSingleDoubleClick() const noexcept { return FCheckSingleDoubleClick; }
  void SetCheckSingleDoubleClick(bool check) noexcept { FCheckSingleDoubleClick = check; }

  // Looks at a message of the hidden window before its owner handles it; never changes it.
  void HandleMessage(const TMessage& message);
  // Run on the GUI thread by the leave tracker: reports the exit once the cursor is outside the
  // box.
  void CheckMouseLeave();

 protected:
  bool UseDefault() const noexcept { return FUseDefault; }
  void SetUseDefault(bool useDefault) noexcept { FUseDefault = useDefault; }
  // Index 1 the background colour, 2 the text colour; any other index reads 0 and writes nothing.
  TColor GetColor(int index) const noexcept;
  void SetColor(int index, TColor color) noexcept;
  TColor BackGroundColor() const noexcept { return GetColor(1); }
  void SetBackGroundColor(TColor color) noexcept { SetColor(1, color); }
  TColor TextColor() const noexcept { return GetColor(2); }
  void SetTextColor(TColor color) noexcept { SetColor(2, color); }

 private:
  void MouseMove();
  void MouseEnter();
  void MouseExit();
  void ButtonUp(int button);
  void DoubleClick(int button);
  void Click(int button);
  int PressedButton() const noexcept;
  void Include(std::uint8_t element) noexcept { FMouseState.fetch_or(element); }
  void Exclude(std::uint8_t element) noexcept {
    FMouseState.fetch_and(static_cast<std::uint8_t>(~element));
  }
  void ApplyColors();
  void RestoreDefaultColors();
  std::uint32_t ToRGB(TColor color);

  std::unique_ptr<TToolTipHost> FHost;
  TWindowId FNotifyWnd = 0;
  TWindowId FToolTipWnd = 0;
  TTrayRect FIconRect;
  std::unique_ptr<TLeaveTracker> FMouseEventMaker;
  // Read by the leave tracker's thread when it decides to sleep.
  std::atomic<std::uint8_t> FMouseState{0};
  bool FClickPending = false;
  bool FCheckSingleDoubleClick = true;
  bool FUseDefault = true;
  framework::TFont FFont;
  TColor FBackGroundColor = framework::clBlack;
};

class TToolTipStyle : public TCustomToolTipStyle {
 public:
  using TCustomToolTipStyle::BackGroundColor;
  using TCustomToolTipStyle::GetColor;
  using TCustomToolTipStyle::SetBackGroundColor;
  using TCustomToolTipStyle::SetColor;
  using TCustomToolTipStyle::SetTextColor;
  using TCustomToolTipStyle::SetUseDefault;
  using TCustomToolTipStyle::TCustomToolTipStyle;
  using TCustomToolTipStyle::TextColor;
  using TCustomToolTipStyle::UseDefault;
};

}  // namespace kestrilon::tray
