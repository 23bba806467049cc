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

void LineList::Load(std::string_view text) { joined_ = NormalizeLineBreaks(text); }

std::size_t LineList::Count() const {
  // Every line ends in CR LF and no line holds an LF, so the LFs count the lines.
  return static_cast<std::size_t>(std::count(joined_.begin(), joined_.end(), '\n'));
}

}  // namespace kestrilon::filter
