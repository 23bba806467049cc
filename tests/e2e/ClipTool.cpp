// cliptool.exe: what the end-to-end tests need of another Windows program and of the clipboard.
//
//   cliptool copy TEXT-HEX          copies UTF-16 text given as UTF-8 in hex (CF_UNICODETEXT only)
//                                   and prints the clipboard's sequence number as it was before
//                                   the clipboard was closed, so before any viewer heard of it
//   cliptool copy-image             puts a 1x1 bitmap on the clipboard, and nothing else
//   cliptool read                   prints "formats: N N ..." then "text: <UTF-8 hex>" and
//                                   "ansi: <CF_TEXT bytes hex>"
//   cliptool sequence               prints GetClipboardSequenceNumber()
//   cliptool find-window TEXT-HEX   prints the handle of a visible top-level window whose own or
//                                   child text is that text; exit 1 if none
//   cliptool close-window HANDLE    closes that window (WM_CLOSE)
//   cliptool end-session TITLE-HEX  sends WM_QUERYENDSESSION, as Windows does at log-off, to every
//                                   top-level window (shown or not) with that title, and prints
//                                   each answer (1: the session may end)
//   cliptool time-filter FILE       copies the UTF-8 text of FILE, waits until another program has
//                                   replaced it, and prints the milliseconds that took
//   cliptool forms                  prints "visible x y w h" (screen pixels) for each top-level
//                                   window of class KestrilonForm, shown or not
//   cliptool tray-icons             prints "x y w h" of each icon in Wine's system tray, in order
//   cliptool move-tray X Y          moves Wine's system tray window there
//   cliptool click PATH-HEX...      clicks (BM_CLICK) the control reached from the visible form
//                                   window through windows with those texts, e.g. 数字 then 半角
//   cliptool select-page INDEX      shows page INDEX of the visible form's page control
//   cliptool system-close           the close box of the visible form (WM_SYSCOMMAND SC_CLOSE)
//   cliptool find-text TEXT-HEX     like find-window, but a child's text need only contain TEXT;
//                                   prints "handle x y w h"
//   cliptool record FILE ARG        writes ARG to FILE as it came: the test's stand-in for the
//                                   programs the shell would open documents and addresses with
//   cliptool menu-key KEY           types KEY (a letter: the accelerator; or "Escape", "Down" or
//                                   "Return") into the popup
//                                   menu shown now. Posted to the menu's own thread: under Wine the
//                                   X keyboard focus stays with the tray, not the menu
//   cliptool process-info [CLASS]   for the process of the form window (or of a top-level window
//                                   of CLASS): "working-set-KB private-KB handles cpu-ms" (cpu:
//                                   user and kernel time so far)
//   cliptool menu                   prints "x y w h" of the popup menu shown now; exit 1 if none
//   cliptool viewer pass|drop SECS  joins the old clipboard-viewer chain in front of the others,
//                                   as clipboard-history tools do, prints "joined", and for SECS
//                                   seconds passes every notice on with SendMessage (pass) or
//                                   passes nothing on (drop); then leaves the chain
//   cliptool copy-hold TEXT-HEX MS  copies, then at once opens the clipboard again and keeps it
//                                   MS milliseconds; prints "held", or "raced" when another
//                                   program changed the clipboard between the two
//   cliptool copy-marked TEXT-HEX NAME [DWORD]
//                                   copies with one more format, registered as NAME, holding
//                                   DWORD (default 1): the markers password managers add
//   cliptool copy-owned TEXT-HEX MS copies with a window of its own as the clipboard's owner, as
//                                   programs with a window do, prints "copied", and keeps the
//                                   window MS milliseconds (a gone owner names no program)
//   cliptool burst N TEXT-HEX       N copies as fast as they go: TEXT then a space and 1 .. N
//   cliptool copy-file FILE         copies the UTF-8 text of FILE
//   cliptool copy-file-then FILE MS TEXT-HEX
//                                   copies the UTF-8 text of FILE, then TEXT MS milliseconds later:
//                                   a second program's copy while the first is being filtered
//   cliptool read-to FILE           writes the clipboard's Unicode text to FILE as UTF-8
//   cliptool edit-window SECONDS    shows a top-level window "cliptool edit" with a multi-line edit
//                                   control, in front and focused, and prints "shown HANDLE" once
//                                   it is; when it is closed (close-window) or SECONDS are over,
//                                   prints "text: <UTF-8 hex>" of the edit control's text: the
//                                   target of a paste
//   cliptool hold-key MODS VK SECS  registers a global key (MOD_* flags and a virtual-key code, in
//                                   decimal) as another program that uses it would, prints "held",
//                                   and keeps it SECS seconds
// Exit status 0 on success, 1 on failure (with a line on standard error).
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string Hex(const void* data, std::size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<const unsigned char*>(data)[i];
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string Unhex(const char* hex) {
  std::string out;
  for (const char* p = hex; p[0] && p[1]; p += 2)
    out += static_cast<char>(std::strtol(std::string(p, 2).c_str(), nullptr, 16));
  return out;
}

std::wstring Widen(const std::string& utf8) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::string Narrow(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

int Fail(const char* what) {
  std::fprintf(stderr, "cliptool: %s failed (error %lu)\n", what, GetLastError());
  return 1;
}

bool Open(HWND owner = nullptr) {
  for (int i = 0; i < 200; ++i) {  // up to 2 s: the filter may hold it for a moment
    if (OpenClipboard(owner)) return true;
    Sleep(10);
  }
  return false;
}

// Puts text on the open clipboard, emptied first.
bool PutText(const std::wstring& text) {
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  if (!block) return false;
  std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(block);
  if (SetClipboardData(CF_UNICODETEXT, block)) return true;
  GlobalFree(block);
  return false;
}

int Copy(const std::wstring& text) {
  if (!Open()) return Fail("OpenClipboard");
  if (!PutText(text)) return CloseClipboard(), Fail("SetClipboardData");
  std::printf("%lu\n", GetClipboardSequenceNumber());
  std::fflush(stdout);
  CloseClipboard();
  return 0;
}

std::wstring ReadUnicode() {
  std::wstring text;
  if (!Open()) return text;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(h));
    GlobalUnlock(h);
  }
  CloseClipboard();
  return text;
}

