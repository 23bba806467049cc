#include "Presets.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "CodePage932.h"
#include "UnicodeBridge.h"

namespace kestrilon::settings {
namespace {

constexpr std::string_view kPresetsSuffix = ":Presets";
constexpr std::string_view kPresetPrefix = ":Preset:";
constexpr std::string_view kProgramsSuffix = ":Programs";
constexpr std::string_view kActiveKey = "Active";
constexpr std::string_view kHotKeyKey = "HotKey";

std::string Cat(std::string_view a, std::string_view b) { return std::string(a).append(b); }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Kept as it is in the file: nothing the INI layout, a comment or a quote could take for its own.
bool KeptAsIs(std::string_view text, std::size_t i) {
  const char c = text[i];
  if (IsAsciiLetter(c) || (c >= '0' && c <= '9')) return true;
  if (c == ' ') return i != 0 && i + 1 != text.size();  // blanks at an end would be trimmed
  return std::string_view("-_.+()!~,&@").find(c) != std::string_view::npos;
}

std::string Encode(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (KeptAsIs(utf8, i)) {
      out += utf8[i];
    } else {
      const auto b = static_cast<unsigned char>(utf8[i]);
      out += {'%', kHex[b >> 4], kHex[b & 15]};
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ValidName(std::string_view name) {
  return std::none_of(name.begin(), name.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }) &&
         unicode::Utf8ToCp932(name).error != unicode::BridgeError::InvalidUtf8;
}

PresetResult CheckName(std::string_view name) {
  if (name.empty()) return PresetResult::EmptyName;
  return ValidName(name) ? PresetResult::Ok : PresetResult::InvalidName;
}

// The text a stored (code page 932) form stands for; nullopt if it doesn't decode or isn't a
// valid name. Characters other than "%XX" are code page 932 text a person may have typed.
std::optional<std::string> Decode(std::string_view stored) {
  std::string utf8;
  for (std::size_t i = 0; i < stored.size();) {
    const std::size_t n = filter::CharLength(stored, i);
    if (n == 1 && stored[i] == '%') {
      if (i + 2 >= stored.size() || HexDigit(stored[i + 1]) < 0 || HexDigit(stored[i + 2]) < 0)
        return std::nullopt;
      utf8 += static_cast<char>(HexDigit(stored[i + 1]) * 16 + HexDigit(stored[i + 2]));
      i += 3;
      continue;
    }
    const auto typed = unicode::Cp932ToUtf8(stored.substr(i, n), {});
    if (typed.error != unicode::BridgeError::None) return std::nullopt;
    utf8 += typed.text;
    i += n;
  }
  if (CheckName(utf8) != PresetResult::Ok) return std::nullopt;
  return utf8;
}

template <typename T>
auto FindNamed(T& items, std::string_view name,
               std::string_view (*key)(const typename T::value_type&)) {
  return std::find_if(items.begin(), items.end(),
                      [&](const auto& item) { return SamePresetName(key(item), name); });
}
std::string_view NameOf(const Preset& p) { return p.name; }
std::string_view ProgramOf(const ProgramPreset& p) { return p.program; }

}  // namespace

bool SamePresetName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return x == y || (IsAsciiLetter(x) && (x ^ 0x20) == y); });
}

// ---- PresetBook --------------------------------------------------------------------------

const Preset* PresetBook::Find(std::string_view name) const {
  const auto it = FindNamed(FPresets, name, NameOf);
  return it == FPresets.end() ? nullptr : &*it;
}

Preset* PresetBook::FindSettings(std::string_view name) {
  const auto it = FindNamed(FPresets, name, NameOf);
  return it == FPresets.end() ? nullptr : &*it;
}

PresetResult PresetBook::Add(Preset preset) {
  if (const PresetResult r = CheckName(preset.name); r != PresetResult::Ok) return r;
  if (Find(preset.name)) return PresetResult::DuplicateName;
  FPresets.push_back(std::move(preset));
  return PresetResult::Ok;
}

PresetResult PresetBook::Rename(std::string_view from, std::string_view to) {
  Preset* preset = FindSettings(from);
  if (!preset) return PresetResult::NotFound;
  if (const PresetResult r = CheckName(to); r != PresetResult::Ok) return r;
  if (const Preset* other = Find(to); other && other != preset) return PresetResult::DuplicateName;
  const std::string old_name = std::exchange(preset->name, std::string(to));
  if (SamePresetName(FActive, old_name)) FActive = to;
  for (ProgramPreset& p : FPrograms)
    if (SamePresetName(p.preset, old_name)) p.preset = to;
  return PresetResult::Ok;
}

