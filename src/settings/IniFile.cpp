#include "IniFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>
#include <tuple>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "CodePage932.h"
#include "FileSystem.h"
#include "UnicodeBridge.h"

namespace kestrilon::settings {
namespace {

constexpr std::size_t npos = std::string::npos;

// Only single bytes can be blanks: every trail byte of code page 932 is 0x40 or above.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names compare character by character, folded to upper case as the system folds them.
bool SameName(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (filter::CharUpperOf(filter::NextChar(a, i)) != filter::CharUpperOf(filter::NextChar(b, j)))
      return false;
  }
  return i == a.size() && j == b.size();
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// Line ends and NUL are looked for byte by byte: no second byte is below 0x40, and a line end
// ends the line even after a stray lead byte.
bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != npos;
}

// A name or value from the file, for a message in UTF-8: code page 932 converted, a byte the code
// page lacks as "?".
std::string Shown(std::string_view cp932) {
  const auto utf8 = unicode::Cp932ToUtf8(cp932, {});
  if (utf8.error == unicode::BridgeError::None) return utf8.text;
  std::string shown;
  for (std::size_t i = 0; i < cp932.size();) {
    const std::size_t n = filter::CharLength(cp932, i);
    const auto one = unicode::Cp932ToUtf8(cp932.substr(i, n), {});
    shown += one.error == unicode::BridgeError::None ? one.text : "?";
    i += n;
  }
  return shown;
}

std::string Utf8(const std::filesystem::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

}  // namespace

int ParseIniInteger(std::string_view text, int default_value) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::uint64_t v = 0;
    for (const char c : text.substr(2)) {
      unsigned digit;
      if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
      else return default_value;
      v = v * 16 + digit;
      if (v > 0xFFFFFFFFu) return default_value;
    }
    // The 32-bit pattern, so that 0xFFFFFFFF reads as -1.
    return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return default_value;
  std::int64_t v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return default_value;
    v = v * 10 + (c - '0');
    if (v > std::int64_t{INT32_MAX} + 1) return default_value;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return default_value;
  return static_cast<int>(v);
}

// ---- IniDocument -------------------------------------------------------------------------

IniDocument::Line IniDocument::MakeLine(std::string text, std::string eol) {
  Line line{std::move(text), std::move(eol), Kind::Other, {}, {}};
  const std::string_view t = Trim(line.text);
  if (t.empty()) return line;
  if (t.front() == '[') {
    const std::size_t close = filter::FindLastSingleByte(t, ']');
    if (close != npos) {
      line.kind = Kind::Section;
      line.name = Trim(t.substr(1, close - 1));
      return line;
    }
  }
  const std::size_t eq = filter::FindSingleByte(t, '=');
  if (eq == npos) return line;
  const std::string_view name = Trim(t.substr(0, eq));
  if (name.empty()) return line;
  line.kind = Kind::Key;
  line.name = name;
  line.value = Trim(t.substr(eq + 1));
  return line;
}

IniDocument::IniDocument(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) {
    FBom = text.substr(0, 3);
    text.remove_prefix(3);
  }
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t brk = text.find_first_of("\r\n", start);  // by byte: see HasLineBreakOrNul
    if (brk == npos) {
      FLines.push_back(MakeLine(std::string(text.substr(start)), ""));
      break;
    }
    const std::size_t eol_len =
        text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n' ? 2 : 1;
    FLines.push_back(MakeLine(std::string(text.substr(start, brk - start)),
                              std::string(text.substr(brk, eol_len))));
    start = brk + eol_len;
  }
}

std::pair<std::size_t, std::size_t> IniDocument::SectionBody(std::string_view section) const {
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    if (FLines[i].kind != Kind::Section || !SameName(FLines[i].name, section)) continue;
    std::size_t end = i + 1;
    while (end < FLines.size() && FLines[end].kind != Kind::Section) ++end;
    return {i + 1, end};
  }
  return {npos, npos};
}

std::size_t IniDocument::FindKeyLine(std::string_view section, std::string_view key) const {
  const auto [begin, end] = SectionBody(section);
  if (begin == npos) return npos;
  for (std::size_t i = begin; i < end; ++i) {
    if (FLines[i].kind == Kind::Key && SameName(FLines[i].name, key)) return i;
  }
  return npos;
}

