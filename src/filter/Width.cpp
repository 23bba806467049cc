#include "Width.h"

namespace kestrilon::filter {
namespace {

// A full-width run of count characters from fullStart follows ASCII's order from asciiStart, so
// each direction is an offset.
Char ToAscii(Char c, Char fullStart, char asciiStart, unsigned count) {
  return c >= fullStart && c < fullStart + count ? static_cast<Char>(c - fullStart + asciiStart)
                                                 : c;
}
Char ToFullWidth(Char c, Char fullStart, char asciiStart, unsigned count) {
  const Char ascii = static_cast<unsigned char>(asciiStart);
  return c >= ascii && c < ascii + count ? static_cast<Char>(c - ascii + fullStart) : c;
}

}  // namespace

Char DigitToHalfWidth(Char c) { return ToAscii(c, kFullWidthDigitZero, '0', 10); }
Char DigitToFullWidth(Char c) { return ToFullWidth(c, kFullWidthDigitZero, '0', 10); }

Char LetterToHalfWidth(Char c) {
  return ToAscii(ToAscii(c, kFullWidthCapitalA, 'A', 26), kFullWidthSmallA, 'a', 26);
}

Char LetterToFullWidth(Char c) {
  return ToFullWidth(ToFullWidth(c, kFullWidthCapitalA, 'A', 26), kFullWidthSmallA, 'a', 26);
}

}  // namespace kestrilon::filter
