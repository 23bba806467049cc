#include "UnicodeBridge.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <type_traits>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <iconv.h>
#endif

#include "CodePage932.h"

namespace kestrilon::unicode {
namespace {

constexpr char32_t kNoChar = 0xFFFFFFFF;
constexpr std::uint16_t kNoCode = 0xFFFF;  // never a code: 0xFF is no lead byte
constexpr std::uint16_t kAreaBase = filter::kUserAreaBase;
constexpr std::size_t kAreaSize = filter::kUserAreaSize;

// ---- The platform's converter, used only to build the tables --------------------------------

#ifdef _WIN32

std::optional<char32_t> PlatformDecode(const char* bytes, int n) {
  wchar_t out[2];
  if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, n, out, 2) != 1) return std::nullopt;
  return static_cast<char32_t>(out[0]);
}

std::optional<std::uint16_t> PlatformEncode(char32_t c) {
  const wchar_t in = static_cast<wchar_t>(c);
  char out[2];
  BOOL used_default = FALSE;
  const int n =
      WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &in, 1, out, 2, nullptr, &used_default);
  if (n < 1 || used_default) return std::nullopt;
  const auto b0 = static_cast<unsigned char>(out[0]);
  return n == 1 ? b0 : static_cast<std::uint16_t>(b0 << 8 | static_cast<unsigned char>(out[1]));
}

#else

// One iconv descriptor, closed with its owner.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : FCd(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(FCd);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return FCd != reinterpret_cast<iconv_t>(-1); }

  // Converts all of in; false unless every byte was taken.
  bool Convert(const char* in, std::size_t n, char* out, std::size_t capacity,
               std::size_t& written) {
    iconv(FCd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in);  // iconv's prototype; it does not write there
    char* dst = out;
    std::size_t in_left = n, out_left = capacity;
    const std::size_t r = iconv(FCd, &src, &in_left, &dst, &out_left);
    written = capacity - out_left;
    return r != static_cast<std::size_t>(-1) && in_left == 0;
  }

 private:
  iconv_t FCd;
};

char32_t ReadUtf32Le(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<char32_t>(u[0] | u[1] << 8 | u[2] << 16 | static_cast<char32_t>(u[3]) << 24);
}

Iconv& Decoder() {
  static Iconv cd("UTF-32LE", "CP932");
  return cd;
}

Iconv& Encoder() {
  static Iconv cd("CP932", "UTF-32LE");
  return cd;
}

std::optional<char32_t> PlatformDecode(const char* bytes, int n) {
  char out[16];
  std::size_t written = 0;
  if (!Decoder().ok() ||
      !Decoder().Convert(bytes, static_cast<std::size_t>(n), out, sizeof out, written) ||
      written != 4)
    return std::nullopt;
  return ReadUtf32Le(out);
}

std::optional<std::uint16_t> PlatformEncode(char32_t c) {
  const char in[4] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8 & 0xFF),
                      static_cast<char>(c >> 16 & 0xFF), static_cast<char>(c >> 24 & 0xFF)};
  char out[8];
  std::size_t written = 0;
  if (!Encoder().ok() || !Encoder().Convert(in, sizeof in, out, sizeof out, written) ||
      written < 1 || written > 2)
    return std::nullopt;
  const auto b0 = static_cast<unsigned char>(out[0]);
  return written == 1 ? b0
                      : static_cast<std::uint16_t>(b0 << 8 | static_cast<unsigned char>(out[1]));
}

#endif

// ---- The tables -------------------------------------------------------------------------------

struct Tables {
  bool available = false;  // the platform's converter answered
  std::vector<char32_t> decode = std::vector<char32_t>(0x10000, kNoChar);            // by code
  std::vector<std::uint16_t> encode = std::vector<std::uint16_t>(0x10000, kNoCode);  // by BMP char
};

