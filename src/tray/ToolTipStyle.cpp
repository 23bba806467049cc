#include "ToolTipStyle.h"

#include <cstdlib>

namespace kestrilon::tray {

namespace {

constexpr std::uint8_t ButtonElement(int button) noexcept {
  return button == 0 ? msLeftDown : button == 1 ? msRightDown : msMiddleDown;
}

// The shell's notices carry the icon's identifier; a press the style re-posts after a double
// click carries -1. Only the low 32 bits are the platform's wParam on a 32-bit shell.
bool ReportedByShell(std::uintptr_t wParam) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam)) >= 0;
}

}  // namespace

TCustomToolTipStyle::TCustomToolTipStyle(std::unique_ptr<TToolTipHost> host)
    : FHost(std::move(host)) {
  FToolTipWnd = FHost->FindTrayToolTip();
}

TCustomToolTipStyle::~TCustomToolTipStyle() {
  // The tracker's last hand-over may still be waiting; ending it first means nothing runs
  // against a half-destroyed style.
  FMouseEventMaker.reset();
  try {
    RestoreDefaultColors();
  } catch (...) {
    // A destructor can't report; the tooltip keeps whatever colours it has.
  }
}

void TCustomToolTipStyle::Assign(const framework::TPersistent& source) {
  const auto* other = dynamic_cast<const TCustomToolTipStyle*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  FUseDefault = other->FUseDefault;
  FBackGroundColor = other->FBackGroundColor;
  FFont.SetColor(other->FFont.Color());
}

TColor TCustomToolTipStyle::GetColor(int index) const noexcept {
  if (index == 1) return FBackGroundColor;
  if (index == 2) return FFont.Color();
  return 0;
}

void TCustomToolTipStyle::SetColor(int index, TColor color) noexcept {
  if (index == 1) {
    FBackGroundColor = color;
  } else if (index == 2) {
    FFont.SetColor(color);
  }
}

void TCustomToolTipStyle::HandleMessage(const TMessage& message) {
  if (message.Msg == msg::Timer) {
    FHost->KillClickTimer(FNotifyWnd);
    if (FClickPending) Click(PressedButton());
    return;
  }
  if (message.Msg != WM_TASKTRAY) return;
  switch (message.LParam) {
    case msg::MouseMove: MouseMove(); break;
    case msg::LButtonDown:
    case msg::RButtonDown:
    case msg::MButtonDown:
      if (ReportedByShell(message.WParam)) {
        Include(ButtonElement(static_cast<int>((message.LParam - msg::LButtonDown) / 3)));
      }
      break;
    case msg::LButtonUp:
    case msg::RButtonUp:
    case msg::MButtonUp: ButtonUp(static_cast<int>((message.LParam - msg::LButtonUp) / 3)); break;
    case msg::LButtonDblClk:
    case msg::RButtonDblClk:
    case msg::MButtonDblClk:
      DoubleClick(static_cast<int>((message.LParam - msg::LButtonDblClk) / 3));
      break;
    default: break;
  }
}

void TCustomToolTipStyle::ButtonUp(int button) {
  if (FCheckSingleDoubleClick) {
    // A release while the timer runs changes nothing: the timer reports the pending click.
    if (!FClickPending && FHost->StartClickTimer(FNotifyWnd)) FClickPending = true;
    return;
  }
  Click(button);
  Exclude(ButtonElement(button));
}

void TCustomToolTipStyle::DoubleClick(int button) {
  // The timer keeps running; when it fires nothing is pending any more.
  FClickPending = false;
  Exclude(ButtonElement(button));
  FHost->PostTrayMessage(FNotifyWnd, static_cast<std::uintptr_t>(-1),
                         msg::LButtonDown + static_cast<std::intptr_t>(button) * 3);
}

