#include "UnicodeBridge.h"

#include <array>
#include <cstring>
#include <unordered_map>

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
  const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &in, 1, out, 2, nullptr,
                                    &used_default);
  if (n < 1 || used_default) return std::nullopt;
  const auto b0 = static_cast<unsigned char>(out[0]);
  return n == 1 ? b0 : static_cast<std::uint16_t>(b0 << 8 | static_cast<unsigned char>(out[1]));
}

#else

// One iconv descriptor, closed with its owner.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of in; false unless every byte was taken.
  bool Convert(const char* in, std::size_t n, char* out, std::size_t capacity,
               std::size_t& written) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in);  // iconv's prototype; it does not write there
    char* dst = out;
    std::size_t in_left = n, out_left = capacity;
    const std::size_t r = iconv(cd_, &src, &in_left, &dst, &out_left);
    written = capacity - out_left;
    return r != static_cast<std::size_t>(-1) && in_left == 0;
  }

 private:
  iconv_t cd_;
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
  std::vector<char32_t> decode = std::vector<char32_t>(0x10000, kNoChar);  // by code
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
    t.encode[c] = preferred && t.decode[*preferred] == c ? *preferred
                                                         : static_cast<std::uint16_t>(code);
  }
  return t;
}

const Tables& GetTables() {
  static const Tables tables = BuildTables();
  return tables;
}

// ---- UTF-8 ------------------------------------------------------------------------------------

// Decodes the character at s[i]; returns its length, or 0 for a malformed sequence.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& c) {
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
  if (s.size() - i < len) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = c << 6 | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);  // a lone surrogate placeholder comes back as it was
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 | c >> 10);
    out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
  }
}

// Code units of the character at s[i]: a valid pair gives its code point; a lone surrogate
// stands for itself.
std::size_t DecodeUtf16(std::u16string_view s, std::size_t i, char32_t& c) {
  const char16_t u = s[i];
  if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
    c = 0x10000 + (static_cast<char32_t>(u - 0xD800) << 10 | (s[i + 1] - 0xDC00));
    return 2;
  }
  c = u;
  return 1;
}

}  // namespace

// ---- Placeholders -----------------------------------------------------------------------------

std::optional<char32_t> Placeholders::Find(std::uint16_t code) const {
  if (originals_.empty() || code < kAreaBase || code >= kAreaBase + kAreaSize) return std::nullopt;
  const char32_t c = originals_[code - kAreaBase];
  if (c == kNoChar) return std::nullopt;
  return c;
}

std::string AnsiForm(std::string_view cp932, const Placeholders& placeholders) {
  if (placeholders.Count() == 0) return std::string(cp932);
  std::string out;
  out.reserve(cp932.size());
  for (std::size_t i = 0; i < cp932.size();) {
    const std::size_t n = filter::CharLength(cp932, i);
    if (n == 2 && placeholders.Find(filter::DoubleByteCode(cp932, i)))
      out += '?';
    else
      out.append(cp932, i, n);
    i += n;
  }
  return out;
}

// Hands out the free codes of the user-defined area, one per distinct character.
class PlaceholderAllocator {
 public:
  explicit PlaceholderAllocator(Placeholders& p) : p_(p) {}

  // Marks a code that the text itself uses, so no placeholder takes it.
  void Reserve(std::uint16_t code) { used_[code - kAreaBase] = true; }

  // The placeholder for c, or kNoCode when the area is full.
  std::uint16_t For(char32_t c) {
    if (const auto it = given_.find(c); it != given_.end()) return it->second;
    while (next_ < kAreaSize) {
      const auto code = static_cast<std::uint16_t>(kAreaBase + next_++);
      if (!filter::MayBePlaceholder(code) || used_[code - kAreaBase]) continue;
      if (p_.originals_.empty()) p_.originals_.assign(kAreaSize, kNoChar);
      p_.originals_[code - kAreaBase] = c;
      ++p_.count_;
      given_.emplace(c, code);
      return code;
    }
    return kNoCode;
  }

 private:
  Placeholders& p_;
  std::array<bool, kAreaSize> used_{};
  std::size_t next_ = 0;
  std::unordered_map<char32_t, std::uint16_t> given_;
};

