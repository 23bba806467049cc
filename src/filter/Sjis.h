// Code page 932 at the byte level: which bytes lead a two-byte character, how a text divides into
// characters, and the pattern replacement every replacing step uses. All of it follows the code
// page's own rules, so the results are the same on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrilon::filter {

// 0x81 to 0x9F and 0xE0 to 0xFC lead a two-byte character, whatever byte follows.
constexpr bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The 16-bit code of the two-byte character at text[i] (lead byte × 256 + next byte).
inline std::uint16_t DoubleByteCode(std::string_view text, std::size_t i) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(text[i]) << 8 |
                                    static_cast<unsigned char>(text[i + 1]));
}

inline void AppendCode(std::string& out, std::uint16_t code) {
  out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
}

// Length of the character that starts at text[i]: 2 for a lead byte with a byte after it, else 1.
// A lead byte that ends the text stands alone.
inline std::size_t CharLength(std::string_view text, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// True when text[pos] is the second byte of a two-byte character, judged from the start of text.
// Counting the lead-range bytes just before pos is enough: a byte outside that range always ends
// a character, so the run before pos pairs up from its start.
bool IsSecondByte(std::string_view text, std::size_t pos);

// Position of the first occurrence of pattern in text that begins on a character boundary, at or
// after from (which must itself be a boundary, since the judgement starts there); npos if none,
// or if text or pattern is empty.
std::size_t FindPattern(std::string_view text, std::string_view pattern, std::size_t from = 0);

// Every occurrence of pattern replaced, left to right; replaced text is never searched again and
// a match never starts on a second byte. An empty pattern matches nothing.
std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement);

// Walks text character by character, building a new text: on_double(out, code) for each
// two-byte character, on_single(out, text, i) for each other byte, which returns how many bytes
// it consumed (1, or 2 when it took the next byte with it). Each must append something: the
// replacement or the character unchanged. A lead byte that ends the text is copied alone.
template <typename OnDouble, typename OnSingle>
std::string ScanCharacters(std::string_view text, OnDouble&& on_double, OnSingle&& on_single) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b)) {
      if (i + 1 < n) {
        on_double(out, DoubleByteCode(text, i));
        i += 2;
      } else {
        out += text[i];
        i += 1;
      }
    } else {
      i += on_single(out, text, i);
    }
  }
  return out;
}

// Copies a single byte unchanged; the on_single of steps that convert only two-byte characters.
inline std::size_t CopySingle(std::string& out, std::string_view text, std::size_t i) {
  out += text[i];
  return 1;
}

// Copies a two-byte character unchanged; the on_double of steps that convert only single bytes.
inline void CopyDouble(std::string& out, std::uint16_t code) { AppendCode(out, code); }

}  // namespace kestrilon::filter
