#include "LineList.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "ByteMask.h"

namespace kestrilon::filter {

namespace {

// No NUL, and a CR right before every LF and nowhere else: every line break is CR LF.
bool BreaksAreCrLf(std::string_view text) {
  const std::size_t n = text.size();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  // 64 bytes at a time.
  std::uint64_t bad = 0, cr_before = 0;  // cr_before: a CR ended the last 64
  std::size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    const std::uint64_t cr = EqualMask64(p + i, '\r'), lf = EqualMask64(p + i, '\n');
    bad |= EqualMask64(p + i, '\0') | (lf ^ (cr << 1 | cr_before));
    cr_before = cr >> 63;
  }
  if (bad) return false;
  for (; i < n; ++i) {  // the last few bytes
    const bool after_cr = i > 0 && p[i - 1] == '\r';
    if (p[i] == '\0' || (p[i] == '\n') != after_cr) return false;
  }
  return n == 0 || p[n - 1] != '\r';
}

}  // namespace

bool IsNormalized(std::string_view text) {
  const std::size_t n = text.size();
  if (n == 0) return true;
  if (n < 2 || text[n - 2] != '\r' || text[n - 1] != '\n') return false;
  return BreaksAreCrLf(text);
}

std::string NormalizeLineBreaks(std::string_view text) {
  if (IsNormalized(text)) return std::string(text);
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = i;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    out.append(text, i, end - i);
    out += "\r\n";
    i = end;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return out;
}

bool EndsInLineBreak(std::string_view text) {
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  return !text.empty() && (text.back() == '\r' || text.back() == '\n');
}

bool LineList::LoadResult(std::string&& text) {
  bool ends_in_break = !text.empty();
  if (IsNormalized(text)) {
    FJoined = std::move(text);
  } else if (text.back() != '\r' && text.back() != '\n' && BreaksAreCrLf(text)) {
    // Joined but for the last line's break, as a copied text often is: that break is added.
    ends_in_break = false;
    FJoined = std::move(text);
    FJoined += "\r\n";
  } else {
    ends_in_break = EndsInLineBreak(text);
    FJoined = NormalizeLineBreaks(text);
  }
  FLength = FJoined.size();
  return ends_in_break;
}

std::string LineList::TakeJoined() {
  FJoined.resize(FLength);
  FLength = 0;
  return std::move(FJoined);
}

void LineList::MakeRoom(std::size_t need, std::size_t& end, std::size_t& text_end,
                        std::size_t consumed, std::size_t produced) {
  const std::size_t rest = text_end - end;
  if (FJoined.size() - text_end < need) {
    // What the rest will want if it grows as the text so far did, an eighth of it at least, so
    // that the rest moves seldom (and the moves stay linear in all), and a block.
    const auto expected = static_cast<std::size_t>(static_cast<double>(rest) *
                                                   static_cast<double>(produced - consumed) /
                                                   static_cast<double>(consumed));
    FJoined.resize(text_end + need + std::max(rest / 8, expected) + kBlock);
  }
  // All the room there is: the rest moves once for as long as it lasts.
  const std::size_t room = FJoined.size() - text_end;
  std::memmove(FJoined.data() + end + room, FJoined.data() + end, rest);
  end += room;
  text_end += room;
}

}  // namespace kestrilon::filter
