// Tests write Japanese text as UTF-8; these turn it into code page 932 bytes and back (iconv), so
// a reader sees 「がっこう」 rather than hex.
#pragma once

#include <iconv.h>
#include <unicode/unorm2.h>

#include <cerrno>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

#include "CodePage932.h"

namespace kestrilon::filter::test {

inline std::string Convert(std::string_view in, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  std::string out(in.size() * 4 + 8, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = out.data();
  std::size_t dst_left = out.size();
  const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) throw std::runtime_error("not convertible");
  out.resize(out.size() - dst_left);
  return out;
}

// UTF-8 test text to code page 932 bytes.
inline std::string Sjis(std::string_view utf8) { return Convert(utf8, "CP932", "UTF-8"); }

// Code page 932 bytes to UTF-8, for messages; bytes that don't decode are shown in hex.
inline std::string Utf8(std::string_view sjis) {
  try {
    return Convert(sjis, "UTF-8", "CP932");
  } catch (const std::exception&) {
    std::string hex;
    for (unsigned char c : sjis) {
      static const char digits[] = "0123456789ABCDEF";
      hex += "\\x";
      hex += digits[c >> 4];
      hex += digits[c & 15];
    }
    return hex;
  }
}

// A text normalised by ICU.
inline std::u32string Normalize(const UNormalizer2* (*instance)(UErrorCode*),
                                std::u32string_view in) {
  UErrorCode error = U_ZERO_ERROR;
  const UNormalizer2* form = instance(&error);
  std::u16string in16;
  for (char32_t c : in) {
    if (c > 0xFFFF) {
      in16 += static_cast<char16_t>(0xD800 | (c - 0x10000) >> 10);
      in16 += static_cast<char16_t>(0xDC00 | ((c - 0x10000) & 0x3FF));
    } else {
      in16 += static_cast<char16_t>(c);
    }
  }
  char16_t out[64];
  const int32_t n = unorm2_normalize(form, reinterpret_cast<const UChar*>(in16.data()),
                                     static_cast<int32_t>(in16.size()),
                                     reinterpret_cast<UChar*>(out), 64, &error);
  if (U_FAILURE(error)) throw std::runtime_error("normalisation failed");
  std::u32string result;
  for (int32_t i = 0; i < n; ++i) {
    if (out[i] >= 0xD800 && out[i] <= 0xDBFF && i + 1 < n) {
      result += static_cast<char32_t>(0x10000 + ((out[i] - 0xD800) << 10) + (out[i + 1] - 0xDC00));
      ++i;
    } else {
      result += out[i];
    }
  }
  return result;
}

// The Unicode compatibility mapping (NFKC) of one character: the width forms become their
// ordinary forms (Ａ → A, ｶ → カ, ･ → ・, ﾞ → the combining voiced mark); others stay.
inline std::u32string Nfkc(char32_t c) { return Normalize(unorm2_getNFKCInstance, {&c, 1}); }
// The canonical decomposition (NFD) of one character: ガ → カ and the combining voiced mark.
inline std::u32string Nfd(char32_t c) { return Normalize(unorm2_getNFDInstance, {&c, 1}); }
// The canonical composition (NFC) of a text: カ and the combining voiced mark → ガ.
inline std::u32string Nfc(std::u32string_view text) {
  return Normalize(unorm2_getNFCInstance, text);
}

// One character through the platform's own code page 932 mapping (iconv), the reference the
// character tables are checked against.
inline std::optional<char32_t> Decode(std::string_view sjis) {
  try {
    const std::string u = Convert(sjis, "UTF-32LE", "CP932");
    if (u.size() != 4) return std::nullopt;
    return static_cast<char32_t>(static_cast<unsigned char>(u[0]) |
                                 static_cast<unsigned char>(u[1]) << 8 |
                                 static_cast<unsigned char>(u[2]) << 16);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

inline std::optional<std::string> Encode(char32_t c) {
  const char bytes[4] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8 & 0xFF),
                         static_cast<char>(c >> 16 & 0xFF), 0};
  try {
    return Convert(std::string_view(bytes, 4), "CP932", "UTF-32LE");
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Every two-byte character that code page 932 assigns, with its Unicode character.
inline const std::map<std::uint16_t, char32_t>& AssignedCodes() {
  static const auto codes = [] {
    std::map<std::uint16_t, char32_t> m;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        const char b[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        if (auto u = Decode(std::string_view(b, 2)))
          m[static_cast<std::uint16_t>(lead << 8 | trail)] = *u;
      }
    }
    return m;
  }();
  return codes;
}

inline std::string Bytes(std::uint16_t code) {
  return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

// Bytes chosen so that lead bytes, the bytes of the patterns and their second bytes collide often.
inline std::string RandomText(std::mt19937& rng, std::size_t max_len) {
  static const unsigned char pool[] = {0x81, 0x40, 0x41, 0x42, 0x43, 0x69, 0x6A, 0x83,
                                       0x9F, 0xE0, 0xFC, 0x20, '&',  '<',  '>',  ',',
                                       '"',  'a',  0xB1, 0xDE, '\r', '\n'};
  std::uniform_int_distribution<std::size_t> len(0, max_len), pick(0, sizeof pool - 1);
  std::string s(len(rng), '\0');
  for (auto& c : s) c = static_cast<char>(pool[pick(rng)]);
  return s;
}

}  // namespace kestrilon::filter::test