Tables BuildTables() {
  Tables t;
  const char hiragana_a[2] = {'\x82', '\xA0'};
  t.available = PlatformDecode(hiragana_a, 2) == char32_t{0x3042};
  for (unsigned b = 0; b < 0x100; ++b) {
    const bool assigned = b < 0x80 || (b >= 0xA1 && b <= 0xDF);
    if (!assigned) continue;
    const char byte = static_cast<char>(b);
    if (auto c = PlatformDecode(&byte, 1)) t.decode[b] = *c;
  }
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!filter::IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (!filter::IsTrailByte(static_cast<unsigned char>(trail))) continue;
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      if (auto c = PlatformDecode(pair, 2)) t.decode[lead << 8 | trail] = *c;
    }
  }
  // Each character to the code the platform prefers (several codes can decode to one character,
  // e.g. the NEC and IBM copies of a symbol); only a code that decodes back to it is accepted.
  for (unsigned code = 0; code < 0x10000; ++code) {
    const char32_t c = t.decode[code];
    if (c == kNoChar || c > 0xFFFF || t.encode[c] != kNoCode) continue;
    const auto preferred = PlatformEncode(c);
    t.encode[c] =
        preferred && t.decode[*preferred] == c ? *preferred : static_cast<std::uint16_t>(code);
  }
  return t;
}

const Tables& GetTables() {
  static const Tables tables = BuildTables();
  return tables;
}

// ---- Unicode forms ----------------------------------------------------------------------------

// Whether the 8 units from p are all ASCII: runs of plain text are copied a word at a time.
inline bool Ascii8(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return (w & 0x8080808080808080ull) == 0;
}
inline bool Ascii8(const char16_t* p) {
  std::uint64_t a, b;
  std::memcpy(&a, p, sizeof a);
  std::memcpy(&b, p + 4, sizeof b);
  return ((a | b) & 0xFF80FF80FF80FF80ull) == 0;
}

// Decodes the character at s[i] (i < n); returns its length, or 0 for a malformed sequence.
inline std::size_t Decode(const char* s, std::size_t n, std::size_t i, char32_t& c) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    c = b0;
    return 1;
  }
  std::size_t len;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, min = 0x80, c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, min = 0x800, c = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, min = 0x10000, c = b0 & 0x07;
  } else {
    return 0;
  }
  if (n - i < len) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = c << 6 | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

// Code units of the character at s[i]: a valid pair gives its code point; a lone surrogate
// stands for itself. Never 0: UTF-16 has no malformed input here.
inline std::size_t Decode(const char16_t* s, std::size_t n, std::size_t i, char32_t& c) {
  const char16_t u = s[i];
  if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
    c = 0x10000 + (static_cast<char32_t>(u - 0xD800) << 10 | (s[i + 1] - 0xDC00));
    return 2;
  }
  c = u;
  return 1;
}

// Writes c at o, returning the end; the caller has left room for 4 units.
inline char* Encode(char* o, char32_t c) {
  if (c < 0x80) {
    *o++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *o++ = static_cast<char>(0xC0 | c >> 6);
    *o++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *o++ = static_cast<char>(0xE0 | c >> 12);
    *o++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    *o++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *o++ = static_cast<char>(0xF0 | c >> 18);
    *o++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
    *o++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    *o++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return o;
}
inline char16_t* Encode(char16_t* o, char32_t c) {
  if (c < 0x10000) {
    *o++ = static_cast<char16_t>(c);  // a lone surrogate placeholder comes back as it was
  } else {
    c -= 0x10000;
    *o++ = static_cast<char16_t>(0xD800 | c >> 10);
    *o++ = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
  }
  return o;
}

// Placeholders can only sit at these lead bytes; checking the lead first keeps the lookup off
// the common path.
inline bool InUserArea(std::uint16_t code) {
  return code >= kAreaBase && code < kAreaBase + kAreaSize;
}

}  // namespace

// ---- Placeholders -----------------------------------------------------------------------------

