// The icon in Wine's own notification area, clicked with xdotool on the harness's display.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "Application.h"
#include "Taskbar.h"
#include "TrayTestSupport.h"

namespace kestrilon::tray {
namespace {

BOOL CALLBACK ListChild(HWND w, LPARAM) {
  char cls[64] = {}, title[64] = {};
  GetClassNameA(w, cls, 64);
  GetWindowTextA(w, title, 64);
  RECT r = framework::win::WindowRect(w);
  printf("  child %p %s '%s' vis=%d %ld,%ld,%ld,%ld\n", (void*)w, cls, title, IsWindowVisible(w), r.left, r.top, r.right, r.bottom);
  return TRUE;
}

TEST(RealShell, Probe) {
  framework::Application().Initialize();
  framework::TComponent owner(nullptr);
  owner.BeginLoading();
  auto* tray = new TTrayIcon(&owner);
  owner.EndLoading();
  std::vector<std::string> ev;
  tray->SetOnMouseDown([&](framework::TObject&, framework::TMouseButton b, framework::TShiftState, int x, int y) { ev.push_back("down" + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y)); });
  tray->SetOnMouseClick([&](framework::TObject&, framework::TMouseButton b, framework::TShiftState, int, int) { ev.push_back("click" + std::to_string(b)); });
  tray->SetOnMouseEnter([&](framework::TObject&) { ev.push_back("enter"); });
  tray->SetOnMouseExit([&](framework::TObject&) { ev.push_back("exit"); });
  EXPECT_TRUE(tray->TaskTrayIcon().Added());
  testing::PumpFor(1000);
  HWND st = FindWindowA("__winex11_standalone_tray", nullptr);
  EnumChildWindows(st, ListChild, 0);
  STARTUPINFOW si{}; si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  wchar_t cmd[] = L"/usr/bin/xdotool mousemove 20 30 click 1";
  BOOL ok = CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  printf("create %d err %lu\n", ok, GetLastError());
  testing::PumpFor(2000);
  for (auto& e : ev) printf("ev %s\n", e.c_str());
}

}  // namespace
}  // namespace kestrilon::tray
