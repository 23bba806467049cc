// The filtered text pasted into the active window while the clipboard keeps the copy, under
// Wine's real clipboard, with the target's keys and its elevation in the tests' hands.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../framework/WinTestSupport.h"
#include "ClipboardTestSupport.h"
#include "DelayedPaste.h"
#include "WinHandles.h"

namespace kestrilon::clipboard {
namespace {

using framework::testing::PumpUntil;
using framework::testing::Settle;
using testing::Block;
using testing::Copy;
using testing::Paste;

// Copies text with a second format beside it, as a word processor does.
void CopyRich(const std::u16string& text, const std::string& rtf) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  EXPECT_NE(
      SetClipboardData(CF_UNICODETEXT, Block(text.c_str(), (text.size() + 1) * sizeof(char16_t))),
      nullptr);
  EXPECT_NE(SetClipboardData(RegisterClipboardFormatW(L"Rich Text Format"),
                             Block(rtf.c_str(), rtf.size() + 1)),
            nullptr);
  CloseClipboard();
}

// The bytes of each of these formats as a reader gets them ("-" for none), read directly.
std::vector<std::string> Snapshot() {
  std::vector<std::string> bytes;
  if (!OpenClipboard(nullptr)) return {"(held)"};
  for (UINT format : {UINT{CF_UNICODETEXT}, UINT{CF_TEXT}, UINT{CF_LOCALE},
                      RegisterClipboardFormatW(L"Rich Text Format")}) {
    HANDLE h = GetClipboardData(format);
    const auto* p = h ? static_cast<const char*>(GlobalLock(h)) : nullptr;
    bytes.push_back(p ? std::string(p, GlobalSize(h)) : "-");
    if (p) GlobalUnlock(h);
  }
  CloseClipboard();
  return bytes;
}

std::string Cp932(const std::wstring& text) {
  std::string bytes(text.size() * 2, '\0');
  bytes.resize(static_cast<std::size_t>(
      WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

// The virtual keys of the inputs, "^" after a release: "11 56 56^ 11^" is Ctrl+V.
std::string KeyNames(const INPUT* inputs, UINT count) {
  std::string names;
  char name[8];
  for (UINT i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "%x%s", inputs[i].ki.wVk,
                  inputs[i].ki.dwFlags & KEYEVENTF_KEYUP ? "^" : "");
    names += (names.empty() ? "" : " ") + std::string(name);
  }
  return names;
}

// The user's target: a top-level window, in front, whose edit control has the focus.
class EditWindow {
 public:
  EditWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PasteTarget";
    RegisterClassW(&wc);  // already registered by an earlier test: fine
    FTop.Reset(CreateWindowExW(0, L"PasteTarget", L"target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                               100, 400, 200, nullptr, nullptr, GetModuleHandleW(nullptr),
                               nullptr));
    FEdit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 380, 150,
                            FTop.Get(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(FTop.Get());
    SetFocus(FEdit);
    PumpUntil([&] { return GetForegroundWindow() == FTop.Get() && GetFocus() == FEdit; });
  }
  HWND Top() const { return FTop.Get(); }
  HWND Edit() const { return FEdit; }
  std::u16string Text() const {
    wchar_t buffer[256] = {};
    GetWindowTextW(FEdit, buffer, 256);
    return std::u16string(buffer, buffer + std::wcslen(buffer));
  }

 private:
  framework::win::UniqueWindow FTop;
  HWND FEdit = nullptr;  // destroyed with its parent
};

class PasteFiltered : public ::testing::Test {
 protected:
  void SetUp() override { CopyRich(u"a&b がっこう", "{\\rtf1 a&b}"); }
  // A paste whose end is recorded.
  void Watch(DelayedPaste& paste) {
    end.reset();
    paste.OnFinished = [this](DelayedPaste::End e, const std::string&) { end = e; };
  }
  // Pumps until a sent paste has ended; its end, if any.
  std::optional<DelayedPaste::End> Ended(DelayedPaste& paste) {
    PumpUntil([&] { return !paste.Active(); });
    Settle();
    return end;
  }
  std::optional<DelayedPaste::End> end;
  const std::u16string original = u"a&b がっこう";
  const std::u16string filtered = u"a&amp;b ガッコウ";
  const std::string ansi = Cp932(L"a&amp;b ガッコウ");
};

// Whatever the target does with the keys, the clipboard ends holding the copy, every format of it
// byte for byte; an elevated target or a stale original gets no keys and leaves it untouched.
TEST_F(PasteFiltered, EndsWithTheClipboardAsItWas) {
  using Start = DelayedPaste::Start;
  using End = DelayedPaste::End;
  EditWindow target;
  ASSERT_EQ(GetForegroundWindow(), target.Top());
  ASSERT_EQ(GetFocus(), target.Edit());
  // What the target does with the keys, in place of the system's SendInput.
  using Keys = std::function<void()>;
  const Keys real = nullptr;
  const Keys nothing = [] {};
  const Keys ansiReader = [&] {  // reads CF_TEXT, as an ANSI program pastes
    ASSERT_TRUE(OpenClipboard(target.Edit()));
    HANDLE h = GetClipboardData(CF_TEXT);
    SetWindowTextA(target.Edit(), h ? static_cast<const char*>(GlobalLock(h)) : "(none)");
    if (h) GlobalUnlock(h);
    CloseClipboard();
  };
  struct Case {
    const char* what;
    Keys keys;
    std::vector<int> held;  // keys the hot key leaves down
    bool elevated;
    bool stale;  // the clipboard no longer holds the original
    bool quit;   // the program ends mid-paste
    Start start;
    std::optional<End> end;
    std::u16string edit;  // what the edit control shows afterwards
    std::string sent;     // the keys sent
  };
  // clang-format off
  const Case cases[] = {
      {"a focused edit control", real, {}, false, false, false, Start::Sent, End::Restored,
       filtered, "11 56 56^ 11^"},
      {"Shift and right Alt held", real, {VK_LSHIFT, VK_RMENU}, false, false, false, Start::Sent,
       End::Restored, filtered, "e8 e8^ a0^ a5^ 11 56 56^ 11^"},
      {"Win held", nothing, {VK_LWIN}, false, false, false, Start::Sent, End::Restored,
       u"", "e8 e8^ 5b^ 11 56 56^ 11^"},
      {"an ANSI reader", ansiReader, {}, false, false, false, Start::Sent, End::Restored,
       filtered, "11 56 56^ 11^"},
      {"nothing reads it", nothing, {}, false, false, false, Start::Sent, End::Restored,
       u"", "11 56 56^ 11^"},
      {"the program ends first", nothing, {}, false, false, true, Start::Sent, std::nullopt,
       u"", "11 56 56^ 11^"},
      {"an elevated window", real, {}, true, false, false, Start::Elevated, std::nullopt, u"", ""},
      {"a stale original", real, {}, false, true, false, Start::Changed, std::nullopt, u"", ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    SetWindowTextW(target.Edit(), L"");
    const std::vector<std::string> before = Snapshot();
    const DWORD sequence = GetClipboardSequenceNumber();
    std::string sent;
    auto paste = std::make_unique<DelayedPaste>();
    Watch(*paste);
    if (c.elevated) paste->Target.IsElevated = [&](HWND window) { return window == target.Top(); };
    paste->Target.KeyState = [&](int key) -> SHORT {
      return std::find(c.held.begin(), c.held.end(), key) != c.held.end() ? SHORT(0x8000) : 0;
    };
    paste->Target.SendInput = [&](UINT count, INPUT* inputs, int size) {
      sent = KeyNames(inputs, count);
      if (!c.keys) return SendInput(count, inputs, size);
      c.keys();
      return count;
    };
    EXPECT_EQ(paste->Paste(c.stale ? u"older" : original, filtered, ansi), c.start) << c.what;
    if (c.quit) paste.reset();
    EXPECT_EQ(paste ? Ended(*paste) : end, c.end) << c.what;
    EXPECT_EQ(target.Text(), c.edit) << c.what;
    EXPECT_EQ(sent, c.sent) << c.what;
    EXPECT_EQ(Snapshot(), before) << c.what;
    if (c.start != Start::Sent) {
      EXPECT_EQ(GetClipboardSequenceNumber(), sequence) << c.what << ": untouched";
    }
    if (paste) {
      EXPECT_EQ(paste->IsOwnChange(), c.start == Start::Sent) << c.what;
    }
  }
}

// Another program's change before the copy is put back stays: made before the target read the
// text, after it (as the restore opens the clipboard), or a format added without emptying it.
TEST_F(PasteFiltered, AChangeByAnotherProgramIsNeverOverwritten) {
  const UINT rtf = RegisterClipboardFormatW(L"Rich Text Format");
  struct Case {
    const char* what;
    bool read;                     // the target reads the text
    std::function<void()> change;  // just before the restore opens the clipboard
    std::u16string text;           // the text afterwards
  };
  // clang-format off
  const Case cases[] = {
      {"a copy before the read", false, nullptr, u"newer"},
      {"a copy after the read", true, [] { Copy(u"newer"); }, u"newer"},
      {"a format added", true, [&] {
         ASSERT_TRUE(OpenClipboard(nullptr));
         EXPECT_NE(SetClipboardData(rtf, Block("{\\rtf1 added}", 14)), nullptr);
         CloseClipboard();
       }, filtered},
  };
  // clang-format on
  EditWindow target;
  for (const Case& c : cases) {
    SetUp();
    SetWindowTextW(target.Edit(), L"");
    DelayedPaste paste;
    Watch(paste);
    if (!c.read) paste.Target.SendInput = [](UINT count, INPUT*, int) { return count; };
    int opens = 0;
    paste.Api.Open = [&](HWND owner) {
      if (++opens == 2 && c.change) c.change();
      return OpenClipboard(owner);
    };
    ASSERT_EQ(paste.Paste(original, filtered, ansi), DelayedPaste::Start::Sent) << c.what;
    if (!c.change) Copy(u"newer");
    EXPECT_EQ(Ended(paste), DelayedPaste::End::Superseded) << c.what;
    EXPECT_EQ(Paste(), c.text) << c.what;
    EXPECT_EQ(target.Text(), c.read ? filtered : u"") << c.what;
    EXPECT_EQ(c.text == filtered, IsClipboardFormatAvailable(rtf) != 0)
        << c.what << ": the added format stays";
  }
}

}  // namespace
}  // namespace kestrilon::clipboard
