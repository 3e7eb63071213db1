#pragma once

#include "win32/WinHeaders.h"

// A window of a class of its own (hidden helper windows: the tray icon's, the UI
// thread's, the running instance's). The class is registered on first use; from
// WM_NCCREATE on, every message reaches HandleMessage of the object that made it.
class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  // Destroys the window if it still exists.
  virtual ~Window();

  HWND Handle() const { return Hwnd; }

 protected:
  // HWND_MESSAGE as parent makes a message-only window (no broadcasts reach it).
  bool CreateWindowOf(const wchar_t* className, const wchar_t* title, DWORD style, HWND parent);
  void Destroy();
  // The default is DefWindowProcW.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND Hwnd = nullptr;
};
