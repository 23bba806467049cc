// Tests write Japanese text as UTF-8; these turn it into code page 932 bytes and back (iconv), so
// a reader sees 「がっこう」 rather than hex.
#pragma once

#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <string_view>

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

}  // namespace kestrilon::filter::test
