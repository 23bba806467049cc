#include "Strings.h"

#include <algorithm>

#include "CodePage932.h"
#include "Exceptions.h"

namespace kestrilon::framework {

bool SameText(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return filter::AsciiLowerOf(x) == filter::AsciiLowerOf(y);
         });
}

void TStrings::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit) {
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
  }
}

const std::string& TStrings::Strings(int index) const {
  CheckIndex(index, Count());
  return FItems[static_cast<std::size_t>(index)];
}

void TStrings::Put(int index, std::string_view text) {
  CheckIndex(index, Count());
  FItems[static_cast<std::size_t>(index)] = std::string(text);
  Changed();
}

int TStrings::Add(std::string_view text) {
  FItems.emplace_back(text);
  Changed();
  return Count() - 1;
}

void TStrings::Insert(int index, std::string_view text) {
  CheckIndex(index, Count() + 1);
  FItems.insert(FItems.begin() + index, std::string(text));
  Changed();
}

void TStrings::Delete(int index) {
  CheckIndex(index, Count());
  FItems.erase(FItems.begin() + index);
  Changed();
}

void TStrings::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

void TStrings::Move(int currentIndex, int newIndex) {
  CheckIndex(currentIndex, Count());
  CheckIndex(newIndex, Count());
  if (currentIndex == newIndex) return;
  std::string item = std::move(FItems[static_cast<std::size_t>(currentIndex)]);
  FItems.erase(FItems.begin() + currentIndex);
  FItems.insert(FItems.begin() + newIndex, std::move(item));
  Changed();
}

void TStrings::Exchange(int index1, int index2) {
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  std::swap(FItems[static_cast<std::size_t>(index1)], FItems[static_cast<std::size_t>(index2)]);
  Changed();
}

int TStrings::IndexOf(std::string_view text) const noexcept {
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    if (SameText(FItems[i], text)) return static_cast<int>(i);
  }
  return -1;
}

std::string TStrings::Text() const {
  std::string text;
  for (const std::string& item : FItems) {
    text += item;
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(std::string_view text) {
  std::vector<std::string> items;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      items.emplace_back(text.substr(pos));
      break;
    }
    items.emplace_back(text.substr(pos, end - pos));
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  FItems = std::move(items);
  Changed();
}

void TStrings::Assign(const TPersistent& source) {
  if (const auto* strings = dynamic_cast<const TStrings*>(&source)) {
    if (strings == this) return;
    FItems = strings->FItems;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

void TStrings::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0 && FChangedInUpdate) {
    FChangedInUpdate = false;
    if (FOnChange) FOnChange();
  }
}

void TStrings::Changed() {
  if (FUpdateCount > 0) {
    FChangedInUpdate = true;
    return;
  }
  if (FOnChange) FOnChange();
}

void TStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end());
  Changed();
}

}  // namespace kestrilon::framework
