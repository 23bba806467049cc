// TAutoIni: saves the values of all option controls of its owner form to an INI file and loads
// them back, with no code per control. It walks the owner's tree of child controls and handles
// each control by its class, the control's Name being the key; it can also keep the form's
// position and size.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "Components.h"
#include "Controls.h"
#include "IniFile.h"

namespace kestrilon::settings {

// The kinds of control that can be handled, in ordinal order.
enum TCheckControl {
  ccEdit,
  ccCheckBox,
  ccRadioButton,
  ccRadioGroup,
  ccListBox,
  ccComboBox,
  ccColor,
  ccHotKey
};

// A set of TCheckControl: bit 0 is ccEdit ... bit 7 is ccHotKey.
class TCheckControls {
 public:
  constexpr TCheckControls() = default;
  constexpr TCheckControls(std::initializer_list<TCheckControl> members) {
    for (const TCheckControl m : members) FBits |= Bit(m);
  }
  static constexpr TCheckControls All() { return FromBits(0xFF); }
  static constexpr TCheckControls FromBits(std::uint8_t bits) {
    TCheckControls s;
    s.FBits = bits;
    return s;
  }
  constexpr std::uint8_t Bits() const { return FBits; }
  constexpr bool Contains(TCheckControl m) const { return (FBits & Bit(m)) != 0; }
  constexpr void Include(TCheckControl m) { FBits = static_cast<std::uint8_t>(FBits | Bit(m)); }
  constexpr void Exclude(TCheckControl m) { FBits = static_cast<std::uint8_t>(FBits & ~Bit(m)); }
  constexpr bool operator==(const TCheckControls&) const = default;

 private:
  static constexpr std::uint8_t Bit(TCheckControl m) { return static_cast<std::uint8_t>(1u << m); }
  std::uint8_t FBits = 0;
};

// What becomes of a character that code page 932 lacks when a text is written.
enum class Unstorable {
  Refuse,          // the write throws EIniFileError naming the key
  AsQuestionMark,  // it is written as "?", as the system's ANSI functions write it
};
// A text value in UTF-8 kept in the file in code page 932, as the form's edit boxes are.
void WriteText(IniFile& ini, const std::string& section, const std::string& key,
               std::string_view utf8, Unstorable unstorable = Unstorable::Refuse);
// The text, or nothing when the file has no such key or its value isn't code page 932. Cut as the
// private-profile functions cut it, unless max_bytes says otherwise (kWholeValue: never).
std::optional<std::string> ReadText(IniFile& ini, const std::string& section,
                                    const std::string& key, std::size_t max_bytes = kMaxIniString);

class TAutoIni : public framework::TComponent {
 public:
  // Base construction, then CheckControls := all eight members.
  explicit TAutoIni(framework::TComponent* owner);

  // The section that holds all keys (UTF-8; written to the file in code page 932, a character
  // that code page lacks as "?", as the system's ANSI functions do). Empty at a save or load:
  // it becomes the executable's file name (with extension), and stays so.
  const std::string& Section() const noexcept { return FSection; }
  void SetSection(std::string_view section) { FSection = std::string(section); }
  // The INI file's name relative to the executable's folder (UTF-8). Empty: the executable's
  // path with the extension ".ini".
  const std::string& AIniFileName() const noexcept { return FAIniFileName; }
  void SetAIniFileName(std::string_view name) { FAIniFileName = std::string(name); }
  TCheckControls CheckControls() const noexcept { return FCheckControls; }
  void SetCheckControls(TCheckControls controls) noexcept { FCheckControls = controls; }
  // Save and restore the owner form's Top and Left; with CheckWinSize too, its Height and Width.
  bool CheckWinState() const noexcept { return FCheckWinState; }
  void SetCheckWinState(bool value) noexcept { FCheckWinState = value; }
  bool CheckWinSize() const noexcept { return FCheckWinSize; }
  void SetCheckWinSize(bool value) noexcept { FCheckWinSize = value; }
  // Handle only controls whose Tag equals EnableTag (containers are walked regardless).
  bool CheckTag() const noexcept { return FCheckTag; }
  void SetCheckTag(bool value) noexcept { FCheckTag = value; }
  int EnableTag() const noexcept { return FEnableTag; }
  void SetEnableTag(int value) noexcept { FEnableTag = value; }
  // Reduce the INI path to its bare file name, which puts the file in the Windows folder.
  bool MakeIniWinDir() const noexcept { return FMakeIniWinDir; }
  void SetMakeIniWinDir(bool value) noexcept { FMakeIniWinDir = value; }

  // Writes the form's position (if selected) and every handled control to the INI file, all in
  // one replacement of the file. On failure: the box "Can not save to IniFile", then the error
  // goes on to the caller unchanged (EIniFileError "<path> に書き込めません" when the file can't
  // be written; framework::EInvalidCast when the owner isn't a form or windowed control). The
  // file is then as it was before.
  void SaveIni();
  // Reads them back; a missing file, section or key, or a value that doesn't parse, leaves the
  // control as it is (the form's Top and Left become 0), except that a hot key's text that doesn't
  // parse is no key (framework::HotKeyFromText). On failure: "Can not load from
  // IniFile", then the error goes on.
  void LoadIni();

  // The full INI path worked out at the start of the last save or load.
  const std::filesystem::path& IniPath() const noexcept { return FIniPath; }

  // Seams. The executable's path: on Windows GetModuleFileNameW; elsewhere none, so a caller
  // (a test) sets it. The message box: on Windows a MessageBoxW; elsewhere standard error.
  std::function<std::filesystem::path()> ExecutablePath;
  std::function<void(const std::string& message)> ShowMessage;
  // Keys of the owner's own beside its controls' (a list no control holds as a value): called
  // after the controls, with the file and the section (in code page 932), in the same save or
  // load, so that a failure is reported as theirs is.
  std::function<void(IniFile& ini, const std::string& section)> OnSaveIni;
  std::function<void(IniFile& ini, const std::string& section)> OnLoadIni;

 private:
  enum class Direction { Save, Load };
  void WorkOutPathAndSection();
  void TellUser(const char* message) noexcept;
  void WalkControls(framework::TComponent* container, Direction direction, IniFile& ini,
                    const std::string& section);

  std::string FSection;
  std::string FAIniFileName;
  TCheckControls FCheckControls;
  bool FCheckWinState = false;
  bool FCheckWinSize = false;
  bool FCheckTag = false;
  int FEnableTag = 0;
  bool FMakeIniWinDir = false;
  std::filesystem::path FIniPath;
};

}  // namespace kestrilon::settings
