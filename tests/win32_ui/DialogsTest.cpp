#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "Win32WindowTest.h"
#include "app/FilterEditorController.h"
#include "app/FilterRow.h"
#include "config/BrowserTable.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/FilterRecord.h"
#include "win32/CAboutDlg.h"
#include "win32/CEditFilterDlg.h"
#include "win32/COptionsDlg.h"
#include "win32/CQuellbyDlg.h"
#include "win32/WideText.h"
#include "win32/resources/ResourceIds.h"

using win32test::ModalScript;
using Win32Dialogs = win32test::Win32WindowTest;
using win32test::SizeOf;
using win32test::TextOf;

namespace {

// Whether `inner` lies inside `outer`'s client area.
bool InsideClient(HWND inner, HWND outer) {
  RECT frame{};
  ::GetWindowRect(inner, &frame);
  ::MapWindowPoints(nullptr, outer, reinterpret_cast<POINT*>(&frame), 2);
  RECT client{};
  ::GetClientRect(outer, &client);
  return frame.left >= client.left && frame.top >= client.top && frame.right <= client.right &&
         frame.bottom <= client.bottom;
}

// Fails the test unless the window fits a 1024 x 768 screen (at 96 dpi).
void ExpectFitsTheScreen(HWND window, const char* name) {
  const SIZE size = SizeOf(window);
  EXPECT_LE(size.cx, 1024) << name;
  EXPECT_LE(size.cy, 768 - 40) << name << " (a task bar takes some of the height)";
}

}  // namespace

// The labels are the list's column headers; the editor shows the record; OK with a field
// its controller refuses says why and keeps it open (the Cancel that follows leaves the
// record as it was); an accepted OK writes what the user left into the record.
TEST_F(Win32Dialogs, FilterEditorShowsItsRecordAndWritesItOnOk) {
  FilterRecord record;
  record.ContentType = 1;
  record.MinSize = 1000;
  record.Directory = Path("saves");
  record.FileNameDummy = "pic";
  CEditFilterDlg editor(record, "Edit");
  std::string title, label, kind, folder, refusal;
  const auto click = [](HWND dialog, int id) {
    ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
  };
  ModalScript script({
      [&](HWND dialog) {
        title = TextOf(dialog);
        label = TextOf(::GetDlgItem(dialog, IDC_EDIT_URL_LABEL));
        kind = TextOf(::GetDlgItem(dialog, IDC_EDIT_CONTENT_TYPE));
        folder = TextOf(::GetDlgItem(dialog, IDC_EDIT_DIRECTORY));
        ExpectFitsTheScreen(dialog, "editor");
        // A width without a height: refused.
        ::SetDlgItemTextW(dialog, IDC_EDIT_MIN_WIDTH, L"400");
        click(dialog, IDOK);
        click(dialog, IDCANCEL);
      },
      win32test::Press(IDOK, &refusal),
      [&](HWND dialog) {
        ::SendMessageW(::GetDlgItem(dialog, IDC_EDIT_CONTENT_TYPE), CB_SETCURSEL, 2, 0);
        ::SetDlgItemTextW(dialog, IDC_EDIT_URL, L"photo");
        click(dialog, IDOK);
      },
  });
  EXPECT_EQ(editor.RunModal(nullptr), IDCANCEL);
  EXPECT_EQ(title, "Edit");
  EXPECT_EQ(label, "URL");
  EXPECT_EQ(kind, KindText(1));
  EXPECT_EQ(folder, Path("saves"));
  EXPECT_EQ(refusal, UiTexts::Get(UiTextKey::HintPixelTest));
  EXPECT_EQ(record.MinWidth, 0);

  CEditFilterDlg again(record, "Edit");
  EXPECT_EQ(again.RunModal(nullptr), IDOK);
  EXPECT_EQ(record.ContentType, FilterEditorController::KindOrder[2]);
  EXPECT_EQ(record.URL, "photo");
  EXPECT_EQ(record.MinSize, 1000);
  EXPECT_EQ(record.FileNameDummy, "pic");
  EXPECT_EQ(script.Pending(), 0u);
}

