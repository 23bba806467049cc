#include "CopyRules.h"

#include <algorithm>

#include "CodePage932.h"

namespace kestrilon::app {

namespace {

// One character of UTF-8 text at text[i], moving i past it; a byte that begins no character is
// taken alone, as U+FFFD.
char32_t NextCodePoint(std::string_view text, std::size_t& i) noexcept {
  const auto b = static_cast<unsigned char>(text[i]);
  const std::size_t length = b < 0x80           ? 1
                             : (b >> 5) == 0x6  ? 2
                             : (b >> 4) == 0xE  ? 3
                             : (b >> 3) == 0x1E ? 4
                                                : 0;
  if (length == 0 || i + length > text.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t c = length == 1 ? b : b & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = c << 6 | (next & 0x3F);
  }
  i += length;
  return c;
}

constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";

std::string_view Trimmed(std::string_view s) noexcept {
  for (;;) {
    if (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    else if (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    else if (s.starts_with(kFullWidthSpace)) s.remove_prefix(kFullWidthSpace.size());
    else if (s.ends_with(kFullWidthSpace)) s.remove_suffix(kFullWidthSpace.size());
    else return s;
  }
}

}  // namespace

bool SameAsciiLetter(char32_t a, char32_t b) noexcept {
  return filter::AsciiUpperOf(a) == filter::AsciiUpperOf(b);
}

bool SameProgramName(std::string_view listed, std::string_view name, SameLetter same) {
  std::size_t i = 0, j = 0;
  while (i < listed.size() && j < name.size()) {
    const char32_t wanted = NextCodePoint(listed, i);
    const char32_t c = NextCodePoint(name, j);
    if (wanted != U'?' && wanted != c && !same(wanted, c)) return false;
  }
  return i == listed.size() && j == name.size();
}

std::string ProgramFileName(std::string_view typed) {
  std::string_view name = Trimmed(typed);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
    name = Trimmed(name.substr(1, name.size() - 2));
  // UTF-8: no byte of a longer character is a slash.
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string_view::npos) name = Trimmed(name.substr(slash + 1));
  return std::string(name);
}

ProgramList ProgramList::Parse(std::string_view value, SameLetter same) {
  ProgramList list(same);
  while (!value.empty()) {
    const std::size_t end = std::min(value.find(';'), value.size());
    list.Add(value.substr(0, end));
    value.remove_prefix(std::min(end + 1, value.size()));
  }
  return list;
}

std::string ProgramList::Joined() const {
  std::string joined;
  for (const std::string& name : FNames) {
    if (!joined.empty()) joined += ';';
    joined += name;
  }
  return joined;
}

bool ProgramList::Add(std::string_view typed) {
  const std::string name = ProgramFileName(typed);
  if (name.empty() || name.find(';') != std::string::npos || Contains(name)) return false;
  FNames.push_back(name);
  return true;
}

void ProgramList::Remove(std::size_t index) {
  if (index < FNames.size()) FNames.erase(FNames.begin() + static_cast<std::ptrdiff_t>(index));
}

bool ProgramList::Contains(std::string_view name) const noexcept {
  return std::any_of(FNames.begin(), FNames.end(),
                     [&](const std::string& n) { return SameProgramName(n, name, FSame); });
}

void CopyPair::Record(CopyOutcome outcome, TextVersion original, TextVersion filtered) {
  if (outcome != CopyOutcome::Filtered) {
    Forget();
    return;
  }
  FOriginal = std::move(original);
  FFiltered = std::move(filtered);
  FShowingOriginal = false;
  FActive = true;
}

namespace {

void Wipe(TextVersion& version) noexcept {
  std::fill(version.text.begin(), version.text.end(), u'\0');
  version.text.clear();
  version.text.shrink_to_fit();
  std::fill(version.ansi.begin(), version.ansi.end(), '\0');
  version.ansi.clear();
  version.ansi.shrink_to_fit();
}

}  // namespace

void CopyPair::Forget() noexcept {
  FActive = false;
  FShowingOriginal = false;
  // Nothing of a private or stale text stays in memory longer than needed.
  Wipe(FOriginal);
  Wipe(FFiltered);
}

}  // namespace kestrilon::app
