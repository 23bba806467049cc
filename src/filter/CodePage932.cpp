#include "CodePage932.h"

#include "ByteMask.h"

namespace kestrilon::filter {

bool IsSecondByte(std::string_view text, std::size_t pos) {
  std::size_t run = 0;
  while (pos > run && IsLeadByte(static_cast<unsigned char>(text[pos - run - 1]))) ++run;
  return run % 2 == 1;
}

std::size_t FindSingleByteOf(std::string_view text, std::string_view set, std::size_t from) {
  for (std::size_t i = from; i < text.size(); i += CharLength(text, i))
    if (set.find(text[i]) != std::string_view::npos) return i;
  return std::string_view::npos;
}

std::size_t FindLastSingleByte(std::string_view text, char c) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); i += CharLength(text, i))
    if (text[i] == c) found = i;
  return found;
}

bool AllCharactersWhole(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::uint64_t second_first = 0, bad = 0;
  std::size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    const std::uint64_t no_trail = ~RangeMask64(p + i, 0x40, 0xFC) | EqualMask64(p + i, 0x7F);
    bad |= SecondByteMask(p + i, second_first) & no_trail;
  }
  if (bad) return false;
  bool second = second_first;  // p[i] must be a trail byte
  for (; i < n; ++i) {         // the last few bytes
    if (second && !IsTrailByte(p[i])) return false;
    second = !second && IsLeadByte(p[i]);
  }
  return !second;  // no lead byte ends the text
}

std::string_view CutToWholeCharacters(std::string_view text, std::size_t max_bytes,
                                      bool (*is_lead)(unsigned char)) {
  if (text.size() <= max_bytes) return text;
  std::size_t end = 0;
  for (;;) {
    const std::size_t length =
        is_lead(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
    if (end + length > max_bytes) break;
    end += length;
  }
  return text.substr(0, end);
}

namespace {

// Lower-case code of a two-byte capital (Ａ-Ｚ, Α-Ω, А-Я), or 0. The Cyrillic small letters skip
// the trail byte 0x7F: а-н are 0x8470-0x847E, о-я 0x8480-0x8491.
Char LowerOf(Char c) {
  if (c >= kFullWidthCapitalA && c <= kFullWidthCapitalA + 25)  // Ａ → ａ
    return static_cast<Char>(c - kFullWidthCapitalA + kFullWidthSmallA);
  if (c >= 0x839F && c <= 0x83B6) return static_cast<Char>(c + 0x20);  // Α → α
  if (c >= 0x8440 && c <= 0x8460) {                                    // А → а
    const unsigned k = c - 0x8440;
    return static_cast<Char>(k < 15 ? 0x8470 + k : 0x8480 + (k - 15));
  }
  return 0;
}

Char UpperOf(Char c) {
  if (c >= kFullWidthSmallA && c <= kFullWidthSmallA + 25)  // ａ → Ａ
    return static_cast<Char>(c - kFullWidthSmallA + kFullWidthCapitalA);
  if (c >= 0x83BF && c <= 0x83D6) return static_cast<Char>(c - 0x20);               // α → Α
  if (c >= 0x8470 && c <= 0x847E) return static_cast<Char>(0x8440 + (c - 0x8470));  // а → А
  if (c >= 0x8480 && c <= 0x8491) return static_cast<Char>(0x8440 + 15 + (c - 0x8480));
  return 0;
}

}  // namespace

Char CharLowerOf(Char c) {
  if (c < 0x80) return static_cast<Char>(AsciiLowerOf(char32_t{c}));
  const Char lower = c > 0xFF ? LowerOf(c) : 0;
  return lower != 0 ? lower : c;
}

Char CharUpperOf(Char c) {
  if (c < 0x80) return static_cast<Char>(AsciiUpperOf(char32_t{c}));
  const Char upper = c > 0xFF ? UpperOf(c) : 0;
  return upper != 0 ? upper : c;
}

}  // namespace kestrilon::filter
