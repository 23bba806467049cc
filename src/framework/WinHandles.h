// The small owners of Windows resources: each holds one handle and releases it once, with the
// function that matches how it was obtained. Move-only.
#pragma once

#include <windows.h>

#include <utility>

namespace kestrilon::framework::win {

template <class Handle, class Traits>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : FHandle(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : FHandle(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  Handle Get() const noexcept { return FHandle; }
  explicit operator bool() const noexcept { return Traits::IsValid(FHandle); }
  Handle Release() noexcept { return std::exchange(FHandle, Traits::Invalid()); }
  void Reset(Handle handle = Traits::Invalid()) noexcept {
    Handle old = std::exchange(FHandle, handle);
    if (Traits::IsValid(old)) Traits::Close(old);
  }

 private:
  Handle FHandle = Traits::Invalid();
};

// Null means none. (The release functions are called, not passed as template arguments: the
// address of an imported function is no constant for every compiler.)
template <class H>
struct NullHandleTraits {
  static H Invalid() noexcept { return nullptr; }
  static bool IsValid(H h) noexcept { return h != nullptr; }
};

// The results of the release functions only say whether the handle was valid, which the owner
// guarantees.
struct WindowTraits : NullHandleTraits<HWND> {
  static void Close(HWND h) noexcept { DestroyWindow(h); }
};
struct MenuTraits : NullHandleTraits<HMENU> {
  static void Close(HMENU h) noexcept { DestroyMenu(h); }
};
struct IconTraits : NullHandleTraits<HICON> {
  static void Close(HICON h) noexcept { DestroyIcon(h); }
};
struct KernelTraits : NullHandleTraits<HANDLE> {
  static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
struct DeviceContextTraits : NullHandleTraits<HDC> {
  static void Close(HDC h) noexcept { DeleteDC(h); }
};
struct GdiTraits : NullHandleTraits<HGDIOBJ> {
  static void Close(HGDIOBJ h) noexcept { DeleteObject(h); }
};
struct GlobalTraits : NullHandleTraits<HGLOBAL> {
  static void Close(HGLOBAL h) noexcept { GlobalFree(h); }
};
struct LibraryTraits : NullHandleTraits<HMODULE> {
  static void Close(HMODULE h) noexcept { FreeLibrary(h); }
};

using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelTraits>;
using UniqueGlobal = UniqueHandle<HGLOBAL, GlobalTraits>;
using UniqueLibrary = UniqueHandle<HMODULE, LibraryTraits>;
using UniqueDeviceContext = UniqueHandle<HDC, DeviceContextTraits>;

// A GDI object (font, brush, bitmap, pen) of a known type.
template <class T>
class UniqueGdi {
 public:
  UniqueGdi() noexcept = default;
  explicit UniqueGdi(T object) noexcept : FObject(object) {}
  T Get() const noexcept { return static_cast<T>(FObject.Get()); }
  explicit operator bool() const noexcept { return static_cast<bool>(FObject); }
  T Release() noexcept { return static_cast<T>(FObject.Release()); }
  void Reset(T object = nullptr) noexcept { FObject.Reset(object); }

 private:
  UniqueHandle<HGDIOBJ, GdiTraits> FObject;
};

using UniqueFont = UniqueGdi<HFONT>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniquePen = UniqueGdi<HPEN>;

// The device context of a window, from GetDC, given back with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND window) noexcept : FWindow(window), FDC(GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (FDC) ReleaseDC(FWindow, FDC);
  }
  HDC Get() const noexcept { return FDC; }
  explicit operator bool() const noexcept { return FDC != nullptr; }

 private:
  HWND FWindow;
  HDC FDC;
};

// BeginPaint ... EndPaint.
class PaintDC {
 public:
  explicit PaintDC(HWND window) noexcept : FWindow(window) { FDC = BeginPaint(window, &FPaint); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  ~PaintDC() { EndPaint(FWindow, &FPaint); }
  HDC Get() const noexcept { return FDC; }
  const PAINTSTRUCT& Paint() const noexcept { return FPaint; }

 private:
  HWND FWindow;
  PAINTSTRUCT FPaint{};
  HDC FDC = nullptr;
};

// An object selected into a device context, put back on destruction.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept : FDC(dc), FOld(SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (FOld && FOld != HGDI_ERROR) SelectObject(FDC, FOld);
  }

 private:
  HDC FDC;
  HGDIOBJ FOld;
};

// GlobalLock ... GlobalUnlock.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL memory) noexcept : FMemory(memory), FData(GlobalLock(memory)) {}
  // Locked through lock(memory) instead of GlobalLock: a test's seam.
  template <class Lock>
  GlobalLockGuard(HGLOBAL memory, const Lock& lock) : FMemory(memory), FData(lock(memory)) {}
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
  ~GlobalLockGuard() {
    if (FData) GlobalUnlock(FMemory);
  }
  void* Data() const noexcept { return FData; }

 private:
  HGLOBAL FMemory;
  void* FData;
};

inline RECT ClientRect(HWND window) noexcept {
  RECT r{};
  if (!GetClientRect(window, &r)) r = RECT{};
  return r;
}

inline RECT WindowRect(HWND window) noexcept {
  RECT r{};
  if (!GetWindowRect(window, &r)) r = RECT{};
  return r;
}

}  // namespace kestrilon::framework::win
