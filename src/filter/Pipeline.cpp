#include "Pipeline.h"

#include <array>
#include <deque>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "Kana.h"
#include "LineList.h"
#include "CharacterTables.h"
#include "PatternSearch.h"
#include "Steps.h"
#include "Symbols.h"
#include "Width.h"

namespace kestrilon::filter {
namespace {

// The characters the exchanging steps work on.
constexpr Char kIdeographicComma = 0x8141;      // 、
constexpr Char kFullWidthComma = 0x8143;        // ，
constexpr Char kIdeographicPeriod = kFullStop;  // 。
constexpr Char kFullWidthPeriod = 0x8144;       // ．
constexpr Char kFullWidthOpen = 0x8169;         // （
constexpr Char kFullWidthClose = 0x816A;        // ）

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

using S = FilterSettings;

// The letter case the settings ask for, or none.
Char (*CaseOf(const S& s))(Char) {
  if (s.UpDownCase == LetterCase::ToLower) return CharLowerOf;
  if (s.UpDownCase == LetterCase::ToUpper) return CharUpperOf;
  return nullptr;
}

// The runs of spaces that become a TAB, and the trailing blanks, look at the commas before they
// are removed; without them the commas go with the other characters.
bool CommasWithTheLines(const S& s) {
  const bool runs = s.Space2Tab == SpaceRuns::HalfWidthToTab ||
                    s.Space2Tab == SpaceRuns::FullWidthToTab || s.Space2Tab == SpaceRuns::BothToTab;
  return s.DelConma && (runs || s.DelDmySpc);
}

template <auto Field>
int Setting(const S& s) {
  return static_cast<int>(s.*Field);
}

// The steps that convert character by character. A step that maps characters to characters adds
// itself to a character map; the maps of consecutive steps compose into one table, with the
// result of running them one by one. The kana steps that make or take apart characters are
// tables by pairs of bytes of their own. All of these compose into one table in turn
// (PairTable::Then), which a block of text goes through in one walk; where a character's result
// cannot be told from its own bytes, that block goes through the tables one by one.
//
// The fixed order, with the two steps of the last map brought forward into this walk, where
// they give the same result: every step between leaves each character where it starts (the tags
// start and end on boundaries, the escapes, the TABs and "<li>" are single bytes in place of
// whole characters, the trim cuts a line's end). The letter case maps letters to letters, which
// no step between makes, takes or looks at, except that the escapes and <LI> are written in the
// case it gives. Removing the commas comes here unless the runs of spaces or the trailing
// blanks, which see the commas, are on. Both come after the kana steps, which may pair the bytes
// after a character they give up anew.
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
       return s.KanaMode1 == Hiragana::ToHalfWidthKatakana
                  ? &KanaToHalfWidthTable(KanaKind::Hiragana)
                  : nullptr;
     }},
    {"katakana to half width, to full width or to hiragana", &Setting<&S::KanaMode2>, nullptr,
     [](const S& s) -> const PairTable* {
       if (s.KanaMode2 == Katakana::ToHalfWidth) return &KanaToHalfWidthTable(KanaKind::Katakana);
       if (s.KanaMode2 == Katakana::ToFullWidth) return &HalfWidthKanaToFullTable();
       if (s.KanaMode2 == Katakana::ToHiragana) return &HalfWidthKanaToHiraganaTable();
       return nullptr;
     }},
    {"commas removed",
     [](const S& s) { return static_cast<int>(s.DelConma && !CommasWithTheLines(s)); },
     [](CharMap& m, const S& s) {
       if (s.DelConma && !CommasWithTheLines(s)) m.ThenDelete(',');
     },
     nullptr},
    {"letters to lower or upper case", &Setting<&S::UpDownCase>,
     [](CharMap& m, const S& s) {
       if (const auto to_case = CaseOf(s)) m.Then(to_case);
     },
     nullptr},
};

// Building the conversion visits all 65536 characters, and one clipboard change after another
// comes with the same settings: the conversions of the last few settings are kept, each under
// what its steps read of them.
struct MapKey {
  std::array<int, std::size(kCharSteps)> step_settings{};  // by the step's row
  bool operator==(const MapKey&) const = default;
};

// A run of map steps composed into one map, or a table of its own. A map's table is made only
// where it is walked on its own: composing with it reads the map.
struct Stage {
  const CharMap* map = nullptr;
  const PairTable* table = nullptr;
  const PairTable& Table() const { return map ? map->Pairs() : *table; }
};

}  // namespace

