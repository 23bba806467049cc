// Tests write Japanese text as UTF-8; Sjis() turns it into the code page 932 bytes the INI file
// holds, so a reader sees 「田中」 rather than hex.
#pragma once

#include <iconv.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrilon::settings::test {

inline std::string Sjis(std::string_view utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  std::string out(utf8.size() * 2 + 8, '\0');
  char* src = const_cast<char*>(utf8.data());
  std::size_t src_left = utf8.size();
  char* dst = out.data();
  std::size_t dst_left = out.size();
  const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) throw std::runtime_error("not convertible to CP932");
  out.resize(out.size() - dst_left);
  return out;
}

}  // namespace kestrilon::settings::test
