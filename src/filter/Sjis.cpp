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
  std::size_t pos = rest.find(pattern);
  while (pos != std::string_view::npos) {
    if (!IsSecondByte(rest, pos)) return from + pos;
    // A hit on a lead byte that is itself a second byte: the next character starts after it.
    pos = rest.find(pattern, pos + (IsLeadByte(static_cast<unsigned char>(rest[pos])) ? 2 : 1));
  }
  return std::string_view::npos;
}

std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement) {
  std::string out;
  if (pattern.empty()) return std::string(text);
  out.reserve(text.size() + (replacement.size() > pattern.size() ? text.size() / 8 : 0));
  std::size_t i = 0;
  for (;;) {
    const std::size_t hit = FindPattern(text, pattern, i);
    if (hit == std::string_view::npos) break;
    out.append(text, i, hit - i);
    out.append(replacement);
    i = hit + pattern.size();
  }
  out.append(text, i);
  return out;
}

}  // namespace kestrilon::filter
