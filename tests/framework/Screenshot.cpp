// Shows the sample dialog under the real window system and saves each page as a picture:
//   framework-screenshot.exe PREFIX   writes PREFIX-basic.bmp and PREFIX-extend.bmp
// The picture is read back from the screen, so it is what a user would see.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Application.h"
#include "SampleForm.h"
#include "WinHandles.h"
#include "WinPeers.h"
#include "WinTestSupport.h"
#include "WinText.h"

namespace {

using namespace kestrilon::framework;

// The window's rectangle of the screen as a 24-bit bottom-up BMP file.
bool SaveWindowPicture(HWND window, const std::wstring& path) {
  RECT r = win::WindowRect(window);
  int width = r.right - r.left;
  int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  win::WindowDC screen(nullptr);
  win::UniqueDeviceContext memory(CreateCompatibleDC(screen.Get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  win::UniqueBitmap bitmap(
      CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!screen || !memory || !bitmap || !bits) return false;
  {
    win::SelectedObject selected(memory.Get(), bitmap.Get());
    if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), r.left, r.top,
                SRCCOPY | CAPTUREBLT))
      return false;
    GdiFlush();
  }
  DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  DWORD imageSize = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + imageSize;
  info.bmiHeader.biSizeImage = imageSize;
  std::ofstream out(win::Narrow(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), imageSize);
  return static_cast<bool>(out);
}

// Paints everything and lets the window system catch up before the picture is taken.
void Paint(HWND window) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  testing::Settle();
  GdiFlush();
}

int Run() {
  int argc = 0;
  std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(CommandLineToArgvW(GetCommandLineW(), &argc),
                                                     &LocalFree);
  if (!argv || argc != 2) {
    std::fprintf(stderr, "usage: framework-screenshot PREFIX\n");
    return 2;
  }
  std::wstring prefix = argv.get()[1];

  Application().Initialize();
  Application().SetTitle("Kestrilon");
  auto* form = Application().CreateForm<testing::SampleForm>();
  form->SetLeft(20);
  form->SetTop(20);
  form->Show();
  HWND window = win::WindowOf(*form);
  if (!testing::PumpUntil([&] { return IsWindowVisible(window) != FALSE; })) {
    std::fprintf(stderr, "framework-screenshot: the dialog never became visible\n");
    return 1;
  }
  struct Shot {
    TTabSheet* Page;
    const wchar_t* Suffix;
  };
  for (Shot shot : {Shot{form->Basic, L"-basic.bmp"}, Shot{form->Extend, L"-extend.bmp"}}) {
    form->PageControl1->SetActivePage(shot.Page);
    Paint(window);
    if (!SaveWindowPicture(window, prefix + shot.Suffix)) {
      std::fprintf(stderr, "framework-screenshot: cannot save %s (error %lu)\n",
                   win::Narrow(prefix + shot.Suffix).c_str(), GetLastError());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "framework-screenshot: %s\n", e.what());
    return 1;
  }
}
