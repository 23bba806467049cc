#include "FilterTool.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "CodePage932.h"
#include "FileIo.h"
#include "IniFile.h"
#include "Pipeline.h"
#include "Presets.h"
#include "Settings.h"
#include "UnicodeBridge.h"

#ifndef KESTRILON_VERSION
#define KESTRILON_VERSION "unknown"
#endif

namespace kestrilon::tool {
namespace {

using filter::FilterSettings;
using filter::SettingInfo;
using filter::SettingKind;

constexpr std::string_view kName = "kestrilon-filter";

struct Options {
  std::vector<std::string> sets;  // "NAME=VALUE", in command-line order
  std::optional<std::string> ini;
  std::optional<std::string> section;
  std::optional<std::string> preset;
  Text encoding = Text::Utf8;
  std::optional<std::string> output;  // nullopt or "-": standard output
  std::optional<std::string> input;   // nullopt or "-": standard input
  bool list = false, help = false, version = false;
};

// A failure already reported to the user, carrying the exit status.
struct Failure {
  int status;
};

Failure Fail(int status, std::string_view message) {
  WriteMessage(std::string(kName) + ": " + std::string(message) + "\n");
  return {status};
}

Failure UsageError(std::string_view message) {
  return Fail(kUsageError, std::string(message) + " (see " + std::string(kName) + " --help)");
}

std::string Quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

std::string Hex(unsigned byte) {
  static const char digits[] = "0123456789ABCDEF";
  return std::string("0x") + digits[byte >> 4 & 15] + digits[byte & 15];
}

std::string HelpText() {
  return std::string("Usage: ") + std::string(kName) + R"( [options] [FILE]

Runs Kestrilon's clipboard filter over FILE (standard input when FILE is missing or "-") and
writes exactly the text Kestrilon would leave on the clipboard to standard output.

Options:
  --set NAME=VALUE     one filter setting by its name (see --list); repeatable; the value is
                       read and clamped as loading the INI file would; applied after --ini
                       and --preset wherever it stands; of two for one setting, the last wins
  --ini PATH           settings from an INI file as Kestrilon saves it
  --section NAME       section of that file (default: the current user's name)
  --preset NAME        with --ini: the settings of that section's preset NAME instead of the
                       section's own (an ASCII letter matches in either case)
  --encoding ENC       cp932 or utf-8, for input and output (default utf-8); in utf-8,
                       characters that code page 932 cannot represent pass through unchanged
  -o, --output FILE    write there instead of standard output (replaced only when all went well)
  --list               every setting with its items and default
  --help, --version

Exit status: 0 done; 1 input/output error; 2 usage error (unknown option or setting, bad
value); 3 input that is not valid in its encoding or holds a NUL byte (the byte offset is
named), or that holds more different characters outside code page 932 than its user-defined
area can stand for. Nothing is written on an error.
)";
}

std::string ListText() {
  const FilterSettings defaults;
  std::string out = "Settings, as NAME=DEFAULT, caption and values (give them with --set):\n";
  for (const SettingInfo& info : filter::AllSettings()) {
    std::string line = std::string(info.name) + "=" + std::to_string(info.Value(defaults));
    std::string values;
    if (info.kind == SettingKind::RadioGroup) {
      for (std::size_t i = 0; i < info.items.size(); ++i)
        values += (i ? ", " : "") + std::to_string(i) + " " + std::string(info.items[i]);
    } else {
      values = "0 off, 1 on";
    }
    line.resize(std::max<std::size_t>(line.size() + 2, 20), ' ');
    out += "  " + line + std::string(info.caption) + "  (" + values + ")\n";
  }
  return out;
}

// Options that take a value accept it as the next argument or after "=".
std::optional<Failure> ParseArguments(const std::vector<std::string>& args, Options& o) {
  bool options_done = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_done || arg == "-" || arg.empty() || arg[0] != '-') {
      if (o.input)
        return UsageError("more than one input file: " + Quoted(*o.input) + " and " + Quoted(arg));
      o.input = arg;
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> inline_value;
    if (arg.rfind("--", 0) == 0) {
      if (const auto eq = arg.find('='); eq != std::string::npos) {
        name = arg.substr(0, eq);
        inline_value = arg.substr(eq + 1);
      }
    } else if (arg.size() > 2 && arg.rfind("-o", 0) == 0) {
      name = "-o";
      inline_value = arg.substr(2);
    }

    if (name == "--help" || name == "--version" || name == "--list") {
      if (inline_value) return UsageError("option " + Quoted(name) + " takes no value");
      (name == "--help" ? o.help : name == "--version" ? o.version : o.list) = true;
      continue;
    }
    const bool takes_value = name == "--set" || name == "--ini" || name == "--section" ||
                             name == "--preset" || name == "--encoding" || name == "--output" ||
                             name == "-o";
    if (!takes_value) return UsageError("unknown option " + Quoted(name));
    std::string value;
    if (inline_value) {
      value = *inline_value;
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return UsageError("option " + Quoted(name) + " needs a value");
    }

    if (name == "--set") {
      o.sets.push_back(value);
    } else if (name == "--ini") {
      o.ini = value;
    } else if (name == "--section") {
      o.section = value;
    } else if (name == "--preset") {
      o.preset = value;
    } else if (name == "--encoding") {
      std::string lower;
      for (char c : value) lower += filter::AsciiLowerOf(c);
      if (lower == "utf-8" || lower == "utf8") {
        o.encoding = Text::Utf8;
      } else if (lower == "cp932") {
        o.encoding = Text::Cp932;
      } else {
        return UsageError("unknown encoding " + Quoted(value) + "; use cp932 or utf-8");
      }
    } else {
      o.output = value;
    }
  }
  if (o.section && !o.ini) return UsageError("--section needs --ini");
  if (o.preset && !o.ini) return UsageError("--preset needs --ini");
  return std::nullopt;
}

// The value as the INI file's reading takes it; nullopt if it is no integer there.
std::optional<int> ReadAsIni(std::string_view value) {
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
    return std::nullopt;
  const settings::IniDocument doc("[v]\r\nv=" + std::string(value) + "\r\n");
  const int a = doc.ReadInteger("v", "v", 0), b = doc.ReadInteger("v", "v", 1);
  if (a == 0 && b == 1) return std::nullopt;  // each read gave its own default: no integer
  return a;
}

void Assign(const SettingInfo& info, int value, FilterSettings& s) {
  if (info.kind == SettingKind::RadioGroup) info.SetValue(s, filter::ClampItemIndex(info, value));
  else info.SetValue(s, value != 0);
}

std::optional<Failure> ApplySet(std::string_view set, FilterSettings& s) {
  const auto eq = set.find('=');
  if (eq == std::string_view::npos)
    return UsageError("--set " + Quoted(set) + ": expected NAME=VALUE");
  const std::string_view name = set.substr(0, eq), value = set.substr(eq + 1);
  const SettingInfo* info = filter::FindSetting(name);
  if (!info) {
    std::string hint;
    for (const SettingInfo& other : filter::AllSettings()) {
      if (other.name.size() != name.size()) continue;
      bool same = true;
      for (std::size_t i = 0; i < name.size() && same; ++i)
        same = (other.name[i] | 0x20) == (name[i] | 0x20);
      if (same) hint = "; did you mean " + std::string(other.name) + "?";
    }
    return Fail(kUsageError, "--set: unknown setting " + Quoted(name) + hint + " (" +
                                 std::string(kName) + " --list shows them)");
  }
  const auto number = ReadAsIni(value);
  if (!number)
    return UsageError("--set " + std::string(name) + ": " + Quoted(value) + " is not an integer");
  Assign(*info, *number, s);
  return std::nullopt;
}

std::optional<Failure> LoadIni(const Options& o, FilterSettings& s) {
  std::string text, error;
  if (!ReadWholeFile(*o.ini, text, error))
    return Fail(kIoError, *o.ini + ": cannot read: " + error);
  std::string section_utf8;
  if (o.section) {
    section_utf8 = *o.section;
  } else if (const auto user = CurrentUserName()) {
    section_utf8 = *user;
  } else {
    return UsageError("cannot tell the current user's name; give --section");
  }
  // The file is in code page 932, so the section name is looked up in it that way.
  const unicode::Cp932Text section = unicode::Utf8ToCp932(section_utf8);
  const settings::IniDocument doc(text);
  const std::string not_user =
      o.section ? "" : " (the current user's name; give another with --section)";
  const bool section_ok =
      section.error == unicode::BridgeError::None && section.placeholders.Count() == 0;
  if (o.preset) {
    const settings::PresetBook book =
        section_ok ? settings::ReadPresets(doc, section.bytes) : settings::PresetBook();
    const settings::Preset* preset = book.Find(*o.preset);
    if (!preset)
      return UsageError(*o.ini + ": no preset " + Quoted(*o.preset) + " in section [" +
                        section_utf8 + "]" + not_user);
    s = preset->settings;
    return std::nullopt;
  }
  if (!section_ok || !doc.SectionExists(section.bytes))
    return UsageError(*o.ini + ": no section [" + section_utf8 + "]" + not_user);
  s = settings::ReadFilterSettings(doc, section.bytes, s);
  return std::nullopt;
}

// A lead byte must be followed by a trail byte (0x40 to 0x7E, 0x80 to 0xFC); every other byte
// stands alone. Returns the offset of the first offence and describes it.
std::optional<std::size_t> FindInvalidCp932(std::string_view s, std::string& what) {
  if (filter::AllCharactersWhole(s)) return std::nullopt;  // the common case, many bytes at a time
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (!filter::IsLeadByte(p[i])) continue;
    if (i + 1 == s.size()) {
      what = "lead byte " + Hex(p[i]) + " at the end of the input";
      return i;
    }
    if (!filter::IsTrailByte(p[i + 1])) {
      what = "lead byte " + Hex(p[i]) + " followed by " + Hex(p[i + 1]);
      return i;
    }
    ++i;
  }
  return std::nullopt;
}

