#include "Pipeline.h"

#include "Kana.h"
#include "Sjis.h"
#include "Steps.h"
#include "Width.h"

namespace kestrilon::filter {
namespace {

// The characters the replacing steps exchange.
constexpr std::string_view kIdeographicComma = "\x81\x41";   // 、
constexpr std::string_view kFullWidthComma = "\x81\x43";     // ，
constexpr std::string_view kIdeographicPeriod = "\x81\x42";  // 。
constexpr std::string_view kFullWidthPeriod = "\x81\x44";    // ．
constexpr std::string_view kFullWidthSpace = "\x81\x40";     // 　
constexpr std::string_view kFullWidthOpen = "\x81\x69";      // （
constexpr std::string_view kFullWidthClose = "\x81\x6A";     // ）

// A character-scan or whole-text step: join, convert, load (which splits the result afresh).
template <typename Fn>
void OnWholeText(LineList& lines, Fn&& convert) {
  lines.LoadResult(convert(lines.Join()));
}

void ReplaceInWholeText(LineList& lines, std::string_view pattern, std::string_view replacement) {
  OnWholeText(lines, [&](std::string_view t) { return ReplaceAll(t, pattern, replacement); });
}

void ReplaceInEachLine(LineList& lines, std::string_view pattern, std::string_view replacement) {
  lines.TransformEachLine([&](std::string& out, std::string_view line) {
    out += ReplaceAll(line, pattern, replacement);
  });
}

// Picks the (pattern, replacement) pair of a two-way setting: 1 is the first direction.
void ReplaceByMode(LineList& lines, int mode, std::string_view one, std::string_view two,
                   void (*replace)(LineList&, std::string_view, std::string_view)) {
  if (mode == 1) replace(lines, two, one);
  if (mode == 2) replace(lines, one, two);
}

}  // namespace

void ApplySteps(LineList& lines, const FilterSettings& s) {
  if (s.NumberMode == 1) OnWholeText(lines, DigitsToHalfWidth);
  if (s.NumberMode == 2) OnWholeText(lines, DigitsToFullWidth);
  if (s.AlphabetMode == 1) OnWholeText(lines, LettersToHalfWidth);
  if (s.AlphabetMode == 2) OnWholeText(lines, LettersToFullWidth);
  ReplaceByMode(lines, s.PunctuationMode, kIdeographicComma, kFullWidthComma, ReplaceInWholeText);
  ReplaceByMode(lines, s.PeriodMode, kIdeographicPeriod, kFullWidthPeriod, ReplaceInWholeText);
  if (s.SignMode == 1) OnWholeText(lines, SymbolsToHalfWidth);
  if (s.SignMode == 2) OnWholeText(lines, SymbolsToFullWidth);
  ReplaceByMode(lines, s.SpaceMode, " ", kFullWidthSpace, ReplaceInEachLine);
  // Opening, then closing parenthesis, each with its own join and load.
  ReplaceByMode(lines, s.ParenthesisMode, "(", kFullWidthOpen, ReplaceInWholeText);
  ReplaceByMode(lines, s.ParenthesisMode, ")", kFullWidthClose, ReplaceInWholeText);

  if (s.KanaMode1 == 1)
    OnWholeText(lines, [](std::string_view t) { return KanaToHalfWidth(t, kHiraganaKind); });
  if (s.KanaMode1 == 2)
    OnWholeText(lines, [](std::string_view t) { return MapKanaType(t, LCMAP_KATAKANA); });
  if (s.KanaMode2 == 1)
    OnWholeText(lines, [](std::string_view t) { return KanaToHalfWidth(t, kKatakanaKind); });
  if (s.KanaMode2 == 2 || s.KanaMode2 == 3) OnWholeText(lines, HalfWidthKanaToFull);
  if (s.KanaMode2 == 3)
    OnWholeText(lines, [](std::string_view t) { return MapKanaType(t, LCMAP_HIRAGANA); });

  if (s.ReturnMode == 1) OnWholeText(lines, NormalizeToCrLf);

  if (s.TagDelete) OnWholeText(lines, RemoveTags);
  if (s.RepAmp) ReplaceInEachLine(lines, "&", "&amp;");
  if (s.RepLG) {
    lines.TransformEachLine([](std::string& out, std::string_view line) {
      out += ReplaceAll(ReplaceAll(line, "<", "&lt;"), ">", "&gt;");
    });
  }
  if (s.RepQuot) ReplaceInEachLine(lines, "\"", "&quot;");
  if (s.AddLI) {
    lines.TransformEachLine([](std::string& out, std::string_view line) {
      out += "<li>";
      out += line;
    });
  }

  if (s.Space2Tab == 1 || s.Space2Tab == 3) SeparatorsToTab(lines, " ");
  if (s.Space2Tab == 2 || s.Space2Tab == 3) SeparatorsToTab(lines, kFullWidthSpace);
  if (s.Space2Tab == 3) SeparatorsToTab(lines, "\t");
  if (s.DelDmySpc) {
    lines.TransformEachLine(
        [](std::string& out, std::string_view line) { out += TrimTrailingBlanks(line); });
  }
  if (s.DelConma) ReplaceInWholeText(lines, ",", "");
  if (s.UpDownCase == 1) OnWholeText(lines, CharLowerSjis);
  if (s.UpDownCase == 2) OnWholeText(lines, CharUpperSjis);
}

std::string FinalText(const LineList& lines, const FilterSettings& s) {
  if (s.EnterDeleteMode == 1) return JoinKeepingSentenceEnds(lines);
  return lines.Join();
}

std::string FilterText(std::string_view sjis, const FilterSettings& settings) {
  LineList lines;
  lines.Load(sjis);
  ApplySteps(lines, settings);
  return FinalText(lines, settings);
}

}  // namespace kestrilon::filter
