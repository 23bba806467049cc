// String lists: an ordered list of UTF-8 strings with a change notice, as the controls' Items and
// the components' name lists use them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Components.h"

namespace kestrilon::framework {

// Equal texts, ASCII letters compared without case (as names and string-list entries are).
bool SameText(std::string_view a, std::string_view b) noexcept;

class TStrings : public TPersistent {
 public:
  TStrings() = default;
  ~TStrings() override = default;

  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  // Index 0 to Count()-1; any other index throws EStringListError naming it.
  const std::string& Strings(int index) const;
  const std::string& operator[](int index) const { return Strings(index); }
  void Put(int index, std::string_view text);

  // Appends; returns the new item's index.
  int Add(std::string_view text);
  // Index 0 to Count() (Count() appends).
  void Insert(int index, std::string_view text);
  void Delete(int index);
  void Clear();
  void Move(int currentIndex, int newIndex);
  void Exchange(int index1, int index2);
  // First item equal to text, ASCII letters compared without case; -1 when none.
  int IndexOf(std::string_view text) const noexcept;

  // Every item followed by CR LF. SetText splits at CR LF, lone CR and lone LF; a final line
  // break doesn't make an empty last item.
  std::string Text() const;
  void SetText(std::string_view text);

  // Copies the items of another string list; any other source throws EConvertError.
  void Assign(const TPersistent& source) override;
  bool Equals(const TStrings& other) const noexcept { return FItems == other.FItems; }

  // Called after every change; between BeginUpdate and the matching EndUpdate, once at the end.
  void SetOnChange(std::function<void()> handler) { FOnChange = std::move(handler); }
  void BeginUpdate() noexcept { ++FUpdateCount; }
  void EndUpdate();

  std::vector<std::string>::const_iterator begin() const noexcept { return FItems.begin(); }
  std::vector<std::string>::const_iterator end() const noexcept { return FItems.end(); }

 protected:
  void Changed();
  std::vector<std::string> FItems;

 private:
  void CheckIndex(int index, int limit) const;
  std::function<void()> FOnChange;
  int FUpdateCount = 0;
  bool FChangedInUpdate = false;
};

class TStringList : public TStrings {
 public:
  // Orders the items by byte value (stable).
  void Sort();
};

}  // namespace kestrilon::framework
