// Symbols between their full-width code page 932 forms and ASCII or half-width katakana, one
// character at a time, by the table in Symbols.cpp.
#pragma once

#include "CodePage932.h"

namespace kestrilon::filter {

Char SymbolToHalfWidth(Char c);  // ， to , ・ to ･ ...; several codes share one byte
Char SymbolToFullWidth(Char c);  // the reverse table: one code for each byte

}  // namespace kestrilon::filter
