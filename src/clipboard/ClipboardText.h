// The clipboard's text, read and written as the filter needs it: opened with a few retries (a
// clipboard history often holds the clipboard for a moment right after a change), read as
// Unicode so that nothing the user copied is lost, and written as the only content, in forms
// that give every reader (Unicode or ANSI) the same text whatever keyboard layout is active.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "Exceptions.h"

namespace kestrilon::clipboard {

// The clipboard could not be opened, even after the retries.
class EClipboardError : public framework::Exception {
public:
  EClipboardError() : Exception("クリップボードを開くことができません") {}
};

// The open clipboard, closed when the scope ends.
class OpenedClipboard {
public:
  // Tries OpenClipboard(owner) for about `patience`, then throws EClipboardError.
  explicit OpenedClipboard(HWND owner,
                           std::chrono::milliseconds patience = std::chrono::milliseconds(100));
  ~OpenedClipboard();
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;

  // The Unicode text up to its first NUL; empty when the clipboard holds no text.
  std::u16string ReadText() const;
  // Empties the clipboard, then places the text as CF_UNICODETEXT, its code page 932 form as
  // CF_TEXT and the Japanese locale as CF_LOCALE (so that a conversion by the system uses code
  // page 932 too). Throws framework::EOSError naming the call that failed.
  void WriteText(std::u16string_view text, std::string_view cp932) const;
};

// Whether the clipboard offers text (CF_TEXT, also when the system would make it from another
// text format).
bool ClipboardHasText();

// How OpenedClipboard opens: OpenClipboard, unless a test replaces it.
std::function<BOOL(HWND)>& ClipboardOpener();

}  // namespace kestrilon::clipboard
