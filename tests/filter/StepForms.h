// The steps as functions from text to text, the form the tests and the literal reference use.
// The program runs the same Append functions inside its own passes over the text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "Kana.h"
#include "LineList.h"
#include "CharacterTables.h"
#include "PatternSearch.h"
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
  std::string out(text);
  out.resize(RemoveTagsInPlace(out));
  return out;
}

// Every occurrence of pattern replaced, left to right; replaced text is never searched again and
// a match never starts on a second byte. An empty pattern matches nothing.
inline std::string ReplaceAll(std::string_view text, std::string_view pattern,
                              std::string_view replacement) {
  std::string out;
  std::size_t i = 0;
  for (std::size_t hit; !pattern.empty() && (hit = FindPattern(text, pattern, i)) != text.npos;
       i = hit + pattern.size())
    out.append(text, i, hit - i).append(replacement);
  return out.append(text, i);
}

// The line without the blanks at its end (TrimmedLength).
inline std::string TrimTrailingBlanks(std::string_view line) {
  return std::string(line.substr(0, TrimmedLength(line)));
}

// The text with f applied to each character.
template <typename F>
std::string MapCharacters(std::string_view text, F&& f) {
  std::string result;
  ScanCharacters(
      result, text, [&](ByteWriter& out, Char code) { out.Put(f(code)); },
      [&](ByteWriter& out, std::string_view t, std::size_t i) {
        out.Put(f(static_cast<unsigned char>(t[i])));
        return std::size_t{1};
      });
  return result;
}

// Case mapping of code page 932 text by characters (CharLowerOf, CharUpperOf); the second byte
// of a two-byte character is never taken alone.
inline std::string CharLowerSjis(std::string_view text) { return MapCharacters(text, CharLowerOf); }
inline std::string CharUpperSjis(std::string_view text) { return MapCharacters(text, CharUpperOf); }

// The escapes and the runs of separators (each as WriteEscapedAndTabbed).
inline std::string EscapedAndTabbed(std::string_view text, std::span<const Replacement> escapes,
                                    std::span<const std::string_view> separators) {
  std::string room;
  RoomWriter out(room);
  WriteEscapedAndTabbed(out, text, escapes, separators);
  return std::string(out.Text());
}

// The map over a text, as its table walks it.
inline std::string Applied(const CharMap& map, std::string_view text) {
  std::string out;
  map.Pairs().Apply(out, text);
  return out;
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
  std::string out;
  KanaToHalfWidthTable(kind).Apply(out, text);
  return out;
}
inline std::string HalfWidthKanaToFull(std::string_view text) {
  std::string out;
  HalfWidthKanaToFullTable().Apply(out, text);
  return out;
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
