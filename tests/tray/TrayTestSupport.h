// Helpers of the tray's Windows tests: a shell that records every Shell_NotifyIconA call (and
// fails on request), names and sizes for the pictures sent, and waits with deadlines.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "../framework/WinTestSupport.h"
#include "Application.h"
#include "TrShlApi.h"

namespace kestrilon::tray::testing {

// The picture of an icon as 16×16 pixels drawn on white.
inline std::vector<COLORREF> Pixels(HICON icon) {
  std::vector<COLORREF> pixels;
  if (!icon) return pixels;
  framework::win::WindowDC screen(nullptr);
  framework::win::UniqueDeviceContext dc(CreateCompatibleDC(screen.Get()));
  framework::win::UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), 16, 16));
  if (!dc || !bitmap) return pixels;
  framework::win::SelectedObject selected(dc.Get(), bitmap.Get());
  RECT all{0, 0, 16, 16};
  FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  if (!DrawIconEx(dc.Get(), 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL)) return pixels;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) pixels.push_back(GetPixel(dc.Get(), x, y));
  }
  return pixels;
}

// "TRAYICON1", "TRAYICON2", "MAINICON" (the application's icon), "" for none, "?" otherwise.
inline std::string PictureName(HICON icon) {
  if (!icon) return "";
  static const char* names[] = {"TRAYICON1", "TRAYICON2", "MAINICON"};
  std::vector<COLORREF> pixels = Pixels(icon);
  for (const char* name : names) {
    framework::win::UniqueIcon reference(
        static_cast<HICON>(LoadImageA(GetModuleHandleW(nullptr), name, IMAGE_ICON, 16, 16, 0)));
    if (reference && Pixels(reference.Get()) == pixels) return name;
  }
  return "?";
}

struct ShellCall {
  DWORD Message;
  NOTIFYICONDATAA Data;
  std::string Picture;
  int Width;  // of the picture, in pixels
};

// Installs itself as the icons' shell for its lifetime. Every call succeeds unless a result was
// queued: {FALSE, error} fails with that error.
class RecordingShell {
 public:
  struct Result {
    BOOL Ok;
    DWORD Error;
  };
  std::vector<ShellCall> Calls;
  std::deque<Result> Results;
  std::vector<DWORD> Sleeps;

  explicit RecordingShell(DWORD shellVersion = 0x00060000) {
    TTrayShell shell;
    shell.NotifyIcon = [this](DWORD message, NOTIFYICONDATAA& data) {
      Calls.push_back(
          {message, data, PictureName(data.hIcon), framework::testing::IconSize(data.hIcon).cx});
      Result result{TRUE, 0};
      if (!Results.empty()) {
        result = Results.front();
        Results.pop_front();
      }
      if (!result.Ok) SetLastError(result.Error);
      return result.Ok;
    };
    shell.Sleep = [this](DWORD milliseconds) { Sleeps.push_back(milliseconds); };
    shell.ShellVersion = [shellVersion] { return shellVersion; };
    FPrevious = SetTrayShell(std::move(shell));
  }
  ~RecordingShell() { SetTrayShell(std::move(FPrevious)); }
  RecordingShell(const RecordingShell&) = delete;
  RecordingShell& operator=(const RecordingShell&) = delete;

  std::vector<DWORD> Messages() const {
    std::vector<DWORD> messages;
    for (const ShellCall& call : Calls) messages.push_back(call.Message);
    return messages;
  }
  std::vector<std::string> Pictures() const {
    std::vector<std::string> pictures;
    for (const ShellCall& call : Calls) pictures.push_back(call.Picture);
    return pictures;
  }
  void Fail(int times, DWORD error) {
    for (int i = 0; i < times; ++i) Results.push_back({FALSE, error});
  }

 private:
  TTrayShell FPrevious;
};

// Handles messages until condition() holds; false if it still doesn't at the deadline, which
// only ends a wait that would otherwise hang.
inline bool PumpUntil(const std::function<bool()>& condition, DWORD deadlineMs = 20000) {
  ULONGLONG end = GetTickCount64() + deadlineMs;
  while (!condition()) {
    if (GetTickCount64() > end) return false;
    framework::Application().ProcessMessages();
    if (!condition()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// Handles messages for a while: for checks that something does not happen.
inline void PumpFor(DWORD milliseconds) {
  ULONGLONG end = GetTickCount64() + milliseconds;
  while (GetTickCount64() < end) {
    framework::Application().ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

}  // namespace kestrilon::tray::testing
