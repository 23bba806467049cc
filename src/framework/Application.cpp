#include "Application.h"

#include "Exceptions.h"
#include "Threads.h"
#include "WinGraphics.h"
#include "WinPeers.h"
#include "WinText.h"

namespace kestrilon::framework {

namespace {

constexpr wchar_t ApplicationClass[] = L"KestrilonApplication";

// Where the loop of the application stands when an exception reaches it: it goes on.
std::string MessageOf(const std::exception& error) {
  if (const auto* e = dynamic_cast<const Exception*>(&error)) return e->Message();
  return error.what();
}

}  // namespace

TApplication& Application() {
  static TApplication application;
  return application;
}

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
  DestroyComponents();
  FMainForm = nullptr;
}

void TApplication::Initialize() {
  if (FWindow) return;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &TApplication::WindowProc;
  wc.hInstance = instance;
  wc.hIcon = Icon();
  wc.hIconSm = SmallIcon();
  wc.lpszClassName = ApplicationClass;
  WNDCLASSEXW existing{};
  if (!GetClassInfoExW(instance, ApplicationClass, &existing) && !RegisterClassExW(&wc)) {
    throw EOutOfResources("Cannot register the application window class (error " +
                          std::to_string(GetLastError()) + ")");
  }
  // An invisible, zero-size window: the owner of the forms and the target of thread hand-overs.
  HWND window =
      CreateWindowExW(WS_EX_TOOLWINDOW, ApplicationClass, win::Widen(FTitle).c_str(),
                      WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                      0, 0, nullptr, nullptr, instance, nullptr);
  if (!window) {
    throw EOutOfResources("Cannot create the application window (error " +
                          std::to_string(GetLastError()) + ")");
  }
  FWindow.Reset(window);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void TApplication::SetTitle(std::string_view title) {
  FTitle = std::string(title);
  if (FWindow) SetWindowTextW(FWindow.Get(), win::Widen(FTitle).c_str());
}

HICON TApplication::MainIcon(bool small) const noexcept {
  TLoadedIcon& loaded = FIcons[small ? 1 : 0];
  if (!loaded.FLoaded) {
    loaded.FLoaded = true;
    loaded.FIcon = LoadIconAtSystemSize(nullptr, L"MAINICON", small);
  }
  // The system's own icon is shared and is never destroyed.
  return loaded.FIcon ? loaded.FIcon.Get() : LoadIconW(nullptr, IDI_APPLICATION);
}

void TApplication::Run() {
  Initialize();
  FTerminated = false;
  if (FShowMainForm && FMainForm) {
    try {
      FMainForm->Show();
    } catch (...) {
      HandleException(*this);
    }
  }
  while (!FTerminated) HandleMessage();
  // The quit message that Terminate posted has done its work; left in the queue it would end
  // the next modal loop (a message box, a menu).
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

void TApplication::Terminate() noexcept {
  FTerminated = true;
  PostQuitMessage(0);
}

void TApplication::Dispatch(MSG& message) {
  if (message.message == WM_QUIT) {
    FTerminated = true;
    return;
  }
  try {
    if (IsDialogKey(message)) return;
  } catch (...) {
    HandleException(*this);
    return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void TApplication::ProcessMessages() {
  CheckSynchronize();
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    Dispatch(message);
    if (message.message == WM_QUIT) break;
    CheckSynchronize();
  }
}

void TApplication::HandleMessage() {
  if (CheckSynchronize()) return;
  MSG message;
  if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    Dispatch(message);
    return;
  }
  HANDLE sync = SynchronizeEvent();
  MsgWaitForMultipleObjects(1, &sync, FALSE, INFINITE, QS_ALLINPUT);
}

bool TApplication::IsDialogKey(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  auto* form = dynamic_cast<TCustomForm*>(win::ControlFromWindow(root));
  if (!form) return false;
  if (message.message == WM_KEYDOWN &&
      (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
    // Enter clicks a focused push button, else the form's default button; Escape the cancel
    // button, whatever page has the focus.
    auto* focused = dynamic_cast<TButton*>(win::ControlFromWindow(GetFocus()));
    TButton* button = message.wParam == VK_ESCAPE ? form->CancelButton()
                                                  : (focused ? focused : form->DefaultButton());
    if (button) {
      button->Click();
      return true;
    }
  }
  return IsDialogMessageW(root, &message) != FALSE;
}

void TApplication::Minimize() {
  if (FWindow) ShowWindow(FWindow.Get(), SW_MINIMIZE);
  if (FOnMinimize) FOnMinimize(*this);
}

void TApplication::Restore() {
  if (FWindow) ShowWindow(FWindow.Get(), SW_RESTORE);
  if (FOnRestore) FOnRestore(*this);
}

void TApplication::HandleException(TObject& sender) noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& error) {
      if (FOnException) {
        FOnException(sender, error);
      } else {
        ShowException(error);
      }
    } catch (...) {
      Exception unknown("An unknown error occurred");
      if (FOnException) {
        FOnException(sender, unknown);
      } else {
        ShowException(unknown);
      }
    }
  } catch (const std::exception& error) {
    // The handler itself failed: the box is the last resort.
    ShowException(error);
  } catch (...) {
  }
}

void TApplication::ShowException(const std::exception& error) noexcept {
  try {
    std::wstring text = win::Widen(MessageOf(error));
    std::wstring title = win::Widen(FTitle);
    HWND owner = FMainForm && FMainForm->HandleAllocated() && FMainForm->Visible()
                     ? win::WindowOf(*FMainForm)
                     : FWindow.Get();
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
  } catch (...) {
  }
}

void TApplication::Notification(TComponent& component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && FMainForm && static_cast<TComponent*>(FMainForm) == &component) {
    FMainForm = nullptr;
  }
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TApplication*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  try {
    switch (message) {
      case WM_KESTRILON_SYNCHRONIZE: CheckSynchronize(); return 0;
      case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE) {
          self->Minimize();
          return 0;
        }
        if ((wParam & 0xFFF0) == SC_RESTORE) {
          self->Restore();
          return 0;
        }
        break;
      case WM_CLOSE:
        if (self->FMainForm) self->FMainForm->Close();
        return 0;
      default: break;
    }
  } catch (...) {
    self->HandleException(*self);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace kestrilon::framework
