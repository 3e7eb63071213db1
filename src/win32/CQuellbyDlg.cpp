#include "win32/CQuellbyDlg.h"

#include <algorithm>

#include "app/ProgramInfo.h"
#include "config/BrowserTable.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "win32/CAboutDlg.h"
#include "win32/ProgramIcons.h"
#include "win32/WideText.h"

namespace {

struct ButtonInfo {
  int Icon;
  UiTextKey Tooltip;
};
// In the order of CQuellbyDlg::ButtonIds.
constexpr std::array<ButtonInfo, CQuellbyDlg::ButtonIds.size()> kButtons{{
    {IDI_NEW, UiTextKey::New},
    {IDI_OPEN, UiTextKey::Open},
    {IDI_SAVE, UiTextKey::Save},
    {IDI_SAVE_AS, UiTextKey::SaveAs},
    {IDI_ADD, UiTextKey::Add},
    {IDI_DELETE, UiTextKey::Delete},
    {IDI_EDIT, UiTextKey::Edit},
    {IDI_UP, UiTextKey::Up},
    {IDI_DOWN, UiTextKey::Down},
    {IDI_OPTIONS, UiTextKey::Options},
    {IDI_HELP, UiTextKey::Help},
    {IDI_COMB_IE, UiTextKey::CombIE},
    {IDI_COMB_MOZILLA, UiTextKey::CombMozilla},
    {IDI_COMB, UiTextKey::CaptureFrom},
}};

// The list's margins in dialog units: left, top (below the buttons), right, bottom.
constexpr RECT kListMargins{9, 29, 9, 7};

}  // namespace

CQuellbyDlg::CQuellbyDlg(CSystemTray::NotifyFunction notify)
    : Dialog(IDD_MAIN),
      TrayMessage(::RegisterWindowMessageW(L"Tray.{42456981-232F-4322-9A3F-623456732325}")),
      TrayIcon(std::make_unique<CSystemTray>(std::move(notify))) {}

CQuellbyDlg::~CQuellbyDlg() {
  // The popup and the tray icon go first, as their owner's window is still there.
  TrayIcon.reset();
}

bool CQuellbyDlg::Create() {
  if (!CreateModeless(nullptr)) return false;
  const Settings settings = CurrentSettings();
  if (!ProgressPopup.Create(Handle())) return false;
  ProgressPopup.SetTransparency(settings.NotifyProgressTransparency);
  ProgressPopup.SetOnCenter(settings.NotifyProgressBarOnCenter);

  const IconHandle trayIcon =
      ProgramIcons::Load(IDI_PROGRAM, ProgramIcons::SmallIconSize(Handle()));
  TrayIcon->Create(Handle(), TrayMessage, WideText::FromUtf8(ProgramInfo::Name), trayIcon.Get(),
                   TrayIconId, false);
  std::vector<IconHandle> frames;
  for (int id = IDI_FRAME_FIRST; id <= IDI_FRAME_LAST; ++id) {
    frames.push_back(ProgramIcons::Load(id, ProgramIcons::SmallIconSize(Handle())));
  }
  TrayIcon->SetIconList(std::move(frames));
  FitToList();
  return true;
}

void CQuellbyDlg::FitToList() {
  HWND list = Item(IDC_FILTER_LIST);
  RECT inside{};
  ::GetClientRect(list, &inside);
  const UINT dpi = ::GetDpiForWindow(Handle());
  const int needed = FilterList.ColumnsWidth() + ::GetSystemMetricsForDpi(SM_CXVSCROLL, dpi) +
                     2 * ::GetSystemMetricsForDpi(SM_CXEDGE, dpi);
  if (needed <= inside.right) return;
  RECT frame{};
  ::GetWindowRect(Handle(), &frame);
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const int widest = static_cast<int>((area.right - area.left) * 9 / 10);
  const int width = std::min<int>(frame.right - frame.left + needed - inside.right, widest);
  // Still on the screen: as far left as it must go.
  const int left = static_cast<int>(std::clamp<LONG>(frame.left, area.left, area.right - width));
  ::SetWindowPos(Handle(), nullptr, left, frame.top, width, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CQuellbyDlg::OnInitDialog() {
  LoadIcons();
  RECT frame{};
  ::GetWindowRect(Handle(), &frame);
  MinimumSize = SIZE{frame.right - frame.left, frame.bottom - frame.top};

  Tips.Create(Handle(), 10000);
  FilterList.Attach(Item(IDC_FILTER_LIST));
  ApplyTexts();
  SetTitle(ProgramInfo::Name);
  return false;
}

void CQuellbyDlg::LoadIcons() {
  // Each new icon is in place before the one it replaces is destroyed.
  IconHandle big = ProgramIcons::Load(IDI_PROGRAM, ProgramIcons::LargeIconSize(Handle()));
  IconHandle small = ProgramIcons::Load(IDI_PROGRAM, ProgramIcons::SmallIconSize(Handle()));
  ::SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Get()));
  ::SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
  BigIcon = std::move(big);
  SmallIcon = std::move(small);
  const int size = ProgramIcons::ButtonIconSize(Handle());
  for (size_t i = 0; i < ButtonIds.size(); ++i) {
    IconHandle icon = ProgramIcons::Load(kButtons[i].Icon, size);
    ::SendMessageW(Item(ButtonIds[i]), BM_SETIMAGE, IMAGE_ICON,
                   reinterpret_cast<LPARAM>(icon.Get()));
    ButtonIcons[i] = std::move(icon);
  }
}

