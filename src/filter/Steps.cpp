#include "Steps.h"

#include <algorithm>
#include <cstring>

#include "Sjis.h"

namespace kestrilon::filter {

void AppendNormalizedToCrLf(std::string& result, std::string_view text) {
  ScanCharacters(result, text, CopyDouble, [](ByteWriter& out, std::string_view t, std::size_t i) {
    if (t[i] == '\r' || t[i] == '\n') {
      out.Byte('\r');
      out.Byte('\n');
      return std::size_t{t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n' ? 2u : 1u};
    }
    out.Byte(static_cast<unsigned char>(t[i]));
    return std::size_t{1};
  });
}

bool NormalizeToCrLfChanges(std::string_view joined) {
  for (std::size_t cr = joined.find('\r'); cr != std::string_view::npos; cr = joined.find('\r', cr + 1))
    if (IsSecondByte(joined, cr)) return true;
  return false;
}

void AppendEscaped(std::string& out, std::string_view text, bool amp, bool angles, bool quot) {
  struct Escape {
    char byte;
    std::string_view replacement;
    std::size_t next = 0;  // the next occurrence of byte, character or not
  };
  Escape escapes[4];
  std::size_t count = 0;
  if (amp) escapes[count++] = {'&', "&amp;"};
  if (angles) escapes[count++] = {'<', "&lt;"}, escapes[count++] = {'>', "&gt;"};
  if (quot) escapes[count++] = {'"', "&quot;"};
  // One byte search per escape, each taken up again past its own hit: the text is read once
  // per escape but written once.
  auto find = [text](char b, std::size_t from) {
    const void* hit = std::memchr(text.data() + from, b, text.size() - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : std::string_view::npos;
  };
  for (std::size_t k = 0; k < count; ++k) escapes[k].next = find(escapes[k].byte, 0);
  std::size_t done = 0;  // a character boundary: everything before it is written
  for (;;) {
    Escape* first = nullptr;
    for (std::size_t k = 0; k < count; ++k)
      if (escapes[k].next != std::string_view::npos && (!first || escapes[k].next < first->next))
        first = &escapes[k];
    if (!first) break;
    const std::size_t hit = first->next;
    if (!IsSecondByte(text.substr(done), hit - done)) {
      out.append(text, done, hit - done);
      out.append(first->replacement);
      done = hit + 1;
    }
    first->next = find(first->byte, hit + 1);
  }
  out.append(text, done);
}

namespace {

// keep(from, length) for each stretch of text outside the tags, in order.
template <typename Keep>
void KeepOutsideTags(std::string_view text, Keep&& keep) {
  std::size_t i = 0;
  for (;;) {
    const std::size_t open = FindPattern(text, "<", i);
    const std::size_t close = FindPattern(text, ">", i);
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) break;
    keep(i, open - i);
    i = close + 1;
  }
  keep(i, text.size() - i);
}

}  // namespace

void AppendWithoutTags(std::string& out, std::string_view text) {
  KeepOutsideTags(text, [&](std::size_t from, std::size_t n) { out.append(text, from, n); });
}

void RemoveTagsInPlace(std::string& text) {
  std::size_t w = 0;
  KeepOutsideTags(text, [&](std::size_t from, std::size_t n) {
    if (from != w) std::memmove(text.data() + w, text.data() + from, n);
    w += n;
  });
  text.resize(w);
}

void AppendSeparatorsToTab(std::string& out, std::string_view line, std::string_view separator) {
  auto separator_at = [&](std::size_t i) {
    return i + separator.size() <= line.size() && line.substr(i, separator.size()) == separator;
  };
  std::size_t i = 0;
  for (;;) {
    const std::size_t hit = FindPattern(line, separator, i);
    if (hit == std::string_view::npos) break;
    out.append(line, i, hit - i);
    out += '\t';
    i = hit + separator.size();
    while (separator_at(i)) i += separator.size();  // each one ends on a boundary
  }
  out.append(line, i);
}

void AppendSeparatorRunsToTab(std::string& out, std::string_view line,
                              std::span<const std::string_view> separators) {
  std::size_t next[3];  // the next occurrence of each separator at or after i
  const std::size_t count = std::min<std::size_t>(separators.size(), std::size(next));
  for (std::size_t k = 0; k < count; ++k) next[k] = FindPattern(line, separators[k]);
  auto separator_at = [&](std::size_t i) -> std::size_t {
    for (std::size_t k = 0; k < count; ++k)
      if (line.substr(i, separators[k].size()) == separators[k]) return separators[k].size();
    return 0;
  };
  std::size_t i = 0;
  for (;;) {
    const std::size_t hit = *std::min_element(next, next + count);
    if (hit == std::string_view::npos) break;
    out.append(line, i, hit - i);
    out += '\t';
    i = hit;
    while (const std::size_t size = separator_at(i)) i += size;  // each one ends on a boundary
    for (std::size_t k = 0; k < count; ++k)
      if (next[k] < i) next[k] = FindPattern(line, separators[k], i);
  }
  out.append(line, i);
}

std::size_t TrimmedLength(std::string_view line) {
  // Judging second bytes from the start of the line is the same as judging them after a marker
  // byte put in front of it, so the line is never copied.
  std::size_t n = line.size();
  for (;;) {
    const std::string_view work = line.substr(0, n);
    const bool full_width_space =
        n >= 2 && work[n - 1] == '\x40' && work[n - 2] == '\x81' && IsSecondByte(work, n - 1);
    const bool ascii_space = n >= 1 && work[n - 1] == ' ' && !IsSecondByte(work, n - 1);
    if (!full_width_space && !ascii_space) return n;
    if (full_width_space) n -= 2;
    while (n > 0 && static_cast<unsigned char>(line[n - 1]) <= 0x20) --n;
  }
}

std::string TrimTrailingBlanks(std::string_view line) {
  return std::string(line.substr(0, TrimmedLength(line)));
}

std::string CharLowerSjis(std::string_view text) { return MapCharacters(text, CharLowerOf); }
std::string CharUpperSjis(std::string_view text) { return MapCharacters(text, CharUpperOf); }

}  // namespace kestrilon::filter
