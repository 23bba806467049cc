#include "Pipeline.h"

#include <array>
#include <deque>
#include <iterator>
#include <string_view>
#include <utility>

#include "Kana.h"
#include "LineList.h"
#include "Sjis.h"
#include "Steps.h"
#include "Width.h"

namespace kestrilon::filter {
namespace {

// The characters the exchanging steps work on.
constexpr Char kIdeographicComma = 0x8141;      // 、
constexpr Char kFullWidthComma = 0x8143;        // ，
constexpr Char kIdeographicPeriod = kFullStop;  // 。
constexpr Char kFullWidthPeriod = 0x8144;       // ．
constexpr Char kFullWidthSpace = 0x8140;        // 　
constexpr Char kFullWidthOpen = 0x8169;         // （
constexpr Char kFullWidthClose = 0x816A;        // ）
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
// comes with the same settings: the conversions of the last few settings are kept. The key is
// the settings they are built from, with 1 (the last map) or 2 (the character steps) in front.
using MapKey = std::array<int, 16>;

template <typename Mode>
constexpr int Key(Mode mode) {
  return static_cast<int>(mode);
}

}  // namespace

// A run of map steps composed into one map, or a table of its own. A map's table is made only
// where it is walked on its own: composing with it reads the map.
struct Stage {
  const CharMap* map = nullptr;
  const PairTable* table = nullptr;
  const PairTable& Table() const { return map ? map->Pairs() : *table; }
};

struct Filter::Maps {
  // A run needs two (the character steps', the last map); the rest is room for a setting
  // switched back and forth.
  static constexpr std::size_t kKept = 6;
  struct Entry {
    MapKey key;
    std::deque<CharMap> maps;   // the runs of map steps, each composed into one
    std::vector<Stage> stages;  // every step that changes something, in order
    PairTable whole;            // all of them as one table, when there are several
  };
  std::deque<Entry> entries;  // references stay valid as entries come and go

  template <typename Build>
  const Entry& Get(const MapKey& key, Build&& build) {
    for (const Entry& e : entries)
      if (e.key == key) return e;
    if (entries.size() == kKept) entries.pop_front();
    entries.push_back({key, {}, {}, {}});
    build(entries.back());
    return entries.back();
  }
};

namespace {

using Maps = Filter::Maps;
using S = FilterSettings;

template <auto Field>
int Setting(const S& s) {
  return static_cast<int>(s.*Field);
}

// The steps that convert character by character, in the fixed order. A step that maps
// characters to characters adds itself to a character map; the maps of consecutive steps
// compose into one table, with the result of running them one by one. The kana steps that
// make or take apart characters are tables by pairs of bytes of their own. All of these
// compose into one table in turn (PairTable::Then), which a block of text goes through in one
// walk; where a character's result cannot be told from its own bytes, that block goes through
// the tables one by one.
struct CharStep {
  std::string_view name;
  int (*setting)(const S&);             // what the step depends on
  void (*map)(CharMap&, const S&);      // may add nothing
  const PairTable* (*table)(const S&);  // may give none
};

constexpr CharStep kCharSteps[] = {
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
     [](CharMap& m, const S& s) { ExchangeWidth(m, s.SpaceMode, ' ', kFullWidthSpace); }, nullptr},
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
     [](const S& s) -> const PairTable* {
       return s.KanaMode1 == Hiragana::ToHalfWidthKatakana ? &KanaToHalfWidthTable(kHiraganaKind)
                                                           : nullptr;
     }},
    {"katakana to half width, to full width or to hiragana", &Setting<&S::KanaMode2>, nullptr,
     [](const S& s) -> const PairTable* {
       if (s.KanaMode2 == Katakana::ToHalfWidth) return &KanaToHalfWidthTable(kKatakanaKind);
       if (s.KanaMode2 == Katakana::ToFullWidth) return &HalfWidthKanaToFullTable();
       if (s.KanaMode2 == Katakana::ToHiragana) return &HalfWidthKanaToHiraganaTable();
       return nullptr;
     }},
};

static_assert(std::size(kCharSteps) < std::tuple_size_v<MapKey>);

