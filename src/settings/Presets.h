// Presets: named sets of all the filter settings, the one in use, and a preset per program, kept
// in the INI file beside the user's own section. Needs nothing above the filter (kestrilon-filter
// reads presets without the GUI framework).
//
// Layout. For the user's section [S] (the active settings under the dialog's keys, as before),
// three kinds of section derived from its name with ":", which no Windows user name and no file
// name holds:
//
//   [S:Presets]                   Active=<name>      the preset in use; no key: none
//   [S:Preset:<name>]             one per preset, in the book's order: HotKey=<text> and every
//                                 setting of filter::AllSettings() under its own name, as in [S]
//   [S:Programs]                  <program>=<name>   the programs given a preset
//
// Every user-given text (<name>, <program>, the HotKey text) is written as its UTF-8 bytes with
// each byte other than an ASCII letter, a digit, one of - _ . + ( ) ! ~ , & @ or an inner space as
// %XX (upper-case hex), so only ASCII reaches the file and no name can end a section, start a
// comment or lose a blank; a plain ASCII name reads as itself. For example, the presets "Web form"
// (Ctrl+Alt+1, half-width digits) and "江[1]" (no key), the first in use and given to EXCEL.EXE:
//
//   [taro:Presets]
//   Active=Web form
//
//   [taro:Preset:Web form]
//   HotKey=Ctrl+Alt+1
//   NumberMode=1
//   AlphabetMode=0
//   ...                                       (every setting)
//
//   [taro:Preset:%E6%B1%9F%5B1%5D]
//   HotKey=
//   ...
//
//   [taro:Programs]
//   EXCEL.EXE=Web form
//
// Reading is lenient with what a person typed: a "%" must be followed by two hex digits (either
// case), any other character stands for itself (code page 932 text included). An entry that
// doesn't decode to a valid name (see PresetBook::Add), names a preset twice (the first wins),
// or gives a program a preset that isn't there is skipped; a missing or unreadable setting in a
// preset's section has its default, a radio group's index is clamped as the dialog's loading
// clamps it. Nothing in a damaged entry throws or touches the rest of the file.
//
// Names are compared as the file compares them: ASCII letters without regard to case, every
// other character exactly ("Web" and "WEB" are one preset; "ö" and "Ö" are two).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "IniFile.h"
#include "Settings.h"

namespace kestrilon::settings {

struct Preset {
  std::string name;  // UTF-8
  filter::FilterSettings settings;
  std::string hot_key;  // its text form ("Ctrl+Alt+1"), as the app keeps keys; empty: none
  bool operator==(const Preset&) const = default;
};

// A program given a preset: its file name ("EXCEL.EXE") and the preset's name, both UTF-8.
struct ProgramPreset {
  std::string program;
  std::string preset;
  bool operator==(const ProgramPreset&) const = default;
};

// What a change of a PresetBook gives; on anything but Ok the book is unchanged.
enum class PresetResult {
  Ok,
  EmptyName,      // the name (or program) is empty
  InvalidName,    // not valid UTF-8, or holds a control character (U+0000 to U+001F, U+007F)
  DuplicateName,  // another preset already has that name
  NotFound,       // no preset of that name
};

// Whether two preset names (or program names) are the same, as described above.
bool SamePresetName(std::string_view a, std::string_view b);

class PresetBook {
 public:
  // In the order they were added (a rename keeps the place): the tray menu's order.
  const std::vector<Preset>& Presets() const { return FPresets; }
  const Preset* Find(std::string_view name) const;
  // For changing a preset's settings or key in place; its name changes only through Rename.
  Preset* FindSettings(std::string_view name);

  // Appends the preset. EmptyName, InvalidName or DuplicateName as its name says.
  PresetResult Add(Preset preset);
  // Gives the preset a new name (the same name in another case included); the active preset
  // and the programs that name it follow. NotFound, then the new name's checks as for Add.
  PresetResult Rename(std::string_view from, std::string_view to);
  // Removes the preset; if it was active none is, and the programs given it are dropped from the
  // per-program choices (they get the active settings again). NotFound when there is none.
  PresetResult Remove(std::string_view name);

  // The name of the preset in use as the book stores it; empty: none.
  const std::string& Active() const { return FActive; }
  // Empty for none; otherwise NotFound unless the preset exists.
  PresetResult SetActive(std::string_view name);

  // Programs given a preset, in the order they were given one.
  const std::vector<ProgramPreset>& Programs() const { return FPrograms; }
  // Gives the program a preset, or (preset empty) takes its choice away. The program's name is
  // checked as a preset's name is (EmptyName, InvalidName); NotFound when there is no such
  // preset. Giving a program that already has one another replaces it, in its place.
  PresetResult SetProgramPreset(std::string_view program, std::string_view preset);
  // The preset a program was given, or nullptr. same compares a listed program name with the
  // program's (the app passes its own rule); by default SamePresetName.
  const Preset* PresetForProgram(
      std::string_view program,
      const std::function<bool(std::string_view listed, std::string_view program)>& same = {})
      const;

  bool operator==(const PresetBook&) const = default;

 private:
  std::vector<Preset> FPresets;
  std::string FActive;
  std::vector<ProgramPreset> FPrograms;
};

// The settings under the dialog's keys in a section, each missing or unreadable one as in base;
// radio groups clamped, check boxes any nonzero number on, as the dialog's loading reads them.
filter::FilterSettings ReadFilterSettings(const IniDocument& doc, std::string_view section,
                                          filter::FilterSettings base = {});

// The presets of the user's section (code page 932 bytes, as the app passes sections) as laid out
// above. A file without them gives an empty book. Never throws on the file's content.
PresetBook ReadPresets(const IniDocument& doc, std::string_view section);
PresetBook ReadPresets(IniFile& ini, std::string_view section);

// Replaces the user's preset sections with the book's (they go to the end of the file, in the
// book's order; [S:Presets] and [S:Programs] only when there is something to hold). A preset
// section whose name doesn't read stays as it is; what else didn't read is dropped. The user's
// own section is not touched. Reaches the file at ini.UpdateFile(). Throws
// EIniFileError only as IniFile's writes do (a section name that can't be written).
void WritePresets(IniFile& ini, std::string_view section, const PresetBook& book);

}  // namespace kestrilon::settings
