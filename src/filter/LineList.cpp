#include "LineList.h"

#include <algorithm>

namespace kestrilon::filter {

std::string NormalizeLineBreaks(std::string_view text) {
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) {
      out.append(text, i);
      out += "\r\n";
      break;
    }
    out.append(text, i, end - i);
    out += "\r\n";
    i = end;
    if (text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return out;
}

bool IsNormalized(std::string_view text) {
  const std::size_t n = text.size();
  if (n == 0) return true;
  if (n < 2 || text[n - 2] != '\r' || text[n - 1] != '\n') return false;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (static_cast<unsigned char>(c) > '\r') continue;
    if (c == '\0') return false;
    if (c == '\r') {
      if (text[i + 1] != '\n') return false;  // i + 1 < n: the text ends in CR LF
      ++i;
    } else if (c == '\n') {
      return false;  // an LF not after a CR
    }
  }
  return true;
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
