#include "Settings.h"

#include <algorithm>
#include <iterator>
#include <type_traits>
#include <utility>

#include "ItemIndex.h"

namespace kestrilon::filter {
namespace {

// The items of each kind of group, one per enumerator, in the enumerators' order.
template <typename Mode>
struct ItemList;
template <>
struct ItemList<Width> {
  static constexpr std::string_view items[] = {
      "そのまま",  // Keep
      "半角",      // ToHalf
      "全角",      // ToFull
  };
};
template <>
struct ItemList<Comma> {
  static constexpr std::string_view items[] = {
      "そのまま",  // Keep
      "、",        // ToIdeographic
      "，",        // ToFullWidth
  };
};
template <>
struct ItemList<Period> {
  static constexpr std::string_view items[] = {
      "そのまま",  // Keep
      "。",        // ToIdeographic
      "．",        // ToFullWidth
  };
};
template <>
struct ItemList<Hiragana> {
  static constexpr std::string_view items[] = {
      "そのまま",  // Keep
      "半角カナ",  // ToHalfWidthKatakana
      "全角カナ",  // ToKatakana
  };
};
template <>
struct ItemList<Katakana> {
  static constexpr std::string_view items[] = {
      "そのまま",  // Keep
      "半角カナ",  // ToHalfWidth
      "全角カナ",  // ToFullWidth
      "全角かな",  // ToHiragana
  };
};
template <>
struct ItemList<LineBreaks> {
  static constexpr std::string_view items[] = {
      "そのまま",  // Keep
      "CR+LF",     // ToCrLf
  };
};
template <>
struct ItemList<SpaceRuns> {
  static constexpr std::string_view items[] = {
      "そのまま",               // Keep
      "半角を1つのタブに変換",  // HalfWidthToTab
      "全角を1つのタブに変換",  // FullWidthToTab
      "両方を1つのタブに変換",  // BothToTab
  };
};
template <>
struct ItemList<LetterCase> {
  static constexpr std::string_view items[] = {
      "そのまま",  // Keep
      "小文字",    // ToLower
      "大文字",    // ToUpper
  };
};
template <>
struct ItemList<Joining> {
  static constexpr std::string_view items[] = {
      "そのまま",  // Keep
      "改行除去",  // JoinLines
  };
};
// Each list ends with its enum's last enumerator.
static_assert(std::size(ItemList<Width>::items) == 1 + static_cast<int>(Width::ToFull));
static_assert(std::size(ItemList<Comma>::items) == 1 + static_cast<int>(Comma::ToFullWidth));
static_assert(std::size(ItemList<Period>::items) == 1 + static_cast<int>(Period::ToFullWidth));
static_assert(std::size(ItemList<Hiragana>::items) == 1 + static_cast<int>(Hiragana::ToKatakana));
static_assert(std::size(ItemList<Katakana>::items) == 1 + static_cast<int>(Katakana::ToHiragana));
static_assert(std::size(ItemList<LineBreaks>::items) == 1 + static_cast<int>(LineBreaks::ToCrLf));
static_assert(std::size(ItemList<SpaceRuns>::items) == 1 + static_cast<int>(SpaceRuns::BothToTab));
static_assert(std::size(ItemList<LetterCase>::items) == 1 + static_cast<int>(LetterCase::ToUpper));
static_assert(std::size(ItemList<Joining>::items) == 1 + static_cast<int>(Joining::JoinLines));

using S = FilterSettings;

// A radio group's row: its items follow from the type of its field.
template <auto Field>
constexpr SettingInfo Radio(std::string_view name, std::string_view caption) {
  using Mode = std::remove_cvref_t<decltype(std::declval<S&>().*Field)>;
  return {name,
          SettingKind::RadioGroup,
          caption,
          ItemList<Mode>::items,
          [](const S& s) { return static_cast<int>(s.*Field); },
          [](S& s, int v) { s.*Field = static_cast<Mode>(v); }};
}

template <auto Field>
constexpr SettingInfo Check(std::string_view name, std::string_view caption) {
  return {name,
          SettingKind::CheckBox,
          caption,
          {},
          [](const S& s) { return s.*Field ? 1 : 0; },
          [](S& s, int v) { s.*Field = v != 0; }};
}

const SettingInfo kSettings[] = {
    Radio<&S::NumberMode>("NumberMode", "数字"),
    Radio<&S::AlphabetMode>("AlphabetMode", "英字"),
    Radio<&S::PunctuationMode>("PunctuationMode", "読点"),
    Radio<&S::PeriodMode>("PeriodMode", "句点"),
    Radio<&S::SignMode>("SignMode", "記号"),
    Radio<&S::SpaceMode>("SpaceMode", "空白"),
    Radio<&S::ParenthesisMode>("ParenthesisMode", "括弧"),
    Radio<&S::KanaMode1>("KanaMode1", "かな"),
    Radio<&S::KanaMode2>("KanaMode2", "カナ"),
    Radio<&S::ReturnMode>("ReturnMode", "改行"),
    Radio<&S::Space2Tab>("Space2Tab", "連続スペース処理"),
    Radio<&S::UpDownCase>("UpDownCase", "英文処理"),
    Radio<&S::EnterDeleteMode>("EnterDeleteMode", "改行除去"),
    Check<&S::TagDelete>("TagDelete", "HTML/XMLなどのタグを除去"),
    Check<&S::RepAmp>("RepAmp", "＆を＆amp;に置換"),
    Check<&S::RepLG>("RepLG", "<>を＆lt;と＆gt;に置換"),
    Check<&S::RepQuot>("RepQuot", "\"を＆quot;に置換"),
    Check<&S::AddLI>("AddLI", "行頭に<LI>を付加"),
    Check<&S::DelDmySpc>("DelDmySpc", "行末の空白を除去"),
    Check<&S::DelConma>("DelConma", "半角コンマの除去"),
    Check<&S::KeepLastLineBreak>("KeepLastLineBreak", "末尾に改行を足さない"),
};

}  // namespace

std::span<const SettingInfo> AllSettings() { return kSettings; }

const SettingInfo* FindSetting(std::string_view name) {
  for (const auto& s : kSettings)
    if (s.name == name) return &s;
  return nullptr;
}

int ClampItemIndex(const SettingInfo& info, long long index) {
  return ClampItemIndex(index, static_cast<int>(info.items.size()));
}

}  // namespace kestrilon::filter
