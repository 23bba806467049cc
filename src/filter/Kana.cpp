#include "Kana.h"

#include <array>

#include "CharacterTables.h"

namespace kestrilon::filter {
namespace {

// Half-width form of each JIS cell 0x21 to 0x76, shared by the hiragana and katakana rows.
// An entry e packs the result: the byte 0xA6 + e % 56, then a mark if e / 56 is 1 (ﾞ) or 2 (ﾟ).
constexpr unsigned char kHalfWidthEntry[] = {
    1,    // 0x21 ぁ ァ → ｧ
    11,   // 0x22 あ ア → ｱ
    2,    // 0x23 ぃ ィ → ｨ
    12,   // 0x24 い イ → ｲ
    3,    // 0x25 ぅ ゥ → ｩ
    13,   // 0x26 う ウ → ｳ
    4,    // 0x27 ぇ ェ → ｪ
    14,   // 0x28 え エ → ｴ
    5,    // 0x29 ぉ ォ → ｫ
    15,   // 0x2A お オ → ｵ
    16,   // 0x2B か カ → ｶ
    72,   // 0x2C が ガ → ｶﾞ
    17,   // 0x2D き キ → ｷ
    73,   // 0x2E ぎ ギ → ｷﾞ
    18,   // 0x2F く ク → ｸ
    74,   // 0x30 ぐ グ → ｸﾞ
    19,   // 0x31 け ケ → ｹ
    75,   // 0x32 げ ゲ → ｹﾞ
    20,   // 0x33 こ コ → ｺ
    76,   // 0x34 ご ゴ → ｺﾞ
    21,   // 0x35 さ サ → ｻ
    77,   // 0x36 ざ ザ → ｻﾞ
    22,   // 0x37 し シ → ｼ
    78,   // 0x38 じ ジ → ｼﾞ
    23,   // 0x39 す ス → ｽ
    79,   // 0x3A ず ズ → ｽﾞ
    24,   // 0x3B せ セ → ｾ
    80,   // 0x3C ぜ ゼ → ｾﾞ
    25,   // 0x3D そ ソ → ｿ
    81,   // 0x3E ぞ ゾ → ｿﾞ
    26,   // 0x3F た タ → ﾀ
    82,   // 0x40 だ ダ → ﾀﾞ
    27,   // 0x41 ち チ → ﾁ
    83,   // 0x42 ぢ ヂ → ﾁﾞ
    9,    // 0x43 っ ッ → ｯ
    28,   // 0x44 つ ツ → ﾂ
    84,   // 0x45 づ ヅ → ﾂﾞ
    29,   // 0x46 て テ → ﾃ
    85,   // 0x47 で デ → ﾃﾞ
    30,   // 0x48 と ト → ﾄ
    86,   // 0x49 ど ド → ﾄﾞ
    31,   // 0x4A な ナ → ﾅ
    32,   // 0x4B に ニ → ﾆ
    33,   // 0x4C ぬ ヌ → ﾇ
    34,   // 0x4D ね ネ → ﾈ
    35,   // 0x4E の ノ → ﾉ
    36,   // 0x4F は ハ → ﾊ
    92,   // 0x50 ば バ → ﾊﾞ
    148,  // 0x51 ぱ パ → ﾊﾟ
    37,   // 0x52 ひ ヒ → ﾋ
    93,   // 0x53 び ビ → ﾋﾞ
    149,  // 0x54 ぴ ピ → ﾋﾟ
    38,   // 0x55 ふ フ → ﾌ
    94,   // 0x56 ぶ ブ → ﾌﾞ
    150,  // 0x57 ぷ プ → ﾌﾟ
    39,   // 0x58 へ ヘ → ﾍ
    95,   // 0x59 べ ベ → ﾍﾞ
    151,  // 0x5A ぺ ペ → ﾍﾟ
    40,   // 0x5B ほ ホ → ﾎ
    96,   // 0x5C ぼ ボ → ﾎﾞ
    152,  // 0x5D ぽ ポ → ﾎﾟ
    41,   // 0x5E ま マ → ﾏ
    42,   // 0x5F み ミ → ﾐ
    43,   // 0x60 む ム → ﾑ
    44,   // 0x61 め メ → ﾒ
    45,   // 0x62 も モ → ﾓ
    6,    // 0x63 ゃ ャ → ｬ
    46,   // 0x64 や ヤ → ﾔ
    7,    // 0x65 ゅ ュ → ｭ
    47,   // 0x66 ゆ ユ → ﾕ
    8,    // 0x67 ょ ョ → ｮ
    48,   // 0x68 よ ヨ → ﾖ
    49,   // 0x69 ら ラ → ﾗ
    50,   // 0x6A り リ → ﾘ
    51,   // 0x6B る ル → ﾙ
    52,   // 0x6C れ レ → ﾚ
    53,   // 0x6D ろ ロ → ﾛ
    54,   // 0x6E ゎ ヮ → ﾜ
    54,   // 0x6F わ ワ → ﾜ
    12,   // 0x70 ゐ ヰ → ｲ
    14,   // 0x71 ゑ ヱ → ｴ
    15,   // 0x72 を ヲ → ｵ
    55,   // 0x73 ん ン → ﾝ
    69,   // 0x74 (none) ヴ → ｳﾞ
    16,   // 0x75 (none) ヵ → ｶ
    19,   // 0x76 (none) ヶ → ｹ
};
static_assert(sizeof kHalfWidthEntry == 0x76 - 0x21 + 1);

constexpr unsigned char kVoicedMark = 0xDE;      // ﾞ
constexpr unsigned char kSemiVoicedMark = 0xDF;  // ﾟ

struct FullWidthKana {
  std::uint16_t plain, voiced, semi_voiced;  // 0: same as plain
};

// Full-width form of each half-width byte 0xA1 to 0xDD, alone or followed by ﾞ or ﾟ.
constexpr FullWidthKana kFullWidth[] = {
    {0x8142, 0, 0},            // 0xA1 ｡ → 。
    {0x8175, 0, 0},            // 0xA2 ｢ → 「
    {0x8176, 0, 0},            // 0xA3 ｣ → 」
    {0x8141, 0, 0},            // 0xA4 ､ → 、
    {0x8145, 0, 0},            // 0xA5 ･ → ・
    {0x8392, 0, 0},            // 0xA6 ｦ → ヲ
    {0x8340, 0, 0},            // 0xA7 ｧ → ァ
    {0x8342, 0, 0},            // 0xA8 ｨ → ィ
    {0x8344, 0, 0},            // 0xA9 ｩ → ゥ
    {0x8346, 0, 0},            // 0xAA ｪ → ェ
    {0x8348, 0, 0},            // 0xAB ｫ → ォ
    {0x8383, 0, 0},            // 0xAC ｬ → ャ
    {0x8385, 0, 0},            // 0xAD ｭ → ュ
    {0x8387, 0, 0},            // 0xAE ｮ → ョ
    {0x8362, 0, 0},            // 0xAF ｯ → ッ
    {0x815B, 0, 0},            // 0xB0 ｰ → ー
    {0x8341, 0, 0},            // 0xB1 ｱ → ア
    {0x8343, 0, 0},            // 0xB2 ｲ → イ
    {0x8345, 0x8394, 0},       // 0xB3 ｳ → ウ ヴ
    {0x8347, 0, 0},            // 0xB4 ｴ → エ
    {0x8349, 0, 0},            // 0xB5 ｵ → オ
    {0x834A, 0x834B, 0},       // 0xB6 ｶ → カ ガ
    {0x834C, 0x834D, 0},       // 0xB7 ｷ → キ ギ
    {0x834E, 0x834F, 0},       // 0xB8 ｸ → ク グ
    {0x8350, 0x8351, 0},       // 0xB9 ｹ → ケ ゲ
    {0x8352, 0x8353, 0},       // 0xBA ｺ → コ ゴ
    {0x8354, 0x8355, 0},       // 0xBB ｻ → サ ザ
    {0x8356, 0x8357, 0},       // 0xBC ｼ → シ ジ
    {0x8358, 0x8359, 0},       // 0xBD ｽ → ス ズ
    {0x835A, 0x835B, 0},       // 0xBE ｾ → セ ゼ
    {0x835C, 0x835D, 0},       // 0xBF ｿ → ソ ゾ
    {0x835E, 0x835F, 0},       // 0xC0 ﾀ → タ ダ
    {0x8360, 0x8361, 0},       // 0xC1 ﾁ → チ ヂ
    {0x8363, 0x8364, 0},       // 0xC2 ﾂ → ツ ヅ
    {0x8365, 0x8366, 0},       // 0xC3 ﾃ → テ デ
    {0x8367, 0x8368, 0},       // 0xC4 ﾄ → ト ド
    {0x8369, 0, 0},            // 0xC5 ﾅ → ナ
    {0x836A, 0, 0},            // 0xC6 ﾆ → ニ
    {0x836B, 0, 0},            // 0xC7 ﾇ → ヌ
    {0x836C, 0, 0},            // 0xC8 ﾈ → ネ
    {0x836D, 0, 0},            // 0xC9 ﾉ → ノ
    {0x836E, 0x836F, 0x8370},  // 0xCA ﾊ → ハ バ パ
    {0x8371, 0x8372, 0x8373},  // 0xCB ﾋ → ヒ ビ ピ
    {0x8374, 0x8375, 0x8376},  // 0xCC ﾌ → フ ブ プ
    {0x8377, 0x8378, 0x8379},  // 0xCD ﾍ → ヘ ベ ペ
    {0x837A, 0x837B, 0x837C},  // 0xCE ﾎ → ホ ボ ポ
    {0x837D, 0, 0},            // 0xCF ﾏ → マ
    {0x837E, 0, 0},            // 0xD0 ﾐ → ミ
    {0x8380, 0, 0},            // 0xD1 ﾑ → ム
    {0x8381, 0, 0},            // 0xD2 ﾒ → メ
    {0x8382, 0, 0},            // 0xD3 ﾓ → モ
    {0x8384, 0, 0},            // 0xD4 ﾔ → ヤ
    {0x8386, 0, 0},            // 0xD5 ﾕ → ユ
    {0x8388, 0, 0},            // 0xD6 ﾖ → ヨ
    {0x8389, 0, 0},            // 0xD7 ﾗ → ラ
    {0x838A, 0, 0},            // 0xD8 ﾘ → リ
    {0x838B, 0, 0},            // 0xD9 ﾙ → ル
    {0x838C, 0, 0},            // 0xDA ﾚ → レ
    {0x838D, 0, 0},            // 0xDB ﾛ → ロ
    {0x838F, 0, 0},            // 0xDC ﾜ → ワ
    {0x8393, 0, 0},            // 0xDD ﾝ → ン
};
static_assert(sizeof kFullWidth / sizeof kFullWidth[0] == 0xDD - 0xA1 + 1);

// Hiragana (0x829F-0x82F1) and katakana (0x8340-0x8393) of one JIS cell 0x21-0x73. The katakana
// row skips the trail byte 0x7F, so its cells from 0x60 on sit one byte higher.
constexpr std::uint16_t HiraganaOfCell(unsigned cell) {
  return static_cast<std::uint16_t>(0x8200 + cell + 0x7E);
}
constexpr std::uint16_t KatakanaOfCell(unsigned cell) {
  return static_cast<std::uint16_t>(0x8300 + cell + (cell < 0x60 ? 0x1F : 0x20));
}

// Iteration marks follow their kana: ゝ 0x8154 ゞ 0x8155, ヽ 0x8152 ヾ 0x8153.
constexpr std::uint16_t kHiraganaIteration = 0x8154, kHiraganaVoicedIteration = 0x8155;
constexpr std::uint16_t kKatakanaIteration = 0x8152, kKatakanaVoicedIteration = 0x8153;

}  // namespace

Char HiraganaToKatakana(Char code) {
  if (code >= HiraganaOfCell(0x21) && code <= HiraganaOfCell(0x73))
    return KatakanaOfCell(code - 0x827E);
  if (code == kHiraganaIteration) return kKatakanaIteration;
  if (code == kHiraganaVoicedIteration) return kKatakanaVoicedIteration;
  return code;
}

// ヴ, ヵ and ヶ (cells 0x74-0x76) have no hiragana in code page 932 and stay katakana rather
// than turn into "?".
Char KatakanaToHiragana(Char code) {
  if (code >= KatakanaOfCell(0x21) && code <= KatakanaOfCell(0x73) && code != 0x837F) {
    const unsigned low = code & 0xFF;
    return HiraganaOfCell(low < 0x80 ? low - 0x1F : low - 0x20);
  }
  if (code == kKatakanaIteration) return kHiraganaIteration;
  if (code == kKatakanaVoicedIteration) return kHiraganaVoicedIteration;
  return code;
}

std::uint16_t SjisToJis(std::uint16_t code) {
  const auto s1 = static_cast<unsigned char>(code >> 8);
  const auto s2 = static_cast<unsigned char>(code & 0xFF);
  const auto h = static_cast<unsigned char>(2 * s1);
  auto l = static_cast<unsigned char>(s2 - 0x1F);
  if (l < 0x80) l = static_cast<unsigned char>(l + (l < 0x61 ? 0xDF : 0xDE));
  const auto v = static_cast<std::uint16_t>(h * 256 + l + 0x1FA1);
  return v & 0x7F7F;
}

namespace {

// What KanaToHalfWidthTable does after the lead byte of its row (0x82 for hiragana, 0x83 for
// katakana), by the byte that follows: the half-width byte with its mark in the high byte;
// kCopyPair for a character of another row; kLeadAlone for a code of the row that is no kana.
// No other lead byte reaches these two rows, so their characters are copied without a look.
constexpr std::uint16_t kCopyPair = 0;
constexpr std::uint16_t kLeadAlone = 0xFFFF;
struct HalfWidthRow {
  unsigned char lead;
  std::array<std::uint16_t, 256> by_next;
};

HalfWidthRow MakeRow(KanaKind kind) {
  const unsigned k = kind == KanaKind::Katakana ? 1 : 0;
  const unsigned row = 0x24u + k;
  HalfWidthRow r{static_cast<unsigned char>(0x82 + k), {}};
  for (unsigned next = 0; next < 256; ++next) {
    const std::uint16_t jis = SjisToJis(static_cast<Char>(r.lead << 8 | next));
    const unsigned cell = jis & 0xFF;
    if ((jis >> 8) != row) continue;  // kCopyPair
    if (cell < 0x21 || cell > 0x76) {
      r.by_next[next] = kLeadAlone;
      continue;
    }
    const unsigned e = kHalfWidthEntry[cell - 0x21];
    const unsigned mark = e / 56 == 1 ? kVoicedMark : e / 56 == 2 ? kSemiVoicedMark : 0;
    r.by_next[next] = static_cast<std::uint16_t>(mark << 8 | (0xA6 + e % 56));
  }
  return r;
}

// The whole conversion as a table by the pair of bytes at each character start.
PairTable MakeKanaToHalfWidthTable(KanaKind kind) {
  const HalfWidthRow r = MakeRow(kind);
  return PairTable::Make([&r](unsigned b, unsigned next) -> PairEntry {
    if (!IsLeadByte(static_cast<unsigned char>(b))) return {static_cast<Char>(b)};
    const std::uint16_t half = b == r.lead ? r.by_next[next] : kCopyPair;
    if (half == kCopyPair) return {static_cast<Char>(b << 8 | next), false, true};
    // Not a kana of this row: the lead byte goes alone and the next byte is read afresh.
    if (half == kLeadAlone) return {static_cast<Char>(b)};
    // The half-width byte, then its mark if it has one.
    const Char out = half >> 8 ? static_cast<Char>((half & 0xFF) << 8 | half >> 8) : half;
    return {out, false, true};
  });
}

}  // namespace

const PairTable& KanaToHalfWidthTable(KanaKind kind) {
  static const PairTable tables[2] = {MakeKanaToHalfWidthTable(KanaKind::Hiragana),
                                      MakeKanaToHalfWidthTable(KanaKind::Katakana)};
  return tables[kind == KanaKind::Katakana ? 1 : 0];
}

namespace {

// HalfWidthKanaToFullTable's conversion by the pair of bytes at each character start, with each
// character it makes then put through then(c).
template <typename Then>
PairTable MakeHalfWidthKanaToFullTable(Then&& then) {
  return PairTable::Make([&then](unsigned b, unsigned next) -> PairEntry {
    if (IsLeadByte(static_cast<unsigned char>(b)))
      return {then(static_cast<Char>(b << 8 | next)), false, true};
    if (b < 0xA1 || b > 0xDD) return {then(static_cast<Char>(b))};
    const FullWidthKana& k = kFullWidth[b - 0xA1];
    if (next == kVoicedMark || next == kSemiVoicedMark) {
      // A mark the kana has no form for is taken and dropped.
      const Char marked = next == kVoicedMark ? k.voiced : k.semi_voiced;
      return {then(marked != 0 ? marked : k.plain), false, true};
    }
    return {then(k.plain)};
  });
}

}  // namespace

const PairTable& HalfWidthKanaToFullTable() {
  static const PairTable table = MakeHalfWidthKanaToFullTable([](Char c) { return c; });
  return table;
}

const PairTable& HalfWidthKanaToHiraganaTable() {
  static const PairTable table = MakeHalfWidthKanaToFullTable(KatakanaToHiragana);
  return table;
}

}  // namespace kestrilon::filter
