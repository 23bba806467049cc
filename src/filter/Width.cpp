#include "Width.h"

namespace kestrilon::filter {
namespace {

// The full-width runs follow ASCII order, so each direction is an offset:
// ０ 0x824F = '0' + 0x821F, Ａ 0x8260 = 'A' + 0x821F, ａ 0x8281 = 'a' + 0x8220.
constexpr Char kDigitOffset = 0x821F;
constexpr Char kCapitalOffset = 0x821F;
constexpr Char kSmallOffset = 0x8220;

constexpr bool InRange(unsigned v, unsigned lo, unsigned hi) { return v >= lo && v <= hi; }

}  // namespace

Char DigitToHalfWidth(Char c) {
  return InRange(c, 0x824F, 0x8258) ? static_cast<Char>(c - kDigitOffset) : c;
}

Char DigitToFullWidth(Char c) {
  return InRange(c, '0', '9') ? static_cast<Char>(c + kDigitOffset) : c;
}

Char LetterToHalfWidth(Char c) {
  if (InRange(c, 0x8260, 0x8279)) return static_cast<Char>(c - kCapitalOffset);
  if (InRange(c, 0x8281, 0x829A)) return static_cast<Char>(c - kSmallOffset);
  return c;
}

Char LetterToFullWidth(Char c) {
  if (InRange(c, 'A', 'Z')) return static_cast<Char>(c + kCapitalOffset);
  if (InRange(c, 'a', 'z')) return static_cast<Char>(c + kSmallOffset);
  return c;
}

std::string DigitsToHalfWidth(std::string_view t) { return MapCharacters(t, DigitToHalfWidth); }
std::string DigitsToFullWidth(std::string_view t) { return MapCharacters(t, DigitToFullWidth); }
std::string LettersToHalfWidth(std::string_view t) { return MapCharacters(t, LetterToHalfWidth); }
std::string LettersToFullWidth(std::string_view t) { return MapCharacters(t, LetterToFullWidth); }
std::string SymbolsToHalfWidth(std::string_view t) { return MapCharacters(t, SymbolToHalfWidth); }
std::string SymbolsToFullWidth(std::string_view t) { return MapCharacters(t, SymbolToFullWidth); }

}  // namespace kestrilon::filter
