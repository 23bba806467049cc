#include "CharacterTables.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace kestrilon::filter {

namespace {

// The bytes an entry writes, in order.
void BytesOf(std::uint32_t e, unsigned char bytes[2]) {
  const auto written = static_cast<std::uint16_t>(e);
  std::memcpy(bytes, &written, 2);
}

// Eight bytes, none of them 0x80 or above.
bool AllAscii(const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  return (word & 0x8080808080808080ull) == 0;
}

}  // namespace

void PairTable::FindInertAscii() {
  // The walk by lead bytes holds when every lead byte takes the next byte, and a single byte
  // takes only a byte that is no lead byte (which so starts a character by the code page's
  // reckoning too, and ends it). Marked entries stop the walk's result from being used anyway.
  // The entries are read in the order they lie in memory.
  FLeadPairs = true;
  FTakenCount = 0;
  std::array<bool, 256> taken{};
  for (unsigned b = 0; b < 0x100 && FLeadPairs; ++b)
    for (unsigned next = 0; next < 0x100 && FLeadPairs; ++next) {
      const std::uint32_t e = At(b, next);
      const bool takes = e & kTakesNext, lead = IsLeadByte(static_cast<unsigned char>(b));
      if (e & kMarked) continue;
      if (lead ? !takes : takes && IsLeadByte(static_cast<unsigned char>(next))) FLeadPairs = false;
      if (takes && !lead) taken[next] = true;
    }
  for (unsigned y = 0; y < 0x100 && FLeadPairs; ++y) {
    if (!taken[y]) continue;
    if (FTakenCount == FTakenBytes.size()) FLeadPairs = false;  // too many to look out for
    else FTakenBytes[FTakenCount++] = static_cast<unsigned char>(y);
  }
  FInertAscii = true;
  for (unsigned b = 0; b < 0x80 && FInertAscii; ++b)
    for (unsigned next = 0; next < 0x100 && FInertAscii; ++next) {
      const std::uint32_t e = At(b, next);
      unsigned char bytes[2];
      BytesOf(e, bytes);
      FInertAscii = (e & (kTakesNext | kMarked)) == 0 && LengthOf(e) == 1 && bytes[0] == b;
    }
}

