// What the tray icon's portable logic shares with its Windows side: the callback message and the
// component's own codes in it, the mouse messages the shell reports, the tracked icon box, and
// how texts are fitted into the notify record's fixed byte fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "CodePage932.h"

namespace kestrilon::tray {

// The icon's callback message (WM_USER + 200). The shell sends it with wParam = the icon's
// identifier and lParam = the mouse message; the component sends its own codes in lParam too.
inline constexpr std::uint32_t WM_TASKTRAY = 0x0400 + 200;
inline constexpr std::intptr_t TRAY_MOUSEENTER = 1234;
inline constexpr std::intptr_t TRAY_MOUSEEXIT = 1235;
inline constexpr std::intptr_t TRAY_MOUSECLICK = 1236;  // wParam: 0 left, 1 right, 2 middle

// The window messages the logic looks at, by number (the portable code has no <windows.h>).
namespace msg {
inline constexpr std::uint32_t QueryEndSession = 0x0011;
inline constexpr std::uint32_t Timer = 0x0113;
inline constexpr std::intptr_t MouseMove = 0x0200;
inline constexpr std::intptr_t LButtonDown = 0x0201;
inline constexpr std::intptr_t LButtonUp = 0x0202;
inline constexpr std::intptr_t LButtonDblClk = 0x0203;
inline constexpr std::intptr_t RButtonDown = 0x0204;
inline constexpr std::intptr_t RButtonUp = 0x0205;
inline constexpr std::intptr_t RButtonDblClk = 0x0206;
inline constexpr std::intptr_t MButtonDown = 0x0207;
inline constexpr std::intptr_t MButtonUp = 0x0208;
inline constexpr std::intptr_t MButtonDblClk = 0x0209;
}  // namespace msg

// The click timer's identifier on the hidden window.
inline constexpr std::uintptr_t ClickTimerID = 7;

struct TTrayPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
};

// Screen coordinates; all four zero is the empty box.
struct TTrayRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  bool Empty() const noexcept { return Left == 0 && Top == 0 && Right == 0 && Bottom == 0; }
  // Edges count as inside.
  bool Contains(TTrayPoint p) const noexcept {
    return Left <= p.X && p.X <= Right && Top <= p.Y && p.Y <= Bottom;
  }
  bool operator==(const TTrayRect&) const = default;
};

// The system's lead-byte test for its ANSI code page; code page 932's by default.
using LeadBytePredicate = bool (*)(unsigned char);

// The tip text as the notify record holds it (without its zero byte): shells before 5.0 show one
// line only, so every CR LF becomes one space there, and their field holds 63 bytes, not 127.
// Never half a two-byte character (filter::CutToWholeCharacters).
std::string TipTextFor(std::string_view text, bool shell5OrLater,
                       LeadBytePredicate isLead = filter::IsLeadByte);

}  // namespace kestrilon::tray
