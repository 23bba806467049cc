#include "Steps.h"

#include <algorithm>
#include <cstring>

#include "CharacterTables.h"
#include "PatternSearch.h"

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
  // A CR that is a second byte, 64 bytes at a time.
  const auto* p = reinterpret_cast<const unsigned char*>(joined.data());
  std::uint64_t second_first = 0;
  std::size_t i = 0;
  for (; i + 64 <= joined.size(); i += 64)
    if (EqualMask64(p + i, '\r') & SecondByteMask(p + i, second_first)) return true;
  for (bool second = second_first != 0; i < joined.size(); ++i) {
    if (second && p[i] == '\r') return true;
    second = !second && IsLeadByte(p[i]);
  }
  return false;
}

void WriteEscapedAndTabbed(RoomWriter& out, std::string_view text,
                           std::span<const Replacement> escapes,
                           std::span<const std::string_view> separators) {
  std::string_view patterns[7];
  std::size_t count = 0;
  // What a hit is, by its first byte: an escape's text, or a separator of one byte or two.
  const Replacement* escape_of[256] = {};
  unsigned char separator_size[256] = {};
  for (const Replacement& e : escapes.first(std::min<std::size_t>(escapes.size(), 4))) {
    patterns[count++] = std::string_view(&e.from, 1);
    escape_of[static_cast<unsigned char>(e.from)] = &e;
  }
  for (const std::string_view s : separators.first(std::min<std::size_t>(separators.size(), 3))) {
    patterns[count++] = s;
    separator_size[static_cast<unsigned char>(s[0])] = static_cast<unsigned char>(s.size());
  }
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  // A hit comes every few dozen bytes in text with many spaces: the bytes before it are copied
  // as one 32-byte piece where they fit in one, into room kept for it.
  constexpr std::size_t kPiece = 32;
  std::size_t done = 0;  // a character boundary: everything before it is written
  // Where the last run of separators written as a TAB ends: a separator found right there
  // lengthens it. Every separator is a whole character, so the scan finds each one of a run.
  std::size_t run_end = std::string_view::npos;
  ForEachCharacterStartAmong(text, std::span(patterns, count), [&](std::size_t hit) {
    const Replacement* const escape = escape_of[p[hit]];
    if (!escape && hit == run_end) {
      run_end = done = hit + separator_size[p[hit]];
      return;
    }
    const std::size_t gap = hit - done, to = escape ? escape->to.size() : 1;
    char* o = out.Make(gap + to + kPiece);
    if (gap <= kPiece && done + kPiece <= n) std::memcpy(o, p + done, kPiece);
    else std::memcpy(o, p + done, gap);
    o += gap;
    out.Advance(gap + to);
    if (escape) {
      std::memcpy(o, escape->to.data(), to);
      done = hit + 1;
    } else {
      *o = '\t';
      run_end = done = hit + separator_size[p[hit]];
    }
  });
  out.Append(text.substr(done));
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

std::size_t RemoveTagsInPlace(std::span<char> text) {
  std::size_t w = 0;
  KeepOutsideTags(std::string_view(text.data(), text.size()), [&](std::size_t from, std::size_t n) {
    if (from != w) std::memmove(text.data() + w, text.data() + from, n);
    w += n;
  });
  return w;
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

}  // namespace kestrilon::filter
