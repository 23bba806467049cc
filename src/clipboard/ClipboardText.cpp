#include "ClipboardText.h"

#include <cstring>

#include "WinHandles.h"

namespace kestrilon::clipboard {

namespace win = framework::win;

namespace {

// A format registered under that name; 0 when the system would not register it, and then no
// program can have put it on the clipboard either.
UINT Registered(const wchar_t* name) { return RegisterClipboardFormatW(name); }

// A DWORD-valued permission format that says no. Present but unreadable counts as no: a copy is
// never taken for public by mistake.
bool Denies(const ClipboardApi& api, UINT format) {
  if (!format || !IsClipboardFormatAvailable(format)) return false;
  HANDLE data = api.GetData(format);
  if (!data || GlobalSize(data) < sizeof(DWORD)) return true;
  const win::GlobalLockGuard lock(data, api.Lock);
  return !lock.Data() || *static_cast<const DWORD*>(lock.Data()) == 0;
}

}  // namespace

win::UniqueGlobal MakeBlock(const ClipboardApi& api, const void* data, std::size_t size,
                            const char* what, std::size_t terminator) {
  win::UniqueGlobal block(api.Alloc(GMEM_MOVEABLE, size + terminator));
  if (!block) throw framework::EOSError(std::string("GlobalAlloc (") + what + ")", GetLastError());
  const win::GlobalLockGuard lock(block.Get(), api.Lock);
  if (!lock.Data())
    throw framework::EOSError(std::string("GlobalLock (") + what + ")", GetLastError());
  if (size) std::memcpy(lock.Data(), data, size);
  std::memset(static_cast<char*>(lock.Data()) + size, 0, terminator);
  return block;
}

void Place(const ClipboardApi& api, UINT format, win::UniqueGlobal block, const char* what) {
  if (!api.SetData(format, block.Get()))
    throw framework::EOSError(std::string("SetClipboardData (") + what + ")", GetLastError());
  block.Release();  // the clipboard owns it now
}

OpenedClipboard::OpenedClipboard(HWND owner, const ClipboardApi& api) : FApi(api) {
  if (!FApi.Open(owner)) throw EClipboardError();
}

OpenedClipboard::~OpenedClipboard() {
  // Fails only when this thread has no clipboard open; there is nothing more to do either way.
  if (!FApi.Close()) return;
}

bool OpenedClipboard::HoldsPrivateCopy() const {
  static const UINT exclude = Registered(L"ExcludeClipboardContentFromMonitorProcessing");
  static const UINT ignore = Registered(L"Clipboard Viewer Ignore");
  static const UINT history = Registered(L"CanIncludeInClipboardHistory");
  static const UINT cloud = Registered(L"CanUploadToCloudClipboard");
  for (UINT marker : {exclude, ignore})
    if (marker && IsClipboardFormatAvailable(marker)) return true;
  return Denies(FApi, history) || Denies(FApi, cloud);
}

std::u16string OpenedClipboard::ReadText() const {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return {};
  HANDLE data = FApi.GetData(CF_UNICODETEXT);
  if (!data) throw EClipboardError("クリップボードのテキストを読めません");
  const win::GlobalLockGuard lock(data, FApi.Lock);
  if (!lock.Data()) throw EClipboardError("クリップボードのテキストを読めません");
  const auto* p = static_cast<const char16_t*>(lock.Data());
  // The block may be larger than the text and, from a careless program, lack its NUL.
  const std::size_t units = GlobalSize(data) / sizeof(char16_t);
  std::size_t n = 0;
  while (n < units && p[n] != u'\0') ++n;
  return std::u16string(p, n);
}

void OpenedClipboard::WriteText(std::u16string_view text, std::string_view cp932) const {
  if (!FApi.Empty()) throw framework::EOSError("EmptyClipboard", GetLastError());
  // Each text goes straight into its block: a large copy is costly memory to touch twice.
  Place(FApi, CF_UNICODETEXT,
        MakeBlock(FApi, text.data(), text.size() * sizeof(char16_t), "CF_UNICODETEXT",
                  sizeof(char16_t)),
        "CF_UNICODETEXT");
  Place(FApi, CF_TEXT, MakeBlock(FApi, cp932.data(), cp932.size(), "CF_TEXT", 1), "CF_TEXT");
  const LCID locale = kJapaneseLocale;
  Place(FApi, CF_LOCALE, MakeBlock(FApi, &locale, sizeof locale, "CF_LOCALE"), "CF_LOCALE");
}

bool ClipboardHasText() { return IsClipboardFormatAvailable(CF_TEXT) != 0; }

}  // namespace kestrilon::clipboard
