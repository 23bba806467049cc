#include "TrayTypes.h"

namespace kestrilon::tray {

std::string CutToWholeCharacters(std::string_view text, std::size_t maxBytes, LeadBytePredicate isLead) {
  std::size_t end = 0;
  while (end < text.size()) {
    std::size_t length = isLead(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
    if (end + length > maxBytes) break;
    end += length;
  }
  return std::string(text.substr(0, end));
}

std::string TipTextFor(std::string_view text, bool shell5OrLater, LeadBytePredicate isLead) {
  if (shell5OrLater) return CutToWholeCharacters(text, 127, isLead);
  std::string oneLine;
  oneLine.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A CR LF pair only; the second byte of a double-byte character is never a CR or an LF.
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      oneLine += ' ';
      ++i;
    } else {
      oneLine += text[i];
    }
  }
  return CutToWholeCharacters(oneLine, 63, isLead);
}

}  // namespace kestrilon::tray
