// UTF-8 (the source's and the model's text) to and from UTF-16 (the wide-character API).
#pragma once

#include <string>
#include <string_view>

namespace kestrilon::framework::win {

// Invalid UTF-8 bytes become U+FFFD.
std::wstring Widen(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view utf16);

}  // namespace kestrilon::framework::win