PresetResult PresetBook::Remove(std::string_view name) {
  const auto it = FindNamed(FPresets, name, NameOf);
  if (it == FPresets.end()) return PresetResult::NotFound;
  const std::string old_name = std::move(it->name);
  FPresets.erase(it);
  if (SamePresetName(FActive, old_name)) FActive.clear();
  std::erase_if(FPrograms,
                [&](const ProgramPreset& p) { return SamePresetName(p.preset, old_name); });
  return PresetResult::Ok;
}

PresetResult PresetBook::SetActive(std::string_view name) {
  if (name.empty()) {
    FActive.clear();
    return PresetResult::Ok;
  }
  const Preset* preset = Find(name);
  if (!preset) return PresetResult::NotFound;
  FActive = preset->name;
  return PresetResult::Ok;
}

PresetResult PresetBook::SetProgramPreset(std::string_view program, std::string_view preset) {
  if (const PresetResult r = CheckName(program); r != PresetResult::Ok) return r;
  const auto it = FindNamed(FPrograms, program, ProgramOf);
  if (preset.empty()) {
    if (it != FPrograms.end()) FPrograms.erase(it);
    return PresetResult::Ok;
  }
  const Preset* chosen = Find(preset);
  if (!chosen) return PresetResult::NotFound;
  if (it != FPrograms.end()) it->preset = chosen->name;
  else FPrograms.push_back({std::string(program), chosen->name});
  return PresetResult::Ok;
}

const Preset* PresetBook::PresetForProgram(
    std::string_view program,
    const std::function<bool(std::string_view listed, std::string_view program)>& same) const {
  for (const ProgramPreset& p : FPrograms) {
    if (same ? same(p.program, program) : SamePresetName(p.program, program)) return Find(p.preset);
  }
  return nullptr;
}

// ---- the INI file ------------------------------------------------------------------------

filter::FilterSettings ReadFilterSettings(const IniDocument& doc, std::string_view section,
                                          filter::FilterSettings base) {
  for (const filter::SettingInfo& info : filter::AllSettings()) {
    if (info.kind == filter::SettingKind::RadioGroup)
      info.SetValue(base, filter::ClampItemIndex(
                              info, doc.ReadInteger(section, info.name, info.Value(base))));
    else info.SetValue(base, doc.ReadBool(section, info.name, info.Value(base) != 0));
  }
  return base;
}

PresetBook ReadPresets(const IniDocument& doc, std::string_view section) {
  PresetBook book;
  const std::string prefix = Cat(section, kPresetPrefix);
  for (const std::string& stored : doc.SectionsStartingWith(prefix)) {
    const auto name = Decode(stored);
    if (!name) continue;
    const std::string where = prefix + stored;
    const auto hot_key = Decode(doc.ReadString(where, kHotKeyKey, "", kWholeValue));
    // Add refuses a second entry of the same name: the first stays.
    book.Add({*name, ReadFilterSettings(doc, where), hot_key.value_or("")});
  }
  const std::string programs = Cat(section, kProgramsSuffix);
  for (const std::string& stored : doc.KeyNames(programs)) {
    const auto program = Decode(stored);
    const auto preset = Decode(doc.ReadString(programs, stored, "", kWholeValue));
    // A program named twice keeps its first choice; one whose preset is gone is skipped.
    if (program && preset && !book.PresetForProgram(*program))
      book.SetProgramPreset(*program, *preset);
  }
  if (const auto active =
          Decode(doc.ReadString(Cat(section, kPresetsSuffix), kActiveKey, "", kWholeValue)))
    book.SetActive(*active);
  return book;
}

PresetBook ReadPresets(IniFile& ini, std::string_view section) {
  return ReadPresets(ini.Contents(), section);
}

void WritePresets(IniFile& ini, std::string_view section, const PresetBook& book) {
  const std::string prefix = Cat(section, kPresetPrefix);
  const std::string presets = Cat(section, kPresetsSuffix),
                    programs = Cat(section, kProgramsSuffix);
  // A section whose name doesn't read is left as it is, for its author to mend.
  for (const std::string& stored : ini.Contents().SectionsStartingWith(prefix))
    if (Decode(stored)) ini.EraseSection(prefix + stored);
  ini.EraseSection(presets);
  ini.EraseSection(programs);

  if (!book.Active().empty()) ini.WriteString(presets, kActiveKey, Encode(book.Active()));
  for (const Preset& preset : book.Presets()) {
    const std::string where = prefix + Encode(preset.name);
    ini.WriteString(where, kHotKeyKey, Encode(preset.hot_key));
    for (const filter::SettingInfo& info : filter::AllSettings())
      ini.WriteInteger(where, info.name, info.Value(preset.settings));
  }
  for (const ProgramPreset& p : book.Programs())
    ini.WriteString(programs, Encode(p.program), Encode(p.preset));
}

}  // namespace kestrilon::settings
