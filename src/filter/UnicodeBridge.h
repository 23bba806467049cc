// The bridge between Unicode text and the code page 932 text that the filter works on.
//
// Characters that code page 932 cannot represent (emoji, accented Latin, Hangul, U+301C, a lone
// UTF-16 surrogate, ...) each become a placeholder: a code of the user-defined area (lead bytes
// 0xF0 to 0xF9) that the text does not already use and that no filter step converts. On the way
// out each placeholder becomes its character again, so nothing is lost. Only a text that needs
// more placeholders than the area has free is refused.
//
// Conversion goes through two tables built once from the platform's own code page 932 converter
// (iconv "CP932" on Linux, MultiByteToWideChar/WideCharToMultiByte on Windows): every code page
// 932 code decoded, and each decoded character encoded back to learn the preferred code. Nothing
// outside the tables is ever mapped, so there is no best-fit substitution on either platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage932.h"

namespace kestrilon::unicode {

enum class BridgeError {
  None,
  InvalidUtf8,       // offset: first byte of the malformed sequence
  PlaceholdersFull,  // offset: the character that found no free placeholder
  UndecodableCp932,  // offset: a byte or pair that is neither a character nor a placeholder
  SurrogateInUtf8,   // offset: a placeholder for a lone surrogate, which UTF-8 cannot hold
};

// A short English description, for messages ("invalid UTF-8", ...).
std::string_view Describe(BridgeError error);

// The characters that the placeholders of one converted text stand for.
class Placeholders {
 public:
  // The character (or lone surrogate) that code stands for, if code is one of these placeholders.
  std::optional<char32_t> Find(std::uint16_t code) const;
  std::size_t Count() const { return FCount; }

 private:
  friend class PlaceholderAllocator;
  std::vector<char32_t> FOriginals;  // by code - 0xF000; empty until the first placeholder
  std::size_t FCount = 0;
};

struct Cp932Text {
  std::string bytes;
  Placeholders placeholders;
  BridgeError error = BridgeError::None;
  std::size_t offset = 0;  // UTF-8: bytes; UTF-16: code units
};

// Unicode in, code page 932 out. On an error, bytes is empty and error/offset say why and where.
// Invalid UTF-8 (overlong forms, encoded surrogates, values above U+10FFFF, truncated sequences)
// is an error; a lone surrogate in UTF-16 is kept through a placeholder.
Cp932Text Utf8ToCp932(std::string_view utf8);
Cp932Text Utf16ToCp932(std::u16string_view utf16);

template <typename String>
struct UnicodeText {
  String text;
  BridgeError error = BridgeError::None;
  std::size_t offset = 0;  // bytes of the code page 932 input
};

// Code page 932 (as the filter left it) back to Unicode, placeholders restored. A lead byte with
// no byte after it, or a code that decodes to nothing and is no placeholder, is an error.
UnicodeText<std::string> Cp932ToUtf8(std::string_view cp932, const Placeholders& placeholders);
UnicodeText<std::u16string> Cp932ToUtf16(std::string_view cp932, const Placeholders& placeholders);

// False when the platform has no code page 932 converter (iconv without "CP932"); then every
// character but ASCII would need a placeholder, and a caller should refuse to convert.
bool ConverterAvailable();

// The platform's tables, one code at a time. A single byte is the code 0x00 to 0xFF, a two-byte
// character lead × 256 + trail. The unassigned single bytes 0x80, 0xA0 and 0xFD to 0xFF decode to
// nothing on every platform (Windows alone would give them private characters).
std::optional<char32_t> DecodeCp932(std::uint16_t code);
std::optional<std::uint16_t> EncodeCp932(char32_t c);

// The text an ANSI reader gets: the code page 932 text with "?" for each placeholder, which is
// what the system itself gives such a reader for a character the code page cannot hold.
std::string AnsiForm(std::string_view cp932, const Placeholders& placeholders);
// The same, made in cp932's own buffer: no copy of a text that is not needed any more.
std::string AnsiForm(std::string&& cp932, const Placeholders& placeholders);

}  // namespace kestrilon::unicode