std::optional<char32_t> Placeholders::Find(std::uint16_t code) const {
  if (FOriginals.empty() || !InUserArea(code)) return std::nullopt;
  const char32_t c = FOriginals[code - kAreaBase];
  if (c == kNoChar) return std::nullopt;
  return c;
}

std::string AnsiForm(std::string_view cp932, const Placeholders& placeholders) {
  return AnsiForm(std::string(cp932), placeholders);
}

std::string AnsiForm(std::string&& cp932_text, const Placeholders& placeholders) {
  std::string out(std::move(cp932_text));
  if (placeholders.Count() == 0) return out;
  const std::string_view cp932 = out;
  // Compacted in place: a placeholder's two bytes become one "?", so writing never overtakes
  // reading.
  char* p = out.data();
  const std::size_t n = out.size();
  std::size_t i = 0, w = 0;
  while (i < n) {
    if (static_cast<unsigned char>(p[i]) < 0x80 && i + 8 <= n && Ascii8(p + i)) {
      std::memmove(p + w, p + i, 8);
      i += 8, w += 8;
      continue;
    }
    if (filter::CharLength(cp932, i) == 1) {
      p[w++] = p[i++];
      continue;
    }
    const std::uint16_t code = filter::DoubleByteCode(cp932, i);
    if (InUserArea(code) && placeholders.Find(code)) {
      p[w++] = '?';
    } else {
      p[w] = p[i], p[w + 1] = p[i + 1];
      w += 2;
    }
    i += 2;
  }
  out.resize(w);
  return out;
}

// Hands out the free codes of the user-defined area, one per distinct character.
class PlaceholderAllocator {
 public:
  explicit PlaceholderAllocator(Placeholders& p) : p_(p) {}

  // Marks a code that the text itself uses, so no placeholder takes it.
  void Reserve(std::uint16_t code) { FUsed[code - kAreaBase] = true; }

  // The placeholder for c, or kNoCode when the area is full.
  std::uint16_t For(char32_t c) {
    if (const auto it = FGiven.find(c); it != FGiven.end()) return it->second;
    while (FNext < kAreaSize) {
      const auto code = static_cast<std::uint16_t>(kAreaBase + FNext++);
      if (!filter::MayBePlaceholder(code) || FUsed[code - kAreaBase]) continue;
      if (p_.FOriginals.empty()) p_.FOriginals.assign(kAreaSize, kNoChar);
      p_.FOriginals[code - kAreaBase] = c;
      ++p_.FCount;
      FGiven.emplace(c, code);
      return code;
    }
    return kNoCode;
  }

 private:
  Placeholders& p_;
  std::array<bool, kAreaSize> FUsed{};
  std::size_t FNext = 0;
  std::unordered_map<char32_t, std::uint16_t> FGiven;
};