template <typename A, typename B>
void PairTable::Compose(const A& a, const B& b, PairTable& into) {
  // What is known of each byte, gathered in one pass over both in the order the entries lie:
  // - alone: its entry is the same whatever follows and never takes it, so its result is known
  //   from it alone;
  // - a's firsts: the first bytes a's results for a character starting with it can have;
  //   unknown when one of them writes nothing (the next character's result comes first then).
  std::array<std::uint32_t, 256> a0, b0;
  std::array<bool, 256> a_alone, b_alone, a_first_unknown{};
  for (unsigned x = 0; x < 256; ++x) {
    a0[x] = a(x, 0);
    b0[x] = b(x, 0);
    a_alone[x] = (a0[x] & kTakesNext) == 0;
    b_alone[x] = (b0[x] & kTakesNext) == 0;
  }
  std::vector<std::array<std::uint64_t, 4>> a_firsts(256);  // bit sets of 256
  for (unsigned x = 0; x < 256; ++x)
    for (unsigned y = 0; y < 256; ++y) {
      const std::uint32_t ea = a(x, y);
      if (ea != a0[x]) a_alone[x] = false;
      if (b(x, y) != b0[x]) b_alone[x] = false;
      unsigned char bytes[2];
      BytesOf(ea, bytes);
      if (LengthOf(ea) == 0) a_first_unknown[x] = true;
      else a_firsts[x][bytes[0] >> 6] |= std::uint64_t{1} << (bytes[0] & 63);
    }

  const PairEntry marked{0, true, false, true};
  // The entry for (first, next); uses_next tells whether it looked at next beyond a's entry.
  auto compose = [&](unsigned first, unsigned next, bool& uses_next) -> PairEntry {
    const std::uint32_t ea = a(first, next);
    if (ea & kMarked) return marked;
    unsigned char oa[2];
    BytesOf(ea, oa);
    const unsigned la = LengthOf(ea);
    const bool a_takes = ea & kTakesNext;
    bool takes = a_takes;
    unsigned char out[4];
    unsigned lo = 0;
    auto put = [&](std::uint32_t e) {
      unsigned char bytes[2];
      BytesOf(e, bytes);
      for (unsigned k = 0; k < LengthOf(e); ++k) out[lo++] = bytes[k];
    };
    for (unsigned j = 0; j < la;) {
      if (j + 1 < la) {  // a pair inside a's result
        const std::uint32_t eb = b(oa[j], oa[j + 1]);
        if (eb & kMarked) return marked;
        put(eb);
        j += eb & kTakesNext ? 2 : 1;
        continue;
      }
      const unsigned x = oa[j++];  // a's last byte: b's entry may depend on what follows
      if (b_alone[x]) {
        put(b0[x]);
        continue;
      }
      if (a_takes) return marked;  // what follows is a's result for bytes not seen here
      uses_next = true;
      if (a_alone[next]) {  // the next byte is a character of its own in a, with a known result
        const std::uint32_t en = a0[next];
        unsigned char on[2];
        BytesOf(en, on);
        if (LengthOf(en) == 0) return marked;
        const std::uint32_t eb = b(x, on[0]);
        if (eb & kMarked) return marked;
        if (eb & kTakesNext) {
          // b joins the two results into one character: both bytes go with this entry, and
          // only if a's result for the next byte is that one byte.
          if (LengthOf(en) != 1 || next == 0) return marked;
          takes = true;
        }
        put(eb);
        continue;
      }
      // The next byte starts a longer character of a: b's entry must be the same for every
      // first byte a's result for it can have.
      if (a_first_unknown[next]) return marked;
      std::uint32_t seen = 0;
      bool any = false;
      for (unsigned y = 0; y < 256; ++y) {
        if (!(a_firsts[next][y >> 6] >> (y & 63) & 1)) continue;
        const std::uint32_t eb = b(x, y);
        if ((eb & (kTakesNext | kMarked)) || (any && eb != seen)) return marked;
        seen = eb;
        any = true;
      }
      put(seen);
    }
    if (lo > 2 || (lo == 2 && out[0] == 0)) return marked;  // more than an entry can write
    const Char c = lo == 0 ? 0 : lo == 1 ? out[0] : static_cast<Char>(out[0] << 8 | out[1]);
    return {c, lo == 0, takes};
  };
  // A first byte that a leaves alone mostly gives the same entry whatever follows it: that
  // entry is worked out once.
  std::array<std::uint32_t, 256> row{};
  std::array<bool, 256> row_known{};
  for (unsigned first = 0; first < 256; ++first) {
    if (!a_alone[first]) continue;
    bool uses_next = false;
    row[first] = Pack(compose(first, 0, uses_next));
    row_known[first] = !uses_next;
  }
  // Each entry reads a's entry at its own place and what was gathered above, nothing else of
  // a: into may be a.
  into.Fill([&](unsigned first, unsigned next) {
    bool uses_next = false;
    return row_known[first] ? row[first] : Pack(compose(first, next, uses_next));
  });
  into.FMarks = true;
}

PairTable PairTable::Then(const PairTable& a, const PairTable& b) {
  PairTable t;
  Compose([&a](unsigned x, unsigned y) { return a.At(x, y); },
          [&b](unsigned x, unsigned y) { return b.At(x, y); }, t);
  return t;
}

PairTable PairTable::Then(const CharMap& a, const PairTable& b) {
  PairTable t;
  Compose([&a](unsigned x, unsigned y) { return Pack(a.EntryFor(x, y)); },
          [&b](unsigned x, unsigned y) { return b.At(x, y); }, t);
  return t;
}

PairTable PairTable::Then(PairTable&& a, const PairTable& b) {
  Compose([&a](unsigned x, unsigned y) { return a.At(x, y); },
          [&b](unsigned x, unsigned y) { return b.At(x, y); }, a);
  return std::move(a);
}

PairTable PairTable::Then(PairTable&& a, const CharMap& b) {
  Compose([&a](unsigned x, unsigned y) { return a.At(x, y); },
          [&b](unsigned x, unsigned y) { return Pack(b.EntryFor(x, y)); }, a);
  return std::move(a);
}

bool PairTable::Apply(std::string& out, std::string_view text) const {
  const std::size_t at = out.size();
  out.resize(at + Room(text.size()));
  bool exact = true;
  out.resize(at + Apply(reinterpret_cast<unsigned char*>(out.data() + at), text, exact));
  return exact;
}

bool PairTable::Apply(RoomWriter& out, std::string_view text) const {
  bool exact = true;
  out.Advance(Apply(reinterpret_cast<unsigned char*>(out.Make(Room(text.size()))), text, exact));
  return exact;
}

