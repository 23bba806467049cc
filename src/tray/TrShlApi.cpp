#include "TrShlApi.h"

#include <shlwapi.h>

#include <bit>
#include <cstdio>
#include <cstring>

#include "Application.h"
#include "SystemLibrary.h"
#include "WinText.h"

namespace kestrilon::tray {

namespace {

using framework::TMessage;

constexpr char WindowClassName[] = "TaskTrayHandle";

TTrayShell& Shell() {
  static TTrayShell shell;
  return shell;
}

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA& data) {
  if (Shell().NotifyIcon) return Shell().NotifyIcon(message, data);
  return Shell_NotifyIconA(message, &data);
}

void Wait(DWORD milliseconds) {
  if (Shell().Sleep) {
    Shell().Sleep(milliseconds);
  } else {
    ::Sleep(milliseconds);
  }
}

std::unique_ptr<TTrayIconWinProcList>& Registry() {
  static std::unique_ptr<TTrayIconWinProcList> registry;
  return registry;
}

// UTF-8 to the ANSI code page the shell reads the record in, and back.
std::string ToAnsi(std::string_view utf8) {
  std::wstring wide = win::Widen(utf8);
  if (wide.empty()) return {};
  int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  if (size <= 0) return {};
  std::string ansi(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size,
                          nullptr, nullptr) != size) {
    return {};
  }
  return ansi;
}

// The bytes of a fixed field up to its first zero byte (all of it if there is none).
std::size_t FieldLength(const char* field, std::size_t capacity) {
  const void* zero = std::memchr(field, 0, capacity);
  return zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : capacity;
}

std::string FromAnsi(const char* field, std::size_t capacity) {
  std::size_t length = FieldLength(field, capacity);
  if (length == 0) return {};
  int size = MultiByteToWideChar(CP_ACP, 0, field, static_cast<int>(length), nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(CP_ACP, 0, field, static_cast<int>(length), wide.data(), size) != size)
    return {};
  return win::Narrow(wide);
}

bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

// Puts bytes (already cut to fit) into a fixed field, zero-terminated.
template <std::size_t N>
void Store(char (&field)[N], const std::string& bytes) {
  std::memset(field, 0, N);
  std::memcpy(field, bytes.data(), std::min(bytes.size(), N - 1));
}

// The real services the tooltip style asks for.
class Win32ToolTipHost final : public TToolTipHost {
 public:
  std::optional<TTrayPoint> CursorPos() override {
    POINT p;
    if (!GetCursorPos(&p)) return std::nullopt;
    return TTrayPoint{p.x, p.y};
  }
  bool StartClickTimer(TWindowId window) override {
    return SetTimer(reinterpret_cast<HWND>(window), ClickTimerID, GetDoubleClickTime(),
                    &ClickTimerProc) != 0;
  }
  void KillClickTimer(TWindowId window) override {
    // Fails only when the timer is gone already, which is what was wanted.
    KillTimer(reinterpret_cast<HWND>(window), ClickTimerID);
  }
  void SendTrayMessage(TWindowId window, std::uintptr_t wParam, std::intptr_t lParam) override {
    SendMessageA(reinterpret_cast<HWND>(window), WM_TASKTRAY, wParam, lParam);
  }
  void PostTrayMessage(TWindowId window, std::uintptr_t wParam, std::intptr_t lParam) override {
    // A full queue only loses the second mouse-down event of a double click.
    PostMessageA(reinterpret_cast<HWND>(window), WM_TASKTRAY, wParam, lParam);
  }
  TWindowId FindTrayToolTip() override {
    HWND tray = FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", nullptr);
    if (!tray) return 0;
    DWORD trayProcess = 0;
    if (!GetWindowThreadProcessId(tray, &trayProcess)) return 0;
    for (HWND tip = FindWindowExA(nullptr, nullptr, "tooltips_class32", nullptr); tip;
         tip = FindWindowExA(nullptr, tip, "tooltips_class32", nullptr)) {
      DWORD process = 0;
      if (GetWindowThreadProcessId(tip, &process) && process == trayProcess &&
          (GetWindowLongA(tip, GWL_STYLE) & 0x02) == 0) {
        return reinterpret_cast<TWindowId>(tip);
      }
    }
    return 0;
  }
  void SendToolTip(TWindowId toolTip, std::uint32_t message, std::uintptr_t wParam) override {
    // The tooltip belongs to the shell: a shell that hangs must not hang the program with it.
    DWORD_PTR result = 0;
    SendMessageTimeoutA(reinterpret_cast<HWND>(toolTip), message, wParam, 0, SMTO_ABORTIFHUNG, 1000,
                        &result);
  }
  std::uint32_t SystemColor(int index) override { return GetSysColor(index); }
  std::unique_ptr<TLeaveTracker> CreateLeaveTracker(TCustomToolTipStyle& style) override {
    return std::make_unique<TMouseEventMaker>(style);
  }

