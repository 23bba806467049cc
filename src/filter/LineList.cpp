#include "LineList.h"

#include <algorithm>

namespace kestrilon::filter {

bool IsNormalized(std::string_view text) {
  const std::size_t n = text.size();
  if (n == 0) return true;
  if (n < 2 || text[n - 2] != '\r' || text[n - 1] != '\n') return false;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] > '\r') continue;  // the common case, kept to one test
    if (p[i] == '\0' || p[i] == '\n') return false;
    if (p[i] == '\r') {
      if (p[i + 1] != '\n') return false;  // i + 1 < n: the text ends in CR LF
      ++i;
    }
  }
  return true;
}

std::string NormalizeLineBreaks(std::string_view text) {
  if (IsNormalized(text)) return std::string(text);
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = i;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    out.append(text, i, end - i);
    out += "\r\n";
    i = end;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return out;
}

void LineList::Load(std::string_view text) { joined_ = NormalizeLineBreaks(text); }

void LineList::LoadResult(std::string&& text) {
  if (IsNormalized(text))
    joined_ = std::move(text);
  else
    joined_ = NormalizeLineBreaks(text);
}

std::size_t LineList::Count() const {
  // Every line ends in CR LF and no line holds an LF, so the LFs count the lines.
  return static_cast<std::size_t>(std::count(joined_.begin(), joined_.end(), '\n'));
}

}  // namespace kestrilon::filter
