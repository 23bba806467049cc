// The search for short patterns (one or two bytes) in code page 932 text that every replacing
// step uses: a match only ever starts on a character, never on a second byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ByteMask.h"
#include "CodePage932.h"

namespace kestrilon::filter {

// hit(pos), in order, for each position of text that starts a character (judged from the start
// of text) and where one of the patterns (each one or two bytes) begins: the scan behind the
// steps that replace short characters, 64 bytes at a time.
template <typename Hit>
void ForEachCharacterStartAmong(std::string_view text, std::span<const std::string_view> patterns,
                                Hit&& hit) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  auto at = [&](std::string_view pattern, std::size_t i) {
    return p[i] == static_cast<unsigned char>(pattern[0]) &&
           (pattern.size() == 1 ||
            (i + 1 < n && p[i + 1] == static_cast<unsigned char>(pattern[1])));
  };
  // The one-byte patterns in one mask; a two-byte one also by the byte after.
  unsigned char singles[8];
  std::size_t single_count = 0;
  for (const std::string_view pattern : patterns)
    if (pattern.size() == 1 && single_count < 8)
      singles[single_count++] = static_cast<unsigned char>(pattern[0]);
  const AnyOfMask64 any_single(singles, single_count);
  std::uint64_t second_first = 0;
  std::size_t i = 0;
  for (; i + 64 < n; i += 64) {  // a byte after the 64 too, for the second bytes of patterns
    std::uint64_t want = single_count ? any_single(p + i) : 0;
    std::size_t singles_seen = 0;
    for (const std::string_view pattern : patterns) {
      if (pattern.size() == 1 && singles_seen++ < single_count) continue;
      std::uint64_t here = EqualMask64(p + i, static_cast<unsigned char>(pattern[0]));
      if (pattern.size() > 1 && here)
        here &= EqualMask64(p + i + 1, static_cast<unsigned char>(pattern[1]));
      want |= here;
    }
    for (std::uint64_t m = want & ~SecondByteMask(p + i, second_first); m; m &= m - 1)
      hit(i + static_cast<std::size_t>(std::countr_zero(m)));
  }
  for (bool second = second_first != 0; i < n; ++i) {  // the last few bytes
    if (!second &&
        std::any_of(patterns.begin(), patterns.end(), [&](std::string_view q) { return at(q, i); }))
      hit(i);
    second = !second && IsLeadByte(p[i]);
  }
}

// Position of the first occurrence of pattern in text that begins on a character boundary, at or
// after from (which must itself be a boundary, since the judgement starts there); npos if none,
// or if text or pattern is empty.
std::size_t FindPattern(std::string_view text, std::string_view pattern, std::size_t from = 0);

}  // namespace kestrilon::filter
