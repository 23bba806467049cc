// Digits, Latin letters and symbols between their full-width code page 932 forms and ASCII (or
// half-width katakana), one character at a time.
#pragma once

#include <string>
#include <string_view>

#include "Sjis.h"

namespace kestrilon::filter {

Char DigitToHalfWidth(Char c);   // ０-９ to 0-9
Char DigitToFullWidth(Char c);   // 0-9 to ０-９
Char LetterToHalfWidth(Char c);  // Ａ-Ｚ ａ-ｚ to A-Z a-z
Char LetterToFullWidth(Char c);  // A-Z a-z to Ａ-Ｚ ａ-ｚ
Char SymbolToHalfWidth(Char c);  // by the table in Symbols.cpp
Char SymbolToFullWidth(Char c);  // by the reverse table in Symbols.cpp

std::string DigitsToHalfWidth(std::string_view text);
std::string DigitsToFullWidth(std::string_view text);
std::string LettersToHalfWidth(std::string_view text);
std::string LettersToFullWidth(std::string_view text);
std::string SymbolsToHalfWidth(std::string_view text);
std::string SymbolsToFullWidth(std::string_view text);

}  // namespace kestrilon::filter
