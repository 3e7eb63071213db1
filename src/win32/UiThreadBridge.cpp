#include "win32/UiThreadBridge.h"

namespace {

// A private message of the bridge's own window class; its lParam points at the work,
// which lives on the waiting caller's stack until the message has been handled.
constexpr UINT kRunMessage = WM_APP + 1;

}  // namespace

bool UiThreadBridge::Create() {
  UiThread = ::GetCurrentThreadId();
  return CreateWindowOf(L"Vorlane.UiThread", L"", 0, HWND_MESSAGE);
}

bool UiThreadBridge::IsUiThread() const {
  return ::GetCurrentThreadId() == UiThread;
}

bool UiThreadBridge::Run(const std::function<void()>& work) {
  if (Closed || !Handle()) return false;
  if (IsUiThread()) {
    work();
    return true;
  }
  // SendMessage returns only after the UI thread has handled it; it fails at once when
  // the window is gone.
  return ::SendMessageW(Handle(), kRunMessage, 0, reinterpret_cast<LPARAM>(&work)) != 0;
}

LRESULT UiThreadBridge::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunMessage) {
    if (Closed) return 0;
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 1;
  }
  return Window::HandleMessage(message, wParam, lParam);
}
