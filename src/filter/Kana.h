// Kana conversion: hiragana and katakana between full and half width and between each other.
#pragma once

#include <cstdint>

#include "CharacterTables.h"

namespace kestrilon::filter {

// The kana a half-width conversion takes: the JIS row 0x24 (hiragana) or 0x25 (katakana).
enum class KanaKind { Hiragana, Katakana };

// Shift-JIS two-byte code to JIS X 0208 (row × 256 + cell), applied to any pair of bytes.
std::uint16_t SjisToJis(std::uint16_t code);

// The kana conversions as tables by pairs of bytes, for the pipeline to compose:
// every kana of the chosen row to half-width katakana, voiced forms as two bytes;
const PairTable& KanaToHalfWidthTable(KanaKind kind);
// every half-width katakana (a following voiced or semi-voiced mark taken with it) to its
// full-width form, the half-width punctuation and long-vowel mark too;
const PairTable& HalfWidthKanaToFullTable();
// the same, then every katakana to hiragana (KatakanaToHiragana), in one walk.
const PairTable& HalfWidthKanaToHiraganaTable();

// One character: hiragana (ゝゞ too) to katakana of the same sound, and the reverse.
Char HiraganaToKatakana(Char c);
Char KatakanaToHiragana(Char c);

}  // namespace kestrilon::filter
