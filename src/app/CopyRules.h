// What the program decides about a copy apart from the clipboard itself: whose copies are left
// alone, and what an undo would put back. Portable, so that its rules are tested natively.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrilon::app {

// Whether two program file names are the same program: ASCII letters compared without regard to
// case, as Windows compares file names; other characters as they are.
bool SameProgramName(std::string_view a, std::string_view b) noexcept;

// Program file names ("EXCEL.EXE"), in UTF-8, as the user gave them, each program once.
class ProgramList {
public:
  // The INI value: names separated by ";", blanks around each dropped, empty ones skipped, a
  // repeated one kept once.
  static ProgramList Parse(std::string_view value);
  // The INI value: the names joined by ";".
  std::string Joined() const;

  const std::vector<std::string>& Names() const noexcept { return FNames; }
  // Adds a name (blanks around it dropped). False when it is empty, holds ";" (it could not
  // be read back) or is there already.
  bool Add(std::string_view name);
  // Removes the name at index; an index outside the list changes nothing.
  void Remove(std::size_t index);
  bool Contains(std::string_view name) const noexcept;

  bool operator==(const ProgramList&) const = default;

private:
  std::vector<std::string> FNames;
};

// What became of one copy made by another program.
enum class CopyOutcome {
  Filtered,   // rewritten and put back
  Unchanged,  // filtering changed nothing: the clipboard kept as the program made it
  Private,    // marked private by its program: never read
  Excluded,   // made by a program on the exclusion list
  Untouched,  // paused, no text, or a text the filter can't carry: left as it was
};

// The text as it was copied before the last filtering, in memory only, for that filtering only.
// Any later copy makes it stale: putting it back then would replace the newer copy.
class UndoMemory {
public:
  // Keeps the original of a filtered copy; every other outcome forgets what was kept.
  void Record(CopyOutcome outcome, std::u16string original = {}, std::string ansi = {});
  bool CanUndo() const noexcept { return FKept; }
  // The original as copied (Unicode), and the form ANSI readers get.
  const std::u16string& Original() const noexcept { return FOriginal; }
  const std::string& Ansi() const noexcept { return FAnsi; }
  // After the undo: the clipboard holds the original, nothing more to put back.
  void Forget() noexcept;

private:
  bool FKept = false;
  std::u16string FOriginal;
  std::string FAnsi;
};

}  // namespace kestrilon::app
