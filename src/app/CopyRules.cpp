#include "CopyRules.h"

#include <algorithm>

namespace kestrilon::app {

namespace {

char FoldAscii(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string_view Trimmed(std::string_view s) noexcept {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

bool SameProgramName(std::string_view a, std::string_view b) noexcept {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

ProgramList ProgramList::Parse(std::string_view value) {
  ProgramList list;
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

bool ProgramList::Add(std::string_view name) {
  name = Trimmed(name);
  if (name.empty() || name.find(';') != std::string_view::npos || Contains(name)) return false;
  FNames.emplace_back(name);
  return true;
}

void ProgramList::Remove(std::size_t index) {
  if (index < FNames.size()) FNames.erase(FNames.begin() + static_cast<std::ptrdiff_t>(index));
}

bool ProgramList::Contains(std::string_view name) const noexcept {
  return std::any_of(FNames.begin(), FNames.end(), [&](const std::string& n) { return SameProgramName(n, name); });
}

void UndoMemory::Record(CopyOutcome outcome, std::u16string original, std::string ansi) {
  if (outcome != CopyOutcome::Filtered) {
    Forget();
    return;
  }
  FOriginal = std::move(original);
  FAnsi = std::move(ansi);
  FKept = true;
}

void UndoMemory::Forget() noexcept {
  FKept = false;
  // Nothing of a private or stale text stays in memory longer than needed.
  std::fill(FOriginal.begin(), FOriginal.end(), u'\0');
  FOriginal.clear();
  FOriginal.shrink_to_fit();
  std::fill(FAnsi.begin(), FAnsi.end(), '\0');
  FAnsi.clear();
  FAnsi.shrink_to_fit();
}

}  // namespace kestrilon::app