 private:
  // The click timer arrives like a message of the hidden window.
  static void CALLBACK ClickTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time) {
    TrayIconWndProc(window, message, id, time);
  }
};

}  // namespace

TTrayShell SetTrayShell(TTrayShell shell) { return std::exchange(Shell(), std::move(shell)); }

DWORD GetShellFileVersion() {
  try {
    char directory[MAX_PATH];
    UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 0;
    std::string path = std::string(directory, length) + "\\shell32.dll";
    const win::VersionString found = win::ReadVersionString(path.c_str(), "FileVersion");
    if (!found.text) return 0;
    const std::string& version = *found.text;
    // "5.00.2920.0000": the first character is the major version, the third and fourth the minor.
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (version.size() < 4 || !digit(version[0]) || !digit(version[2]) || !digit(version[3]))
      return 0;
    DWORD major = static_cast<DWORD>(version[0] - '0');
    DWORD minor = static_cast<DWORD>((version[2] - '0') * 10 + (version[3] - '0'));
    return (major << 16) | minor;
  } catch (...) {
    return 0;
  }
}

DWORD GetShellVersion() {
  DWORD version = GetShellFileVersion();
  UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  const win::UniqueLibrary library = win::LoadSystemLibrary(L"shell32.dll");
  SetErrorMode(oldMode);
  if (!library) return version;
  FARPROC proc = GetProcAddress(library.Get(), "DllGetVersion");
  if (!proc) return version;
  auto getVersion = std::bit_cast<DLLGETVERSIONPROC>(proc);
  DLLVERSIONINFO info{};
  info.cbSize = sizeof info;
  if (SUCCEEDED(getVersion(&info)))
    version = (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
  return version;
}

// --- the registry ---

TTrayIconWinProcList* TrayIconWinProcList() noexcept { return Registry().get(); }

TTrayIconWinProcList::TTrayIconWinProcList() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = &TrayIconWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "MAINICON");
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszClassName = WindowClassName;
  // A failure shows when the first window is made (Handle says why).
  RegisterClassA(&wc);
  FTaskbarCreatedMsg = RegisterWindowMessageA("TaskbarCreated");
}

TTrayIconWinProcList::~TTrayIconWinProcList() {
  UnregisterClassA(WindowClassName, GetModuleHandleW(nullptr));
}

void TTrayIconWinProcList::Add(TTaskTrayIcon& icon) { FItems.push_back(&icon); }

void TTrayIconWinProcList::Remove(TTaskTrayIcon& icon) noexcept {
  auto it = std::find(FItems.begin(), FItems.end(), &icon);
  if (it != FItems.end()) FItems.erase(it);
}

bool TTrayIconWinProcList::Dispatch(HWND window, TMessage& message) {
  for (TTaskTrayIcon* icon : FItems) {
    if (icon->HandleAllocated() && icon->Handle() == window) {
      icon->HandleMessage(message);
      return true;
    }
  }
  return false;
}

