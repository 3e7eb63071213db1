#include "win32/COptionsDlg.h"

#include "config/BrowserTable.h"
#include "win32/MessageBoxes.h"
#include "win32/ShellDialogs.h"
#include "win32/WideText.h"
#include "win32/resources/ResourceIds.h"

namespace {

constexpr std::array<int, COptionsDlg::PageCount> kPageTemplates = {
    IDD_OPTIONS_MAIN, IDD_OPTIONS_BROWSERS, IDD_OPTIONS_FILTERS};
constexpr std::array<UiTextKey, COptionsDlg::PageCount> kPageTitles = {
    UiTextKey::OptMain, UiTextKey::OptBrowsers, UiTextKey::OptFilters};

constexpr std::pair<int, UiTextKey> kTexts[] = {
    {IDC_OPT_START_WITH_WINDOWS, UiTextKey::OptStartWithWindowsStartUp},
    {IDC_OPT_SHOW_PROGRESS, UiTextKey::ShowProgressBar},
    {IDC_OPT_LANGUAGE_LABEL, UiTextKey::OptLanguage},
    {IDC_OPT_ONE_COPY, UiTextKey::OptOneCopy},
    {IDC_OPT_SKIP_DUPLICATES, UiTextKey::OptSkipDuplicates},
    {IDC_OPT_DECODE_CONTENT, UiTextKey::OptDecodeContent},
    {IDC_OPT_KEEP_SERVER_TIME, UiTextKey::OptKeepServerTime},
    {IDC_OPT_CAPTURE_WHILE_RUNNING, UiTextKey::OptCaptureWhileRunning},
    {IDC_OPT_DEFAULT_FOLDER_LABEL, UiTextKey::OptDefaultCombPath},
    {IDC_OPT_FILE_NAME_LABEL, UiTextKey::OptDefaultFileNameDummy},
    {IDOK, UiTextKey::OK},
    {IDCANCEL, UiTextKey::Cancel},
};

// Switches made at run time inside their group, in dialog units of the page: the
// Firefox forks in a row below Firefox, the Chromium family in two columns.
struct SwitchArea {
  int Group;
  int Top;  // below the group's top
  int Columns;
};
constexpr SwitchArea kForkSwitches{IDC_OPT_GROUP_MOZILLA, 24, 3};
constexpr SwitchArea kChromiumSwitches{IDC_OPT_GROUP_CHROMIUM, 12, 2};
constexpr int kSwitchLeft = 6;
constexpr int kSwitchHeight = 10;
constexpr int kSwitchStep = 11;

// The group a browser belongs to (its format's), null for none.
const OptionsController::BrowserGroup* GroupOf(
    const std::vector<OptionsController::BrowserGroup>& groups, int code) {
  for (const OptionsController::BrowserGroup& group : groups) {
    for (const int member : group.Browsers) {
      if (member == code) return &group;
    }
  }
  return nullptr;
}

// The controls of the browser whose cache folder may be named here.
struct CacheFolderRow {
  int Code;
  int Edit;
  int Find;
  int Browse;
  int Label;
};
constexpr CacheFolderRow kCacheFolderRows[] = {{Firefox, IDC_OPT_CACHE_PATH, IDC_OPT_FIND_CACHE,
                                                IDC_OPT_CACHE_PATH_BROWSE,
                                                IDC_OPT_CACHE_PATH_LABEL}};

}  // namespace

COptionsDlg::COptionsDlg()
    : Dialog(IDD_OPTIONS),
      Pages{OptionsPage(kPageTemplates[0]), OptionsPage(kPageTemplates[1]),
            OptionsPage(kPageTemplates[2])},
      Controller(*this) {}

int COptionsDlg::BrowserSwitchId(int code) {
  switch (code) {
    case Firefox:
      return IDC_OPT_USE_MOZILLA;
    case InternetExplorer:
      return IDC_OPT_USE_IE;
    case Maxthon:
      return IDC_OPT_USE_MAXTHON;
    default:
      return IDC_OPT_USE_BROWSER_FIRST + code;
  }
}

