#include "WinText.h"

#include "UnicodeBridge.h"

namespace kestrilon::framework::win {

std::wstring Widen(std::string_view utf8) { return unicode::Widen(utf8); }

std::string Narrow(std::wstring_view utf16) { return unicode::Narrow(utf16); }

}  // namespace kestrilon::framework::win