void TCustomToolTipStyle::Click(int button) {
  // Only a button that went down on the icon makes a click.
  if ((FMouseState.load() & ButtonElement(button)) != 0 && FNotifyWnd != 0) {
    FHost->SendTrayMessage(FNotifyWnd, static_cast<std::uintptr_t>(button), TRAY_MOUSECLICK);
  }
  FClickPending = false;
  Exclude(ButtonElement(button));
}

int TCustomToolTipStyle::PressedButton() const noexcept {
  std::uint8_t state = FMouseState.load();
  if (state & msLeftDown) return 0;
  if (state & msRightDown) return 1;
  return 2;
}

void TCustomToolTipStyle::MouseMove() {
  if (std::optional<TTrayPoint> cursor = FHost->CursorPos()) {
    auto include = [this](TTrayPoint p) {
      if (FIconRect.Empty()) {
        FIconRect = {p.X, p.Y, p.X, p.Y};
        return;
      }
      if (p.X < FIconRect.Left) {
        FIconRect.Left = p.X;
      } else if (p.X > FIconRect.Right) {
        FIconRect.Right = p.X;
      }
      if (p.Y < FIconRect.Top) {
        FIconRect.Top = p.Y;
      } else if (p.Y > FIconRect.Bottom) {
        FIconRect.Bottom = p.Y;
      }
    };
    include(*cursor);
    // Grown beyond one icon: the cursor is over another place of the tray now.
    if (std::abs(static_cast<long long>(FIconRect.Right) - FIconRect.Left) > 32 ||
        std::abs(static_cast<long long>(FIconRect.Bottom) - FIconRect.Top) > 32) {
      ResetIconRect();
      include(*cursor);
    }
  }
  if (!MouseInside()) MouseEnter();
}

void TCustomToolTipStyle::MouseEnter() {
  Include(msInside);
  if (!FUseDefault) ApplyColors();
  if (!FMouseEventMaker) FMouseEventMaker = FHost->CreateLeaveTracker(*this);
  if (FMouseEventMaker->Suspended()) FMouseEventMaker->Resume();
  if (FNotifyWnd != 0) FHost->SendTrayMessage(FNotifyWnd, 0, TRAY_MOUSEENTER);
}

void TCustomToolTipStyle::CheckMouseLeave() {
  if (!MouseInside()) return;
  std::optional<TTrayPoint> cursor = FHost->CursorPos();
  if (cursor && !FIconRect.Contains(*cursor)) MouseExit();
}

void TCustomToolTipStyle::MouseExit() {
  Exclude(msInside);
  if (!FUseDefault) RestoreDefaultColors();
  if (FNotifyWnd != 0) FHost->SendTrayMessage(FNotifyWnd, 0, TRAY_MOUSEEXIT);
}

std::uint32_t TCustomToolTipStyle::ToRGB(TColor color) {
  // A tooltip window takes RGB values only; system colours are resolved here.
  if (framework::IsSystemColor(color)) return FHost->SystemColor(color & 0xFF);
  return static_cast<std::uint32_t>(color) & 0x00FFFFFFu;
}

void TCustomToolTipStyle::ApplyColors() {
  if (FToolTipWnd == 0) return;
  FHost->SendToolTip(FToolTipWnd, tooltip::SetTipBkColor, ToRGB(FBackGroundColor));
  FHost->SendToolTip(FToolTipWnd, tooltip::SetTipTextColor, ToRGB(FFont.Color()));
}

void TCustomToolTipStyle::RestoreDefaultColors() {
  if (FToolTipWnd == 0) return;
  FHost->SendToolTip(FToolTipWnd, tooltip::Pop, 0);
  FHost->SendToolTip(FToolTipWnd, tooltip::SetTipBkColor, FHost->SystemColor(tooltip::ColorInfoBk));
  FHost->SendToolTip(FToolTipWnd, tooltip::SetTipTextColor,
                     FHost->SystemColor(tooltip::ColorInfoText));
}

}  // namespace kestrilon::tray
