#include "win32/COptionsDlg.h"

#include "config/BrowserTable.h"
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
    {IDC_OPT_GROUP_MOZILLA, UiTextKey::OptGroupMozilla},
    {IDC_OPT_FIND_CACHE, UiTextKey::OptFindMozillaCache},
    {IDC_OPT_CACHE_PATH_LABEL, UiTextKey::OptMozillaCachePath},
    {IDC_OPT_GROUP_URL_CACHE, UiTextKey::OptGroupUrlCache},
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
// A group heading names this many browsers before "...".
constexpr size_t kHeadingNames = 4;

std::vector<const BrowserInfo*> FamilyOf(std::string_view format) {
  std::vector<const BrowserInfo*> family;
  for (const BrowserInfo& browser : Browsers()) {
    if (browser.FormatId == format) family.push_back(&browser);
  }
  return family;
}

std::vector<const BrowserInfo*> ChromiumFamily() {
  return FamilyOf("chromium");
}

// Firefox itself has its switch in the template.
std::vector<const BrowserInfo*> FirefoxForks() {
  std::vector<const BrowserInfo*> forks = FamilyOf("mozilla");
  std::erase_if(forks, [](const BrowserInfo* browser) { return browser->Code == Firefox; });
  return forks;
}

}  // namespace

COptionsDlg::COptionsDlg()
    : Dialog(IDD_OPTIONS),
      Pages{OptionsPage(kPageTemplates[0]), OptionsPage(kPageTemplates[1]),
            OptionsPage(kPageTemplates[2])} {}

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
  return true;
}

void COptionsDlg::AddBrowserSwitches() {
  AddSwitches(kForkSwitches.Group, kForkSwitches.Top, kForkSwitches.Columns, FirefoxForks());
  AddSwitches(kChromiumSwitches.Group, kChromiumSwitches.Top, kChromiumSwitches.Columns,
              ChromiumFamily());
}

void COptionsDlg::AddSwitches(int groupId, int top, int columns,
                              const std::vector<const BrowserInfo*>& family) {
  HWND page = Page(1);
  HWND group = ::GetDlgItem(page, groupId);
  RECT box{};
  ::GetWindowRect(group, &box);
  ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&box), 2);
  RECT units{kSwitchLeft, top, kSwitchStep, kSwitchHeight};
  ::MapDialogRect(page, &units);
  const int width = (box.right - box.left - 2 * units.left) / columns;
  const size_t rows =
      (family.size() + static_cast<size_t>(columns) - 1) / static_cast<size_t>(columns);
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(page, WM_GETFONT, 0, 0));
  HWND after = group;
  for (size_t i = 0; i < family.size(); ++i) {
    // Down the first column, then down the next.
    const int column = static_cast<int>(i / rows);
    const int row = static_cast<int>(i % rows);
    HWND control = ::CreateWindowExW(
        0, L"Button", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
        box.left + units.left + column * width, box.top + units.top + row * units.right, width,
        units.bottom, page,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(BrowserSwitchId(family[i]->Code))),
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
  std::string heading;
  const std::vector<const BrowserInfo*> family = ChromiumFamily();
  for (size_t i = 0; i < family.size() && i <= kHeadingNames; ++i) {
    if (!heading.empty()) heading += ", ";
    heading += i == kHeadingNames ? std::string("...") : std::string(family[i]->ShortName);
  }
  SetOptionText(IDC_OPT_GROUP_CHROMIUM, heading);
  for (const BrowserInfo& browser : Browsers()) {
    SetOptionText(BrowserSwitchId(browser.Code), OptionTextOf(browser));
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
  switch (id) {
    case IDOK:
      if (!Check || Check(*this)) EndModal(IDOK);
      return TRUE;
    case IDCANCEL:
      EndModal(IDCANCEL);
      return TRUE;
    case IDC_OPT_CACHE_PATH_BROWSE:
    case IDC_OPT_DEFAULT_FOLDER_BROWSE: {
      const int edit =
          id == IDC_OPT_CACHE_PATH_BROWSE ? IDC_OPT_CACHE_PATH : IDC_OPT_DEFAULT_FOLDER;
      if (const auto folder = ShellDialogs::ChooseFolder(
              Handle(), UiTexts::Get(UiTextKey::BrowseDirectory), OptionText(edit))) {
        SetOptionText(edit, *folder);
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}
