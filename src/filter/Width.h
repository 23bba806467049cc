// Digits and Latin letters between their full-width code page 932 forms and ASCII, one
// character at a time.
#pragma once

#include "CodePage932.h"

namespace kestrilon::filter {

Char DigitToHalfWidth(Char c);   // ０-９ to 0-9
Char DigitToFullWidth(Char c);   // 0-9 to ０-９
Char LetterToHalfWidth(Char c);  // Ａ-Ｚ ａ-ｚ to A-Z a-z
Char LetterToFullWidth(Char c);  // A-Z a-z to Ａ-Ｚ ａ-ｚ

}  // namespace kestrilon::filter