bool ReadUtf8File(const char* path, std::wstring& text) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::string utf8;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) utf8.append(buffer, n);
  std::fclose(f);
  text = Widen(utf8);
  return true;
}

int TimeFilter(const char* path) {
  std::wstring text;
  if (!ReadUtf8File(path, text)) return Fail("reading the file");
  const ULONGLONG start = GetTickCount64();
  if (Copy(text) != 0) return 1;
  DWORD seen = GetClipboardSequenceNumber();
  for (;;) {
    if (GetTickCount64() - start > 120000) return Fail("waiting for the filtered text");
    const DWORD now = GetClipboardSequenceNumber();
    if (now != seen) {
      seen = now;
      if (ReadUnicode() != text) break;
    }
    Sleep(2);
  }
  std::printf("%llu\n", GetTickCount64() - start);
  return 0;
}

int CopyImage() {
  if (!Open()) return Fail("OpenClipboard");
  EmptyClipboard();
  const DWORD pixel = 0x00FF0000;
  HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, &pixel);
  if (!bitmap) return CloseClipboard(), Fail("CreateBitmap");
  if (!SetClipboardData(CF_BITMAP, bitmap)) {
    DeleteObject(bitmap);
    CloseClipboard();
    return Fail("SetClipboardData");
  }
  CloseClipboard();
  return 0;
}

int Read() {
  if (!Open()) return Fail("OpenClipboard");
  std::printf("formats:");
  for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) std::printf(" %u", f);
  std::printf("\n");
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    const auto* p = static_cast<const wchar_t*>(GlobalLock(h));
    std::printf("text: %s\n", Hex(Narrow(p).data(), Narrow(p).size()).c_str());
    GlobalUnlock(h);
  }
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    const auto* p = static_cast<const char*>(GlobalLock(h));
    std::printf("ansi: %s\n", Hex(p, std::strlen(p)).c_str());
    GlobalUnlock(h);
  }
  CloseClipboard();
  return 0;
}

