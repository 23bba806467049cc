// The clipboard's text, read and written as the filter needs it: read as Unicode so that nothing
// the user copied is lost, and written as the only content, in forms that give every reader
// (Unicode or ANSI) the same text whatever keyboard layout is active. Copies that their program
// marks private (a password manager's) are recognised by their formats alone.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "Exceptions.h"
#include "WinHandles.h"

namespace kestrilon::clipboard {

// The locale the clipboard's text is written with (CF_LOCALE), so that a conversion by the system
// uses code page 932 too.
constexpr LCID kJapaneseLocale = 0x0411;

// The clipboard could not be opened (another program holds it), or what it offers as text could
// not be read: the copy is as it was, and a later attempt may succeed.
class EClipboardError : public framework::Exception {
 public:
  EClipboardError() : Exception("クリップボードを開くことができません") {}
  using Exception::Exception;
};

// The system calls the clipboard is reached through. Each can be replaced: a test stands in for
// a program that holds the clipboard, or makes one call fail, which a real system won't do on
// demand.
struct ClipboardApi {
  std::function<BOOL(HWND)> Open = ::OpenClipboard;
  std::function<BOOL()> Close = ::CloseClipboard;
  std::function<BOOL()> Empty = ::EmptyClipboard;
  std::function<HANDLE(UINT)> GetData = ::GetClipboardData;
  std::function<HANDLE(UINT, HANDLE)> SetData = ::SetClipboardData;
  std::function<HGLOBAL(UINT, SIZE_T)> Alloc = ::GlobalAlloc;
  std::function<void*(HGLOBAL)> Lock = ::GlobalLock;
  std::function<UINT(UINT)> EnumFormats = ::EnumClipboardFormats;
};

// A movable global block holding a copy of size bytes and then terminator zero bytes (a text's
// NUL), owned until the clipboard takes it. Throws framework::EOSError naming the call that
// failed and what (a format's name) it was for.
framework::win::UniqueGlobal MakeBlock(const ClipboardApi& api, const void* data, std::size_t size,
                                       const char* what, std::size_t terminator = 0);
// Gives block to the open clipboard as format; it is freed instead if the clipboard refuses it
// (framework::EOSError).
void Place(const ClipboardApi& api, UINT format, framework::win::UniqueGlobal block,
           const char* what);

// The open clipboard, closed when the scope ends.
class OpenedClipboard {
 public:
  // One open(owner), no waiting: throws EClipboardError when another program holds the
  // clipboard. Waiting here would stop the caller's message loop; the caller tries again later.
  explicit OpenedClipboard(HWND owner, const ClipboardApi& api = {});
  ~OpenedClipboard();
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;

  // The clipboard's sequence number now: while it is open, no other program can change it.
  DWORD Sequence() const { return GetClipboardSequenceNumber(); }

  // Whether the copy is marked as one that clipboard tools must not read, keep or share: it holds
  // "ExcludeClipboardContentFromMonitorProcessing" or "Clipboard Viewer Ignore" (any data), or
  // "CanIncludeInClipboardHistory" or "CanUploadToCloudClipboard" with a DWORD of 0. Only the
  // formats and those DWORDs are looked at, never the text.
  bool HoldsPrivateCopy() const;

  // The Unicode text up to its first NUL; empty when the clipboard offers no text. Throws
  // EClipboardError when text is offered but can't be had (its data or its lock refused).
  std::u16string ReadText() const;
  // Empties the clipboard, then places the text as CF_UNICODETEXT, its code page 932 form as
  // CF_TEXT and the Japanese locale as CF_LOCALE (so that a conversion by the system uses code
  // page 932 too). Throws framework::EOSError naming the call that failed; the clipboard may then
  // hold nothing or part of the text.
  void WriteText(std::u16string_view text, std::string_view cp932) const;

 private:
  const ClipboardApi& FApi;
};

// Whether the clipboard offers text (CF_TEXT, also when the system would make it from another
// text format).
bool ClipboardHasText();

}  // namespace kestrilon::clipboard
