#include "Sjis.h"

#include <algorithm>
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

void AppendReplaced(std::string& out, std::string_view text, std::string_view pattern,
                    std::string_view replacement) {
  if (pattern.empty()) {
    out.append(text);
    return;
  }
  std::size_t i = 0;
  for (;;) {
    const std::size_t hit = FindPattern(text, pattern, i);
    if (hit == std::string_view::npos) break;
    out.append(text, i, hit - i);
    out.append(replacement);
    i = hit + pattern.size();
  }
  out.append(text, i);
}

void PairTable::Set(unsigned first, unsigned next, const PairEntry& e) {
  const unsigned char in[2] = {static_cast<unsigned char>(first), static_cast<unsigned char>(next)};
  const unsigned char bytes[2] = {static_cast<unsigned char>(e.out > 0xFF ? e.out >> 8 : e.out),
                                  static_cast<unsigned char>(e.out)};
  const unsigned length = e.deleted ? 0 : e.out > 0xFF ? 2 : 1;
  std::uint16_t index = 0, written = 0;
  std::memcpy(&index, in, 2);
  std::memcpy(&written, bytes, 2);
  entries_[index] = written | length << 16 | (e.takes_next ? 1u << 31 : 0u);
  if (!e.takes_next) growth_ = std::max(growth_, length);
}

void PairTable::Apply(std::string& out, std::string_view text) const {
  const std::size_t n = text.size();
  if (n == 0) return;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::uint32_t* entries = entries_.data();
  // Every position is visited once; whether it starts a character follows from the position
  // before it (a character starts after a single byte, and after a lead byte's second byte), a
  // chain of two logic operations, so that mixed Japanese and ASCII text costs no mispredicted
  // branches. Each position stores two bytes and keeps as many as its entry says, or none if it
  // is a second byte. The output grows by blocks, so that the room made for it (which a string
  // fills with zeros) is still in the cache when the block is written.
  constexpr std::size_t kBlock = 1 << 15;
  unsigned starts = 1;
  std::size_t i = 0;
  while (i + 1 < n) {
    const std::size_t stop = std::min(n - 1, i + kBlock);
    const std::size_t at = out.size();
    // A pair that starts at the block's last position writes one byte more; two bytes are stored
    // at each position whatever is kept.
    out.resize(at + growth_ * (stop - i) + 3);
    auto* const begin = reinterpret_cast<unsigned char*>(out.data());
    unsigned char* o = begin + at;
    for (; i < stop; ++i) {
      std::uint16_t index;
      std::memcpy(&index, p + i, 2);
      const std::uint32_t e = entries[index];
      const auto written = static_cast<std::uint16_t>(e);
      std::memcpy(o, &written, 2);
      o += ((e >> 16) & 3u) & (0u - starts);
      starts = ((e >> 31) & starts) ^ 1u;
    }
    out.resize(static_cast<std::size_t>(o - begin));
  }
  if (starts) {  // the last byte starts a character of its own
    const unsigned char in[2] = {p[n - 1], 0};
    std::uint16_t index;
    std::memcpy(&index, in, 2);
    const std::uint32_t e = entries[index];
    if (e >> 31) {
      out += static_cast<char>(p[n - 1]);  // a lead byte with nothing to take stays as it is
    } else {
      const auto written = static_cast<std::uint16_t>(e);
      char bytes[2];
      std::memcpy(bytes, &written, 2);
      out.append(bytes, (e >> 16) & 3u);
    }
  }
}

std::string PairTable::Apply(std::string_view text) const {
  std::string out;
  Apply(out, text);
  return out;
}

CharMap::CharMap() = default;

void CharMap::MakeIdentity() {
  map_.resize(0x10000);
  for (std::size_t c = 0; c < map_.size(); ++c) map_[c] = static_cast<Char>(c);
}

void CharMap::Apply(std::string& out, std::string_view text) const {
  if (!changes_) {
    out.append(text);
    return;
  }
  if (pairs_.empty()) {
    pairs_ = PairTable::Make([this](unsigned first, unsigned next) {
      const bool lead = IsLeadByte(static_cast<unsigned char>(first));
      const auto from = static_cast<Char>(lead ? (first << 8 | next) : first);
      return PairEntry{map_[from], !deleted_.empty() && deleted_[from], lead};
    });
  }
  pairs_.Apply(out, text);
}

std::string CharMap::Apply(std::string_view text) const {
  std::string out;
  Apply(out, text);
  return out;
}

}  // namespace kestrilon::filter
