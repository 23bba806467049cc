#include "ClipboardText.h"

#include <cstring>

#include "WinHandles.h"

namespace kestrilon::clipboard {

namespace win = framework::win;

namespace {

constexpr LCID kJapaneseLocale = 0x0411;

// A movable global block holding bytes, given to the clipboard or freed.
win::UniqueGlobal MakeBlock(const void* data, std::size_t size, const char* what) {
  win::UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) throw framework::EOSError(std::string("GlobalAlloc (") + what + ")", GetLastError());
  void* p = GlobalLock(block.Get());
  if (!p) throw framework::EOSError(std::string("GlobalLock (") + what + ")", GetLastError());
  std::memcpy(p, data, size);
  GlobalUnlock(block.Get());
  return block;
}

void Place(UINT format, win::UniqueGlobal block, const char* what) {
  if (!SetClipboardData(format, block.Get()))
    throw framework::EOSError(std::string("SetClipboardData (") + what + ")", GetLastError());
  block.Release();  // the clipboard owns it now
}

// A format registered under that name; 0 when the system would not register it, and then no
// program can have put it on the clipboard either.
UINT Registered(const wchar_t* name) { return RegisterClipboardFormatW(name); }

// A DWORD-valued permission format that says no. Present but unreadable counts as no: a copy is
// never taken for public by mistake.
bool Denies(UINT format) {
  if (!format || !IsClipboardFormatAvailable(format)) return false;
  HANDLE data = GetClipboardData(format);
  if (!data || GlobalSize(data) < sizeof(DWORD)) return true;
  const auto* value = static_cast<const DWORD*>(GlobalLock(data));
  if (!value) return true;
  const bool no = *value == 0;
  GlobalUnlock(data);
  return no;
}

}  // namespace

OpenedClipboard::OpenedClipboard(HWND owner, const std::function<BOOL(HWND)>& open) {
  if (!open(owner)) throw EClipboardError();
}

OpenedClipboard::~OpenedClipboard() { CloseClipboard(); }

bool OpenedClipboard::HoldsPrivateCopy() const {
  static const UINT exclude = Registered(L"ExcludeClipboardContentFromMonitorProcessing");
  static const UINT ignore = Registered(L"Clipboard Viewer Ignore");
  static const UINT history = Registered(L"CanIncludeInClipboardHistory");
  static const UINT cloud = Registered(L"CanUploadToCloudClipboard");
  for (UINT marker : {exclude, ignore})
    if (marker && IsClipboardFormatAvailable(marker)) return true;
  return Denies(history) || Denies(cloud);
}

std::u16string OpenedClipboard::ReadText() const {
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (!data) return {};
  const auto* p = static_cast<const char16_t*>(GlobalLock(data));
  if (!p) return {};
  // The block may be larger than the text and, from a careless program, lack its NUL.
  const std::size_t units = GlobalSize(data) / sizeof(char16_t);
  std::size_t n = 0;
  while (n < units && p[n] != u'\0') ++n;
  std::u16string text(p, n);
  GlobalUnlock(data);
  return text;
}

void OpenedClipboard::WriteText(std::u16string_view text, std::string_view cp932) const {
  if (!EmptyClipboard()) throw framework::EOSError("EmptyClipboard", GetLastError());
  std::u16string unicode(text);
  Place(CF_UNICODETEXT, MakeBlock(unicode.c_str(), (unicode.size() + 1) * sizeof(char16_t), "CF_UNICODETEXT"),
        "CF_UNICODETEXT");
  std::string ansi(cp932);
  Place(CF_TEXT, MakeBlock(ansi.c_str(), ansi.size() + 1, "CF_TEXT"), "CF_TEXT");
  const LCID locale = kJapaneseLocale;
  Place(CF_LOCALE, MakeBlock(&locale, sizeof locale, "CF_LOCALE"), "CF_LOCALE");
}

bool ClipboardHasText() { return IsClipboardFormatAvailable(CF_TEXT) != 0; }

}  // namespace kestrilon::clipboard
