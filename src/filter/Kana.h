// Kana conversion: hiragana and katakana between full and half width and between each other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Sjis.h"

namespace kestrilon::filter {

// Kana kind selects the JIS row KanaToHalfWidth converts: 0x24 + kind.
enum KanaKind : int { kHiraganaKind = 0, kKatakanaKind = 1 };

// Shift-JIS two-byte code to JIS X 0208 (row × 256 + cell), applied to any pair of bytes.
std::uint16_t SjisToJis(std::uint16_t code);

// Every kana of the chosen row to half-width katakana, voiced forms as two bytes.
std::string KanaToHalfWidth(std::string_view text, int kind);
void AppendKanaToHalfWidth(std::string& out, std::string_view text, int kind);

// Every half-width katakana (a following voiced or semi-voiced mark taken with it) to its
// full-width form; the half-width punctuation and long-vowel mark too.
std::string HalfWidthKanaToFull(std::string_view text);
void AppendHalfWidthKanaToFull(std::string& out, std::string_view text);
// The same, then every katakana to hiragana (KatakanaToHiragana), in one pass.
void AppendHalfWidthKanaToHiragana(std::string& out, std::string_view text);

// The three conversions above as tables by pairs of bytes, for the pipeline to compose.
const PairTable& KanaToHalfWidthTable(int kind);
const PairTable& HalfWidthKanaToFullTable();
const PairTable& HalfWidthKanaToHiraganaTable();

// One character: hiragana (ゝゞ too) to katakana of the same sound, and the reverse.
Char HiraganaToKatakana(Char c);
Char KatakanaToHiragana(Char c);

}  // namespace kestrilon::filter
