#include "Pipeline.h"

#include <array>
#include <deque>
#include <iterator>
#include <string_view>

#include "Kana.h"
#include "LineList.h"
#include "Sjis.h"
#include "Steps.h"
#include "Width.h"

namespace kestrilon::filter {
namespace {

// The characters the exchanging steps work on.
constexpr Char kIdeographicComma = 0x8141;   // 、
constexpr Char kFullWidthComma = 0x8143;     // ，
constexpr Char kIdeographicPeriod = kFullStop;  // 。
constexpr Char kFullWidthPeriod = 0x8144;    // ．
constexpr Char kFullWidthSpace = 0x8140;     // 　
constexpr Char kFullWidthOpen = 0x8169;      // （
constexpr Char kFullWidthClose = 0x816A;     // ）
constexpr std::string_view kFullWidthSpaceBytes = "\x81\x40";

// A step that replaces every occurrence of one character by another character is a character
// map: a match only ever starts on a character boundary.
auto Exchange(Char from, Char to) {
  return [from, to](Char c) { return c == from ? to : c; };
}

// An exchange between a half-width character and its full-width form.
void ExchangeWidth(CharMap& map, Width mode, Char half, Char full) {
  if (mode == Width::ToHalf) map.Then(Exchange(full, half));
  if (mode == Width::ToFull) map.Then(Exchange(half, full));
}

// The width of a kind of character, by its two conversions.
void ConvertWidth(CharMap& map, Width mode, Char (*to_half)(Char), Char (*to_full)(Char)) {
  if (mode == Width::ToHalf) map.Then(to_half);
  if (mode == Width::ToFull) map.Then(to_full);
}

// Building a character map visits all 65536 characters, and one clipboard change after another
// comes with the same settings: the maps of the last few settings are kept. The key is the
// settings a map is built from, with 1 (the last map) or 2 + the row a run of steps starts at in
// front.
using MapKey = std::array<int, 16>;

template <typename Mode>
constexpr int Key(Mode mode) {
  return static_cast<int>(mode);
}

}  // namespace

struct Filter::Maps {
  // A run needs up to three maps (the first steps', the hiragana step's, the last); the rest is
  // room for a setting switched back and forth.
  static constexpr std::size_t kKept = 6;
  struct Entry {
    MapKey key;
    CharMap map;
  };
  std::deque<Entry> entries;  // references stay valid as entries come and go

  template <typename Build>
  const CharMap& Get(const MapKey& key, Build&& build) {
    for (const Entry& e : entries)
      if (e.key == key) return e.map;
    if (entries.size() == kKept) entries.pop_front();
    entries.push_back({key, CharMap()});
    build(entries.back().map);
    return entries.back().map;
  }
};

namespace {

using Maps = Filter::Maps;

void ApplyMap(LineList& lines, const CharMap& map) {
  if (map.Changes())
    lines.Rewrite([&map](std::string& out, std::string_view text) { map.Apply(out, text); });
}

// Removing the commas and mapping the case are one character map. It leaves the pair of a lead
// byte and the CR after it alone, so mapping the whole text is the same as mapping line by line,
// whether or not a lead byte ends a line.
const CharMap& LastMap(Maps& maps, const FilterSettings& s) {
  return maps.Get({1, s.DelConma, Key(s.UpDownCase)}, [&s](CharMap& map) {
    if (s.DelConma) map.ThenDelete(',');
    if (s.UpDownCase == LetterCase::ToLower) map.Then(CharLowerOf);
    if (s.UpDownCase == LetterCase::ToUpper) map.Then(CharUpperOf);
  });
}

// AddLI, the separators, the trailing blanks and the last map each change every line on its own,
// and the final join looks at one line at a time: one pass over the lines does them all, each
// line going through them in turn in a small buffer of its own, so that a large text is read and
// written once more rather than four times. With both kinds of space, their runs become TABs and
// then the runs of TABs one TAB: that is, every run of the three becomes one TAB.
class LineSteps {
 public:
  LineSteps(Maps& maps, const FilterSettings& s, bool join) : s_(s), map_(LastMap(maps, s)), join_(join) {
    const bool both = s.Space2Tab == SpaceRuns::BothToTab;
    if (both || s.Space2Tab == SpaceRuns::HalfWidthToTab) separators_[count_++] = " ";
    if (both || s.Space2Tab == SpaceRuns::FullWidthToTab)
      separators_[count_++] = kFullWidthSpaceBytes;
    if (both) separators_[count_++] = "\t";
  }
  // Whether a pass over the lines is needed beyond mapping the whole text.
  bool ByLine() const { return s_.AddLI || count_ > 0 || s_.DelDmySpc || join_; }
  const CharMap& Map() const { return map_; }

