// The kernels the converting steps share: writers into room made ahead, the walk by characters,
// and the tables by pairs of bytes (PairTable) and by characters (CharMap) that compose a run of
// per-character steps into one walk.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ByteMask.h"
#include "CodePage932.h"

namespace kestrilon::filter {

// Write cursor into an output buffer sized for the worst case: no step makes a character more
// than twice as long, so a buffer of twice the input never overflows.
struct ByteWriter {
  unsigned char* p;
  void Byte(unsigned b) { *p++ = static_cast<unsigned char>(b); }
  void Code(Char c) {
    *p++ = static_cast<unsigned char>(c >> 8);
    *p++ = static_cast<unsigned char>(c);
  }
  void Put(Char c) {  // one byte or two, as the character is
    if (c > 0xFF) *p++ = static_cast<unsigned char>(c >> 8);
    *p++ = static_cast<unsigned char>(c);
  }
};

// Writes into a buffer of the caller's whose size is its room, not its text: room is made as
// the writing goes, by much at a time, since a string fills what it grows by with zeros; Text()
// tells what was written. The buffer keeps its room from one use to the next.
class RoomWriter {
 public:
  explicit RoomWriter(std::string& room) : FRoom(room) {}
  // Room for n more bytes: where they go. Advance then keeps what was written there.
  char* Make(std::size_t n) {
    if (FRoom.size() - FSize < n) FRoom.resize(std::max(2 * FRoom.size(), FSize + n));
    return FRoom.data() + FSize;
  }
  void Advance(std::size_t n) { FSize += n; }
  void Append(std::string_view bytes) {
    if (!bytes.empty()) std::memcpy(Make(bytes.size()), bytes.data(), bytes.size());
    FSize += bytes.size();
  }
  std::string_view Text() const { return {FRoom.data(), FSize}; }

 private:
  std::string& FRoom;
  std::size_t FSize = 0;
};

// Runs fill(writer) over room for twice the input's size at the end of out, and keeps what it
// wrote.
template <typename Fill>
void WriteAtMostTwice(std::string& out, std::size_t input_size, Fill&& fill) {
  const std::size_t start = out.size();
  out.resize(start + 2 * input_size);
  auto* begin = reinterpret_cast<unsigned char*>(out.data());
  ByteWriter w{begin + start};
  fill(w);
  out.resize(static_cast<std::size_t>(w.p - begin));
}

// Walks text character by character, appending a new text to out: on_double(w, code) for each
// two-byte character, on_single(w, text, i) for each other byte, which returns how many bytes
// it consumed (1, or 2 when it took the next byte with it). Each must write something: the
// replacement or the character unchanged. A lead byte that ends the text is copied alone.
template <typename OnDouble, typename OnSingle>
void ScanCharacters(std::string& result, std::string_view text, OnDouble&& on_double,
                    OnSingle&& on_single) {
  WriteAtMostTwice(result, text.size(), [&](ByteWriter& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
      if (!IsLeadByte(p[i])) {
        i += on_single(out, text, i);
      } else if (i + 1 < n) {
        on_double(out, static_cast<Char>(p[i] << 8 | p[i + 1]));
        i += 2;
      } else {
        out.Byte(p[i]);
        i += 1;
      }
    }
  });
}

// Copies a two-byte character unchanged: the on_double of steps that convert only single bytes.
inline constexpr auto CopyDouble = [](ByteWriter& out, Char code) { out.Code(code); };

// A conversion decided by each character's first byte and the byte after it, as a table over
// every pair of bytes: what to write for the character (nothing, one byte or two) and whether
// the first byte takes the next one with it. The kana conversions and CharMap are such tables.
struct PairEntry {
  Char out;                 // written as one byte or two, as the character is
  bool deleted = false;     // nothing is written
  bool takes_next = false;  // the character is two bytes long
  bool marked = false;      // not exact (a composed table's): Apply reports meeting it
};

class CharMap;

class PairTable {
 public:
  PairTable() = default;
  // entry(first, next) for every pair of bytes. A text's last byte is looked up as if 0x00
  // followed it; if that entry takes the next byte, the last byte is copied alone instead.
  template <typename Entry>
  static PairTable Make(Entry&& entry) {
    PairTable t;
    t.Fill([&entry](unsigned first, unsigned next) { return Pack(entry(first, next)); });
    return t;
  }
  // first, then second, as one table, so that a run of such steps costs one walk. Each entry is
  // both tables' work on the character at hand, worked out from its two bytes and the byte
  // after them. Where that is not enough to tell (a lead byte left alone, a half-width kana
  // that may take a mark from the next character's result, a result of more than two bytes),
  // the entry is marked, and Apply reports that the text needs the tables one by one. A map
  // composes as its table would, without that table being made; a first table given up is
  // composed over in its own room, since each entry reads only its own.
  static PairTable Then(const PairTable& first, const PairTable& second);
  static PairTable Then(const CharMap& first, const PairTable& second);
  static PairTable Then(PairTable&& first, const PairTable& second);
  static PairTable Then(PairTable&& first, const CharMap& second);
  bool empty() const { return FEntries.empty(); }
  // Appends the converted text to out. False when a marked entry was met: out then holds no
  // meaningful result.
  bool Apply(std::string& out, std::string_view text) const;
  bool Apply(RoomWriter& out, std::string_view text) const;

