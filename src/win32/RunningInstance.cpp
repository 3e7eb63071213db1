#include "win32/RunningInstance.h"

#include <utility>

#include "win32/OwnedHandle.h"

namespace {

constexpr wchar_t kWindowClass[] = L"Vorlane.RunningInstance";
constexpr UINT kShowMessage = WM_APP + 1;

}  // namespace

RunningInstance::~RunningInstance() {
  Destroy();
  Release();
}

RunningInstance::Start RunningInstance::Claim(bool close) {
  switch (Mapping.TryClaim(Platform::InstanceMappingName)) {
    case Platform::InstanceMapping::Claim::HeldByOther:
      if (close) {
        CloseOther(CloseWaitMs);
      } else {
        ShowOther();
      }
      return Start::End;
    case Platform::InstanceMapping::Claim::Unavailable:
    case Platform::InstanceMapping::Claim::Taken:
      break;
  }
  return close ? Start::End : Start::Run;
}

bool RunningInstance::Listen(std::function<void()> onClose, std::function<void()> onShow) {
  OnClose = std::move(onClose);
  OnShow = std::move(onShow);
  return Handle() || CreateWindowOf(kWindowClass, L"", 0, HWND_MESSAGE);
}

void RunningInstance::Release() {
  Mapping.Release();
}

bool RunningInstance::CloseOther(DWORD waitMs) {
  HWND other = ::FindWindowExW(HWND_MESSAGE, nullptr, kWindowClass, nullptr);
  if (!other) return false;
  DWORD processId = 0;
  ::GetWindowThreadProcessId(other, &processId);
  KernelHandle process(processId != ::GetCurrentProcessId()
                           ? ::OpenProcess(SYNCHRONIZE, FALSE, processId)
                           : nullptr);
  const bool asked = ::PostMessageW(other, WM_CLOSE, 0, 0) != FALSE;
  // The settings are written when that program ends; a script that runs "Close" may
  // read them next.
  if (asked && process) ::WaitForSingleObject(process.Get(), waitMs);
  return asked;
}

bool RunningInstance::ShowOther() {
  HWND other = ::FindWindowExW(HWND_MESSAGE, nullptr, kWindowClass, nullptr);
  if (!other) return false;
  DWORD processId = 0;
  ::GetWindowThreadProcessId(other, &processId);
  // Only the foreground's owner may pass it on; without this the window would only flash.
  if (processId != ::GetCurrentProcessId()) ::AllowSetForegroundWindow(processId);
  return ::PostMessageW(other, kShowMessage, 0, 0) != FALSE;
}

LRESULT RunningInstance::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    if (OnClose) OnClose();
    return 0;
  }
  if (message == kShowMessage) {
    if (OnShow) OnShow();
    return 0;
  }
  return Window::HandleMessage(message, wParam, lParam);
}