namespace {

std::uint16_t EncodeWithTable(const Tables& t, char32_t c) {
  return c <= 0xFFFF ? t.encode[c] : kNoCode;
}

// The output grows block by block within room reserved once, so that only what is written is
// touched: the room made (which a string fills with zeros) is still in the cache when the block
// is written, and no page of the reserve is used that the text does not need.
constexpr std::size_t kBlock = 1 << 15;

// One walk over Unicode text from i to stop (a character may run past it), writing code page 932
// at o. A placeholder may only be handed out once every code the text itself uses is reserved,
// so the first walk writes up to the first character with no code (kWrite, !kAllocate), a second
// only reserves to the end (!kWrite), and a third writes from there (kAllocate). Text with no
// such character is done in one walk.
enum class Stop { End, Malformed, NoCode, Full };

template <bool kWrite, bool kAllocate, typename Unit>
Stop Walk(const Unit* s, std::size_t n, std::size_t stop, std::size_t& i, char*& o, const Tables& t,
          PlaceholderAllocator& allocator) {
  while (i < stop) {
    // Code page 932 keeps ASCII as it is. A run is only looked for from an ASCII unit, so
    // Japanese text pays one comparison, not a word's test, per character.
    if (static_cast<std::make_unsigned_t<Unit>>(s[i]) < 0x80 && i + 8 <= n && Ascii8(s + i)) {
      if constexpr (kWrite) {
        for (int k = 0; k < 8; ++k) o[k] = static_cast<char>(s[i + k]);
        o += 8;
      }
      i += 8;
      continue;
    }
    char32_t c;
    const std::size_t len = Decode(s, n, i, c);
    if (len == 0) return Stop::Malformed;
    std::uint16_t code = c < 0x80 ? static_cast<std::uint16_t>(c) : EncodeWithTable(t, c);
    if (code == kNoCode) {
      if constexpr (!kAllocate) {
        if constexpr (kWrite) return Stop::NoCode;
        i += len;
        continue;
      } else {
        code = allocator.For(c);
        if (code == kNoCode) return Stop::Full;
      }
    } else if constexpr (!kAllocate) {
      if (filter::IsUserDefinedCode(code)) allocator.Reserve(code);
    }
    if constexpr (kWrite) {
      if (code >= 0x100) *o++ = static_cast<char>(code >> 8);
      *o++ = static_cast<char>(code & 0xFF);
    }
    i += len;
  }
  return Stop::End;
}

// Walk from i to the end, block by block; written is how much of out holds the result.
template <bool kWrite, bool kAllocate, typename Unit>
Stop WalkBlocks(const Unit* s, std::size_t n, std::size_t& i, std::string& out,
                std::size_t& written, const Tables& t, PlaceholderAllocator& allocator) {
  // A UTF-8 character never takes more bytes in code page 932; a UTF-16 unit at most two. A
  // character or ASCII run that starts before a block's end may run up to 7 units past it.
  constexpr std::size_t kGrowth = sizeof(Unit) == 1 ? 1 : 2;
  while (i < n) {
    const std::size_t stop = std::min(n, i + kBlock);
    char* o = nullptr;
    if constexpr (kWrite) {
      out.resize(written + kGrowth * (stop - i) + 8 * kGrowth);
      o = out.data() + written;
    }
    const Stop r = Walk<kWrite, kAllocate>(s, n, stop, i, o, t, allocator);
    if constexpr (kWrite) written = static_cast<std::size_t>(o - out.data());
    if (r != Stop::End) return r;
  }
  return Stop::End;
}

template <typename Unit>
Cp932Text ToCp932(std::basic_string_view<Unit> text) {
  const Tables& t = GetTables();
  Cp932Text result;
  PlaceholderAllocator allocator(result.placeholders);
  const Unit* s = text.data();
  const std::size_t n = text.size();
  result.bytes.reserve(sizeof(Unit) == 1 ? n + 8 : 2 * n + 16);
  auto fail = [&](BridgeError error, std::size_t at) {
    result = Cp932Text{};
    result.error = error;
    result.offset = at;
    return result;
  };

  std::size_t i = 0, written = 0;
  Stop stop = WalkBlocks<true, false>(s, n, i, result.bytes, written, t, allocator);
  if (stop == Stop::NoCode) {
    const std::size_t first = i, resume = written;
    stop = WalkBlocks<false, false>(s, n, i, result.bytes, written, t, allocator);
    if (stop == Stop::End) {
      i = first, written = resume;
      stop = WalkBlocks<true, true>(s, n, i, result.bytes, written, t, allocator);
    }
  }
  if (stop == Stop::Malformed) return fail(BridgeError::InvalidUtf8, i);
  if (stop == Stop::Full) return fail(BridgeError::PlaceholdersFull, i);
  result.bytes.resize(written);
  return result;
}

// Code page 932 to UTF-8 (Unit char) or UTF-16 (char16_t), placeholders restored.
template <typename String>
UnicodeText<String> FromCp932(std::string_view text, const Placeholders& placeholders) {
  using Unit = typename String::value_type;
  const Tables& t = GetTables();
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  UnicodeText<String> result;
  // UTF-16 never takes more units than the text has bytes, UTF-8 never more than three times
  // the bytes (half-width katakana). That much is reserved, so the string never moves; only the
  // pages written are used. A run past a block's end is at most 7 bytes.
  constexpr std::size_t kGrowth = sizeof(Unit) == 1 ? 3 : 1;
  result.text.reserve(kGrowth * n + 16);
  std::size_t o = 0;
  const bool any_placeholders = placeholders.Count() != 0;
  auto fail = [&](BridgeError error, std::size_t at) {
    result.text = String();
    result.error = error;
    result.offset = at;
    return result;
  };
  for (std::size_t i = 0; i < n;) {
    const std::size_t stop = std::min(n, i + kBlock);
    result.text.resize(o + kGrowth * (stop - i) + 8);
    Unit* const out = result.text.data();
    while (i < stop) {
      if (s[i] < 0x80 && i + 8 <= n && Ascii8(text.data() + i)) {
        for (int k = 0; k < 8; ++k) out[o + k] = static_cast<Unit>(s[i + k]);
        i += 8, o += 8;
        continue;
      }
      const unsigned char b = s[i];
      if (b < 0x80) {
        out[o++] = static_cast<Unit>(b);
        ++i;
        continue;
      }
      std::uint16_t code = b;
      std::size_t len = 1;
      if (filter::IsLeadByte(b)) {
        if (i + 1 >= n) return fail(BridgeError::UndecodableCp932, i);
        code = static_cast<std::uint16_t>(b << 8 | s[i + 1]);
        len = 2;
      }
      char32_t c = t.decode[code];
      if (any_placeholders && InUserArea(code))
        if (const auto original = placeholders.Find(code)) c = *original;
      if (c == kNoChar) return fail(BridgeError::UndecodableCp932, i);
      if constexpr (sizeof(Unit) == 1)
        if (c >= 0xD800 && c <= 0xDFFF) return fail(BridgeError::SurrogateInUtf8, i);
      o = static_cast<std::size_t>(Encode(out + o, c) - out);
      i += len;
    }
  }
  result.text.resize(o);
  return result;
}

}  // namespace

