// A generated text of mixed Japanese in code page 932, the same for the same size and seed:
// hiragana, katakana, half-width katakana, kanji, full-width and ASCII letters and digits,
// symbols, tags, blanks and line breaks, in lines of about 30 to 90 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrilon::bench {

std::string MakeBenchText(std::size_t bytes, std::uint64_t seed = 1);

}  // namespace kestrilon::bench
