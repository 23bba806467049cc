// Helpers of the clipboard's Windows tests: copying as another program would, and reading the
// clipboard directly, past the seams the tests replace.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace kestrilon::clipboard::testing {

// A movable block holding bytes, for SetClipboardData.
inline HGLOBAL Block(const void* data, std::size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (block) {
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
  }
  return block;
}

// The bytes of a DWORD, as the permission formats hold it.
inline std::string Dword(DWORD value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// Copies text as another program would: the clipboard holds only that text afterwards, and the
// marker a password manager adds, where one is given, holding data.
inline void Copy(const std::u16string& text, const wchar_t* marker = nullptr,
                 const std::string& data = Dword(1)) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  ASSERT_NE(
      SetClipboardData(CF_UNICODETEXT, Block(text.c_str(), (text.size() + 1) * sizeof(char16_t))),
      nullptr);
  if (marker) {
    EXPECT_NE(SetClipboardData(RegisterClipboardFormatW(marker), Block(data.data(), data.size())),
              nullptr);
  }
  CloseClipboard();
}

// Reads the text directly, past the seam the tests replace: as Unicode, or the ANSI form.
template <typename Char = char16_t>
std::basic_string<Char> Paste(UINT format = CF_UNICODETEXT) {
  std::basic_string<Char> text;
  for (int i = 0; i < 200 && !OpenClipboard(nullptr); ++i) Sleep(10);
  if (HANDLE h = GetClipboardData(format)) {
    text = static_cast<const Char*>(GlobalLock(h));
    GlobalUnlock(h);
  }
  CloseClipboard();
  return text;
}
inline std::string PasteAnsi() { return Paste<char>(CF_TEXT); }

}  // namespace kestrilon::clipboard::testing