LRESULT CALLBACK TrayIconWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (TTrayIconWinProcList* registry = TrayIconWinProcList()) {
    TMessage record{message, wParam, lParam, 0};
    try {
      if (registry->Dispatch(window, record)) return record.Result;
    } catch (...) {
      framework::Application().HandleException(framework::Application());
      return 0;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// --- one icon ---

TTaskTrayIcon::TTaskTrayIcon() {
  if (!Registry()) Registry() = std::make_unique<TTrayIconWinProcList>();
  Registry()->Add(*this);
  try {
    FToolTipStyle = std::make_unique<TToolTipStyle>(std::make_unique<Win32ToolTipHost>());
    FShellVersion = Shell().ShellVersion ? Shell().ShellVersion() : GetShellVersion();
  } catch (...) {
    Registry()->Remove(*this);
    if (Registry()->Count() == 0) Registry().reset();
    throw;
  }
}

TTaskTrayIcon::~TTaskTrayIcon() {
  FToolTipStyle.reset();
  DeleteIcon();
  FHandle.Reset();
  if (Registry()) {
    Registry()->Remove(*this);
    if (Registry()->Count() == 0) Registry().reset();
  }
}

HWND TTaskTrayIcon::Handle() {
  if (!FHandle) {
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, WindowClassName, "", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) {
      throw framework::EOutOfResources(
          "Cannot create the tray icon's window \"TaskTrayHandle\" (error " +
          std::to_string(GetLastError()) + ")");
    }
    FHandle.Reset(window);
    FToolTipStyle->SetNotifyWnd(reinterpret_cast<TWindowId>(window));
  }
  return FHandle.Get();
}

std::string TTaskTrayIcon::Tip() const {
  return FromAnsi(FNotifyData.szTip, sizeof FNotifyData.szTip);
}

void TTaskTrayIcon::SetTip(std::string_view text) {
  Store(FNotifyData.szTip, TipTextFor(ToAnsi(text), Shell5OrLater(), &IsAnsiLeadByte));
}

std::string TTaskTrayIcon::BalloonHelpTitle() const {
  return FromAnsi(FNotifyData.szInfoTitle, sizeof FNotifyData.szInfoTitle);
}

void TTaskTrayIcon::SetBalloonHelpTitle(std::string_view text) {
  Store(FNotifyData.szInfoTitle,
        std::string(filter::CutToWholeCharacters(ToAnsi(text), sizeof FNotifyData.szInfoTitle - 1,
                                                 &IsAnsiLeadByte)));
}

std::string TTaskTrayIcon::BalloonHelpText() const {
  return FromAnsi(FNotifyData.szInfo, sizeof FNotifyData.szInfo);
}

void TTaskTrayIcon::SetBalloonHelpText(std::string_view text) {
  Store(FNotifyData.szInfo, std::string(filter::CutToWholeCharacters(
                                ToAnsi(text), sizeof FNotifyData.szInfo - 1, &IsAnsiLeadByte)));
}

TBalloonIconType TTaskTrayIcon::BalloonHelpIcon() const noexcept {
  DWORD flags = FNotifyData.dwInfoFlags & 0xFF;
  return flags <= bitError ? static_cast<TBalloonIconType>(flags) : bitNone;
}

void TTaskTrayIcon::SetBalloonHelpIcon(TBalloonIconType icon) noexcept {
  FNotifyData.dwInfoFlags = icon == bitInfo      ? NIIF_INFO
                            : icon == bitWarning ? NIIF_WARNING
                            : icon == bitError   ? NIIF_ERROR
                                                 : NIIF_NONE;
}

void TTaskTrayIcon::ForegroundIfAsked() {
  // Only asks; the system may refuse to change the foreground window, and the icon works anyway.
  if (FDoForegroundWindow) SetForegroundWindow(Handle());
}

void TTaskTrayIcon::ShellAdded() {
  FAdded = true;
  FToolTipStyle->ResetIconRect();
}

bool TTaskTrayIcon::AddIcon() {
  if (FAdded) return true;
  FWanted = true;
  if (Shell5OrLater()) {
    FNotifyData.cbSize = NOTIFYICONDATAA_V2_SIZE;
    FNotifyData.dwState = NIS_SHAREDICON;
    FNotifyData.dwStateMask = 0;
    FNotifyData.dwInfoFlags = 0;
  } else {
    FNotifyData.cbSize = NOTIFYICONDATAA_V1_SIZE;
  }
  FNotifyData.uID = 1;
  FNotifyData.hWnd = Handle();
  FNotifyData.uCallbackMessage = WM_TASKTRAY;
  FNotifyData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  if (!FNotifyData.hIcon) return false;
  ForegroundIfAsked();
  if (NotifyIcon(NIM_ADD, FNotifyData)) {
    ShellAdded();
    return true;
  }
  // A busy shell may time out and still add the icon a little later: look again every 2 s.
  for (int counter = 5; !FAdded && counter >= 0; --counter) {
    if (GetLastError() != ERROR_TIMEOUT) throw ENotifyIconError(MessageCannotRegister);
    Wait(2000);
    if (NotifyIcon(NIM_MODIFY, FNotifyData)) {
      FAdded = true;
      break;
    }
    ForegroundIfAsked();
    if (NotifyIcon(NIM_ADD, FNotifyData)) {
      ShellAdded();
      break;
    }
    if (counter == 0) throw ENotifyIconError(MessageCannotChange);
  }
  return FAdded;
}

bool TTaskTrayIcon::ModifyIcon() {
  if (!FAdded) return AddIcon();
  if (!FNotifyData.hIcon) return false;
  ForegroundIfAsked();
  if (NotifyIcon(NIM_MODIFY, FNotifyData) || GetLastError() == ERROR_TIMEOUT) return true;
  // The shell lost the icon (it restarted without telling us, say): add it again.
  FAdded = false;
  try {
    AddIcon();
  } catch (const ENotifyIconError&) {
    // Not added; the next update tries again.
  }
  return FAdded;
}

bool TTaskTrayIcon::ShowBalloonHelp() {
  if (!FAdded || !Shell5OrLater()) return false;
  NOTIFYICONDATAA balloon = FNotifyData;
  balloon.uFlags =
      NIF_INFO;  // the record's other fields are sent unchanged, so they change nothing
  return NotifyIcon(NIM_MODIFY, balloon) != FALSE;
}

bool TTaskTrayIcon::DeleteIcon() {
  FWanted = false;
  if (!FAdded) return true;
  FAdded = false;
  return NotifyIcon(NIM_DELETE, FNotifyData) != FALSE;
}

void TTaskTrayIcon::HandleMessage(TMessage& message) {
  UINT taskbarCreated = Registry() ? Registry()->TaskbarCreatedMsg() : 0;
  if (taskbarCreated != 0 && message.Msg == taskbarCreated && FWanted) {
    // A new taskbar, without our icon: add it (again). A hidden icon stays out.
    FAdded = false;
    AddIcon();
  }
  // Gone already while the icon is being destroyed.
  if (FToolTipStyle) FToolTipStyle->HandleMessage(message);
  if (FOnMessage) {
    FOnMessage(message);
  } else {
    message.Result = DefWindowProcA(Handle(), message.Msg, message.WParam, message.LParam);
  }
}

// --- the leave tracker ---

TMouseEventMaker::~TMouseEventMaker() { StopAndWait(); }

void TMouseEventMaker::Execute() {
  while (!Terminated()) {
    if (!Pause(100)) break;
    // The decision to sleep is taken on the GUI thread, where the cursor's entering resumes the
    // thread; taken here it could miss a resume that came between the check and the sleep.
    Synchronize([this] {
      if (Terminated()) return;
      FStyle.CheckMouseLeave();
      if (!FStyle.MouseInside()) Suspend();
    });
  }
}

}  // namespace kestrilon::tray
