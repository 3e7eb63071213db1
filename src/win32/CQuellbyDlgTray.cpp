// The main window's commands and menus: the tool buttons, the tray icon's menu, the
// list's context menu and the capture button's choice of browsers.
#include "app/ProgramInfo.h"
#include "win32/CQuellbyDlg.h"
#include "win32/WideText.h"

namespace {

using TrayItem = TrayMenuController::Command;
using ListItem = FilterListController::ListCommand;

// The menu identifiers of the tray menu's items, in the order of TrayItem.
constexpr std::array<int, TrayMenuController::CommandCount> kTrayIds = {
    IDM_TRAY_FILTERS,    IDM_TRAY_OPTIONS, 0,
    IDM_TRAY_OPEN_SAVED, IDM_TRAY_PAUSE,   IDM_TRAY_VISIT,
    IDM_TRAY_DOWNLOAD,   IDM_TRAY_HELP,    IDM_TRAY_ABOUT,
    IDM_TRAY_EXIT};

// The list's commands: its menu's identifiers and the tool buttons that run them too.
struct ListCommandIds {
  ListItem Command;
  int MenuId;
  int ButtonId;
};
constexpr ListCommandIds kListIds[] = {
    {ListItem::Add, IDM_LIST_ADD, IDC_ADD},
    {ListItem::Delete, IDM_LIST_DELETE, IDC_DELETE},
    {ListItem::Edit, IDM_LIST_EDIT, IDC_EDIT},
    {ListItem::Up, IDM_LIST_UP, IDC_UP},
    {ListItem::Down, IDM_LIST_DOWN, IDC_DOWN},
    {ListItem::OpenFolder, IDM_LIST_OPEN_FOLDER, 0},
    {ListItem::CheckAll, IDM_LIST_CHECK_ALL, 0},
    {ListItem::UncheckAll, IDM_LIST_UNCHECK_ALL, 0},
    {ListItem::SaveAs, IDM_LIST_SAVE_AS, IDC_SAVE_AS},
};

// Browser codes ride on menu identifiers above a first one.
constexpr int kMostBrowsers = 32;

UINT MenuId(int first, int code) {
  return static_cast<UINT>(first + code);
}

}  // namespace

MenuHandle CQuellbyDlg::BuildTrayMenu() const {
  MenuHandle menu(::CreatePopupMenu());
  HMENU items = menu.Get();
  // The title strip: the program's name and version, not a command.
  ::AppendMenuW(items, MF_STRING | MF_GRAYED, 0,
                WideText::FromUtf8(ProgramInfo::ProductTitle).c_str());
  ::AppendMenuW(items, MF_SEPARATOR, 0, nullptr);
  for (const TrayMenuController::Item& item : TrayControl.Items()) {
    const std::wstring text = WideText::FromUtf8(item.Text);
    if (item.Id == TrayItem::CaptureNow) {
      HMENU captureNow = ::CreatePopupMenu();
      for (const CaptureCommands::Entry& entry : CaptureTools.CaptureNow()) {
        const bool command = entry.Code >= 0 && entry.Enabled;
        ::AppendMenuW(captureNow, MF_STRING | (command ? 0u : MF_GRAYED),
                      entry.Code >= 0 ? MenuId(IDM_CAPTURE_NOW_FIRST, entry.Code) : 0,
                      WideText::FromUtf8(entry.Text).c_str());
      }
      ::AppendMenuW(items, MF_POPUP, reinterpret_cast<UINT_PTR>(captureNow), text.c_str());
    } else {
      const UINT id = static_cast<UINT>(kTrayIds[static_cast<size_t>(item.Id)]);
      ::AppendMenuW(items, MF_STRING | (item.Checked ? MF_CHECKED : 0u), id, text.c_str());
      if (item.Default) ::SetMenuDefaultItem(items, id, FALSE);
    }
    if (item.SeparatorAfter) ::AppendMenuW(items, MF_SEPARATOR, 0, nullptr);
  }
  return menu;
}

MenuHandle CQuellbyDlg::BuildListMenu() const {
  const std::vector<FilterListController::MenuEntry> entries = ListControl.ListMenu();
  if (entries.empty()) return MenuHandle();
  MenuHandle menu(::CreatePopupMenu());
  for (const FilterListController::MenuEntry& entry : entries) {
    if (entry.SeparatorBefore) ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    for (const ListCommandIds& ids : kListIds) {
      if (ids.Command != entry.Command) continue;
      ::AppendMenuW(menu.Get(), MF_STRING, static_cast<UINT>(ids.MenuId),
                    WideText::FromUtf8(entry.Text).c_str());
    }
  }
  return menu;
}