  void Append(std::string& out, std::string_view text) {
    const std::size_t base = out.size();
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t lf = text.find('\n', start);  // always found, right after the line's CR
      map_.Apply(out, Line(text.substr(start, lf - 1 - start)));
      start = lf + 1;
      // Joining keeps a break only after the bytes of "。" and before more lines; only the text
      // since the last kept break can end in them, since a break ends in LF.
      if (!join_ || (start < text.size() && EndsWithFullStop(std::string_view(out).substr(base))))
        out += "\r\n";
    }
  }

 private:
  // The line after AddLI, the separators and the trim.
  std::string_view Line(std::string_view line) {
    std::string_view now = line;
    if (s_.AddLI) {
      a_.assign("<li>");
      a_.append(line);
      now = a_;
    }
    if (count_ > 0) {
      std::string& next = now.data() == a_.data() ? b_ : a_;
      next.clear();
      AppendSeparatorRunsToTab(next, now, std::span(separators_, count_));
      now = next;
    }
    if (s_.DelDmySpc) now = now.substr(0, TrimmedLength(now));
    return now;
  }

  const FilterSettings& s_;
  const CharMap& map_;
  bool join_;
  std::string_view separators_[3];
  std::size_t count_ = 0;
  std::string a_, b_;
};

using S = FilterSettings;

template <auto Field>
int Setting(const S& s) {
  return static_cast<int>(s.*Field);
}

// The pipeline, one row per step in the fixed order. A step that maps characters to characters
// adds itself to a character map; the maps of consecutive steps compose into one table, so they
// cost one pass over the text together, with the result of running them one by one. A step that
// rewrites the text runs on its own, after the map of the steps before it. The steps from <LI>
// to the join change each line on its own and share one pass over the lines (LineSteps), so they
// are one row. The kana, tag and line steps neither make nor take apart a line break, so their
// results need no new split; the CR LF normalisation can (a lead byte pairs with a CR), so it
// gets one. Those that replace characters or runs of characters work on the whole text: a match
// never spans a line break, and a lead byte that ends a line (which the whole text pairs with its
// CR) is left alone either way, so this is the same as working line by line.
struct Step {
  std::string_view name;
  int (*setting)(const S&);                         // what the step's map depends on
  void (*map)(CharMap&, const S&);                  // may add nothing
  void (*rewrite)(LineList&, Maps&, const S&, bool join);  // may do nothing
};

constexpr Step kSteps[] = {
    {"digits to half or full width", &Setting<&S::NumberMode>,
     [](CharMap& m, const S& s) {
       ConvertWidth(m, s.NumberMode, DigitToHalfWidth, DigitToFullWidth);
     },
     nullptr},
    {"letters to half or full width", &Setting<&S::AlphabetMode>,
     [](CharMap& m, const S& s) {
       ConvertWidth(m, s.AlphabetMode, LetterToHalfWidth, LetterToFullWidth);
     },
     nullptr},
    {"commas to 、 or ，", &Setting<&S::PunctuationMode>,
     [](CharMap& m, const S& s) {
       if (s.PunctuationMode == Comma::ToIdeographic)
         m.Then(Exchange(kFullWidthComma, kIdeographicComma));
       if (s.PunctuationMode == Comma::ToFullWidth)
         m.Then(Exchange(kIdeographicComma, kFullWidthComma));
     },
     nullptr},
    {"periods to 。 or ．", &Setting<&S::PeriodMode>,
     [](CharMap& m, const S& s) {
       if (s.PeriodMode == Period::ToIdeographic)
         m.Then(Exchange(kFullWidthPeriod, kIdeographicPeriod));
       if (s.PeriodMode == Period::ToFullWidth)
         m.Then(Exchange(kIdeographicPeriod, kFullWidthPeriod));
     },
     nullptr},
    {"symbols to half or full width", &Setting<&S::SignMode>,
     [](CharMap& m, const S& s) {
       ConvertWidth(m, s.SignMode, SymbolToHalfWidth, SymbolToFullWidth);
     },
     nullptr},
    {"spaces to half or full width", &Setting<&S::SpaceMode>,
     [](CharMap& m, const S& s) { ExchangeWidth(m, s.SpaceMode, ' ', kFullWidthSpace); },
     nullptr},
    {"parentheses to half or full width", &Setting<&S::ParenthesisMode>,
     [](CharMap& m, const S& s) {
       ExchangeWidth(m, s.ParenthesisMode, '(', kFullWidthOpen);
       ExchangeWidth(m, s.ParenthesisMode, ')', kFullWidthClose);
     },
     nullptr},
    {"hiragana to half-width katakana or to katakana", &Setting<&S::KanaMode1>,
     [](CharMap& m, const S& s) {
       if (s.KanaMode1 == Hiragana::ToKatakana) m.Then(HiraganaToKatakana);
     },
     [](LineList& lines, Maps&, const S& s, bool) {
       if (s.KanaMode1 == Hiragana::ToHalfWidthKatakana)
         lines.Rewrite([](std::string& out, std::string_view t) {
           AppendKanaToHalfWidth(out, t, kHiraganaKind);
         });
     }},
    {"katakana to half width, to full width or to hiragana", nullptr, nullptr,
     [](LineList& lines, Maps&, const S& s, bool) {
       if (s.KanaMode2 == Katakana::ToHalfWidth)
         lines.Rewrite([](std::string& out, std::string_view t) {
           AppendKanaToHalfWidth(out, t, kKatakanaKind);
         });
       if (s.KanaMode2 == Katakana::ToFullWidth)
         lines.Rewrite(
             [](std::string& out, std::string_view t) { AppendHalfWidthKanaToFull(out, t); });
       if (s.KanaMode2 == Katakana::ToHiragana) lines.Rewrite(AppendHalfWidthKanaToHiragana);
     }},
    {"line breaks to CR LF", nullptr, nullptr,
     [](LineList& lines, Maps&, const S& s, bool) {
       if (s.ReturnMode == LineBreaks::ToCrLf && NormalizeToCrLfChanges(lines.Join()))
         lines.RewriteAndSplit(AppendNormalizedToCrLf);
     }},
    {"removing tags", nullptr, nullptr,
     [](LineList& lines, Maps&, const S& s, bool) {
       if (s.TagDelete) lines.Rewrite(AppendWithoutTags);
     }},
    {"the HTML escapes", nullptr, nullptr,
     [](LineList& lines, Maps&, const S& s, bool) {
       if (s.RepAmp || s.RepLG || s.RepQuot) {
         lines.Rewrite([&s](std::string& out, std::string_view t) {
           AppendEscaped(out, t, s.RepAmp, s.RepLG, s.RepQuot);
         });
       }
     }},
    {"<LI>, runs of spaces to a TAB, trailing blanks, removing commas, letter case, joining lines",
     nullptr, nullptr,
     [](LineList& lines, Maps& maps, const S& s, bool join) {
       LineSteps steps(maps, s, join);
       if (steps.ByLine())
         lines.Rewrite([&steps](std::string& out, std::string_view t) { steps.Append(out, t); });
       else
         ApplyMap(lines, steps.Map());
     }},
};

static_assert(std::size(kSteps) < std::tuple_size_v<MapKey>);

// Every step in order; with join, the final join too.
void RunSteps(LineList& lines, Maps& maps, const S& s, bool join) {
  std::size_t first = 0;  // the first map step not yet applied
  for (std::size_t i = 0; i < std::size(kSteps); ++i) {
    if (!kSteps[i].rewrite) continue;
    // The map of the steps from first to this one, cached by their settings, with the row it
    // starts at in front.
    MapKey key{2 + static_cast<int>(first)};
    std::size_t n = 1;
    for (std::size_t k = first; k <= i; ++k)
      if (kSteps[k].map) key[n++] = kSteps[k].setting(s);
    if (n > 1) {
      ApplyMap(lines, maps.Get(key, [&](CharMap& map) {
                 for (std::size_t k = first; k <= i; ++k)
                   if (kSteps[k].map) kSteps[k].map(map, s);
               }));
    }
    kSteps[i].rewrite(lines, maps, s, join);
    first = i + 1;
  }
}

}  // namespace

