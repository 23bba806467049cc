#include "WinText.h"

#include <windows.h>

namespace kestrilon::framework::win {

// Both conversions ask for the size first; a second call that converts nothing (the system out of
// memory, say) gives an empty text rather than a text of NULs.
std::wstring Widen(std::string_view text, unsigned codePage) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), size) != size) return {};
  return wide;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int length = static_cast<int>(utf16.size());
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string narrow(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, narrow.data(), size, nullptr,
                          nullptr) != size)
    return {};
  return narrow;
}

}  // namespace kestrilon::framework::win