void CQuellbyDlg::ApplyTexts() {
  Tips.SetTitle(WideText::FromUtf8(ProgramInfo::Name));
  for (size_t i = 0; i < ButtonIds.size(); ++i) {
    std::wstring tip = WideText::Ui(kButtons[i].Tooltip);
    // The Chromium family's button names the browser it captures.
    if (ButtonIds[i] == IDC_COMB_CHROMIUM)
      tip = WideText::FromUtf8(CaptureTextOf(*FindBrowser(Chrome)));
    SetItemText(ButtonIds[i], "");
    Tips.SetTool(Item(ButtonIds[i]), tip);
  }
  FilterList.ApplyTexts();
}

void CQuellbyDlg::ShowMainWindow() {
  ::ShowWindow(Handle(), SW_SHOW);
  ::SetForegroundWindow(Handle());
}

void CQuellbyDlg::HideMainWindow() {
  ::ShowWindow(Handle(), SW_HIDE);
}

void CQuellbyDlg::Layout() {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  RECT margins = kListMargins;
  ::MapDialogRect(Handle(), &margins);
  ::SetWindowPos(Item(IDC_FILTER_LIST), nullptr, margins.left, margins.top,
                 client.right - margins.left - margins.right,
                 client.bottom - margins.top - margins.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CQuellbyDlg::IsToolButton(HWND window) const {
  for (const int id : ButtonIds) {
    if (Item(id) == window) return true;
  }
  return false;
}

void CQuellbyDlg::Command(int id) {
  switch (id) {
    case IDCANCEL:
      HideMainWindow();
      return;
    case IDOK:
      // Enter edits the selected filter; it never closes the window.
      Command(IDC_EDIT);
      return;
    case IDM_TRAY_FILTERS:
      ShowMainWindow();
      return;
    case IDM_TRAY_ABOUT: {
      CAboutDlg about;
      about.RunModal(::IsWindowVisible(Handle()) ? Handle() : nullptr);
      return;
    }
    case IDM_TRAY_EXIT:
      if (OnExit) OnExit();
      return;
    default:
      if (OnCommand) OnCommand(id);
      return;
  }
}

INT_PTR CQuellbyDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == TrayMessage) {
    OnTrayNotify(wParam, lParam);
    return TRUE;
  }
  switch (message) {
    case WM_COMMAND:
      Command(LOWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      return FilterList.HandleNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_SIZE:
      Layout();
      return TRUE;
    case WM_DPICHANGED:
      // The system scales the dialog itself; its pictures are made anew at the new size.
      LoadIcons();
      return FALSE;
    case WM_GETMINMAXINFO: {
      // Never smaller than the template made it.
      if (MinimumSize.cx <= 0) return FALSE;
      auto& limits = *reinterpret_cast<MINMAXINFO*>(lParam);
      limits.ptMinTrackSize = POINT{MinimumSize.cx, MinimumSize.cy};
      return TRUE;
    }
    case WM_SETCURSOR:
      // The tool buttons show the hand, as links do.
      if (!IsToolButton(reinterpret_cast<HWND>(wParam))) return FALSE;
      ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
      return SetMessageResult(TRUE);
    default:
      return FALSE;
  }
}
