#include "UtilityWindow.h"

#include "Application.h"

namespace kestrilon::framework {

namespace {
constexpr wchar_t UtilityClass[] = L"KestrilonUtilWindow";
}

TUtilityWindow::~TUtilityWindow() {
  if (FWindow) SetWindowLongPtrW(FWindow.Get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK TUtilityWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  auto* self = reinterpret_cast<TUtilityWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self || !self->FMethod) return DefWindowProcW(window, message, wParam, lParam);
  TMessage record{message, wParam, lParam, 0};
  try {
    self->FMethod(record);
  } catch (...) {
    Application().HandleException(Application());
    return 0;
  }
  return record.Result;
}

std::unique_ptr<TUtilityWindow> AllocateHWnd(TWindowMethod method) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  if (!GetClassInfoExW(instance, UtilityClass, &existing)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TUtilityWindow::WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = UtilityClass;
    if (!RegisterClassExW(&wc)) return nullptr;
  }
  std::unique_ptr<TUtilityWindow> result(new TUtilityWindow(std::move(method)));
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, UtilityClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, instance, nullptr);
  if (!window) return nullptr;
  result->FWindow.Reset(window);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(result.get()));
  return result;
}

}  // namespace kestrilon::framework