std::size_t PairTable::Apply(unsigned char* out, std::string_view text, bool& exact) const {
  if (FTakenCount != 0)
    return FMarks ? Walk<true, true>(out, text, exact) : Walk<false, true>(out, text, exact);
  return FMarks ? Walk<true, false>(out, text, exact) : Walk<false, false>(out, text, exact);
}

template <bool kMarks, bool kTakeable>
std::size_t PairTable::Walk(unsigned char* const out, std::string_view text, bool& exact) const {
  const std::size_t n = text.size();
  exact = true;
  if (n == 0) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::uint32_t* entries = FEntries.data();
  // Each character start stores two bytes and keeps as many as its entry says.
  //
  // Where the table's characters are the code page's own (a lead byte takes the next), the
  // character starts of 64 bytes at a time come from where their lead-range bytes lie, and only
  // they are visited. Elsewhere every position is visited once; whether it starts a character
  // follows from the position before it (a character starts after a single byte, and after a
  // lead byte's second byte), a chain of two logic operations, so that mixed Japanese and ASCII
  // text costs no mispredicted branches; a second byte keeps none of what it stored. Between
  // short stretches of that walk, a run of ASCII the table leaves alone is copied eight bytes
  // at a time.
  constexpr std::size_t kStretch = 16;
  unsigned starts = 1;
  std::uint32_t met = 0;  // the entries used, or-ed: kMarked tells a marked one
  std::size_t i = 0;
  unsigned char* o = out;
  const std::size_t stop = n - 1;  // the last byte has no byte after it to look up with
  if (FLeadPairs) {
    std::uint64_t second_first = 0;
    std::uint64_t taken_first = 0;  // the last 64's last character took this one's first byte
    for (; i + 64 <= stop; i += 64) {
      std::uint64_t m = ~(SecondByteMask(p + i, second_first) | taken_first);
      taken_first = 0;
      // The bytes a single byte may take along (a kana's mark), which then start no character.
      std::uint64_t takeable = 0;
      if constexpr (kTakeable)
        for (std::size_t t = 0; t < FTakenCount; ++t)
          takeable |= EqualMask64(p + i, FTakenBytes[t]);
      for (; m; m &= m - 1) {
        const auto k = static_cast<unsigned>(std::countr_zero(m));
        const std::uint32_t e = entries[IndexAt(p + i + k)];
        const auto written = static_cast<std::uint16_t>(e);
        std::memcpy(o, &written, 2);
        o += LengthOf(e);
        if constexpr (kMarks) met |= e;
        // Seldom, and only then does the walk wait for the entry to go on.
        if (kTakeable && (((takeable >> k) & 2) != 0 || k == 63)) {
          if ((e & kTakesNext) && !IsLeadByte(p[i + k])) {
            if (k == 63) taken_first = 1;
            else m &= ~(std::uint64_t{2} << k);
          }
        }
      }
    }
    starts = static_cast<unsigned>((second_first | taken_first) ^ 1u);
  }
  while (i < stop) {
    if (FInertAscii && starts) {
      for (; i + 8 <= stop && AllAscii(p + i); i += 8, o += 8) std::memcpy(o, p + i, 8);
    }
    for (const std::size_t end = std::min(stop, i + kStretch); i < end; ++i) {
      const std::uint32_t e = entries[IndexAt(p + i)];
      const auto written = static_cast<std::uint16_t>(e);
      std::memcpy(o, &written, 2);
      const std::uint32_t here = 0u - starts;
      o += LengthOf(e) & here;
      if constexpr (kMarks) met |= e & here;
      starts = ((e >> 16) & starts) ^ 1u;
    }
  }
  if (starts) {  // the last byte starts a character of its own
    const std::uint32_t e = At(p[n - 1], 0);
    met |= e;
    if (e & kTakesNext) {
      *o++ = p[n - 1];  // a lead byte with nothing to take stays as it is
    } else {
      BytesOf(e, o);
      o += LengthOf(e);
    }
  }
  exact = (met & kMarked) == 0;
  return static_cast<std::size_t>(o - out);
}

CharMap::CharMap() = default;

void CharMap::MakeIdentity() {
  FMap.resize(0x10000);
  for (std::size_t c = 0; c < FMap.size(); ++c) FMap[c] = static_cast<Char>(c);
}

const PairTable& CharMap::Pairs() const {
  if (FPairs.empty())
    FPairs =
        PairTable::Make([this](unsigned first, unsigned next) { return EntryFor(first, next); });
  return FPairs;
}

}  // namespace kestrilon::filter
