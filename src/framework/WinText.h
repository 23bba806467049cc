// UTF-8 (the source's and the model's text) to and from UTF-16 (the wide-character API), by the
// system's own converter. Windows only, and free of the GUI: the settings' file replacement and
// kestrilon-filter use it too.
#pragma once

#include <string>
#include <string_view>

namespace kestrilon::framework::win {

// Text in a code page (UTF-8 unless another is named) as UTF-16. Invalid bytes become U+FFFD.
std::wstring Widen(std::string_view text, unsigned codePage = 65001);
// UTF-16 as UTF-8. Unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view utf16);

}  // namespace kestrilon::framework::win