const Maps::Entry& CharSteps(Maps& maps, const S& s) {
  MapKey key{2};
  for (std::size_t k = 0; k < std::size(kCharSteps); ++k) key[k + 1] = kCharSteps[k].setting(s);
  return maps.Get(key, [&s](Maps::Entry& e) {
    CharMap* open = nullptr;  // the map the map steps since the last table add to
    auto close = [&] {
      if (open && open->Changes()) e.stages.push_back({open, nullptr});
      open = nullptr;
    };
    for (const CharStep& step : kCharSteps) {
      if (step.map) {
        if (!open) open = &e.maps.emplace_back();
        step.map(*open, s);
      }
      if (const PairTable* table = step.table ? step.table(s) : nullptr) {
        close();
        e.stages.push_back({nullptr, table});
      }
    }
    close();
    if (e.stages.size() > 1) {
      const Stage &first = e.stages[0], &second = e.stages[1];
      e.whole = first.map ? PairTable::Then(*first.map, second.Table())
                          : PairTable::Then(*first.table, second.Table());
      for (std::size_t k = 2; k < e.stages.size(); ++k)
        e.whole = e.stages[k].map ? PairTable::Then(std::move(e.whole), *e.stages[k].map)
                                  : PairTable::Then(std::move(e.whole), *e.stages[k].table);
    }
  });
}

// Removing the commas and mapping the case are one character map. It leaves the pair of a lead
// byte and the CR after it alone, so mapping the whole text is the same as mapping line by line,
// whether or not a lead byte ends a line.
const CharMap& LastMap(Maps& maps, const S& s) {
  const MapKey key{1, s.DelConma, Key(s.UpDownCase)};
  return maps
      .Get(key,
           [&s](Maps::Entry& e) {
             CharMap& map = e.maps.emplace_back();
             if (s.DelConma) map.ThenDelete(',');
             if (s.UpDownCase == LetterCase::ToLower) map.Then(CharLowerOf);
             if (s.UpDownCase == LetterCase::ToUpper) map.Then(CharUpperOf);
           })
      .maps.front();
}

// AddLI, the separators, the trailing blanks and the last map each change every line on its own,
// and the final join looks at one line at a time; each works on a whole block of lines. The
// runs of separators become TABs over the block at once: no separator is CR or LF or part of
// "<li>", and a line break ends a character, so the runs are those of each line. With both
// kinds of space, their runs become TABs and then the runs of TABs one TAB: that is, every run
// of the three becomes one TAB. "<li>" ends in a single byte, so putting it in front does not
// change the trim of the line after it. The join's state goes from one block to the next.
class LineSteps {
 public:
  LineSteps(const CharMap& map, const S& s)
      : s_(s), FMap(map), FJoin(s.EnterDeleteMode == Joining::JoinLines) {
    const bool both = s.Space2Tab == SpaceRuns::BothToTab;
    if (both || s.Space2Tab == SpaceRuns::HalfWidthToTab) FSeparators[FCount++] = " ";
    if (both || s.Space2Tab == SpaceRuns::FullWidthToTab)
      FSeparators[FCount++] = kFullWidthSpaceBytes;
    if (both) FSeparators[FCount++] = "\t";
  }
  bool Changes() const { return ByLine() || FCount > 0 || FMap.Changes(); }

  // The block's lines after the steps, appended to out; a and b are buffers of the caller's.
  // Each step goes over the whole block in turn; the join last, after the map, since the map
  // (deleting commas) decides which lines end in "。".
  void Append(std::string& out, std::string_view text, std::string& a, std::string& b) {
    auto other = [&](std::string_view t) -> std::string& {
      std::string& next = t.data() == a.data() ? b : a;
      next.clear();
      return next;
    };
    if (FCount > 0) {
      std::string& next = other(text);
      AppendSeparatorRunsToTab(next, text, std::span(FSeparators, FCount));
      text = next;
    }
    if (s_.AddLI || s_.DelDmySpc) {
      std::string& next = other(text);
      ForEachLine(text, [&](std::string_view line) {
        if (s_.AddLI) next += "<li>";
        next.append(s_.DelDmySpc ? line.substr(0, TrimmedLength(line)) : line);
        next += "\r\n";
      });
      text = next;
    }
    if (!FJoin) {
      FMap.Apply(out, text);
      return;
    }
    if (FMap.Changes()) {
      std::string& next = other(text);
      FMap.Apply(next, text);
      text = next;
    }
    ForEachLine(text, [&](std::string_view line) {
      if (FBreakOwed) out += "\r\n";  // a kept break, now that another line follows
      FBreakOwed = false;
      out.append(line);
      // Joining keeps a break only after the bytes of "。" (which may span joined lines) and
      // before more lines.
      for (std::size_t k = line.size() > 2 ? line.size() - 2 : 0; k < line.size(); ++k) {
        FTail[0] = FTail[1];
        FTail[1] = line[k];
        FTailSize = std::min<std::size_t>(FTailSize + 1, 2);
      }
      if (FTailSize == 2 && EndsWithFullStop(std::string_view(FTail, 2))) {
        FBreakOwed = true;
        FTailSize = 0;
      }
    });
  }

