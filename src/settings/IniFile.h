// INI files in the standard layout ("[section]" lines, then "key=value" lines), as bytes in
// code page 932. Reads what the Windows private-profile functions write and writes what they
// read back, so a file may be edited by hand or by either side. Saving replaces the whole file
// in one step; a save that fails leaves the old file as it was.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <stdexcept>

namespace kestrilon::settings {

// Raised when a file can't be written (message "<path> に書き込めません") or when a name or
// value can't be stored in the standard layout. The message (what()) is UTF-8, ready for the
// user. A standard exception, so that the file layer needs nothing of the GUI framework: the
// application's handler shows any exception's message.
class EIniFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The longest string a read returns, in bytes: the private-profile read buffer holds 2048 bytes
// with its final NUL. A longer value is cut, never inside a two-byte character.
inline constexpr std::size_t kMaxIniString = 2047;
// No cut at all: for a value of the program's own that may grow long (a list of names).
inline constexpr std::size_t kWholeValue = static_cast<std::size_t>(-1);

// The integer encoding of the file: text longer than two characters that begins with "0x" or
// "0X" is hexadecimal (up to 8 digits, read as the 32-bit pattern, so "0xFFFFFFFF" is -1);
// anything else must be an optional "+" or "-" and decimal digits within the int range.
// Any other text, the empty text included, gives default_value. No blanks are skipped.
int ParseIniInteger(std::string_view text, int default_value);

// The in-memory form of one INI text. Every line is kept as it came, with its own line end, so
// serialising gives back the same bytes except where a value was set. Parsing never fails:
// a line that is neither a section header nor "key=value" is kept and otherwise ignored.
//
// Lines end at CR LF, LF or a lone CR. Names are compared without regard to ASCII case (and to
// the case of full-width Latin, Greek and Cyrillic letters), never across a two-byte character.
// Blanks around section names, key names and values are ignored. Only the first section of a
// name is used, and in it the first key of a name. A UTF-8 byte-order mark is skipped and kept.
class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string_view text);

  // The raw value of the key (blanks around it removed, quotes and NUL kept), or nullptr when
  // the section or the key is missing. Valid until the next change of the document.
  const std::string* Find(std::string_view section, std::string_view key) const;

  // The value as the private-profile functions return it: one pair of surrounding double or
  // single quotes removed, cut at a NUL and at max_bytes (never inside a two-byte character).
  // default_value if missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value,
                         std::size_t max_bytes = kMaxIniString) const;
  int ReadInteger(std::string_view section, std::string_view key, int default_value) const;
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;
  bool SectionExists(std::string_view section) const;
  // For names chosen at run time (see Presets.h). The rest of the name of each section whose name
  // begins with prefix (compared as names are, whole characters only), in file order, each name
  // once. The names of the keys of a section, in file order, each once; empty when it's missing.
  std::vector<std::string> SectionsStartingWith(std::string_view prefix) const;
  std::vector<std::string> KeyNames(std::string_view section) const;

  // Sets the value: an existing key's line is rewritten in place (left alone if it already holds
  // that value), a new key goes after the last non-blank line of its section, a new section goes
  // at the end of the text. A value with blanks at either end, or one that would otherwise lose
  // its quotes on reading, is written inside double quotes so that it reads back unchanged.
  // Throws EIniFileError (naming where_for_errors) for what the layout can't hold: a value with
  // a line break or NUL; an empty key, or one with "=", a line break, NUL, blanks at either end
  // or a leading "["; an empty section, or one with "]", a line break, NUL or blanks at an end.
  void Write(std::string_view section, std::string_view key, std::string_view value,
             std::string_view where_for_errors = {});

  // Removes every section of that name: its header and all its lines, comments and blank lines
  // included. Nothing happens when there is none.
  void EraseSection(std::string_view section);

  std::string Text() const;

 private:
  enum class Kind { Other, Section, Key };
  struct Line {
    std::string text;  // without its line end
    std::string eol;   // "\r\n", "\n", "\r", or "" for a last line without one
    Kind kind = Kind::Other;
    std::string name;   // section or key name, blanks removed
    std::string value;  // key lines: the value, blanks removed
  };
  static Line MakeLine(std::string text, std::string eol);
  // [begin, end) line indices of the body of the first section of that name; begin is npos if
  // there is none. The body starts after the header line.
  std::pair<std::size_t, std::size_t> SectionBody(std::string_view section) const;
  std::size_t FindKeyLine(std::string_view section, std::string_view key) const;

  std::string FBom;  // a UTF-8 byte-order mark at the start, kept as it was
  std::vector<Line> FLines;
};

// One INI file. Constructing touches nothing; the file is read at the first read or write.
// Writes change the values seen by later reads at once, and reach the file at UpdateFile.
//
// A path without any folder is looked for, as the private-profile functions do, in the Windows
// folder on Windows (in the current folder elsewhere). On Windows, build the path from a wide
// string; elsewhere a narrow path is taken as it is (UTF-8).
//
// A missing or unreadable file reads as empty: every read gives its default.
class IniFile {
 public:
  explicit IniFile(std::filesystem::path path);

  const std::filesystem::path& FileName() const { return FPath; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value, std::size_t max_bytes = kMaxIniString);
  int ReadInteger(std::string_view section, std::string_view key, int default_value);
  bool ReadBool(std::string_view section, std::string_view key, bool default_value);
  bool SectionExists(std::string_view section);
  // True when the section holds the key, whatever its value.
  bool ValueExists(std::string_view section, std::string_view key);
  // The file's text as read, with the writes made since; for the reads IniDocument offers beside
  // these. Valid until the next write.
  const IniDocument& Contents() { return Document(); }

  // Integers are written in decimal, Booleans as "1" or "0", strings as they are (see
  // IniDocument::Write for the names and values that throw EIniFileError).
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // Removes the section (IniDocument::EraseSection); reaches the file at UpdateFile, as writes do.
  void EraseSection(std::string_view section);

  // Puts the writes made since the last UpdateFile into the file. The file is read again first,
  // so that lines changed meanwhile by someone else stay as they are unless written here; then
  // the whole new text goes to a temporary file in the same folder, which replaces the file in
  // one step. Throws EIniFileError "<path> に書き込めません" if any of that fails (a file that
  // exists but can't be read, is marked read-only or is UTF-16, included); the file is then
  // unchanged and the writes stay pending. Does nothing when there are no pending writes.
  void UpdateFile();

  // Dropping an IniFile with pending writes discards them: a destructor can't report a failure.
  ~IniFile() = default;
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

 private:
  struct PendingWrite {
    std::string section, key, value;
    bool erase_section = false;  // then key and value are unused
  };
  IniDocument& Document();
  std::string WhereForErrors() const;

  std::filesystem::path FPath;      // as given
  std::filesystem::path FResolved;  // where the file really is
  bool FLoaded = false;
  IniDocument FDocument;
  std::vector<PendingWrite> FPending;
};

}  // namespace kestrilon::settings