 private:
  // An entry by the two bytes: the bytes to write as they will lie in memory (low 16 bits),
  // whether the first byte takes the next (bit 16), whether the entry is marked (bit 17) and how
  // many bytes to keep (the top two bits, so that the walk reads it with one shift).
  static constexpr std::uint32_t kTakesNext = 1u << 16;
  static constexpr std::uint32_t kMarked = 1u << 17;
  static unsigned LengthOf(std::uint32_t e) { return e >> 30; }
  // By the character's code: the entries of one lead byte lie together, so a text's characters
  // meet few cache lines.
  static std::uint16_t Index(unsigned first, unsigned next) {
    return static_cast<std::uint16_t>(first << 8 | next);
  }
  // The index of the pair of bytes at p: one load of both, turned into the code's order.
  static std::uint16_t IndexAt(const unsigned char* p) {
    std::uint16_t pair;
    std::memcpy(&pair, p, 2);
    return static_cast<std::uint16_t>(pair << 8 | pair >> 8);
  }
  static std::uint32_t Pack(const PairEntry& e) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(e.out > 0xFF ? e.out >> 8 : e.out),
                                    static_cast<unsigned char>(e.out)};
    std::uint16_t written;
    std::memcpy(&written, bytes, 2);
    const unsigned length = e.deleted ? 0 : e.out > 0xFF ? 2 : 1;
    return written | length << 30 | (e.marked ? kMarked : 0u) | (e.takes_next ? kTakesNext : 0u);
  }
  // packed(first, next) for every entry, in the order they lie in memory, so that making a
  // table writes it once from front to back.
  template <typename Packed>
  void Fill(Packed&& packed) {
    FEntries.resize(0x10000);
    FGrowth = 1;
    for (unsigned first = 0; first < 0x100; ++first)
      for (unsigned next = 0; next < 0x100; ++next) {
        const std::uint32_t e = packed(first, next);
        FEntries[Index(first, next)] = e;
        if (!(e & kTakesNext)) FGrowth = std::max(FGrowth, LengthOf(e));
      }
    FindInertAscii();
  }
  // Makes into the composition of first and second; into may be the table first reads.
  template <typename A, typename B>
  static void Compose(const A& first, const B& second, PairTable& into);
  std::uint32_t At(unsigned first, unsigned next) const { return FEntries[Index(first, next)]; }
  void FindInertAscii();  // and FLeadPairs
  // The most bytes the walk writes for a text of n bytes: two stored at each character start,
  // whatever is kept.
  std::size_t Room(std::size_t n) const { return FGrowth * n + 4; }
  // Writes the converted text at out, which has Room(text.size()); returns its length.
  std::size_t Apply(unsigned char* out, std::string_view text, bool& exact) const;
  template <bool kMarks, bool kTakeable>
  std::size_t Walk(unsigned char* out, std::string_view text, bool& exact) const;
  std::vector<std::uint32_t> FEntries;
  unsigned FGrowth = 1;  // the most bytes written for one byte read
  // Every byte below 0x80 is copied alone, whatever follows: runs of them are copied eight at
  // a time.
  bool FInertAscii = false;
  bool FMarks = false;  // a composed table's: the walk looks out for marked entries
  // Every lead byte takes the next byte, and a single byte takes no lead byte (marked entries
  // aside): the characters start where the code page's own do, or on a byte that one of them
  // took along.
  bool FLeadPairs = false;
  std::array<unsigned char, 4> FTakenBytes{};  // what a single byte may take along
  std::size_t FTakenCount = 0;
};

// A conversion that maps each character to one character, as a table over every Char. Steps of
// this kind compose: Then(f) makes the table apply f after what it did before, so a run of such
// steps costs one pass over the text, with exactly the result of running them one by one (each
// maps whole characters to whole characters, so every step sees the same boundaries).
class CharMap {
 public:
  CharMap();
  template <typename F>
  void Then(F&& f) {
    if (FMap.empty()) MakeIdentity();
    for (auto& c : FMap) c = f(c);
    FPairs = PairTable();
    FChanges = true;
  }
  // After what the map does so far, every character that has become c is removed.
  void ThenDelete(Char c) {
    if (FMap.empty()) MakeIdentity();
    if (FDeleted.empty()) FDeleted.assign(FMap.size(), false);
    for (std::size_t x = 0; x < FMap.size(); ++x)
      if (FMap[x] == c) FDeleted[x] = true;
    FPairs = PairTable();
    FChanges = true;
  }
  bool Changes() const { return FChanges; }
  // The character c becomes (a map that deletes is not asked this).
  Char operator()(Char c) const { return FChanges ? FMap[c] : c; }
  // The map as a table by pairs of bytes (made on first use). A lead byte that ends a text is
  // copied alone.
  const PairTable& Pairs() const;

 private:
  friend class PairTable;  // composes with a map by its entries, without making its table
  PairEntry EntryFor(unsigned first, unsigned next) const {
    const bool lead = IsLeadByte(static_cast<unsigned char>(first));
    const auto from = static_cast<Char>(lead ? (first << 8 | next) : first);
    const Char to = FMap.empty() ? from : FMap[from];
    return PairEntry{to, !FDeleted.empty() && FDeleted[from], lead};
  }
  void MakeIdentity();
  std::vector<Char> FMap;  // empty until the first Then: a map that changes nothing costs nothing
  std::vector<bool> FDeleted;  // by character; empty while nothing is deleted
  mutable PairTable FPairs;    // made on first use
  bool FChanges = false;
};

}  // namespace kestrilon::filter
