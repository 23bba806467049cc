// Code page 932 at the byte level, the one home of its facts for every layer: which bytes lead a
// two-byte character, how a text divides into characters and where it may be cut, how letters
// fold between cases, and the codes the Unicode bridge may take for its placeholders. All of it
// follows the code page's own rules, so the results are the same on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ByteMask.h"

namespace kestrilon::filter {

// A character as one number: a single byte b as b, a two-byte character as lead × 256 + next.
using Char = std::uint16_t;

// 0x81 to 0x9F and 0xE0 to 0xFC lead a two-byte character, whatever byte follows.
constexpr bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The bytes that may follow a lead byte in a valid text: 0x40 to 0x7E and 0x80 to 0xFC. The
// filter itself pairs a lead byte with any byte; the Unicode bridge and kestrilon-filter's input
// check hold a text to this.
constexpr bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// The 16-bit code of the two-byte character at text[i] (lead byte × 256 + next byte).
inline Char DoubleByteCode(std::string_view text, std::size_t i) {
  return static_cast<Char>(static_cast<unsigned char>(text[i]) << 8 |
                           static_cast<unsigned char>(text[i + 1]));
}

// Length of the character that starts at text[i]: 2 for a lead byte with a byte after it, else 1.
// A lead byte that ends the text stands alone.
inline std::size_t CharLength(std::string_view text, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// The character at text[i], moving i past it.
inline Char NextChar(std::string_view text, std::size_t& i) {
  const std::size_t n = CharLength(text, i);
  const Char c = n == 2 ? DoubleByteCode(text, i) : static_cast<unsigned char>(text[i]);
  i += n;
  return c;
}

// True when text[pos] is the second byte of a two-byte character, judged from the start of text.
// Counting the lead-range bytes just before pos is enough: a byte outside that range always ends
// a character, so the run before pos pairs up from its start.
bool IsSecondByte(std::string_view text, std::size_t pos);

// Searches by character, never by byte: the second byte of a two-byte character may be any of
// "@[\\]^_`|{}" or a letter (江 is 8D 5D, ソ is 83 5C), and must never be taken for one.
// Each returns npos when nothing is found; from must be a character boundary.
//
// The first character at or after from that is one of the single bytes in set.
std::size_t FindSingleByteOf(std::string_view text, std::string_view set, std::size_t from = 0);
inline std::size_t FindSingleByte(std::string_view text, char c, std::size_t from = 0) {
  return FindSingleByteOf(text, std::string_view(&c, 1), from);
}
// The last character that is the single byte c.
std::size_t FindLastSingleByte(std::string_view text, char c);

// For the 64 bytes from p: bit k set when p[k] is a lead byte. With bit 5 flipped the two ranges
// of lead bytes, 0x81-0x9F and 0xE0-0xFC, become one, 0xA1-0xDC.
inline std::uint64_t LeadMask64(const unsigned char* p) { return RangeMask64(p, 0xA1, 0xDC, 0x20); }

// For the 64 bytes from p: bit k set when p[k] is the second byte of a two-byte character.
// second_first tells whether p[0] is one, and is set to whether p[64] is one. A byte is one when
// an odd run of lead-range bytes comes right before it (IsSecondByte); the carries of one
// addition tell that for all 64 at once.
inline std::uint64_t SecondByteMask(const unsigned char* p, std::uint64_t& second_first) {
  constexpr std::uint64_t kEven = 0x5555555555555555ull;
  const std::uint64_t lead = LeadMask64(p) & ~second_first;
  const std::uint64_t follows_lead = lead << 1 | second_first;
  const std::uint64_t odd_starts = lead & ~kEven & ~follows_lead;
  const std::uint64_t sum = odd_starts + lead;  // a run that starts on an odd bit carries through
  second_first = sum < odd_starts;
  return (kEven ^ (sum << 1)) & follows_lead;
}

// Whether every lead byte is followed by a trail byte (IsTrailByte), the last byte of the text
// being no lead byte.
bool AllCharactersWhole(std::string_view text);

// The longest prefix of text, at most max_bytes long, that ends on a whole character: a two-byte
// character that would straddle the limit is left out whole. A caller that meets text in the
// system's ANSI code page passes the system's own lead-byte test.
std::string_view CutToWholeCharacters(std::string_view text, std::size_t max_bytes,
                                      bool (*is_lead)(unsigned char) = IsLeadByte);

// ASCII's own case fold, for every layer that compares names (programs, options, keys) without
// regard to case: the other letters of a code point or byte stay as they are.
constexpr char32_t AsciiUpperOf(char32_t c) { return c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c; }
constexpr char32_t AsciiLowerOf(char32_t c) { return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c; }
constexpr char AsciiLowerOf(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case mapping by characters: ASCII letters, and the full-width Latin, Greek and Cyrillic letters
// (the system's own folding of code page 932); every other character stays.
Char CharLowerOf(Char c);
Char CharUpperOf(Char c);

// The full-width runs that follow ASCII's order, each an offset from its ASCII range, and the
// full-width space.
inline constexpr Char kFullWidthDigitZero = 0x824F;  // ０ (to ９ 0x8258)
inline constexpr Char kFullWidthCapitalA = 0x8260;   // Ａ (to Ｚ 0x8279)
inline constexpr Char kFullWidthSmallA = 0x8281;     // ａ (to ｚ 0x829A)
inline constexpr Char kFullWidthSpace = 0x8140;      // 　
inline constexpr std::string_view kFullWidthSpaceBytes = "\x81\x40";

// "。", the full stop. Joining lines keeps a break after a line that ends in its bytes.
inline constexpr Char kFullStop = 0x8142;
inline constexpr std::string_view kFullStopBytes = "\x81\x42";
inline bool EndsWithFullStop(std::string_view text) {
  return text.size() >= kFullStopBytes.size() &&
         text.substr(text.size() - kFullStopBytes.size()) == kFullStopBytes;
}

// The user-defined area: lead bytes 0xF0 to 0xF9, which no step converts, with every trail byte.
// Genuine U+E000 to U+E757 use it; the Unicode bridge takes its free codes as placeholders.
inline constexpr Char kUserAreaBase = 0xF000;
inline constexpr std::size_t kUserAreaSize = 0x0A00;
constexpr bool IsUserDefinedCode(Char code) {
  const unsigned lead = code >> 8, trail = code & 0xFF;
  return lead >= 0xF0 && lead <= 0xF9 && trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
}
// A placeholder never ends in the full stop's first byte: followed by the full stop's second
// byte (a "B"), it would make the line look as if it ended in "。".
constexpr bool MayBePlaceholder(Char code) {
  return IsUserDefinedCode(code) && (code & 0xFF) != (kFullStop >> 8);
}

}  // namespace kestrilon::filter
