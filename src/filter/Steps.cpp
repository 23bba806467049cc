#include "Steps.h"

#include "Sjis.h"

namespace kestrilon::filter {

std::string NormalizeToCrLf(std::string_view text) {
  return ScanCharacters(text, CopyDouble, [](std::string& out, std::string_view t, std::size_t i) {
    if (t[i] == '\r') {
      out += "\r\n";
      return std::size_t{i + 1 < t.size() && t[i + 1] == '\n' ? 2u : 1u};
    }
    if (t[i] == '\n')
      out += "\r\n";
    else
      out += t[i];
    return std::size_t{1};
  });
}

std::string JoinKeepingSentenceEnds(const LineList& lines) {
  const std::string& joined = lines.Join();
  std::string out;
  out.reserve(joined.size());
  std::size_t segment_start = 0;  // where the text since the last kept break begins in out
  std::size_t start = 0;
  while (start < joined.size()) {
    const std::size_t end = joined.find("\r\n", start);
    out.append(joined, start, end - start);
    start = end + 2;
    const bool more_lines = start < joined.size();
    if (more_lines && out.size() - segment_start >= 2 && out.compare(out.size() - 2, 2, "\x81\x42") == 0) {
      out += "\r\n";
      segment_start = out.size();
    }
  }
  return out;
}

std::string RemoveTags(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  for (;;) {
    const std::size_t open = FindPattern(text, "<", i);
    const std::size_t close = FindPattern(text, ">", i);
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) break;
    out.append(text, i, open - i);
    i = close + 1;
  }
  out.append(text, i);
  return out;
}

void AppendSeparatorsToTab(std::string& out, std::string_view line, std::string_view separator) {
  std::size_t i = 0;
  for (;;) {
    const std::size_t hit = FindPattern(line, separator, i);
    if (hit == std::string_view::npos) break;
    out.append(line, i, hit - i);
    out += '\t';
    i = hit + separator.size();
    while (line.compare(i, separator.size(), separator) == 0) i += separator.size();
  }
  out.append(line, i);
}

void SeparatorsToTab(LineList& lines, std::string_view separator) {
  lines.TransformEachLine([separator](std::string& out, std::string_view line) {
    AppendSeparatorsToTab(out, line, separator);
  });
}

std::string TrimTrailingBlanks(std::string_view line) {
  // The marker in front keeps the working text from ever being empty.
  std::string work;
  work.reserve(line.size() + 1);
  work += '@';
  work.append(line);
  for (;;) {
    const std::size_t n = work.size();
    const bool full_width_space =
        n >= 3 && work[n - 1] == '\x40' && work[n - 2] == '\x81' && IsSecondByte(work, n - 1);
    const bool ascii_space = work[n - 1] == ' ' && !IsSecondByte(work, n - 1);
    if (!full_width_space && !ascii_space) break;
    if (full_width_space) work.resize(n - 2);
    while (static_cast<unsigned char>(work.back()) <= 0x20) work.pop_back();  // the marker stays
  }
  return work.substr(1);
}

namespace {

// Lower-case code of a two-byte capital (Ａ-Ｚ, Α-Ω, А-Я), or 0. The Cyrillic small letters skip
// the trail byte 0x7F: а-н are 0x8470-0x847E, о-я 0x8480-0x8491.
std::uint16_t LowerOf(std::uint16_t c) {
  if (c >= 0x8260 && c <= 0x8279) return static_cast<std::uint16_t>(c + 0x21);  // Ａ → ａ
  if (c >= 0x839F && c <= 0x83B6) return static_cast<std::uint16_t>(c + 0x20);  // Α → α
  if (c >= 0x8440 && c <= 0x8460) {                                               // А → а
    const unsigned k = c - 0x8440;
    return static_cast<std::uint16_t>(k < 15 ? 0x8470 + k : 0x8480 + (k - 15));
  }
  return 0;
}

std::uint16_t UpperOf(std::uint16_t c) {
  if (c >= 0x8281 && c <= 0x829A) return static_cast<std::uint16_t>(c - 0x21);
  if (c >= 0x83BF && c <= 0x83D6) return static_cast<std::uint16_t>(c - 0x20);
  if (c >= 0x8470 && c <= 0x847E) return static_cast<std::uint16_t>(0x8440 + (c - 0x8470));
  if (c >= 0x8480 && c <= 0x8491) return static_cast<std::uint16_t>(0x8440 + 15 + (c - 0x8480));
  return 0;
}

template <bool kUpper>
std::string MapCase(std::string_view text) {
  return ScanCharacters(
      text,
      [](std::string& out, std::uint16_t code) {
        const std::uint16_t mapped = kUpper ? UpperOf(code) : LowerOf(code);
        AppendCode(out, mapped != 0 ? mapped : code);
      },
      [](std::string& out, std::string_view t, std::size_t i) {
        char c = t[i];
        if (kUpper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (!kUpper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        out += c;
        return std::size_t{1};
      });
}

}  // namespace

std::string CharLowerSjis(std::string_view text) { return MapCase<false>(text); }
std::string CharUpperSjis(std::string_view text) { return MapCase<true>(text); }

}  // namespace kestrilon::filter