struct Filter::Maps {
  // Room for a setting switched back and forth.
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

const Maps::Entry& CharSteps(Maps& maps, const S& s) {
  MapKey key;
  for (std::size_t k = 0; k < std::size(kCharSteps); ++k)
    key.step_settings[k] = kCharSteps[k].setting(s);
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

// ASCII text in the letter case the settings give.
std::string InCase(std::string_view ascii, const S& s) {
  std::string out(ascii);
  if (const auto to_case = CaseOf(s))
    for (char& c : out) c = static_cast<char>(to_case(static_cast<unsigned char>(c)));
  return out;
}

// The steps after the tags, each over a whole block of lines. First the escapes and the runs of
// separators, in one pass: no separator is CR or LF or part of an escape, and a line break ends
// a character, so the runs are those of each line. With both kinds of space, their runs become
// TABs and then the runs of TABs one TAB: that is, every run of the three becomes one TAB. Then,
// line by line in one more pass, <LI> in front, the trailing blanks, the commas (where they come
// here) and joining. "<li>" ends in a single byte, so putting it in front first changes neither
// the runs nor the trim of the line after it. The join's state goes from one block to the next.
class LaterSteps {
 public:
  explicit LaterSteps(const S& s)
      : FLi(s.AddLI ? InCase("<li>", s) : ""),
        FTrim(s.DelDmySpc),
        FCommas(CommasWithTheLines(s)),
        FJoin(s.EnterDeleteMode == Joining::JoinLines) {
    auto escape = [&](char from, std::string_view to) {
      FEscapeTexts[FEscapeCount] = InCase(to, s);
      FEscapes[FEscapeCount] = {from, FEscapeTexts[FEscapeCount]};
      ++FEscapeCount;
    };
    if (s.RepAmp) escape('&', "&amp;");
    if (s.RepLG) escape('<', "&lt;"), escape('>', "&gt;");
    if (s.RepQuot) escape('"', "&quot;");
    const bool both = s.Space2Tab == SpaceRuns::BothToTab;
    if (both || s.Space2Tab == SpaceRuns::HalfWidthToTab) FSeparators[FCount++] = " ";
    if (both || s.Space2Tab == SpaceRuns::FullWidthToTab)
      FSeparators[FCount++] = kFullWidthSpaceBytes;
    if (both) FSeparators[FCount++] = "\t";
  }
  bool Changes() const { return Tabs() || ByLine(); }

  // The block after the steps, in one of the buffers: other(text) gives the one not holding
  // text.
  template <typename Other>
  std::string_view Over(std::string_view block, Other&& other) {
    if (Tabs()) {
      RoomWriter out(other(block));
      WriteEscapedAndTabbed(out, block, std::span(FEscapes, FEscapeCount),
                            std::span(FSeparators, FCount));
      block = out.Text();
    }
    if (!ByLine()) return block;
    RoomWriter out(other(block));
    if (!FCommas) {
      std::size_t start = 0;
      ForEachByte(block, '\n', [&](std::size_t lf) {  // right after the line's CR
        Line(out, block.substr(start, lf - 1 - start), start, {});
        start = lf + 1;
      });
      return out.Text();
    }
    std::size_t start = 0;
    FCommaAt.clear();
    const std::string_view patterns[] = {",", "\n"};
    ForEachCharacterStartAmong(block, patterns, [&](std::size_t hit) {
      if (block[hit] == ',') {
        FCommaAt.push_back(hit);
        return;
      }
      Line(out, block.substr(start, hit - 1 - start), start, FCommaAt);
      FCommaAt.clear();
      start = hit + 1;
    });
    return out.Text();
  }

 private:
  bool Tabs() const { return FEscapeCount > 0 || FCount > 0; }
  bool ByLine() const { return !FLi.empty() || FTrim || FCommas || FJoin; }

  // One line without its CR LF, starting at start in the block; commas: where the commas to
  // remove lie in the block, in order.
  void Line(RoomWriter& out, std::string_view line, std::size_t start,
            std::span<const std::size_t> commas) {
    const std::size_t kept = FTrim ? TrimmedLength(line) : line.size();
    char* const begin = out.Make(kept + FLi.size() + 4);
    char* o = begin;
    if (FBreakOwed) {  // a kept break, now that another line follows
      *o++ = '\r';
      *o++ = '\n';
      FBreakOwed = false;
    }
    char* const own = o;
    std::memcpy(o, FLi.data(), FLi.size());
    o += FLi.size();
    std::size_t from = 0;
    for (const std::size_t at : commas) {
      if (at - start >= kept) break;
      std::memcpy(o, line.data() + from, at - start - from);
      o += at - start - from;
      from = at - start + 1;
    }
    std::memcpy(o, line.data() + from, kept - from);
    o += kept - from;
    if (FJoin) {
      // Joining keeps a break only after the bytes of "。" (which may span joined lines) and
      // before more lines.
      for (const char* k = std::max(own, o - 2); k < o; ++k) {
        FTail[0] = FTail[1];
        FTail[1] = *k;
        FTailSize = std::min<std::size_t>(FTailSize + 1, 2);
      }
      if (FTailSize == 2 && EndsWithFullStop(std::string_view(FTail, 2))) {
        FBreakOwed = true;
        FTailSize = 0;
      }
    } else {
      *o++ = '\r';
      *o++ = '\n';
    }
    out.Advance(static_cast<std::size_t>(o - begin));
  }

  std::string FEscapeTexts[4];
  Replacement FEscapes[4];
  std::size_t FEscapeCount = 0;
  std::string_view FSeparators[3];
  std::size_t FCount = 0;
  std::string FLi;  // "<li>" in the letter case, or nothing
  bool FTrim, FCommas, FJoin;
  std::vector<std::size_t> FCommaAt;  // the commas of the line at hand
  // Joining: the last two bytes since the last kept break, and whether that break is owed.
  char FTail[2] = {};
  std::size_t FTailSize = 0;
  bool FBreakOwed = false;
};

// One run: the conversions the settings need and two buffers that a block's passes take turns
// in. The steps after the character steps, in the fixed order: line breaks to CR LF, the tags,
// the later steps. Those that replace characters or runs of characters work on a block of whole
// lines: a match never spans a line break, and a lead byte that ends a line (which the text
// pairs with its CR) is left alone either way, so this is the same as working line by line.
// Only the tags may span lines; they are removed over the whole text at once, between two
// passes.
class Passes {
 public:
  Passes(Maps& maps, const S& s) : FSettings(s), FChars(CharSteps(maps, s)), FLater(s) {}

  void Over(LineList& text) {
    const bool later = FLater.Changes();  // steps after the tags
    const bool crlf = FSettings.ReturnMode == LineBreaks::ToCrLf;
    const bool tags = FSettings.TagDelete;
    auto other = [this](std::string_view t) -> std::string& { return Other(t); };
    if (!FChars.stages.empty() || crlf || (!tags && later))
      text.RewriteInPlace([&](std::string_view block) {
        block = Chars(block);
        if (crlf) block = CrLf(block);
        return tags ? block : FLater.Over(block, other);
      });
    if (!tags) return;
    text.ShortenInPlace(RemoveTagsInPlace);
    if (later)
      text.RewriteInPlace([&](std::string_view block) { return FLater.Over(block, other); });
  }

 private:
  // The buffer of the two that does not hold text. Its size is its room: what it holds is told
  // by the view a pass returns.
  std::string& Other(std::string_view text) {
    return text.data() == FBufferA.data() ? FBufferB : FBufferA;
  }

  std::string_view Chars(std::string_view block) {
    const auto& stages = FChars.stages;
    if (stages.empty()) return block;
    RoomWriter out(Other(block));
    const PairTable& whole = stages.size() == 1 ? stages[0].Table() : FChars.whole;
    if (whole.Apply(out, block)) return out.Text();
    for (const Stage& stage : stages) {  // one by one, as the steps are written
      RoomWriter next(Other(block));
      stage.Table().Apply(next, block);
      block = next.Text();
    }
    return block;
  }

  std::string_view CrLf(std::string_view block) {
    if (!NormalizeToCrLfChanges(block)) return block;
    std::string& out = Other(block);
    out.clear();
    AppendNormalizedToCrLf(out, block);
    // A lead byte that took a CR leaves its LF alone: split afresh.
    if (!IsNormalized(out)) out = NormalizeLineBreaks(out);
    return out;
  }

  const S& FSettings;
  const Maps::Entry& FChars;
  LaterSteps FLater;
  std::string FBufferA, FBufferB;
};

}  // namespace

Filter::Filter() : FMaps(std::make_unique<Maps>()) {}
Filter::~Filter() = default;
Filter::Filter(Filter&&) noexcept = default;
Filter& Filter::operator=(Filter&&) noexcept = default;

std::string Filter::Run(std::string sjis, const FilterSettings& settings) {
  const bool join = settings.EnterDeleteMode == Joining::JoinLines;
  LineList lines;
  const bool ended_in_break = lines.LoadResult(std::move(sjis));
  // Joining adds no break after the last line; otherwise loading adds one where the text has none.
  const bool drop_added_break = settings.KeepLastLineBreak && !join && !ended_in_break;
  Passes(*FMaps, settings).Over(lines);
  std::string result = lines.TakeJoined();
  if (drop_added_break && result.ends_with("\r\n")) result.resize(result.size() - 2);
  return result;
}

}  // namespace kestrilon::filter