 private:
  // Whether the steps need the lines one by one.
  bool ByLine() const { return s_.AddLI || s_.DelDmySpc || FJoin; }

  // fn(line) for each line of a joined text, without its CR LF.
  template <typename Fn>
  static void ForEachLine(std::string_view text, Fn&& fn) {
    std::size_t start = 0;
    ForEachByte(text, '\n', [&](std::size_t lf) {  // right after the line's CR
      fn(text.substr(start, lf - 1 - start));
      start = lf + 1;
    });
  }

  const S& s_;
  const CharMap& FMap;
  bool FJoin;
  std::string_view FSeparators[3];
  std::size_t FCount = 0;
  // Joining: the last two bytes since the last kept break, and whether that break is owed.
  char FTail[2] = {};
  std::size_t FTailSize = 0;
  bool FBreakOwed = false;
};

// One run: the conversions the settings need and two buffers that a block's passes take turns
// in. The steps after the character steps, in the fixed order: line breaks to CR LF, the tags,
// the escapes, the line steps. Those that replace characters or runs of characters work on a
// block of whole lines: a match never spans a line break, and a lead byte that ends a line
// (which the text pairs with its CR) is left alone either way, so this is the same as working
// line by line. Only the tags may span lines; they are removed over the whole text at once,
// between two passes.
class Passes {
 public:
  Passes(Maps& maps, const S& s) : s_(s), FChars(CharSteps(maps, s)), FLines(LastMap(maps, s), s) {}

  void Over(LineList& text) {
    const bool escapes = s_.RepAmp || s_.RepLG || s_.RepQuot;
    const bool later = escapes || FLines.Changes();  // steps after the tags
    const bool crlf = s_.ReturnMode == LineBreaks::ToCrLf;
    if (!FChars.stages.empty() || crlf || (!s_.TagDelete && later))
      text.RewriteInPlace([&](std::string_view block) {
        block = Chars(block);
        if (crlf) block = CrLf(block);
        return s_.TagDelete ? block : Later(block);
      });
    if (!s_.TagDelete) return;
    text.ShortenInPlace(RemoveTagsInPlace);
    if (later) text.RewriteInPlace([&](std::string_view block) { return Later(block); });
  }

 private:
  // The buffer of the two that does not hold text, emptied.
  std::string& Other(std::string_view text) {
    std::string& b = text.data() == a_.data() ? b_ : a_;
    b.clear();
    return b;
  }

  std::string_view Chars(std::string_view block) {
    const auto& stages = FChars.stages;
    if (stages.empty()) return block;
    std::string& out = Other(block);
    if (stages.size() == 1 ? stages[0].Table().Apply(out, block) : FChars.whole.Apply(out, block))
      return out;
    for (const Stage& stage : stages) {  // one by one, as the steps are written
      std::string& next = Other(block);
      stage.Table().Apply(next, block);
      block = next;
    }
    return block;
  }

  std::string_view CrLf(std::string_view block) {
    if (!NormalizeToCrLfChanges(block)) return block;
    std::string& out = Other(block);
    AppendNormalizedToCrLf(out, block);
    // A lead byte that took a CR leaves its LF alone: split afresh.
    if (!IsNormalized(out)) out = NormalizeLineBreaks(out);
    return out;
  }

  std::string_view Later(std::string_view block) {
    if (s_.RepAmp || s_.RepLG || s_.RepQuot) {
      std::string& out = Other(block);
      AppendEscaped(out, block, s_.RepAmp, s_.RepLG, s_.RepQuot);
      block = out;
    }
    if (FLines.Changes()) {
      std::string& out = Other(block);
      FLines.Append(out, block, FLineA, FLineB);
      block = out;
    }
    return block;
  }

  const S& s_;
  const Maps::Entry& FChars;
  LineSteps FLines;
  std::string a_, b_, FLineA, FLineB;
};

}  // namespace

Filter::Filter() : FMaps(std::make_unique<Maps>()) {}
Filter::~Filter() = default;
Filter::Filter(Filter&&) noexcept = default;
Filter& Filter::operator=(Filter&&) noexcept = default;

std::string Filter::Run(std::string sjis, const FilterSettings& settings) {
  const bool join = settings.EnterDeleteMode == Joining::JoinLines;
  // Joining adds no break after the last line; otherwise loading adds one where the text has none.
  const bool drop_added_break = settings.KeepLastLineBreak && !join && !EndsInLineBreak(sjis);
  LineList lines;
  lines.LoadResult(std::move(sjis));
  Passes(*FMaps, settings).Over(lines);
  std::string result = lines.TakeJoined();
  if (drop_added_break && result.ends_with("\r\n")) result.resize(result.size() - 2);
  return result;
}

}  // namespace kestrilon::filter
