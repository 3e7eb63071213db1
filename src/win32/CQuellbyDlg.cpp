#include "win32/CQuellbyDlg.h"

#include <algorithm>
#include <string_view>

#include "app/ProgramInfo.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "win32/ProgramIcons.h"
#include "win32/UiThreadBridge.h"
#include "win32/WideText.h"
#include "win32/WindowPlacement.h"

namespace {

struct ButtonInfo {
  int Icon;
  UiTextKey Tooltip;  // the capture buttons take theirs from their tool
};
// In the order of CQuellbyDlg::ButtonIds.
constexpr std::array<ButtonInfo, CQuellbyDlg::ButtonIds.size()> kButtons{{
    {IDI_NEW, UiTextKey::TipNew},
    {IDI_OPEN, UiTextKey::TipOpen},
    {IDI_SAVE, UiTextKey::TipSave},
    {IDI_SAVE_AS, UiTextKey::TipSaveAs},
    {IDI_ADD, UiTextKey::TipAdd},
    {IDI_DELETE, UiTextKey::TipDelete},
    {IDI_EDIT, UiTextKey::TipEdit},
    {IDI_UP, UiTextKey::TipUp},
    {IDI_DOWN, UiTextKey::TipDown},
    {IDI_OPTIONS, UiTextKey::TipOptions},
    {IDI_HELP, UiTextKey::TipHelp},
    {IDI_COMB_IE, UiTextKey::CombIE},
    {IDI_COMB_MOZILLA, UiTextKey::CombMozilla},
    {IDI_COMB, UiTextKey::CaptureFrom},
}};

// The capture buttons by the icon of the tool they run.
constexpr std::pair<std::string_view, int> kCaptureButtons[] = {
    {"comb-ie", IDC_COMB_IE}, {"comb-mozilla", IDC_COMB_MOZILLA}, {"comb", IDC_COMB_CHROMIUM}};

// The list's margins in dialog units: left, top (below the buttons), right, bottom.
constexpr RECT kListMargins{9, 29, 9, 7};

}  // namespace

CQuellbyDlg::CQuellbyDlg(CQuellbyMain& engine, UiThreadBridge& bridge,
                         CSystemTray::NotifyFunction notify)
    : Dialog(IDD_MAIN),
      Engine(engine),
      Bridge(bridge),
      ListControl(engine, *this),
      CaptureControl(engine, *this),
      TrayControl(engine, *this),
      CaptureTools(engine),
      TrayMessage(::RegisterWindowMessageW(L"Tray.{42456981-232F-4322-9A3F-623456732325}")),
      TrayIcon(std::make_unique<CSystemTray>(std::move(notify))) {}

CQuellbyDlg::~CQuellbyDlg() {
  Exiting = true;
  Engine.SetCaptureStateCallback(nullptr);
  Engine.SetProgressCallback(nullptr);
  Engine.RequestStop();
  // A job may be waiting for this thread right now; serve it until it has ended.
  MSG message{};
  while (Engine.IsBusy()) {
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  }
  if (Handle()) KeepPlacement();
  // The popup and the tray icon go first, as their owner's window is still there.
  TrayIcon.reset();
}