namespace {

std::uint16_t EncodeWithTable(const Tables& t, char32_t c) {
  return c <= 0xFFFF ? t.encode[c] : kNoCode;
}

// The two passes shared by UTF-8 and UTF-16 input: reserve the user-defined codes the text uses,
// then convert. next(i, c) decodes the character at i and returns its length (0: malformed).
template <typename Next>
Cp932Text ToCp932(std::size_t size, Next&& next) {
  const Tables& t = GetTables();
  Cp932Text result;
  PlaceholderAllocator allocator(result.placeholders);

  for (std::size_t i = 0; i < size;) {
    char32_t c;
    const std::size_t len = next(i, c);
    if (len == 0) {
      result.error = BridgeError::InvalidUtf8;
      result.offset = i;
      return result;
    }
    if (c >= 0x80) {
      const std::uint16_t code = EncodeWithTable(t, c);
      if (code != kNoCode && filter::IsUserDefinedCode(code)) allocator.Reserve(code);
    }
    i += len;
  }

  result.bytes.reserve(size);
  for (std::size_t i = 0; i < size;) {
    char32_t c;
    const std::size_t len = next(i, c);
    if (c < 0x80) {  // code page 932 keeps ASCII as it is
      result.bytes += static_cast<char>(c);
      i += len;
      continue;
    }
    std::uint16_t code = EncodeWithTable(t, c);
    if (code == kNoCode) {
      code = allocator.For(c);
      if (code == kNoCode) {
        result = Cp932Text{};
        result.error = BridgeError::PlaceholdersFull;
        result.offset = i;
        return result;
      }
    }
    if (code < 0x100) {
      result.bytes += static_cast<char>(code);
    } else {
      filter::AppendCode(result.bytes, code);
    }
    i += len;
  }
  return result;
}

template <typename String, typename Append>
UnicodeText<String> FromCp932(std::string_view s, const Placeholders& placeholders,
                              Append&& append) {
  const Tables& t = GetTables();
  UnicodeText<String> result;
  result.text.reserve(s.size());
  auto fail = [&](BridgeError error, std::size_t at) {
    result.text.clear();
    result.error = error;
    result.offset = at;
    return result;
  };
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      result.text += static_cast<typename String::value_type>(b);
      ++i;
      continue;
    }
    std::uint16_t code = b;
    std::size_t len = 1;
    if (filter::IsLeadByte(b)) {
      if (i + 1 >= s.size()) return fail(BridgeError::UndecodableCp932, i);
      code = filter::DoubleByteCode(s, i);
      len = 2;
    }
    char32_t c = t.decode[code];
    if (const auto original = placeholders.Find(code)) c = *original;
    if (c == kNoChar) return fail(BridgeError::UndecodableCp932, i);
    if (!append(result.text, c)) return fail(BridgeError::SurrogateInUtf8, i);
    i += len;
  }
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

Cp932Text Utf8ToCp932(std::string_view utf8) {
  return ToCp932(utf8.size(), [utf8](std::size_t i, char32_t& c) {
    return DecodeUtf8(utf8, i, c);
  });
}

Cp932Text Utf16ToCp932(std::u16string_view utf16) {
  return ToCp932(utf16.size(), [utf16](std::size_t i, char32_t& c) {
    return DecodeUtf16(utf16, i, c);
  });
}

UnicodeText<std::string> Cp932ToUtf8(std::string_view cp932, const Placeholders& placeholders) {
  return FromCp932<std::string>(cp932, placeholders, [](std::string& out, char32_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    AppendUtf8(out, c);
    return true;
  });
}

UnicodeText<std::u16string> Cp932ToUtf16(std::string_view cp932,
                                         const Placeholders& placeholders) {
  return FromCp932<std::u16string>(cp932, placeholders, [](std::u16string& out, char32_t c) {
    AppendUtf16(out, c);
    return true;
  });
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

#ifdef _WIN32

std::wstring Widen(std::string_view text, unsigned codePage) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), size, nullptr, nullptr);
  return narrow;
}

#endif

}  // namespace kestrilon::unicode
