// A slow, literal pipeline to check the real one against: a list of separate lines, every step
// on its own in the fixed order, the text joined and split again between steps exactly as the
// rules say. Shared by the pipeline's test and its fuzz target.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Kana.h"
#include "Pipeline.h"
#include "PatternSearch.h"
#include "Steps.h"
#include "Width.h"
#include "StepForms.h"

namespace kestrilon::filter::reference {

struct Lines {
  std::vector<std::string> items;

  void Load(std::string_view text) {
    items.clear();
    std::size_t i = 0;
    while (i < text.size() && text[i] != '\0') {
      std::size_t end = i;
      while (end < text.size() && text[end] != '\r' && text[end] != '\n' && text[end] != '\0')
        ++end;
      items.emplace_back(text.substr(i, end - i));
      i = end;
      if (i < text.size() && text[i] == '\r') ++i;
      if (i < text.size() && text[i] == '\n') ++i;
    }
  }
  std::string Join() const {
    std::string out;
    for (const auto& l : items) out += l + "\r\n";
    return out;
  }
  template <typename F>
  void Whole(F f) {
    Load(f(Join()));
  }
  template <typename F>
  void EachLine(F f) {
    const std::size_t count = items.size();
    for (std::size_t i = 0; i < count; ++i) items[i] = f(items[i]);
  }
};

inline std::string SeparatorsLiteral(std::string s, std::string_view sep) {
  std::vector<std::string> pieces;
  for (;;) {
    const std::size_t p = FindPattern(s, sep);
    if (p == std::string::npos) break;
    pieces.push_back(s.substr(0, p));
    s.erase(0, p + sep.size());
    while (s.compare(0, sep.size(), sep) == 0 && !s.empty()) s.erase(0, sep.size());
  }
  pieces.push_back(s);
  std::string out;
  for (std::size_t i = 0; i < pieces.size(); ++i) out += (i ? "\t" : "") + pieces[i];
  return out;
}

inline std::string EnterDeleteLiteral(Lines lines) {
  std::string clip;
  std::size_t i = 0;
  while (lines.items.size() > 0 && i < lines.items.size() - 1) {
    const std::string& l = lines.items[i];
    if (l.size() >= 2 && l.compare(l.size() - 2, 2, "\x81\x42") == 0) {
      clip += l + "\r\n";
      ++i;
    } else {
      lines.items[i] += lines.items[i + 1];
      lines.items.erase(lines.items.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    }
  }
  if (!lines.items.empty()) clip += lines.items[i];
  return clip;
}

// The reference reads each radio group by its item index, as the INI file stores it, so that it
// checks the binding of the enums to the items as well.
template <typename Mode>
int Index(Mode mode) {
  return static_cast<int>(mode);
}

inline std::string ReferenceFilter(std::string_view text, const FilterSettings& s) {
  Lines l;
  l.Load(text);
  auto whole_replace = [&](std::string_view p, std::string_view r) {
    l.Whole([&](const std::string& t) { return ReplaceAll(t, p, r); });
  };
  auto line_replace = [&](std::string_view p, std::string_view r) {
    l.EachLine([&](const std::string& t) { return ReplaceAll(t, p, r); });
  };
  if (Index(s.NumberMode) == 1) l.Whole(DigitsToHalfWidth);
  if (Index(s.NumberMode) == 2) l.Whole(DigitsToFullWidth);
  if (Index(s.AlphabetMode) == 1) l.Whole(LettersToHalfWidth);
  if (Index(s.AlphabetMode) == 2) l.Whole(LettersToFullWidth);
  if (Index(s.PunctuationMode) == 1) whole_replace("\x81\x43", "\x81\x41");
  if (Index(s.PunctuationMode) == 2) whole_replace("\x81\x41", "\x81\x43");
  if (Index(s.PeriodMode) == 1) whole_replace("\x81\x44", "\x81\x42");
  if (Index(s.PeriodMode) == 2) whole_replace("\x81\x42", "\x81\x44");
  if (Index(s.SignMode) == 1) l.Whole(SymbolsToHalfWidth);
  if (Index(s.SignMode) == 2) l.Whole(SymbolsToFullWidth);
  if (Index(s.SpaceMode) == 1) line_replace("\x81\x40", " ");
  if (Index(s.SpaceMode) == 2) line_replace(" ", "\x81\x40");
  if (Index(s.ParenthesisMode) == 1) whole_replace("\x81\x69", "("), whole_replace("\x81\x6A", ")");
  if (Index(s.ParenthesisMode) == 2) whole_replace("(", "\x81\x69"), whole_replace(")", "\x81\x6A");
  if (Index(s.KanaMode1) == 1)
    l.Whole([](const std::string& t) { return KanaToHalfWidth(t, KanaKind::Hiragana); });
  if (Index(s.KanaMode1) == 2)
    l.Whole([](const std::string& t) { return MapKanaType(t, LCMAP_KATAKANA); });
  if (Index(s.KanaMode2) == 1)
    l.Whole([](const std::string& t) { return KanaToHalfWidth(t, KanaKind::Katakana); });
  if (Index(s.KanaMode2) == 2 || Index(s.KanaMode2) == 3) l.Whole(HalfWidthKanaToFull);
  if (Index(s.KanaMode2) == 3)
    l.Whole([](const std::string& t) { return MapKanaType(t, LCMAP_HIRAGANA); });
  if (Index(s.ReturnMode) == 1) l.Whole(NormalizeToCrLf);
  if (s.TagDelete) l.Whole(RemoveTags);
  if (s.RepAmp) line_replace("&", "&amp;");
  if (s.RepLG) line_replace("<", "&lt;"), line_replace(">", "&gt;");
  if (s.RepQuot) line_replace("\"", "&quot;");
  if (s.AddLI) l.EachLine([](const std::string& t) { return "<li>" + t; });
  for (const char* sep : {" ", "\x81\x40", "\t"}) {
    const bool on = (sep[0] == ' ' && (Index(s.Space2Tab) == 1 || Index(s.Space2Tab) == 3)) ||
                    (sep[0] == '\x81' && (Index(s.Space2Tab) == 2 || Index(s.Space2Tab) == 3)) ||
                    (sep[0] == '\t' && Index(s.Space2Tab) == 3);
    if (on) l.EachLine([sep](const std::string& t) { return SeparatorsLiteral(t, sep); });
  }
  if (s.DelDmySpc) l.EachLine([](const std::string& t) { return TrimTrailingBlanks(t); });
  if (s.DelConma) whole_replace(",", "");
  if (Index(s.UpDownCase) == 1) l.Whole(CharLowerSjis);
  if (Index(s.UpDownCase) == 2) l.Whole(CharUpperSjis);
  if (Index(s.EnterDeleteMode) == 1) return EnterDeleteLiteral(l);
  std::string out = l.Join();
  // The break after the last line goes when the copied text (up to a NUL) had none at its end.
  const std::string_view copied = text.substr(0, text.find('\0'));
  const bool copied_break = !copied.empty() && (copied.back() == '\r' || copied.back() == '\n');
  if (s.KeepLastLineBreak && !copied_break && out.size() >= 2) out.erase(out.size() - 2);
  return out;
}

}  // namespace kestrilon::filter::reference
