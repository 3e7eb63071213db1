#pragma once

// One owner per window, GDI object, icon, image list, menu, hook or kernel object: released in the
// destructor, on every path. A handle that was never set releases nothing.

#include <utility>

#include "win32/WinHeaders.h"

template <typename H, typename Free>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(H handle) : Value(handle) {}
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  OwnedHandle(OwnedHandle&& other) noexcept : Value(other.Release()) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~OwnedHandle() { Reset(); }

  H Get() const { return Value; }
  explicit operator bool() const { return Value != nullptr; }
  H Release() { return std::exchange(Value, nullptr); }
  void Reset(H handle = nullptr) {
    if (Value != nullptr && Value != handle) Free{}(Value);
    Value = handle;
  }

 private:
  H Value = nullptr;
};

struct FreeGdiObject {
  void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
struct FreeIcon {
  void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
struct FreeImageList {
  void operator()(HIMAGELIST list) const { ::ImageList_Destroy(list); }
};
struct FreeMenu {
  void operator()(HMENU menu) const { ::DestroyMenu(menu); }
};
struct FreeWindow {
  void operator()(HWND window) const { ::DestroyWindow(window); }
};
struct FreeKernelObject {
  void operator()(HANDLE object) const { ::CloseHandle(object); }
};
struct FreeHook {
  void operator()(HHOOK hook) const { ::UnhookWindowsHookEx(hook); }
};

using FontHandle = OwnedHandle<HFONT, FreeGdiObject>;
using BrushHandle = OwnedHandle<HBRUSH, FreeGdiObject>;
using BitmapHandle = OwnedHandle<HBITMAP, FreeGdiObject>;
using IconHandle = OwnedHandle<HICON, FreeIcon>;
using ImageListHandle = OwnedHandle<HIMAGELIST, FreeImageList>;
using MenuHandle = OwnedHandle<HMENU, FreeMenu>;
using WindowHandle = OwnedHandle<HWND, FreeWindow>;
using HookHandle = OwnedHandle<HHOOK, FreeHook>;
// Kernel objects whose "none" is null (processes, threads, events; not files).
using KernelHandle = OwnedHandle<HANDLE, FreeKernelObject>;
