#include "PatternSearch.h"

#include <cstring>

namespace kestrilon::filter {

std::size_t FindPattern(std::string_view text, std::string_view pattern, std::size_t from) {
  if (text.empty() || pattern.empty()) return std::string_view::npos;
  const std::string_view rest = text.substr(from);
  // The byte search looks for the pattern's last byte: a pattern's first byte is mostly a lead
  // byte, which Japanese text is full of, its last byte rarely. Occurrences end in the order
  // they begin, so the first one found is the first one.
  const std::size_t tail = pattern.size() - 1;
  auto find = [&](std::size_t at) {
    for (std::size_t end = at + tail; end < rest.size(); ++end) {
      const void* hit = std::memchr(rest.data() + end, pattern[tail], rest.size() - end);
      if (!hit) break;
      end = static_cast<std::size_t>(static_cast<const char*>(hit) - rest.data());
      if (rest.compare(end - tail, tail, pattern, 0, tail) == 0) return end - tail;
    }
    return std::string_view::npos;
  };
  // A hit is a second byte when an odd run of lead-range bytes comes before it. The run is
  // counted back only as far as the last position known to start a character, which lies past
  // the hit before, so no byte is counted twice and the search stays linear.
  std::size_t known = 0;
  for (std::size_t pos = find(0); pos != std::string_view::npos; pos = find(pos + 1)) {
    std::size_t run = 0;
    while (pos - run > known && IsLeadByte(static_cast<unsigned char>(rest[pos - run - 1]))) ++run;
    if (run % 2 == 0) return from + pos;
    known = pos + 1;  // a second byte ends its character: a match may begin right after it
  }
  return std::string_view::npos;
}

}  // namespace kestrilon::filter
