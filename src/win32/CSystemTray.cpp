#include "win32/CSystemTray.h"

#include <algorithm>

namespace {

// What every add gives the shell: the callback, the picture and the tooltip, shown as
// the shell's standard tooltip (version 4 shows none without NIF_SHOWTIP).
constexpr UINT kAddFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;

bool ShellNotify(DWORD action, const NOTIFYICONDATAW& data) {
  NOTIFYICONDATAW copy = data;
  return ::Shell_NotifyIconW(action, &copy) != FALSE;
}

template <size_t N>
void CopyCut(wchar_t (&target)[N], const std::wstring& text, size_t limit) {
  const size_t length = std::min({text.size(), limit, N - 1});
  std::copy_n(text.data(), length, target);
  target[length] = L'\0';
}

}  // namespace

CSystemTray::CSystemTray(NotifyFunction notify)
    : NotifyShell(notify ? std::move(notify) : NotifyFunction(&ShellNotify)),
      TaskbarCreated(::RegisterWindowMessageW(L"TaskbarCreated")) {
  Data.cbSize = sizeof Data;
}

CSystemTray::~CSystemTray() {
  StopAnimation();
  RemoveIcon();
}

bool CSystemTray::Create(HWND parent, UINT callbackMessage, const std::wstring& tooltip, HICON icon,
                         UINT iconId, bool hidden) {
  if (!Handle() && !CreateWindowOf(L"Vorlane.TrayIcon", L"", WS_POPUP, nullptr)) return false;
  Data.hWnd = parent ? parent : Handle();
  Data.uID = iconId;
  Data.uCallbackMessage = callbackMessage;
  Icon.Reset(::CopyIcon(icon));
  Data.hIcon = Icon.Get();
  CopyCut(Data.szTip, tooltip, MaxTooltipLength);
  Wanted = !hidden;
  if (hidden) return true;
  Data.uFlags = kAddFlags;
  Hidden = !Notify(NIM_ADD);
  if (!Hidden) {
    Data.uVersion = NOTIFYICON_VERSION_4;
    Notify(NIM_SETVERSION);
  }
  return !Hidden;
}

bool CSystemTray::Notify(DWORD action) {
  return NotifyShell(action, Data);
}

bool CSystemTray::ShowIcon(HICON icon) {
  Data.hIcon = icon;
  if (Hidden) return true;
  Data.uFlags = NIF_ICON;
  return Notify(NIM_MODIFY);
}

bool CSystemTray::SetIcon(HICON icon) {
  IconHandle copy(::CopyIcon(icon));
  if (!copy) return false;
  Icon = std::move(copy);
  // While the animation runs, the new picture waits for its end.
  if (Timer) return true;
  return ShowIcon(Icon.Get());
}

bool CSystemTray::ShowBalloon(const std::wstring& text, const std::wstring& title, DWORD iconFlags,
                              unsigned seconds) {
  if (Hidden) return false;
  Data.uFlags = NIF_INFO;
  CopyCut(Data.szInfo, text, MaxBalloonTextLength);
  CopyCut(Data.szInfoTitle, title, MaxBalloonTitleLength);
  Data.dwInfoFlags = iconFlags;
  // The program's picture, not an animation frame the tray may show meanwhile.
  Data.hBalloonIcon = (iconFlags & NIIF_USER) ? Icon.Get() : nullptr;
  Data.uTimeout = seconds * 1000;
  const bool shown = Notify(NIM_MODIFY);
  // Later calls must not bring the same balloon again.
  Data.szInfo[0] = L'\0';
  Data.szInfoTitle[0] = L'\0';
  return shown;
}

bool CSystemTray::SetToolTip(const std::wstring& tooltip) {
  CopyCut(Data.szTip, tooltip, MaxTooltipLength);
  if (Hidden) return true;  // the next add carries it
  Data.uFlags = NIF_TIP | NIF_SHOWTIP;
  return Notify(NIM_MODIFY);
}

bool CSystemTray::SetIconList(std::vector<IconHandle> frames) {
  Frames = std::move(frames);
  Frame = 0;
  return !Frames.empty();
}

bool CSystemTray::Animate(UINT delayMs, unsigned durationSeconds) {
  if (Frames.empty() || !Handle()) return false;
  StopAnimation();
  Frame = 0;
  StartTick = ::GetTickCount64();
  Duration = durationSeconds;
  Timer = ::SetTimer(Handle(), AnimationTimerId, delayMs, nullptr);
  return Timer != 0;
}

bool CSystemTray::StopAnimation() {
  if (!Timer) return false;
  ::KillTimer(Handle(), AnimationTimerId);
  Timer = 0;
  ShowIcon(Icon.Get());
  return true;
}

bool CSystemTray::StepAnimation() {
  if (Frames.empty()) return false;
  Frame = (Frame + 1) % Frames.size();
  return ShowIcon(Frames[Frame].Get());
}

bool CSystemTray::RemoveIcon() {
  Wanted = false;
  if (Hidden) return true;
  Data.uFlags = 0;
  if (Notify(NIM_DELETE)) Hidden = true;
  return Hidden;
}

void CSystemTray::ReAddIcon() {
  if (!Wanted) return;
  Data.uFlags = kAddFlags;
  if (Notify(NIM_ADD)) {
    Hidden = false;
    Data.uVersion = NOTIFYICON_VERSION_4;
    Notify(NIM_SETVERSION);
    return;
  }
  // The shell may still hold the icon (a work-area change is no restart): then it is
  // there, with its current picture.
  Hidden = !Notify(NIM_MODIFY);
}

void CSystemTray::OnTimer() {
  const uint64_t elapsed = ::GetTickCount64() - StartTick;
  if (Duration != 0 && Duration != Forever && elapsed > uint64_t{Duration} * 1000) {
    StopAnimation();
  } else {
    StepAnimation();
  }
}

LRESULT CSystemTray::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == TaskbarCreated) {
    // The shell's task bar was made again, without the icons it held.
    ReAddIcon();
    return 0;
  }
  switch (message) {
    case WM_TIMER:
      if (wParam == AnimationTimerId && Timer) OnTimer();
      return 0;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETWORKAREA) ReAddIcon();
      break;
    default:
      break;
  }
  return Window::HandleMessage(message, wParam, lParam);
}
