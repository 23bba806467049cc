#include "Width.h"

#include "Sjis.h"

namespace kestrilon::filter {
namespace {

// The full-width runs follow ASCII order, so each direction is an offset on one byte:
// ０ 0x824F = '0' + 0x821F, Ａ 0x8260 = 'A' + 0x821F, ａ 0x8281 = 'a' + 0x8220.
constexpr std::uint16_t kDigitOffset = 0x821F;
constexpr std::uint16_t kCapitalOffset = 0x821F;
constexpr std::uint16_t kSmallOffset = 0x8220;

bool InRange(unsigned v, unsigned lo, unsigned hi) { return v >= lo && v <= hi; }

}  // namespace

std::string DigitsToHalfWidth(std::string_view text) {
  return ScanCharacters(
      text,
      [](std::string& out, std::uint16_t code) {
        if (InRange(code, 0x824F, 0x8258))
          out += static_cast<char>(code - kDigitOffset);
        else
          AppendCode(out, code);
      },
      CopySingle);
}

std::string DigitsToFullWidth(std::string_view text) {
  return ScanCharacters(text, CopyDouble, [](std::string& out, std::string_view t, std::size_t i) {
    const auto b = static_cast<unsigned char>(t[i]);
    if (InRange(b, '0', '9'))
      AppendCode(out, static_cast<std::uint16_t>(b + kDigitOffset));
    else
      out += t[i];
    return std::size_t{1};
  });
}

std::string LettersToHalfWidth(std::string_view text) {
  return ScanCharacters(
      text,
      [](std::string& out, std::uint16_t code) {
        if (InRange(code, 0x8260, 0x8279))
          out += static_cast<char>(code - kCapitalOffset);
        else if (InRange(code, 0x8281, 0x829A))
          out += static_cast<char>(code - kSmallOffset);
        else
          AppendCode(out, code);
      },
      CopySingle);
}

std::string LettersToFullWidth(std::string_view text) {
  return ScanCharacters(text, CopyDouble, [](std::string& out, std::string_view t, std::size_t i) {
    const auto b = static_cast<unsigned char>(t[i]);
    if (InRange(b, 'A', 'Z'))
      AppendCode(out, static_cast<std::uint16_t>(b + kCapitalOffset));
    else if (InRange(b, 'a', 'z'))
      AppendCode(out, static_cast<std::uint16_t>(b + kSmallOffset));
    else
      out += t[i];
    return std::size_t{1};
  });
}

}  // namespace kestrilon::filter
