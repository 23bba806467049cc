#include "Settings.h"

#include <algorithm>

namespace kestrilon::filter {
namespace {

constexpr std::string_view kWidth[] = {"そのまま", "半角", "全角"};
constexpr std::string_view kComma[] = {"そのまま", "、", "，"};
constexpr std::string_view kPeriod[] = {"そのまま", "。", "．"};
constexpr std::string_view kHiragana[] = {"そのまま", "半角カナ", "全角カナ"};
constexpr std::string_view kKatakana[] = {"そのまま", "半角カナ", "全角カナ", "全角かな"};
constexpr std::string_view kReturn[] = {"そのまま", "CR+LF"};
constexpr std::string_view kSpace2Tab[] = {"そのまま", "半角を1つのタブに変換", "全角を1つのタブに変換",
                                           "両方を1つのタブに変換"};
constexpr std::string_view kCase[] = {"そのまま", "小文字", "大文字"};
constexpr std::string_view kEnterDelete[] = {"そのまま", "改行除去"};

using S = FilterSettings;
using K = SettingKind;

const SettingInfo kSettings[] = {
    {"NumberMode", K::RadioGroup, "数字", kWidth, &S::NumberMode},
    {"AlphabetMode", K::RadioGroup, "英字", kWidth, &S::AlphabetMode},
    {"PunctuationMode", K::RadioGroup, "読点", kComma, &S::PunctuationMode},
    {"PeriodMode", K::RadioGroup, "句点", kPeriod, &S::PeriodMode},
    {"SignMode", K::RadioGroup, "記号", kWidth, &S::SignMode},
    {"SpaceMode", K::RadioGroup, "空白", kWidth, &S::SpaceMode},
    {"ParenthesisMode", K::RadioGroup, "括弧", kWidth, &S::ParenthesisMode},
    {"KanaMode1", K::RadioGroup, "かな", kHiragana, &S::KanaMode1},
    {"KanaMode2", K::RadioGroup, "カナ", kKatakana, &S::KanaMode2},
    {"ReturnMode", K::RadioGroup, "改行", kReturn, &S::ReturnMode},
    {"Space2Tab", K::RadioGroup, "連続スペース処理", kSpace2Tab, &S::Space2Tab},
    {"UpDownCase", K::RadioGroup, "英文処理", kCase, &S::UpDownCase},
    {"EnterDeleteMode", K::RadioGroup, "改行除去", kEnterDelete, &S::EnterDeleteMode},
    {"TagDelete", K::CheckBox, "HTML/XMLなどのタグを除去", {}, nullptr, &S::TagDelete},
    {"RepAmp", K::CheckBox, "＆を＆amp;に置換", {}, nullptr, &S::RepAmp},
    {"RepLG", K::CheckBox, "<>を＆lt;と＆gt;に置換", {}, nullptr, &S::RepLG},
    {"RepQuot", K::CheckBox, "\"を＆quot;に置換", {}, nullptr, &S::RepQuot},
    {"AddLI", K::CheckBox, "行頭に<LI>を付加", {}, nullptr, &S::AddLI},
    {"DelDmySpc", K::CheckBox, "行末の空白を除去", {}, nullptr, &S::DelDmySpc},
    {"DelConma", K::CheckBox, "半角コンマの除去", {}, nullptr, &S::DelConma},
};

}  // namespace

std::span<const SettingInfo> AllSettings() { return kSettings; }

const SettingInfo* FindSetting(std::string_view name) {
  for (const auto& s : kSettings)
    if (s.name == name) return &s;
  return nullptr;
}

int ClampItemIndex(const SettingInfo& info, long long index) {
  const long long last = static_cast<long long>(info.items.size()) - 1;
  return static_cast<int>(std::clamp<long long>(index, -1, last));
}

}  // namespace kestrilon::filter