MenuHandle CQuellbyDlg::BuildCaptureMenu(int buttonId) const {
  const int tool = ToolOfButton(buttonId);
  if (tool < 0 || CaptureTools.Tools()[static_cast<size_t>(tool)].Codes.size() < 2) {
    return MenuHandle();
  }
  MenuHandle menu(::CreatePopupMenu());
  for (const CaptureCommands::Entry& entry : CaptureTools.Choices(static_cast<size_t>(tool))) {
    ::AppendMenuW(menu.Get(), MF_STRING | (entry.Enabled ? 0u : MF_GRAYED),
                  entry.Code >= 0 ? MenuId(IDM_CAPTURE_BROWSER_FIRST, entry.Code) : 0,
                  WideText::FromUtf8(entry.Text).c_str());
  }
  return menu;
}

void CQuellbyDlg::Command(int id) {
  switch (id) {
    case IDCANCEL:
      HideMainWindow();
      return;
    case IDOK:
      // Enter edits the selected filter; it never closes the window.
      ListControl.Edit();
      return;
    case IDC_NEW:
      ListControl.New();
      return;
    case IDC_OPEN:
      ListControl.Open();
      return;
    case IDC_SAVE:
      ListControl.Save();
      return;
    case IDC_OPTIONS:
      TrayControl.Options();
      return;
    case IDC_HELP_BUTTON:
      TrayControl.Help();
      return;
    default:
      if (!ListCommand(id) && !TrayCommand(id)) CaptureCommand(id);
      return;
  }
}

bool CQuellbyDlg::ListCommand(int id) {
  for (const ListCommandIds& ids : kListIds) {
    if (id == ids.MenuId || (ids.ButtonId != 0 && id == ids.ButtonId)) {
      ListControl.Run(ids.Command);
      return true;
    }
  }
  return false;
}

bool CQuellbyDlg::TrayCommand(int id) {
  for (size_t item = 0; item < kTrayIds.size(); ++item) {
    if (kTrayIds[item] == 0 || kTrayIds[item] != id) continue;
    const auto command = static_cast<TrayItem>(item);
    if (command == TrayItem::PauseWatching) {
      TrayControl.SetWatchingPaused(!TrayControl.IsWatchingPaused());
    } else {
      TrayControl.Run(command);
    }
    return true;
  }
  return false;
}

bool CQuellbyDlg::CaptureCommand(int id) {
  if (id >= IDM_CAPTURE_NOW_FIRST && id < IDM_CAPTURE_NOW_FIRST + kMostBrowsers) {
    CaptureTools.Capture(id - IDM_CAPTURE_NOW_FIRST);
    ApplyCaptureTexts();
    return true;
  }
  if (id >= IDM_CAPTURE_BROWSER_FIRST && id < IDM_CAPTURE_BROWSER_FIRST + kMostBrowsers) {
    const int code = id - IDM_CAPTURE_BROWSER_FIRST;
    const int tool = CaptureTools.ToolOf(code);
    if (tool < 0) return false;
    CaptureTools.Choose(static_cast<size_t>(tool), code);
    ApplyCaptureTexts();
    return true;
  }
  const int tool = ToolOfButton(id);
  if (tool < 0) return false;
  CaptureTools.RunTool(static_cast<size_t>(tool));
  return true;
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
      ShowPopupMenu(BuildTrayMenu(),
                    POINT{static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam))},
                    TPM_RIGHTALIGN | TPM_BOTTOMALIGN);
      return;
    default:
      return;
  }
}

void CQuellbyDlg::ShowPopupMenu(const MenuHandle& menu, POINT at, UINT flags) {
  if (!menu.Get()) return;
  // The menu closes when the user clicks elsewhere only if the window is in front.
  ::SetForegroundWindow(Handle());
  const UINT chosen = static_cast<UINT>(
      ::TrackPopupMenuEx(menu.Get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTBUTTON | flags, at.x,
                         at.y, Handle(), nullptr));
  ::PostMessageW(Handle(), WM_NULL, 0, 0);
  if (chosen != 0) Command(static_cast<int>(chosen));
}