std::string_view Describe(BridgeError error) {
  switch (error) {
    case BridgeError::None: return "no error";
    case BridgeError::InvalidUtf8: return "invalid UTF-8";
    case BridgeError::PlaceholdersFull:
      return "too many different characters that code page 932 cannot represent";
    case BridgeError::UndecodableCp932: return "a code page 932 code with no character";
    case BridgeError::SurrogateInUtf8: return "a lone UTF-16 surrogate, which UTF-8 cannot hold";
  }
  return "unknown error";
}

Cp932Text Utf8ToCp932(std::string_view utf8) { return ToCp932(utf8); }

Cp932Text Utf16ToCp932(std::u16string_view utf16) { return ToCp932(utf16); }

UnicodeText<std::string> Cp932ToUtf8(std::string_view cp932, const Placeholders& placeholders) {
  return FromCp932<std::string>(cp932, placeholders);
}

UnicodeText<std::u16string> Cp932ToUtf16(std::string_view cp932, const Placeholders& placeholders) {
  return FromCp932<std::u16string>(cp932, placeholders);
}

bool ConverterAvailable() { return GetTables().available; }

std::optional<char32_t> DecodeCp932(std::uint16_t code) {
  const char32_t c = GetTables().decode[code];
  if (c == kNoChar) return std::nullopt;
  return c;
}

std::optional<std::uint16_t> EncodeCp932(char32_t c) {
  const std::uint16_t code = EncodeWithTable(GetTables(), c);
  if (code == kNoCode) return std::nullopt;
  return code;
}

}  // namespace kestrilon::unicode
