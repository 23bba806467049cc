// The steps that are no character map: line breaks, HTML, runs of spaces and trailing blanks.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "CharacterTables.h"

namespace kestrilon::filter {

// Every line break (CR LF, lone CR, lone LF) as CR LF; two-byte characters are taken whole.
void AppendNormalizedToCrLf(std::string& out, std::string_view text);
// Whether AppendNormalizedToCrLf changes a joined text: only where a lead byte ends a line and so
// takes the CR after it as its second byte.
bool NormalizeToCrLfChanges(std::string_view joined);

// Removes every tag, from a "<" to the first ">" after it, within the text's own bytes (what is
// kept only ever moves towards the front), and gives the length kept. Stops, keeping the rest as
// it is, as soon as the first ">" of the remaining text comes before its first "<" or no "<" is
// left.
std::size_t RemoveTagsInPlace(std::span<char> text);

// A single-byte character and the text it becomes.
struct Replacement {
  char from;
  std::string_view to;
};

// In one pass over a text, only whole characters: each character that one of the escapes (up
// to four) names becomes its text, and every run of characters that are any of the separators
// (up to three, each one character of one or two bytes) becomes one TAB. The same as the
// escapes one after another in their order, then the runs of each separator turned into a TAB
// one separator after another, the last one "\t": no escape's text holds a separator or a
// character that a later escape replaces, and each replaces a one-byte character by ASCII,
// which leaves every other character where it was. The HTML escapes are such: "&" to "&amp;",
// then "<" and ">" to "&lt;" and "&gt;", then '"' to "&quot;".
void WriteEscapedAndTabbed(RoomWriter& out, std::string_view text,
                           std::span<const Replacement> escapes,
                           std::span<const std::string_view> separators);

// The length of the line without the blanks (" " and "　") at its end, together with any TABs or
// control bytes inside or directly before that run.
std::size_t TrimmedLength(std::string_view line);

}  // namespace kestrilon::filter
