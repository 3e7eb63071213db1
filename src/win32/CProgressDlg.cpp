#include "win32/CProgressDlg.h"

#include <algorithm>

#include "win32/resources/ResourceIds.h"

namespace {

RECT WorkArea() {
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

}  // namespace

CProgressDlg::CProgressDlg() : Dialog(IDD_PROGRESS) {}

bool CProgressDlg::Create(HWND owner) {
  return CreateModeless(owner);
}

bool CProgressDlg::OnInitDialog() {
  ::SendMessageW(Item(IDC_PROGRESS), PBM_SETRANGE32, 0, 100);
  ::SendMessageW(Item(IDC_PROGRESS), PBM_SETPOS, 0, 0);
  return false;
}

void CProgressDlg::SetTransparency(int alpha) {
  HWND popup = Handle();
  const LONG_PTR style = ::GetWindowLongPtrW(popup, GWL_EXSTYLE);
  ::SetWindowLongPtrW(popup, GWL_EXSTYLE, style | WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(popup, 0, static_cast<BYTE>(std::clamp(alpha, 0, 255)), LWA_ALPHA);
}

void CProgressDlg::SetPosition(int percent) {
  ::SendMessageW(Item(IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, 0, 100)),
                 0);
}

int CProgressDlg::Position() const {
  return static_cast<int>(::SendMessageW(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0));
}

void CProgressDlg::Show() {
  ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
}

void CProgressDlg::Hide() {
  ::ShowWindow(Handle(), SW_HIDE);
}

void CProgressDlg::MoveToCorner() {
  const RECT area = WorkArea();
  RECT frame{};
  ::GetWindowRect(Handle(), &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ::SetWindowPos(Handle(), nullptr, area.right - width, area.bottom - height, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CProgressDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_SHOWWINDOW:
      // Before the default handling, as the window appears or goes.
      if (!OnCenter) MoveToCorner();
      return FALSE;
    case WM_COMMAND:
      // Enter and Esc arrive as IDOK and IDCANCEL: swallowed, so only the capture's end
      // hides the popup.
      return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    default:
      return FALSE;
  }
}
