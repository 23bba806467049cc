#include "Sjis.h"


namespace kestrilon::filter {

bool IsSecondByte(std::string_view text, std::size_t pos) {
  std::size_t run = 0;
  while (pos > run && IsLeadByte(static_cast<unsigned char>(text[pos - run - 1]))) ++run;
  return run % 2 == 1;
}

std::size_t FindPattern(std::string_view text, std::string_view pattern, std::size_t from) {
  if (text.empty() || pattern.empty()) return std::string_view::npos;
  const std::string_view rest = text.substr(from);
  // One-byte patterns (most of them) go straight to the byte search, without a compare per hit.
  auto find = [&](std::size_t at) {
    return pattern.size() == 1 ? rest.find(pattern[0], at) : rest.find(pattern, at);
  };
  std::size_t pos = find(0);
  while (pos != std::string_view::npos) {
    if (!IsSecondByte(rest, pos)) return from + pos;
    // A hit on a lead byte that is itself a second byte: the next character starts after it.
    pos = find(pos + (IsLeadByte(static_cast<unsigned char>(rest[pos])) ? 2 : 1));
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

std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement) {
  std::string out;
  out.reserve(text.size() + (replacement.size() > pattern.size() ? text.size() / 8 : 0));
  AppendReplaced(out, text, pattern, replacement);
  return out;
}

CharMap::CharMap() = default;

void CharMap::MakeIdentity() {
  map_.resize(0x10000);
  for (std::size_t c = 0; c < map_.size(); ++c) map_[c] = static_cast<Char>(c);
}

namespace {

// Maps n bytes at p to o and returns the end of what it wrote. Every position is visited once;
// whether it starts a character follows from the position before it (a character starts after
// a single byte, and after a lead byte's second byte), a chain of one logic operation, so that
// mixed Japanese and ASCII text costs no mispredicted branches. It writes up to two bytes past
// the end of its result, so o must not alias p.
unsigned char* MapBytes(const std::uint32_t* pairs, const unsigned char* p, std::size_t n, unsigned char* o) {
  if (n == 0) return o;
  unsigned starts = 1;  // position 0 starts a character
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const std::uint32_t e = pairs[p[i] << 8 | p[i + 1]];
    const unsigned two = (e >> 17) & 1u;
    const unsigned kept = ((e >> 18) & 1u) ^ 1u;
    o[0] = static_cast<unsigned char>(e >> (two * 8));
    o[1] = static_cast<unsigned char>(e);
    o += (1 + two) & (0u - (starts & kept));
    starts = (starts & (e >> 16)) ^ 1u;  // a lead byte that starts a character takes the next
  }
  if (starts) {  // the last byte starts a character of its own; a lead byte there stays as it is
    const std::uint32_t e = pairs[p[n - 1] << 8];
    if (e & (1u << 16)) {
      *o++ = p[n - 1];
    } else if (!(e & (1u << 18))) {
      if (e & (1u << 17)) *o++ = static_cast<unsigned char>(e >> 8);
      *o++ = static_cast<unsigned char>(e);
    }
  }
  return o;
}

}  // namespace

void CharMap::Apply(std::string& out, std::string_view text) const {
  if (!changes_) {
    out.append(text);
    return;
  }
  const std::size_t start = out.size();
  // Room for the result (twice the text when a character may grow) and the writes past its end.
  out.resize(start + (grows_ ? 2 : 1) * text.size() + 2);
  if (pairs_.empty()) {
    pairs_.resize(0x10000);
    for (unsigned b = 0; b < 0x100; ++b) {
      const bool lead = IsLeadByte(static_cast<unsigned char>(b));
      for (unsigned next = 0; next < 0x100; ++next) {
        const Char from = static_cast<Char>(lead ? (b << 8 | next) : b);
        const Char c = map_[from];
        const bool deleted = !deleted_.empty() && deleted_[from];
        pairs_[b << 8 | next] =
            c | (lead ? 1u << 16 : 0u) | (c > 0xFF ? 1u << 17 : 0u) | (deleted ? 1u << 18 : 0u);
      }
    }
  }
  auto* const begin = reinterpret_cast<unsigned char*>(out.data());
  const unsigned char* end = MapBytes(pairs_.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                      text.size(), begin + start);
  out.resize(static_cast<std::size_t>(end - begin));
}

std::string CharMap::Apply(std::string_view text) const {
  std::string out;
  Apply(out, text);
  return out;
}

}  // namespace kestrilon::filter