HWND COptionsDlg::Control(int id) const {
  if (HWND own = Item(id)) return own;
  for (const OptionsPage& page : Pages) {
    if (HWND control = ::GetDlgItem(page.Handle(), id)) return control;
  }
  return nullptr;
}

void COptionsDlg::SetOptionChecked(int id, bool checked) {
  ::SendMessageW(Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool COptionsDlg::IsOptionChecked(int id) const {
  return ::SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void COptionsDlg::SetOptionText(int id, const std::string& text) {
  ::SetWindowTextW(Control(id), WideText::FromUtf8(text).c_str());
}

std::string COptionsDlg::OptionText(int id) const {
  return WindowText(Control(id));
}

void COptionsDlg::SetLanguages(const std::vector<std::string>& names, int selected) {
  HWND list = Control(IDC_OPT_LANGUAGE);
  ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const std::string& name : names) {
    ::SendMessageW(list, CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(WideText::FromUtf8(name).c_str()));
  }
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int COptionsDlg::SelectedLanguage() const {
  const LRESULT selected = ::SendMessageW(Control(IDC_OPT_LANGUAGE), CB_GETCURSEL, 0, 0);
  return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

bool COptionsDlg::OnInitDialog() {
  HWND tabs = Item(IDC_OPT_TABS);
  RECT area{};
  ::GetWindowRect(tabs, &area);
  ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
  for (int page = 0; page < PageCount; ++page) {
    std::wstring title = WideText::Ui(kPageTitles[static_cast<size_t>(page)]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = title.data();
    TabCtrl_InsertItem(tabs, page, &item);
  }
  TabCtrl_AdjustRect(tabs, FALSE, &area);
  for (OptionsPage& page : Pages) {
    page.CreateModeless(Handle());
    ::SetWindowPos(page.Handle(), HWND_TOP, area.left, area.top, area.right - area.left,
                   area.bottom - area.top, SWP_NOACTIVATE);
  }
  AddBrowserSwitches();
  ApplyTexts();
  ShowPage(0);
  Controller.Load();
  return true;
}

void COptionsDlg::AddBrowserSwitches() {
  const std::vector<OptionsController::BrowserGroup> groups = OptionsController::BrowserGroups();
  const OptionsController::BrowserGroup* mozilla = GroupOf(groups, Firefox);
  std::vector<int> forks = mozilla ? mozilla->Browsers : std::vector<int>();
  // Firefox itself has its switch in the template.
  std::erase(forks, Firefox);
  AddSwitches(kForkSwitches.Group, kForkSwitches.Top, kForkSwitches.Columns, forks);
  const OptionsController::BrowserGroup* chromium = GroupOf(groups, Chrome);
  AddSwitches(kChromiumSwitches.Group, kChromiumSwitches.Top, kChromiumSwitches.Columns,
              chromium ? chromium->Browsers : std::vector<int>());
}

void COptionsDlg::AddSwitches(int groupId, int top, int columns, const std::vector<int>& codes) {
  HWND page = Page(1);
  HWND group = ::GetDlgItem(page, groupId);
  RECT box{};
  ::GetWindowRect(group, &box);
  ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&box), 2);
  RECT units{kSwitchLeft, top, kSwitchStep, kSwitchHeight};
  ::MapDialogRect(page, &units);
  const int width = (box.right - box.left - 2 * units.left) / columns;
  const auto across = static_cast<size_t>(columns);
  const size_t rows = (codes.size() + across - 1) / across;
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(page, WM_GETFONT, 0, 0));
  HWND after = group;
  for (size_t i = 0; i < codes.size(); ++i) {
    // Down the first column, then down the next.
    const int column = static_cast<int>(i / rows);
    const int row = static_cast<int>(i % rows);
    HWND control =
        ::CreateWindowExW(0, L"Button", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
                          box.left + units.left + column * width,
                          box.top + units.top + row * units.right, width, units.bottom, page,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(BrowserSwitchId(codes[i]))),
                          ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // In the tab order right after the group's heading, in table order.
    ::SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = control;
  }
}

void COptionsDlg::ApplyTexts() {
  SetTitle(UiTexts::Get(UiTextKey::OptTitle));
  for (const auto& [id, key] : kTexts) SetOptionText(id, UiTexts::Get(key));
  const std::vector<OptionsController::BrowserGroup> groups = OptionsController::BrowserGroups();
  const std::pair<int, int> headings[] = {{IDC_OPT_GROUP_MOZILLA, Firefox},
                                          {IDC_OPT_GROUP_URL_CACHE, InternetExplorer},
                                          {IDC_OPT_GROUP_CHROMIUM, Chrome}};
  for (const auto& [id, code] : headings) {
    const OptionsController::BrowserGroup* group = GroupOf(groups, code);
    SetOptionText(id, group ? group->Heading : std::string());
  }
  for (const BrowserInfo& browser : Browsers()) {
    SetOptionText(BrowserSwitchId(browser.Code), OptionsController::WatchText(browser.Code));
  }
  for (const CacheFolderRow& row : kCacheFolderRows) {
    SetOptionText(row.Label, OptionsController::FolderLabel(row.Code));
    SetOptionText(row.Find, OptionsController::FindText(row.Code));
  }
}

int COptionsDlg::FolderEditId(int field) const {
  if (field == DefaultFolderField) return IDC_OPT_DEFAULT_FOLDER;
  for (const CacheFolderRow& row : kCacheFolderRows) {
    if (row.Code == field) return row.Edit;
  }
  return 0;
}

void COptionsDlg::ShowUnavailable(int code, const std::string& reason) {
  // Only where the system lacks what the cache needs: never on Windows itself.
  const int id = BrowserSwitchId(code);
  ::EnableWindow(Control(id), FALSE);
  SetOptionText(id, OptionsController::WatchText(code) + " (" + reason + ")");
}

void COptionsDlg::EnableCacheFolder(int code, bool enabled) {
  for (const CacheFolderRow& row : kCacheFolderRows) {
    if (row.Code != code) continue;
    for (const int id : {row.Edit, row.Find, row.Browse, row.Label}) {
      ::EnableWindow(Control(id), enabled ? TRUE : FALSE);
    }
  }
}

int COptionsDlg::CurrentPage() const {
  return TabCtrl_GetCurSel(Item(IDC_OPT_TABS));
}

void COptionsDlg::ShowPage(int page) {
  if (page < 0 || page >= PageCount) return;
  TabCtrl_SetCurSel(Item(IDC_OPT_TABS), page);
  for (int i = 0; i < PageCount; ++i) {
    ::ShowWindow(Pages[static_cast<size_t>(i)].Handle(), i == page ? SW_SHOW : SW_HIDE);
  }
}

INT_PTR COptionsDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
    if (header.idFrom == IDC_OPT_TABS && header.code == TCN_SELCHANGE) ShowPage(CurrentPage());
    return FALSE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wParam);
  for (const BrowserInfo& browser : Browsers()) {
    if (Command(id, browser.Code)) return TRUE;
  }
  switch (id) {
    case IDOK:
      Controller.Apply();
      EndModal(IDOK);
      return TRUE;
    case IDCANCEL:
      EndModal(IDCANCEL);
      return TRUE;
    case IDC_OPT_DEFAULT_FOLDER_BROWSE:
      Controller.BrowseFolder(DefaultFolderField);
      return TRUE;
    default:
      return FALSE;
  }
}

bool COptionsDlg::Command(int id, int code) {
  if (id == BrowserSwitchId(code)) {
    Controller.WatchChanged();
    return true;
  }
  for (const CacheFolderRow& row : kCacheFolderRows) {
    if (row.Code != code) continue;
    if (id == row.Find) {
      Controller.FindCache(code);
      return true;
    }
    if (id == row.Browse) {
      Controller.BrowseFolder(code);
      return true;
    }
  }
  return false;
}
