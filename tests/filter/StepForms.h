// The steps as functions from text to text, the form the tests and the literal reference use.
// The program runs the same Append functions inside its own passes over the text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Kana.h"
#include "LineList.h"
#include "Sjis.h"
#include "Steps.h"
#include "Symbols.h"
#include "Width.h"

namespace kestrilon::filter {

inline std::string NormalizeToCrLf(std::string_view text) {
  std::string out;
  AppendNormalizedToCrLf(out, text);
  return out;
}

inline std::string RemoveTags(std::string_view text) {
  std::string out;
  AppendWithoutTags(out, text);
  return out;
}

inline std::string ReplaceAll(std::string_view text, std::string_view pattern,
                              std::string_view replacement) {
  std::string out;
  AppendReplaced(out, text, pattern, replacement);
  return out;
}

// Every run of separators in each line of the list becomes one TAB.
inline void SeparatorsToTab(LineList& lines, std::string_view separator) {
  lines.TransformEachLine([separator](std::string& out, std::string_view line) {
    AppendSeparatorsToTab(out, line, separator);
  });
}

inline std::string DigitsToHalfWidth(std::string_view t) {
  return MapCharacters(t, DigitToHalfWidth);
}
inline std::string DigitsToFullWidth(std::string_view t) {
  return MapCharacters(t, DigitToFullWidth);
}
inline std::string LettersToHalfWidth(std::string_view t) {
  return MapCharacters(t, LetterToHalfWidth);
}
inline std::string LettersToFullWidth(std::string_view t) {
  return MapCharacters(t, LetterToFullWidth);
}
inline std::string SymbolsToHalfWidth(std::string_view t) {
  return MapCharacters(t, SymbolToHalfWidth);
}
inline std::string SymbolsToFullWidth(std::string_view t) {
  return MapCharacters(t, SymbolToFullWidth);
}

inline std::string KanaToHalfWidth(std::string_view text, KanaKind kind) {
  return KanaToHalfWidthTable(kind).Apply(text);
}
inline std::string HalfWidthKanaToFull(std::string_view text) {
  return HalfWidthKanaToFullTable().Apply(text);
}

// The platform's kana mapping flags, with the values it gives them.
constexpr std::uint32_t LCMAP_HIRAGANA = 0x00100000;
constexpr std::uint32_t LCMAP_KATAKANA = 0x00200000;

// LCMAP_KATAKANA: hiragana to the katakana of the same sound; LCMAP_HIRAGANA: the reverse.
// Widths and every other character stay; any other flags give the text back unchanged.
inline std::string MapKanaType(std::string_view text, std::uint32_t flags) {
  if (flags == LCMAP_KATAKANA) return MapCharacters(text, HiraganaToKatakana);
  if (flags == LCMAP_HIRAGANA) return MapCharacters(text, KatakanaToHiragana);
  return std::string(text);
}

}  // namespace kestrilon::filter
