#include "TrayTypes.h"

namespace kestrilon::tray {

std::string TipTextFor(std::string_view text, bool shell5OrLater, LeadBytePredicate isLead) {
  if (shell5OrLater) return std::string(filter::CutToWholeCharacters(text, 127, isLead));
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
  return std::string(filter::CutToWholeCharacters(oneLine, 63, isLead));
}

}  // namespace kestrilon::tray
