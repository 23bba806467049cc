// The remaining steps: line breaks, HTML, and the tidying of blanks, commas and case.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "LineList.h"
#include "Sjis.h"

namespace kestrilon::filter {

// Every line break (CR LF, lone CR, lone LF) as CR LF; two-byte characters are taken whole.
void AppendNormalizedToCrLf(std::string& out, std::string_view text);
// Whether AppendNormalizedToCrLf changes a joined text: only where a lead byte ends a line and so
// takes the CR after it as its second byte.
bool NormalizeToCrLfChanges(std::string_view joined);

// Removes every tag, from a "<" to the first ">" after it. Stops, keeping the rest as it is, as
// soon as the first ">" of the remaining text comes before its first "<" or no "<" is left.
void AppendWithoutTags(std::string& out, std::string_view text);
// The same within the text's own buffer (what is kept only ever moves towards the front).
void RemoveTagsInPlace(std::string& text);

// The HTML escapes in one pass, appended to out: with amp every "&" becomes "&amp;", with angles
// "<" and ">" become "&lt;" and "&gt;", with quot every '"' becomes "&quot;"; only whole
// characters. The same as replacing them one after another in that order, since no replacement
// holds a character that a later one replaces, and each replaces one-byte characters by ASCII,
// which leaves every other character where it was.
void AppendEscaped(std::string& out, std::string_view text, bool amp, bool angles, bool quot);

// Every run of separators in the line becomes one TAB.
void AppendSeparatorsToTab(std::string& out, std::string_view line, std::string_view separator);
// Every run of characters that are any of the separators (up to three, each one character of
// one or two bytes) becomes one TAB: the same as turning the runs of each into a TAB one
// separator after another, when the last separator is "\t".
void AppendSeparatorRunsToTab(std::string& out, std::string_view line,
                              std::span<const std::string_view> separators);

// The line without the blanks (" " and "　") at its end, together with any TABs or control
// bytes inside or directly before that run.
std::string TrimTrailingBlanks(std::string_view line);
std::size_t TrimmedLength(std::string_view line);

// Case mapping of code page 932 text by characters (CharLowerOf, CharUpperOf); the second byte
// of a two-byte character is never taken alone.
std::string CharLowerSjis(std::string_view text);
std::string CharUpperSjis(std::string_view text);

}  // namespace kestrilon::filter