HWND g_next = nullptr;
int g_viewer_pass = 1;

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD:
      if (g_viewer_pass && g_next) SendMessageW(g_next, message, wParam, lParam);
      return 0;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == g_next) g_next = reinterpret_cast<HWND>(lParam);
      else if (g_next) return SendMessageW(g_next, message, wParam, lParam);
      return 0;
    case WM_TIMER:
      ChangeClipboardChain(window, g_next);
      PostQuitMessage(0);
      return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

int Viewer(bool pass, int seconds) {
  g_viewer_pass = pass;
  WNDCLASSW wc{};
  wc.lpfnWndProc = ViewerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ClipToolViewer";
  if (!RegisterClassW(&wc)) return Fail("RegisterClass");
  HWND window = CreateWindowW(L"ClipToolViewer", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  if (!window) return Fail("CreateWindow");
  g_next = SetClipboardViewer(window);
  if (!SetTimer(window, 1, static_cast<UINT>(seconds) * 1000, nullptr)) return Fail("SetTimer");
  std::printf("joined\n");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

int CopyHold(const std::wstring& text, int ms) {
  if (!Open()) return Fail("OpenClipboard");
  if (!PutText(text)) return CloseClipboard(), Fail("SetClipboardData");
  CloseClipboard();
  const DWORD copied = GetClipboardSequenceNumber();
  if (!OpenClipboard(nullptr)) return std::printf("raced\n"), 0;
  const bool raced = GetClipboardSequenceNumber() != copied;
  std::printf(raced ? "raced\n" : "held\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(ms));
  CloseClipboard();
  return 0;
}

int CopyMarked(const std::wstring& text, const std::wstring& name, DWORD value) {
  const UINT format = RegisterClipboardFormatW(name.c_str());
  if (!format) return Fail("RegisterClipboardFormat");
  if (!Open()) return Fail("OpenClipboard");
  if (!PutText(text)) return CloseClipboard(), Fail("SetClipboardData");
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof value);
  if (!block) return CloseClipboard(), Fail("GlobalAlloc");
  std::memcpy(GlobalLock(block), &value, sizeof value);
  GlobalUnlock(block);
  if (!SetClipboardData(format, block))
    return GlobalFree(block), CloseClipboard(), Fail("SetClipboardData");
  CloseClipboard();
  return 0;
}

int CopyOwned(const std::wstring& text, int ms) {
  HWND window =
      CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (!window) return Fail("CreateWindow");
  if (!Open(window)) return Fail("OpenClipboard");
  if (!PutText(text)) return CloseClipboard(), Fail("SetClipboardData");
  CloseClipboard();
  std::printf("copied\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(ms));
  DestroyWindow(window);
  return 0;
}

int Burst(int count, const std::wstring& text) {
  for (int i = 1; i <= count; ++i) {
    if (!Open()) return Fail("OpenClipboard");
    const bool put = PutText(text + L" " + std::to_wstring(i));
    CloseClipboard();
    if (!put) return Fail("SetClipboardData");
  }
  return 0;
}

int ReadTo(const char* path) {
  const std::string utf8 = Narrow(ReadUnicode());
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return Fail("fopen");
  const bool written = std::fwrite(utf8.data(), 1, utf8.size(), f) == utf8.size();
  return std::fclose(f) == 0 && written ? 0 : Fail("writing");
}

// The top-level windows for which keep says yes.
std::vector<HWND> TopLevelWhere(const std::function<bool(HWND)>& keep) {
  struct Search {
    const std::function<bool(HWND)>& keep;
    std::vector<HWND> found;
  } search{keep, {}};
  EnumWindows(
      [](HWND top, LPARAM lParam) {
        auto* s = reinterpret_cast<Search*>(lParam);
        if (s->keep(top)) s->found.push_back(top);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

int EndSession(const std::wstring& title) {
  const std::vector<HWND> found = TopLevelWhere([&](HWND top) { return TextOf(top) == title; });
  if (found.empty()) return Fail("finding the window");
  for (HWND window : found) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                             10000, &answer))
      return Fail("SendMessageTimeout");
    std::printf("%d\n", answer ? 1 : 0);
  }
  return 0;
}

std::vector<HWND> TopLevelOfClass(const wchar_t* className) {
  return TopLevelWhere([&](HWND top) { return ClassOf(top) == className; });
}

std::string RectText(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
}

HWND VisibleForm() {
  for (HWND form : TopLevelOfClass(L"KestrilonForm"))
    if (IsWindowVisible(form)) return form;
  return nullptr;
}

int Forms() {
  for (HWND form : TopLevelOfClass(L"KestrilonForm"))
    std::printf("%d %s\n", IsWindowVisible(form) ? 1 : 0, RectText(form).c_str());
  return 0;
}

// Wine shows each notification icon as a window of its own inside its tray window.
int TrayIcons() {
  for (HWND tray : TopLevelOfClass(L"__winex11_standalone_tray")) {
    for (HWND icon = GetWindow(tray, GW_CHILD); icon; icon = GetWindow(icon, GW_HWNDNEXT))
      if (ClassOf(icon) == L"__winex11_tray_icon" && IsWindowVisible(icon))
        std::printf("%s\n", RectText(icon).c_str());
  }
  return 0;
}

// The nearest descendant of parent with exactly that text, breadth first: the group "数字" before
// any button "半角" deeper down.
HWND ChildWithText(HWND parent, const std::wstring& text) {
  std::vector<HWND> level{parent};
  while (!level.empty()) {
    std::vector<HWND> next;
    for (HWND window : level) {
      for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t buffer[512] = {};
        GetWindowTextW(child, buffer, 512);
        if (text == buffer && IsWindowVisible(child)) return child;
        next.push_back(child);
      }
    }
    level = std::move(next);
  }
  return nullptr;
}

int Click(int count, char** path) {
  HWND window = VisibleForm();
  if (!window) return Fail("no visible form");
  for (int i = 0; i < count; ++i) {
    window = ChildWithText(window, Widen(Unhex(path[i])));
    if (!window) return Fail(("no control " + Unhex(path[i])).c_str());
  }
  SendMessageW(window, BM_CLICK, 0, 0);
  return 0;
}

BOOL CALLBACK FindTabs(HWND window, LPARAM lParam) {
  if (ClassOf(window) != L"SysTabControl32") return TRUE;
  *reinterpret_cast<HWND*>(lParam) = window;
  return FALSE;
}

int SelectPage(int index) {
  HWND form = VisibleForm();
  if (!form) return Fail("no visible form");
  HWND tabs = nullptr;
  EnumChildWindows(form, FindTabs, reinterpret_cast<LPARAM>(&tabs));
  if (!tabs) return Fail("no page control");
  // Focusing a tab selects it and tells the parent, as a click does.
  SendMessageW(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0);
  return SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == index ? 0 : Fail("the page didn't change");
}

// The first visible top-level window whose own text or a child's satisfies match.
HWND VisibleTopWithText(const std::function<bool(const std::wstring&)>& match) {
  for (HWND top : TopLevelWhere([](HWND window) { return IsWindowVisible(window) != FALSE; })) {
    if (match(TextOf(top))) return top;
    struct Search {
      const std::function<bool(const std::wstring&)>& match;
      bool found;
    } search{match, false};
    EnumChildWindows(
        top,
        [](HWND child, LPARAM lParam) {
          auto* s = reinterpret_cast<Search*>(lParam);
          s->found = s->match(TextOf(child));
          return s->found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found) return top;
  }
  return nullptr;
}

int FindText(const std::wstring& text) {
  HWND top =
      VisibleTopWithText([&](const std::wstring& t) { return t.find(text) != std::wstring::npos; });
  if (!top) return 1;
  std::printf("%llu %s\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(top)),
              RectText(top).c_str());
  return 0;
}

int MenuKey(const std::string& key) {
  for (HWND menu : TopLevelOfClass(L"#32768")) {
    if (!IsWindowVisible(menu)) continue;
    const WPARAM named = key == "Escape"   ? VK_ESCAPE
                         : key == "Down"   ? VK_DOWN
                         : key == "Return" ? VK_RETURN
                                           : 0;
    const BOOL posted = named ? PostMessageW(menu, WM_KEYDOWN, named, 0)
                              : PostMessageW(menu, WM_CHAR, static_cast<WPARAM>(key.at(0)), 0);
    return posted ? 0 : Fail("PostMessage");
  }
  return Fail("no menu");
}

int ProcessInfo(const std::wstring& className) {
  std::vector<HWND> forms = TopLevelOfClass(className.c_str());
  if (forms.empty()) return Fail("no form");
  DWORD id = 0;
  GetWindowThreadProcessId(forms.front(), &id);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
  if (!process) return Fail("OpenProcess");
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  DWORD handles = 0;
  FILETIME created, ended, kernel, user;
  const bool ok = GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                       sizeof memory) &&
                  GetProcessHandleCount(process, &handles) &&
                  GetProcessTimes(process, &created, &ended, &kernel, &user);
  CloseHandle(process);
  if (!ok) return Fail("reading the process's figures");
  auto ms = [](const FILETIME& t) {
    return ((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000;
  };
  std::printf("%llu %llu %lu %llu\n", static_cast<unsigned long long>(memory.WorkingSetSize / 1024),
              static_cast<unsigned long long>(memory.PrivateUsage / 1024), handles,
              ms(kernel) + ms(user));
  return 0;
}

int Menu() {
  for (HWND menu : TopLevelOfClass(L"#32768")) {
    if (!IsWindowVisible(menu)) continue;
    std::printf("%s\n", RectText(menu).c_str());
    return 0;
  }
  return 1;
}

LRESULT CALLBACK EditWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      MoveWindow(GetWindow(window, GW_CHILD), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_SETFOCUS:  // the edit control keeps the focus whenever the window gets it back
      SetFocus(GetWindow(window, GW_CHILD));
      return 0;
    case WM_CLOSE:
    case WM_TIMER: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

int EditWindow(int seconds) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = EditWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ClipToolEdit";
  if (!RegisterClassW(&wc)) return Fail("RegisterClass");
  HWND window = CreateWindowW(L"ClipToolEdit", L"cliptool edit", WS_OVERLAPPEDWINDOW, 200, 150, 500,
                              300, nullptr, nullptr, wc.hInstance, nullptr);
  if (!window) return Fail("CreateWindow");
  HWND edit = CreateWindowW(L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL, 0,
                            0, 0, 0, window, nullptr, wc.hInstance, nullptr);
  if (!edit) return Fail("CreateWindow (EDIT)");
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(edit);
  if (!SetTimer(window, 1, static_cast<UINT>(seconds) * 1000, nullptr)) return Fail("SetTimer");
  std::printf("shown %llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  const int length = GetWindowTextLengthW(edit);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), length + 1)));
  const std::string utf8 = Narrow(text);
  std::printf("text: %s\n", Hex(utf8.data(), utf8.size()).c_str());
  DestroyWindow(window);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc > 1 ? argv[1] : "";
  if (verb == "copy" && argc == 3) return Copy(Widen(Unhex(argv[2])));
  if (verb == "copy-image") return CopyImage();
  if (verb == "end-session" && argc == 3) return EndSession(Widen(Unhex(argv[2])));
  if (verb == "time-filter" && argc == 3) return TimeFilter(argv[2]);
  if (verb == "read") return Read();
  if (verb == "sequence") return std::printf("%lu\n", GetClipboardSequenceNumber()), 0;
  if (verb == "find-window" && argc == 3) {
    const std::wstring text = Widen(Unhex(argv[2]));
    HWND top = VisibleTopWithText([&](const std::wstring& t) { return t == text; });
    if (!top) return 1;
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(top)));
    return 0;
  }
  if (verb == "forms") return Forms();
  if (verb == "tray-icons") return TrayIcons();
  if (verb == "move-tray" && argc == 4) {
    for (HWND tray : TopLevelOfClass(L"__winex11_standalone_tray"))
      if (!SetWindowPos(tray, nullptr, std::atoi(argv[2]), std::atoi(argv[3]), 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
        return Fail("SetWindowPos");
    return 0;
  }
  if (verb == "click" && argc >= 3) return Click(argc - 2, argv + 2);
  if (verb == "select-page" && argc == 3) return SelectPage(std::atoi(argv[2]));
  if (verb == "system-close") {
    HWND form = VisibleForm();
    return form && PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : Fail("no visible form");
  }
  if (verb == "find-text" && argc == 3) return FindText(Widen(Unhex(argv[2])));
  if (verb == "menu") return Menu();
  if (verb == "process-info") return ProcessInfo(argc > 2 ? Widen(argv[2]) : L"KestrilonForm");
  if (verb == "menu-key" && argc == 3) return MenuKey(argv[2]);
  if (verb == "record" && argc == 4) {
    std::FILE* f = std::fopen(argv[2], "wb");
    if (!f) return Fail("fopen");
    const bool written = std::fputs(argv[3], f) >= 0;
    return std::fclose(f) == 0 && written ? 0 : Fail("writing");
  }
  if (verb == "close-window" && argc == 3) {
    HWND window =
        reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(argv[2], nullptr, 10)));
    return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : Fail("PostMessage");
  }
  if (verb == "viewer" && argc == 4)
    return Viewer(std::string(argv[2]) == "pass", std::atoi(argv[3]));
  if (verb == "copy-hold" && argc == 4) return CopyHold(Widen(Unhex(argv[2])), std::atoi(argv[3]));
  if (verb == "copy-marked" && (argc == 4 || argc == 5))
    return CopyMarked(Widen(Unhex(argv[2])), Widen(argv[3]),
                      argc == 5 ? std::strtoul(argv[4], nullptr, 10) : 1);
  if (verb == "copy-owned" && argc == 4)
    return CopyOwned(Widen(Unhex(argv[2])), std::atoi(argv[3]));
  if (verb == "burst" && argc == 4) return Burst(std::atoi(argv[2]), Widen(Unhex(argv[3])));
  if (verb == "copy-file" && argc == 3) {
    std::wstring text;
    return ReadUtf8File(argv[2], text) ? Copy(text) : Fail("reading the file");
  }
  if (verb == "copy-file-then" && argc == 5) {
    std::wstring text;
    if (!ReadUtf8File(argv[2], text)) return Fail("reading the file");
    const std::wstring then = Widen(Unhex(argv[4]));
    if (const int status = Copy(text)) return status;
    Sleep(static_cast<DWORD>(std::atoi(argv[3])));
    return Copy(then);
  }
  if (verb == "read-to" && argc == 3) return ReadTo(argv[2]);
  if (verb == "edit-window" && argc == 3) return EditWindow(std::atoi(argv[2]));
  if (verb == "hold-key" && argc == 5) {
    HWND window = CreateWindowW(L"STATIC", L"cliptool key", 0, 0, 0, 0, 0, nullptr, nullptr,
                                nullptr, nullptr);
    if (!window || !RegisterHotKey(window, 1, static_cast<UINT>(std::atoi(argv[2])),
                                   static_cast<UINT>(std::atoi(argv[3]))))
      return Fail("RegisterHotKey");
    std::printf("held\n");
    std::fflush(stdout);
    const DWORD until = GetTickCount() + static_cast<DWORD>(std::atoi(argv[4])) * 1000;
    MSG message;
    while (GetTickCount() < until) {
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(20);
    }
    UnregisterHotKey(window, 1);
    DestroyWindow(window);
    return 0;
  }
  std::fprintf(stderr,
               "usage: cliptool copy HEX | copy-image | read | sequence | viewer pass|drop SECS | "
               "copy-hold HEX MS | "
               "find-window HEX | close-window HANDLE | forms | tray-icons | click HEX... | "
               "select-page N |\n"
               "system-close | find-text HEX | menu | edit-window SECONDS\n");
  return 2;
}