const std::string* IniDocument::Find(std::string_view section, std::string_view key) const {
  const std::size_t i = FindKeyLine(section, key);
  return i == npos ? nullptr : &FLines[i].value;
}

bool IniDocument::SectionExists(std::string_view section) const {
  return SectionBody(section).first != npos;
}

std::vector<std::string> IniDocument::SectionsStartingWith(std::string_view prefix) const {
  std::vector<std::string> rests;
  std::vector<std::string_view> seen;
  for (const Line& l : FLines) {
    if (l.kind != Kind::Section) continue;
    const std::string_view name = l.name;
    std::size_t i = 0, j = 0;
    bool match = true;
    while (match && j < prefix.size()) {
      match = i < name.size() && filter::CharUpperOf(filter::NextChar(name, i)) ==
                                     filter::CharUpperOf(filter::NextChar(prefix, j));
    }
    const auto same = [&](std::string_view s) { return SameName(s, name); };
    if (!match || std::any_of(seen.begin(), seen.end(), same)) continue;
    seen.push_back(name);
    rests.emplace_back(name.substr(i));
  }
  return rests;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  const auto [begin, end] = SectionBody(section);
  if (begin == npos) return names;
  for (std::size_t i = begin; i < end; ++i) {
    const Line& l = FLines[i];
    const auto same = [&](const std::string& n) { return SameName(n, l.name); };
    if (l.kind == Kind::Key && std::none_of(names.begin(), names.end(), same))
      names.push_back(l.name);
  }
  return names;
}

void IniDocument::EraseSection(std::string_view section) {
  for (auto [begin, end] = SectionBody(section); begin != npos;
       std::tie(begin, end) = SectionBody(section))
    FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(begin - 1),
                 FLines.begin() + static_cast<std::ptrdiff_t>(end));
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key,
                                    std::string_view default_value, std::size_t max_bytes) const {
  const std::string* raw = Find(section, key);
  if (!raw) return std::string(default_value);
  std::string_view v = *raw;
  if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  v = v.substr(0, v.find('\0'));  // by byte: see HasLineBreakOrNul
  return std::string(filter::CutToWholeCharacters(v, max_bytes));
}

int IniDocument::ReadInteger(std::string_view section, std::string_view key,
                             int default_value) const {
  return ParseIniInteger(ReadString(section, key, ""), default_value);
}

bool IniDocument::ReadBool(std::string_view section, std::string_view key,
                           bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

void IniDocument::Write(std::string_view section, std::string_view key, std::string_view value,
                        std::string_view where_for_errors) {
  const std::string where =
      where_for_errors.empty() ? std::string("INI ファイル") : std::string(where_for_errors);
  if (section.empty() || HasLineBreakOrNul(section) ||
      filter::FindSingleByte(section, ']') != npos || Trim(section).size() != section.size())
    throw EIniFileError("セクション名「" + Shown(section) + "」は " + where + " に書き込めません");
  if (key.empty() || HasLineBreakOrNul(key) || filter::FindSingleByte(key, '=') != npos ||
      key.front() == '[' || Trim(key).size() != key.size())
    throw EIniFileError("キー名「" + Shown(key) + "」は " + where + " に書き込めません");
  if (HasLineBreakOrNul(value))
    throw EIniFileError("キー「" + Shown(key) + "」の値は改行または NUL を含むため " + where +
                        " に書き込めません");

  std::string encoded(value);
  if (!value.empty() &&
      (IsBlank(value.front()) || IsBlank(value.back()) ||
       (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())))
    encoded = "\"" + encoded + "\"";

  // New lines take the line end the file already uses.
  std::string eol = "\r\n";
  for (const Line& l : FLines) {
    if (!l.eol.empty()) {
      eol = l.eol;
      break;
    }
  }
  const std::string key_line = std::string(key) + "=" + encoded;

  if (const std::size_t i = FindKeyLine(section, key); i != npos) {
    if (FLines[i].value == encoded) return;
    FLines[i] = MakeLine(FLines[i].name + "=" + encoded, FLines[i].eol);
    return;
  }
  auto [begin, end] = SectionBody(section);
  if (begin == npos) {
    if (!FLines.empty()) {
      if (FLines.back().eol.empty()) FLines.back().eol = eol;
      if (!Trim(FLines.back().text).empty()) FLines.push_back(MakeLine("", eol));
    }
    FLines.push_back(MakeLine("[" + std::string(section) + "]", eol));
    FLines.push_back(MakeLine(key_line, eol));
    return;
  }
  std::size_t at = end;
  while (at > begin && Trim(FLines[at - 1].text).empty()) --at;
  if (FLines[at - 1].eol.empty()) FLines[at - 1].eol = eol;
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(at), MakeLine(key_line, eol));
}

