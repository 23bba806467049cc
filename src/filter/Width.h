// Digits and Latin letters between their full-width code page 932 forms and ASCII.
#pragma once

#include <string>
#include <string_view>

namespace kestrilon::filter {

std::string DigitsToHalfWidth(std::string_view text);    // ０-９ to 0-9
std::string DigitsToFullWidth(std::string_view text);    // 0-9 to ０-９
std::string LettersToHalfWidth(std::string_view text);   // Ａ-Ｚ ａ-ｚ to A-Z a-z
std::string LettersToFullWidth(std::string_view text);   // A-Z a-z to Ａ-Ｚ ａ-ｚ

// The symbols of the two tables in Symbols.cpp: full-width to ASCII or half-width, and back.
std::string SymbolsToHalfWidth(std::string_view text);
std::string SymbolsToFullWidth(std::string_view text);

}  // namespace kestrilon::filter
