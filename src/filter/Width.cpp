#include "Width.h"

namespace kestrilon::filter {
namespace {

constexpr bool InRange(unsigned v, unsigned lo, unsigned hi) { return v >= lo && v <= hi; }

// Ten digits or twenty-six letters from a full-width start to ASCII's and back.
Char Between(Char c, Char fullStart, char asciiStart, unsigned count, bool toHalf) {
  if (toHalf && InRange(c, fullStart, fullStart + count - 1))
    return static_cast<Char>(c - fullStart + asciiStart);
  if (!toHalf && InRange(c, asciiStart, asciiStart + count - 1))
    return static_cast<Char>(c - asciiStart + fullStart);
  return c;
}

}  // namespace

Char DigitToHalfWidth(Char c) { return Between(c, kFullWidthDigitZero, '0', 10, true); }
Char DigitToFullWidth(Char c) { return Between(c, kFullWidthDigitZero, '0', 10, false); }

Char LetterToHalfWidth(Char c) {
  return Between(Between(c, kFullWidthCapitalA, 'A', 26, true), kFullWidthSmallA, 'a', 26, true);
}

Char LetterToFullWidth(Char c) {
  return Between(Between(c, kFullWidthCapitalA, 'A', 26, false), kFullWidthSmallA, 'a', 26, false);
}

}  // namespace kestrilon::filter
