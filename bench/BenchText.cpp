#include "BenchText.h"

#include <stdexcept>
#include <string_view>
#include <vector>

#include "UnicodeBridge.h"

namespace kestrilon::bench {
namespace {

// Fragments by kind, in UTF-8; each kind is drawn with its own weight.
struct Kind {
  int weight;
  std::vector<std::string_view> fragments;
};

const std::vector<Kind>& Kinds() {
  // clang-format off
  static const std::vector<Kind> kinds = {
      {16, {"きょうは", "がっこう", "ありがとう", "ですます", "これは", "それから", "ぱぴぷぺぽ",
            "をゐゑ", "ゝゞ", "らーめん", "ちょっと", "でしょう"}},
      {10, {"コンピュータ", "データベース", "ヴァイオリン", "サーバー", "ヵヶ", "パソコン",
            "ネットワーク", "ヽヾ"}},
      {6, {"ｶﾀｶﾅ", "ﾃﾞｰﾀ", "ﾊﾟｿｺﾝ", "ｳﾞｧｲｵﾘﾝ", "ｱﾞ", "ｶﾞｯｺｳ", "｡｢｣､･"}},
      {14, {"日本語", "漢字", "東京都", "会議室", "電話番号", "文章", "変換", "午後", "値段",
            "送料無料"}},
      {5, {"ＡＢＣ", "ｗｏｒｌｄ", "Ｋｅｓｔｒｉｌｏｎ", "ΑΒΓ", "αβγ", "Ж"}},
      {5, {"１２３４", "０３", "９８７６５"}},
      {6, {"Hello", "world", "ABC", "filter", "Tokyo"}},
      {4, {"2024", "10", "1,234,567", "3.14"}},
      {12, {"、", "。", "，", "．", "（", "）", "(", ")", "！", "？", "＆", "&", "\"", "・", "ー",
            "〓", "＠", ",", "-", "/", "「", "」", "＝", "“", "”", "’", "￥", "$"}},
      {4, {"<b>", "</b>", "<p class=\"x\">", "</p>", "<br>", "<a href=\"/x?a=1&b=2\">", "</a>",
           " < ", " > "}},
      {9, {" ", "  ", "　", "　　", "\t", " 　 "}},
  };
  // clang-format on
  return kinds;
}

// xorshift64*: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : FState(seed * 0x9E3779B97F4A7C15u + 1) {}
  std::uint32_t Next(std::uint32_t bound) {
    FState ^= FState >> 12;
    FState ^= FState << 25;
    FState ^= FState >> 27;
    return static_cast<std::uint32_t>((FState * 0x2545F4914F6CDD1Du) >> 32) % bound;
  }

 private:
  std::uint64_t FState;
};

std::string ToCp932(std::string_view utf8) {
  const unicode::Cp932Text t = unicode::Utf8ToCp932(utf8);
  if (t.error != unicode::BridgeError::None || t.placeholders.Count() != 0)
    throw std::runtime_error("bench fragment outside code page 932");
  return t.bytes;
}

}  // namespace

std::string MakeBenchText(std::size_t bytes, std::uint64_t seed) {
  std::vector<std::vector<std::string>> kinds;
  std::vector<int> weights;
  int total = 0;
  for (const Kind& k : Kinds()) {
    kinds.emplace_back();
    for (auto f : k.fragments) kinds.back().push_back(ToCp932(f));
    total += k.weight;
    weights.push_back(total);
  }
  Random random(seed);
  std::string text;
  text.reserve(bytes + 128);
  std::size_t line_start = 0;
  std::size_t line_length = 30 + random.Next(60);
  while (text.size() < bytes) {
    const int pick = static_cast<int>(random.Next(static_cast<std::uint32_t>(total)));
    std::size_t kind = 0;
    while (weights[kind] <= pick) ++kind;
    const auto& fragments = kinds[kind];
    text += fragments[random.Next(static_cast<std::uint32_t>(fragments.size()))];
    if (text.size() - line_start >= line_length) {
      text += random.Next(8) == 0 ? "\r\n\r\n" : "\r\n";  // now and then an empty line
      line_start = text.size();
      line_length = 30 + random.Next(60);
    }
  }
  return text;
}

}  // namespace kestrilon::bench