std::string IniDocument::Text() const {
  std::string out = FBom;
  for (const Line& l : FLines) {
    out += l.text;
    out += l.eol;
  }
  return out;
}

// ---- reading and replacing the file ------------------------------------------------------

namespace {

enum class ReadResult { Read, Missing, Unreadable };

ReadResult ReadWholeFile(const std::filesystem::path& path, std::string& out) {
  out.clear();
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return ReadResult::Missing;
  if (ec || std::filesystem::is_directory(status)) return ReadResult::Unreadable;
  std::ifstream in(path, std::ios::binary);
  if (!in) return ReadResult::Unreadable;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    out.clear();
    return ReadResult::Unreadable;
  }
  return ReadResult::Read;
}

std::filesystem::path Resolve(std::filesystem::path path) {
  if (path.has_parent_path()) return path;
#ifdef _WIN32
  // A bare file name means the Windows folder, as for the private-profile functions.
  wchar_t folder[MAX_PATH + 1];
  const UINT n = GetWindowsDirectoryW(folder, MAX_PATH + 1);
  if (n > 0 && n <= MAX_PATH) return std::filesystem::path(folder) / path;
#endif
  return path;
}

}  // namespace

// ---- IniFile -----------------------------------------------------------------------------

IniFile::IniFile(std::filesystem::path path) : FPath(std::move(path)), FResolved(Resolve(FPath)) {}

std::string IniFile::WhereForErrors() const { return Utf8(FResolved); }

IniDocument& IniFile::Document() {
  if (!FLoaded) {
    std::string text;
    ReadWholeFile(FResolved, text);  // missing or unreadable: every read gives its default
    FDocument = IniDocument(text);
    FLoaded = true;
  }
  return FDocument;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view default_value, std::size_t max_bytes) {
  return Document().ReadString(section, key, default_value, max_bytes);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int default_value) {
  return Document().ReadInteger(section, key, default_value);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) {
  return Document().ReadBool(section, key, default_value);
}

bool IniFile::SectionExists(std::string_view section) { return Document().SectionExists(section); }

bool IniFile::ValueExists(std::string_view section, std::string_view key) {
  return Document().Find(section, key) != nullptr;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Document().Write(section, key, value, WhereForErrors());
  FPending.push_back({std::string(section), std::string(key), std::string(value)});
}

void IniFile::EraseSection(std::string_view section) {
  if (!Document().SectionExists(section)) return;  // nothing to save
  Document().EraseSection(section);
  FPending.push_back({std::string(section), {}, {}, true});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::UpdateFile() {
  if (FPending.empty()) return;
  const EIniFileError failure(WhereForErrors() + " に書き込めません");
  // A link is read through, and the replacement writes through it too.
  const std::filesystem::path& target = FResolved;
  std::string current;
  if (ReadWholeFile(target, current) == ReadResult::Unreadable) throw failure;
  // A UTF-16 file (the system reads those too) would be corrupted by code page 932 lines.
  if (current.starts_with("\xFF\xFE") || current.starts_with("\xFE\xFF")) throw failure;
  IniDocument fresh(current);
  for (const PendingWrite& w : FPending) {
    if (w.erase_section) fresh.EraseSection(w.section);
    else fresh.Write(w.section, w.key, w.value);
  }
  if (!ReplaceFileContents(target, fresh.Text())) throw failure;
  FDocument = std::move(fresh);
  FLoaded = true;
  FPending.clear();
}

}  // namespace kestrilon::settings