std::string Offset(std::size_t offset) { return "at byte offset " + std::to_string(offset); }

int Run(const std::vector<std::string>& args) {
  Options o;
  if (const auto failure = ParseArguments(args, o)) return failure->status;
  if (o.help) {
    WriteInfo(HelpText());
    return kDone;
  }
  if (o.version) {
    WriteInfo(std::string(kName) + " " KESTRILON_VERSION "\n");
    return kDone;
  }
  if (o.list) {
    WriteInfo(ListText());
    return kDone;
  }

  FilterSettings settings;
  if (o.ini)
    if (const auto failure = LoadIni(o, settings)) return failure->status;
  for (const std::string& set : o.sets)
    if (const auto failure = ApplySet(set, settings)) return failure->status;

  const bool from_stdin = !o.input || *o.input == "-";
  const std::string source = from_stdin ? "standard input" : *o.input;
  std::string input, error;
  if (!(from_stdin ? ReadStandardInput(input, error) : ReadWholeFile(*o.input, input, error)))
    return Fail(kIoError, source + ": cannot read: " + error).status;

  // The first fault by position wins: an encoding error before a NUL, or the NUL.
  const std::size_t nul = input.find('\0');
  const std::string_view text = std::string_view(input).substr(0, nul);
  unicode::Cp932Text cp932;
  if (o.encoding == Text::Cp932) {
    std::string what;
    if (const auto bad = FindInvalidCp932(text, what))
      return Fail(kBadInput, source + ": not valid code page 932 " + Offset(*bad) + ": " + what)
          .status;
    input.resize(text.size());  // the NUL, if any, is reported below
    cp932.bytes = std::move(input);
  } else {
    if (!unicode::ConverterAvailable())
      return Fail(kIoError, "this system has no code page 932 converter (iconv \"CP932\")").status;
    cp932 = unicode::Utf8ToCp932(text);
    if (cp932.error == unicode::BridgeError::InvalidUtf8)
      return Fail(kBadInput, source + ": invalid UTF-8 " + Offset(cp932.offset)).status;
    if (cp932.error != unicode::BridgeError::None)
      return Fail(kBadInput, source + ": " + std::string(unicode::Describe(cp932.error)) + " " +
                                 Offset(cp932.offset))
          .status;
  }
  if (nul != std::string::npos) return Fail(kBadInput, source + ": NUL byte " + Offset(nul)).status;
  input = std::string();  // only the code page 932 text is needed from here on

  // The filter writes its result into the input's buffer, which has room to grow.
  std::string output = filter::Filter().Run(std::move(cp932.bytes), settings);
  if (o.encoding == Text::Utf8) {
    auto back = unicode::Cp932ToUtf8(output, cp932.placeholders);
    if (back.error != unicode::BridgeError::None)
      return Fail(kIoError, "internal error: the filter's result holds " +
                                std::string(unicode::Describe(back.error)) + " " +
                                Offset(back.offset) + "; nothing was written")
          .status;
    output = std::move(back.text);
  }

  if (o.output && *o.output != "-") {
    if (!ReplaceFileContents(*o.output, output, error))
      return Fail(kIoError, *o.output + ": cannot write: " + error).status;
  } else if (!WriteStandardOutput(output, o.encoding, error)) {
    return Fail(kIoError, "standard output: cannot write: " + error).status;
  }
  return kDone;
}

}  // namespace

int RunFilterTool(const std::vector<std::string>& args) {
  try {
    return Run(args);
  } catch (const std::bad_alloc&) {
    return Fail(kIoError, "out of memory").status;
  }
}

}  // namespace kestrilon::tool