// The options show the settings; OK stores what the user changed and writes it.
TEST_F(Win32Dialogs, OptionsOkAppliesTheValues) {
  UpdateSettings([](Settings& settings) {
    settings.OneCopy = false;
    settings.DefaultFileNameDummy = "file";
  });
  COptionsDlg options;
  bool shownOneCopy = true;
  std::string shownName;
  ModalScript script({[&](HWND dialog) {
    shownOneCopy = options.IsOptionChecked(IDC_OPT_ONE_COPY);
    shownName = options.OptionText(IDC_OPT_FILE_NAME);
    options.SetOptionChecked(IDC_OPT_ONE_COPY, true);
    options.SetOptionChecked(COptionsDlg::BrowserSwitchId(Chrome), true);
    options.SetOptionText(IDC_OPT_FILE_NAME, "shot");
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }});
  EXPECT_EQ(options.RunModal(nullptr), IDOK);
  EXPECT_FALSE(shownOneCopy);
  EXPECT_EQ(shownName, "file");
  const Settings settings = CurrentSettings();
  EXPECT_TRUE(settings.OneCopy);
  EXPECT_TRUE(settings.Watch[Chrome]);
  EXPECT_EQ(settings.DefaultFileNameDummy, "shot");
}

// Three tabs in the groups' order; a switch with its text for every browser of the
// table, inside its page; the controls reached by their identifiers; the tabs switch.
TEST_F(Win32Dialogs, OptionsTabsHoldEveryOptionAndEveryBrowser) {
  COptionsDlg options;
  std::vector<std::string> tabs;
  ModalScript script({[&](HWND dialog) {
    EXPECT_EQ(TextOf(dialog), "Options");
    ExpectFitsTheScreen(dialog, "options");
    HWND tabControl = ::GetDlgItem(dialog, IDC_OPT_TABS);
    for (int i = 0; i < TabCtrl_GetItemCount(tabControl); ++i) {
      wchar_t text[64] = {};
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = 64;
      TabCtrl_GetItem(tabControl, i, &item);
      tabs.push_back(WideText::ToUtf8(text));
      EXPECT_TRUE(InsideClient(options.Page(i), dialog)) << i;
    }
    for (const BrowserInfo& browser : Browsers()) {
      HWND box = options.Control(COptionsDlg::BrowserSwitchId(browser.Code));
      ASSERT_NE(box, nullptr) << browser.DisplayName;
      EXPECT_EQ(TextOf(box), OptionTextOf(browser));
      EXPECT_EQ(::GetParent(box), options.Page(1));
      EXPECT_TRUE(InsideClient(box, options.Page(1))) << browser.DisplayName;
    }
    for (const int id : {IDC_OPT_START_WITH_WINDOWS, IDC_OPT_SHOW_PROGRESS, IDC_OPT_LANGUAGE,
                         IDC_OPT_FIND_CACHE, IDC_OPT_CACHE_PATH, IDC_OPT_ONE_COPY,
                         IDC_OPT_SKIP_DUPLICATES, IDC_OPT_DEFAULT_FOLDER, IDC_OPT_FILE_NAME}) {
      EXPECT_NE(options.Control(id), nullptr) << id;
    }
    EXPECT_EQ(options.OptionText(IDC_OPT_ONE_COPY), "One Copy");
    options.SetOptionChecked(IDC_OPT_ONE_COPY, true);
    EXPECT_TRUE(options.IsOptionChecked(IDC_OPT_ONE_COPY));

    // The dialog itself shows once its loop is idle; the pages' own visibility counts.
    const auto shown = [](HWND page) {
      return (::GetWindowLongPtrW(page, GWL_STYLE) & WS_VISIBLE) != 0;
    };
    EXPECT_TRUE(shown(options.Page(0)));
    TabCtrl_SetCurSel(tabControl, 2);
    NMHDR change{tabControl, IDC_OPT_TABS, static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageW(dialog, WM_NOTIFY, IDC_OPT_TABS, reinterpret_cast<LPARAM>(&change));
    EXPECT_FALSE(shown(options.Page(0)));
    EXPECT_TRUE(shown(options.Page(2)));
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }});
  EXPECT_EQ(options.RunModal(nullptr), IDCANCEL);
  EXPECT_EQ(tabs, (std::vector<std::string>{"Main", "Browsers", "Filters"}));
}

// Every window fits a 1024 x 768 screen.
TEST_F(Win32Dialogs, EveryWindowFitsASmallScreen) {
  CQuellbyDlg& window = MakeWindow();
  ExpectFitsTheScreen(window.Handle(), "main window");
  ExpectFitsTheScreen(window.Popup().Handle(), "popup");
  CAboutDlg about;
  ModalScript script({[](HWND dialog) {
    ExpectFitsTheScreen(dialog, "about box");
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }});
  about.RunModal(nullptr);
  EXPECT_EQ(script.Pending(), 0u);
}
