#include "win32/Window.h"

Window::~Window() {
  Destroy();
}

bool Window::CreateWindowOf(const wchar_t* className, const wchar_t* title, DWORD style,
                            HWND parent) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!::GetClassInfoExW(instance, className, &windowClass)) {
    windowClass.lpfnWndProc = &Window::Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    if (!::RegisterClassExW(&windowClass)) return false;
  }
  ::CreateWindowExW(0, className, title, style, 0, 0, 0, 0, parent, nullptr, instance, this);
  return Hwnd != nullptr;
}

void Window::Destroy() {
  if (Hwnd) ::DestroyWindow(Hwnd);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(Hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->Hwnd = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  const LRESULT result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->Hwnd = nullptr;
  }
  return result;
}
