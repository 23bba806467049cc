// What the program decides about a copy apart from the clipboard itself: whose copies are left
// alone, and what an undo would put back. Portable, so that its rules are tested natively.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrilon::app {

// Whether two characters are the same letter whatever their case. The program passes the
// system's ordinal comparison, which knows every script; without it only ASCII letters fold.
using SameLetter = bool (*)(char32_t a, char32_t b);
bool SameAsciiLetter(char32_t a, char32_t b) noexcept;

// Whether a listed program name (UTF-8) matches a program's file name: character by character,
// case ignored as same says; a "?" in the listed name stands for any one character. A name that
// the INI file's code page cannot hold is saved with "?" for each character it lacks, and "?" is
// never part of a real file name, so the saved list still matches the program.
bool SameProgramName(std::string_view listed, std::string_view name,
                     SameLetter same = SameAsciiLetter);

// The file name alone, as the user may give it: blanks (ASCII or full-width) and one pair of
// double quotes around it dropped, and a folder before it ("C:\Tools\x.exe", as the
// explorer's "copy as path" gives it) taken off.
std::string ProgramFileName(std::string_view typed);

// Program file names ("EXCEL.EXE"), in UTF-8, as the user gave them, each program once.
class ProgramList {
 public:
  explicit ProgramList(SameLetter same = SameAsciiLetter) : FSame(same) {}
  // The INI value: names separated by ";", each reduced to its file name, empty ones skipped, a
  // repeated one kept once.
  static ProgramList Parse(std::string_view value, SameLetter same = SameAsciiLetter);
  // The INI value: the names joined by ";".
  std::string Joined() const;

  const std::vector<std::string>& Names() const noexcept { return FNames; }
  // Adds a name (reduced to its file name). False when that is empty, holds ";" (it could not
  // be read back) or is there already.
  bool Add(std::string_view name);
  // Removes the name at index; an index outside the list changes nothing.
  void Remove(std::size_t index);
  bool Contains(std::string_view name) const noexcept;

  bool operator==(const ProgramList& other) const { return FNames == other.FNames; }

 private:
  SameLetter FSame;
  std::vector<std::string> FNames;
};

// What became of one copy made by another program.
enum class CopyOutcome {
  Filtered,     // rewritten and put back
  Unchanged,    // filtering changed nothing: the clipboard kept as the program made it
  Private,      // marked private by its program: never read
  Excluded,     // made by a program on the exclusion list
  Untouched,    // paused, no text, or a text the filter can't carry: left as it was
  Superseded,   // a newer copy came while it was filtered: not written, left to the newer one
  WriteFailed,  // the write failed: the copy was put back as it was made
};

// One version of a copy's text: as Unicode, and the form ANSI readers get, which may be left
// empty to be made from the Unicode text when it is written.
struct TextVersion {
  std::u16string text;
  std::string ansi;
};

// The two versions of the last filtered copy, as copied and as filtered, in memory only, for
// that copy only. A swap puts back the one the clipboard doesn't hold; any later copy makes both
// stale: putting one back then would replace the newer copy.
class CopyPair {
 public:
  // Keeps both versions of a filtered copy, the filtered one on the clipboard; every other
  // outcome forgets what was kept.
  void Record(CopyOutcome outcome, TextVersion original = {}, TextVersion filtered = {});
  bool Active() const noexcept { return FActive; }
  // Whether the clipboard holds the original (after a swap) rather than the filtered text.
  bool ShowingOriginal() const noexcept { return FActive && FShowingOriginal; }
  // The version a swap puts back, and the one the clipboard holds now.
  const TextVersion& Next() const noexcept { return FShowingOriginal ? FFiltered : FOriginal; }
  const TextVersion& Current() const noexcept { return FShowingOriginal ? FOriginal : FFiltered; }
  // After a swap: the clipboard holds what Next() was.
  void Swapped() noexcept { FShowingOriginal = !FShowingOriginal; }
  void Forget() noexcept;

 private:
  bool FActive = false;
  bool FShowingOriginal = false;
  TextVersion FOriginal;
  TextVersion FFiltered;
};

}  // namespace kestrilon::app
