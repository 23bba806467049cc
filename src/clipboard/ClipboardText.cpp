#include "ClipboardText.h"

#include <cstring>
#include <thread>

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

}  // namespace

std::function<BOOL(HWND)>& ClipboardOpener() {
  static std::function<BOOL(HWND)> opener = [](HWND owner) { return OpenClipboard(owner); };
  return opener;
}

OpenedClipboard::OpenedClipboard(HWND owner, std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!ClipboardOpener()(owner)) {
    if (std::chrono::steady_clock::now() >= deadline) throw EClipboardError();
    // Another program holds it; it gives it back within milliseconds as a rule.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

OpenedClipboard::~OpenedClipboard() { CloseClipboard(); }

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