Filter::Filter() : FMaps(std::make_unique<Maps>()) {}
Filter::~Filter() = default;
Filter::Filter(Filter&&) noexcept = default;
Filter& Filter::operator=(Filter&&) noexcept = default;

void Filter::ReleaseSpare() noexcept { std::string().swap(FSpare); }

std::string Filter::Run(std::string sjis, const FilterSettings& settings, std::string spare) {
  // Only up to a size, so that an idle program does not sit on the memory of one huge text.
  constexpr std::size_t kKeptAtMost = std::size_t{64} << 20;
  const bool join = settings.EnterDeleteMode == Joining::JoinLines;
  // Joining adds no break after the last line; otherwise loading adds one where the text has none.
  const bool drop_added_break = settings.KeepLastLineBreak && !join && !EndsInLineBreak(sjis);
  LineList lines;
  lines.LoadResult(std::move(sjis));
  lines.LendSpare(std::move(FSpare));
  lines.LendSpare(std::move(spare));
  // The join goes with the last steps' pass over the lines.
  RunSteps(lines, *FMaps, settings, join);
  std::string result = lines.TakeJoined();
  if (drop_added_break && result.ends_with("\r\n")) result.resize(result.size() - 2);
  if (std::string left = lines.TakeSpare(); left.capacity() <= kKeptAtMost) FSpare = std::move(left);
  return result;
}

}  // namespace kestrilon::filter
