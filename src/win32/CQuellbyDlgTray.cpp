// The tray icon's side of the main window: its mouse messages and its menu.
#include "app/ProgramInfo.h"
#include "config/UiTexts.h"
#include "win32/CQuellbyDlg.h"
#include "win32/WideText.h"

namespace {

void AppendItem(HMENU menu, UINT id, UiTextKey text, UINT flags = MF_STRING) {
  ::AppendMenuW(menu, flags, id, WideText::Ui(text).c_str());
}

}  // namespace

MenuHandle CQuellbyDlg::BuildTrayMenu() const {
  MenuHandle menu(::CreatePopupMenu());
  HMENU items = menu.Get();
  // The title strip: the program's name and version, not a command.
  ::AppendMenuW(items, MF_STRING | MF_GRAYED, 0,
                WideText::FromUtf8(ProgramInfo::ProductTitle).c_str());
  ::AppendMenuW(items, MF_SEPARATOR, 0, nullptr);
  AppendItem(items, IDM_TRAY_FILTERS, UiTextKey::TrayMenuFilters);
  AppendItem(items, IDM_TRAY_OPTIONS, UiTextKey::TrayMenuOptions);
  ::AppendMenuW(items, MF_SEPARATOR, 0, nullptr);
  // The browsers to capture now are offered once their caches are known.
  HMENU captureNow = ::CreatePopupMenu();
  AppendItem(captureNow, 0, UiTextKey::TrayMenuNoCache, MF_STRING | MF_GRAYED);
  ::AppendMenuW(items, MF_POPUP, reinterpret_cast<UINT_PTR>(captureNow),
                WideText::Ui(UiTextKey::TrayMenuCaptureNow).c_str());
  AppendItem(items, IDM_TRAY_OPEN_SAVED, UiTextKey::TrayMenuOpenSaved);
  AppendItem(items, IDM_TRAY_PAUSE, UiTextKey::TrayMenuPauseWatching);
  ::AppendMenuW(items, MF_SEPARATOR, 0, nullptr);
  AppendItem(items, IDM_TRAY_VISIT, UiTextKey::TrayMenuVisit);
  AppendItem(items, IDM_TRAY_DOWNLOAD, UiTextKey::TrayMenuLastVersion);
  ::AppendMenuW(items, MF_SEPARATOR, 0, nullptr);
  AppendItem(items, IDM_TRAY_HELP, UiTextKey::TrayMenuHelp);
  AppendItem(items, IDM_TRAY_ABOUT, UiTextKey::TrayMenuAbout);
  ::AppendMenuW(items, MF_SEPARATOR, 0, nullptr);
  AppendItem(items, IDM_TRAY_EXIT, UiTextKey::TrayMenuExit);
  ::SetMenuDefaultItem(items, IDM_TRAY_FILTERS, FALSE);
  return menu;
}

void CQuellbyDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
  // Version 4: the event in the low word, the icon in the high word, the place in wParam.
  if (HIWORD(lParam) != TrayIconId) return;
  switch (LOWORD(lParam)) {
    case WM_LBUTTONDOWN:
    case NIN_SELECT:
    case NIN_KEYSELECT:
      ShowMainWindow();
      return;
    case WM_CONTEXTMENU:
      ShowTrayMenu(POINT{static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam))});
      return;
    default:
      return;
  }
}

void CQuellbyDlg::ShowTrayMenu(POINT at) {
  const MenuHandle menu = BuildTrayMenu();
  // The menu closes when the user clicks elsewhere only if the window is in front.
  ::SetForegroundWindow(Handle());
  const UINT chosen = static_cast<UINT>(::TrackPopupMenuEx(
      menu.Get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN,
      at.x, at.y, Handle(), nullptr));
  ::PostMessageW(Handle(), WM_NULL, 0, 0);
  if (chosen != 0) Command(static_cast<int>(chosen));
}