bool CQuellbyDlg::Create() {
  if (!CreateModeless(nullptr)) return false;
  if (!ProgressPopup.Create(Handle())) return false;
  const CaptureStateController::PopupLook look = CaptureStateController::PopupSettings();
  ProgressPopup.SetTransparency(look.Transparency);
  ProgressPopup.SetOnCenter(look.OnCenter);

  const IconHandle trayIcon =
      ProgramIcons::Load(IDI_PROGRAM, ProgramIcons::SmallIconSize(Handle()));
  TrayIcon->Create(Handle(), TrayMessage, WideText::FromUtf8(ProgramInfo::Name), trayIcon.Get(),
                   TrayIconId, false);
  std::vector<IconHandle> frames;
  for (int id = IDI_FRAME_FIRST; id <= IDI_FRAME_LAST; ++id) {
    frames.push_back(ProgramIcons::Load(id, ProgramIcons::SmallIconSize(Handle())));
  }
  TrayIcon->SetIconList(std::move(frames));

  FilterList.SetCheckHandler(
      [this](int row, bool checked) { return ListControl.CheckRow(row, checked); });
  ListControl.Start();
  Engine.SetCaptureStateCallback([this](bool started) {
    // Once exit began the window takes no more work; the job must not wait for it.
    if (!Exiting) {
      Bridge.Run([this, started] {
        CaptureControl.OnCaptureState(started);
        if (!started) WatchingChanged();
      });
    }
  });
  Engine.SetProgressCallback([this](int percent) {
    if (!Exiting) Bridge.Run([this, percent] { CaptureControl.OnCaptureProgress(percent); });
  });
  Engine.StartWatchers();
  WatchingChanged();
  ApplyTexts();
  FitToList();
  RestorePlacement();
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

void CQuellbyDlg::RestorePlacement() {
  const WindowPlacement::Kept kept = WindowPlacement::Load();
  if (!kept.Columns.empty()) FilterList.KeepColumnWidths(kept.Columns);
  if (kept.Width <= 0 || kept.Height <= 0) return;
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  // Never larger than the screen, never smaller than the template.
  const int width =
      std::max<int>(std::min<int>(kept.Width, area.right - area.left), MinimumSize.cx);
  const int height =
      std::max<int>(std::min<int>(kept.Height, area.bottom - area.top), MinimumSize.cy);
  ::SetWindowPos(Handle(), nullptr, 0, 0, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void CQuellbyDlg::KeepPlacement() const {
  RECT frame{};
  ::GetWindowRect(Handle(), &frame);
  WindowPlacement::Save(
      {frame.right - frame.left, frame.bottom - frame.top, FilterList.ColumnWidths()});
}

bool CQuellbyDlg::OnInitDialog() {
  LoadIcons();
  RECT frame{};
  ::GetWindowRect(Handle(), &frame);
  MinimumSize = SIZE{frame.right - frame.left, frame.bottom - frame.top};

  Tips.Create(Handle(), 10000);
  FilterList.Attach(Item(IDC_FILTER_LIST));
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
  for (size_t i = 0; i < ButtonIds.size(); ++i) {
    SetItemText(ButtonIds[i], "");
    if (ToolOfButton(ButtonIds[i]) < 0)
      Tips.SetTool(Item(ButtonIds[i]), WideText::Ui(kButtons[i].Tooltip));
  }
  ApplyCaptureTexts();
  FilterList.ApplyTexts();
  const std::string hint = ListControl.Hint();
  if (hint.empty()) {
    Tips.RemoveTool(FilterList.Handle());
  } else {
    Tips.SetTool(FilterList.Handle(), WideText::FromUtf8(hint));
  }
}

void CQuellbyDlg::ApplyCaptureTexts() {
  for (const auto& [stem, id] : kCaptureButtons) {
    const int tool = ToolOfButton(id);
    // A format that offers no capture command (here) leaves its button out.
    const bool offered = tool >= 0 && CaptureTools.Offered(static_cast<size_t>(tool));
    ::ShowWindow(Item(id), offered ? SW_SHOW : SW_HIDE);
    if (tool >= 0) {
      Tips.SetTool(Item(id), WideText::FromUtf8(CaptureTools.Tooltip(static_cast<size_t>(tool))));
    }
  }
}

int CQuellbyDlg::ToolOfButton(int buttonId) const {
  const std::vector<CaptureCommands::Tool>& tools = CaptureTools.Tools();
  for (const auto& [stem, id] : kCaptureButtons) {
    if (id != buttonId) continue;
    for (size_t tool = 0; tool < tools.size(); ++tool) {
      if (tools[tool].IconStem == stem) return static_cast<int>(tool);
    }
  }
  return -1;
}

void CQuellbyDlg::ShowMainWindow() {
  // A browser installed or cleared meanwhile changes what the capture buttons offer.
  CaptureTools.Refresh();
  ApplyCaptureTexts();
  ::ShowWindow(Handle(), SW_SHOW);
  ::SetForegroundWindow(Handle());
}

void CQuellbyDlg::HideMainWindow() {
  if (!Exiting && !ListControl.SavePrompt()) return;
  ::ShowWindow(Handle(), SW_HIDE);
}

void CQuellbyDlg::BeginExit() {
  Exiting = true;
  ::ShowWindow(Handle(), SW_HIDE);
  ProgressPopup.Hide();
  TrayIcon->StopAnimation();
  Engine.RequestStop();
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

HWND CQuellbyDlg::DialogOwner() const {
  return ::IsWindowVisible(Handle()) ? Handle() : nullptr;
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
      return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) != FilterList.Handle()) return FALSE;
      ShowPopupMenu(BuildListMenu(),
                    POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))},
                    TPM_LEFTALIGN | TPM_TOPALIGN);
      return TRUE;
    case LaterMessage:
      ShowLaterMessages();
      return TRUE;
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

INT_PTR CQuellbyDlg::Notify(const NMHDR& header) {
  if (header.code == BCN_DROPDOWN) {
    const auto& drop = reinterpret_cast<const NMBCDROPDOWN&>(header);
    POINT at{drop.rcButton.left, drop.rcButton.bottom};
    ::ClientToScreen(header.hwndFrom, &at);
    ShowPopupMenu(BuildCaptureMenu(static_cast<int>(header.idFrom)), at,
                  TPM_LEFTALIGN | TPM_TOPALIGN);
    return SetMessageResult(TRUE);
  }
  if (header.hwndFrom == FilterList.Handle() && header.code == NM_DBLCLK) {
    ListControl.Edit();
    return TRUE;
  }
  return FilterList.HandleNotify(header);
}
