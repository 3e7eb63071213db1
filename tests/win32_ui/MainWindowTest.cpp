#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Win32TestSupport.h"
#include "Win32WindowTest.h"
#include "config/BrowserTable.h"
#include "config/UiTexts.h"
#include "win32/CQuellbyDlg.h"
#include "win32/WideText.h"
#include "win32/resources/ResourceIds.h"

using win32test::ModalScript;
using win32test::TextOf;
using Win32MainWindow = win32test::Win32WindowTest;

namespace {

std::string ColumnHeader(HWND list, int column) {
  wchar_t text[128] = {};
  LVCOLUMNW info{};
  info.mask = LVCF_TEXT;
  info.pszText = text;
  info.cchTextMax = 128;
  ListView_GetColumn(list, column, &info);
  return WideText::ToUtf8(text);
}

std::vector<std::string> MenuTexts(HMENU menu) {
  std::vector<std::string> texts;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    texts.push_back(WideText::ToUtf8(text));
  }
  return texts;
}

}  // namespace

// Made hidden, with the tray icon added; the list's columns and check boxes, every tool
// button an icon with its text as tooltip and no caption.
TEST_F(Win32MainWindow, IsMadeHiddenWithTheListButtonsAndTrayIcon) {
  CQuellbyDlg& window = MakeWindow();
  EXPECT_FALSE(::IsWindowVisible(window.Handle()));
  EXPECT_FALSE(::IsWindowVisible(window.Popup().Handle()));
  ASSERT_FALSE(Shell.Calls.empty());
  EXPECT_EQ(Shell.Calls[0].Action, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(Shell.Calls[0].Data.uID, CQuellbyDlg::TrayIconId);
  EXPECT_EQ(Shell.Calls[0].Data.hWnd, window.Handle());
  EXPECT_EQ(Shell.Calls[0].Data.uCallbackMessage, window.TrayCallbackMessage());
  EXPECT_EQ(std::wstring(Shell.Calls[0].Data.szTip), L"Vorlane");
  EXPECT_EQ(window.Tray().FrameCount(), 5u);

  HWND list = window.Item(IDC_FILTER_LIST);
  const DWORD extended = ListView_GetExtendedListViewStyle(list);
  EXPECT_TRUE(extended & LVS_EX_CHECKBOXES);
  EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
  const std::vector<std::string> headers = {
      "En.",         "Content Type",       "Min Size",
      "URL",         "Min Width (pixels)", "Min Height (pixels)",
      "Folder Path", "Filename Dummy"};
  for (size_t i = 0; i < headers.size(); ++i) {
    EXPECT_EQ(ColumnHeader(list, static_cast<int>(i)), headers[i]);
  }

  const std::vector<std::pair<int, std::string>> tips = {
      {IDC_NEW, "New filter list"},
      {IDC_OPEN, "Open a filter list"},
      {IDC_SAVE, "Save the filter list"},
      {IDC_SAVE_AS, "Save the filter list in another file"},
      {IDC_ADD, "Add a filter"},
      {IDC_DELETE, "Delete the selected filter"},
      {IDC_EDIT, "Edit the selected filter"},
      {IDC_UP, "Move the selected filter up"},
      {IDC_DOWN, "Move the selected filter down"},
      {IDC_OPTIONS, "Options: browsers, folders, language"},
      {IDC_HELP_BUTTON, "Open the manual"},
      {IDC_COMB_IE, CaptureTextOf(*FindBrowser(InternetExplorer))},
      {IDC_COMB_MOZILLA, CaptureTextOf(*FindBrowser(Firefox))},
      {IDC_COMB_CHROMIUM, CaptureTextOf(*FindBrowser(Chrome))},
  };
  ASSERT_EQ(tips.size(), CQuellbyDlg::ButtonIds.size());
  for (const auto& [id, tip] : tips) {
    HWND button = window.Item(id);
    EXPECT_EQ(TextOf(button), "") << tip;
    EXPECT_NE(::SendMessageW(button, BM_GETIMAGE, IMAGE_ICON, 0), 0) << tip;
    EXPECT_EQ(WideText::ToUtf8(window.ToolTips().Text(button)), tip);
  }
}

// Texts follow the language: a changed text shows after ApplyTexts.
TEST_F(Win32MainWindow, ApplyTextsTakesTheCurrentLanguage) {
  CQuellbyDlg& window = MakeWindow();
  UiTexts::Set(UiTextKey::FilterListURL, "Adresse");
  UiTexts::Set(UiTextKey::TipAdd, "Hinzufügen");
  window.ApplyTexts();
  UiTexts::Reset();
  EXPECT_EQ(ColumnHeader(window.Item(IDC_FILTER_LIST), 3), "Adresse");
  EXPECT_EQ(WideText::ToUtf8(window.ToolTips().Text(window.Item(IDC_ADD))), "Hinzufügen");
}

// The tray menu: its title, the items in order with Filters the default; the icon's
// left click and Filters show the window, Esc (IDCANCEL) and the close box hide it.
TEST_F(Win32MainWindow, TrayMenuAndShowingAndHiding) {
  CQuellbyDlg& window = MakeWindow();
  const MenuHandle menu = window.BuildTrayMenu();
  const std::vector<std::string> items = {std::string("Vorlane v ") + VORLANE_VERSION,
                                          "",
                                          "Filters",
                                          "Options",
                                          "",
                                          "Capture now",
                                          "Open saved files",
                                          "Pause watching",
                                          "",
                                          "Visit Our Site",
                                          "Download the Last Version",
                                          "",
                                          "Help",
                                          "About",
                                          "",
                                          "Exit"};
  EXPECT_EQ(MenuTexts(menu.Get()), items);
  EXPECT_EQ(::GetMenuDefaultItem(menu.Get(), FALSE, 0), static_cast<UINT>(IDM_TRAY_FILTERS));
  const std::vector<std::pair<int, UINT>> commands = {{2, IDM_TRAY_FILTERS},
                                                      {3, IDM_TRAY_OPTIONS},
                                                      {12, IDM_TRAY_HELP},
                                                      {13, IDM_TRAY_ABOUT},
                                                      {15, IDM_TRAY_EXIT}};
  for (const auto& [position, id] : commands) {
    EXPECT_EQ(::GetMenuItemID(menu.Get(), position), id);
  }

  const UINT tray = window.TrayCallbackMessage();
  ::SendMessageW(window.Handle(), tray, 0, MAKELPARAM(WM_LBUTTONDOWN, CQuellbyDlg::TrayIconId + 1));
  EXPECT_FALSE(::IsWindowVisible(window.Handle()));
  ::SendMessageW(window.Handle(), tray, 0, MAKELPARAM(WM_LBUTTONDOWN, CQuellbyDlg::TrayIconId));
  EXPECT_TRUE(::IsWindowVisible(window.Handle()));
  ::SendMessageW(window.Handle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(::IsWindowVisible(window.Handle()));
  ::SendMessageW(window.Handle(), WM_COMMAND, IDM_TRAY_FILTERS, 0);
  EXPECT_TRUE(::IsWindowVisible(window.Handle()));
  ::SendMessageW(window.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  win32test::ServePendingMessages();
  EXPECT_FALSE(::IsWindowVisible(window.Handle()));
  EXPECT_TRUE(::IsWindow(window.Handle()));

  int exits = 0;
  window.SetExitHandler([&exits] { ++exits; });
  std::vector<std::string> titles;
  const auto title = [&titles](HWND dialog) {
    titles.push_back(TextOf(dialog));
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  };
  ModalScript script({title, title, title});
  window.List().Select(0);
  // Enter (IDOK) is the Edit command; the tray menu's Options and About open theirs.
  for (const int id : {IDM_TRAY_EXIT, IDOK, IDM_TRAY_OPTIONS, IDM_TRAY_ABOUT}) {
    ::SendMessageW(window.Handle(), WM_COMMAND, id, 0);
  }
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(titles, (std::vector<std::string>{"Edit", "Options", "About"}));
}

// The list shows the rows it is given; only the user's change of a check box is
// reported, with its row and new state.
TEST_F(Win32MainWindow, ListReportsCheckBoxChangesOnly) {
  CQuellbyDlg& window = MakeWindow();
  std::vector<std::pair<int, bool>> changes;
  window.List().SetCheckHandler([&](int row, bool checked) {
    changes.emplace_back(row, checked);
    return row != 0;
  });
  FilterRow first{true, {"", "JPG", "1000", "photo", "0", "0", "C:\\Saves", "pic"}, ""};
  FilterRow second{false, {"", "ALL", "0", "", "0", "0", "C:\\All", "file"}, "Never"};
  window.List().SetRows({first, second});
  EXPECT_TRUE(changes.empty());
  ASSERT_EQ(window.List().RowCount(), 2);
  // A filter that never matches: the sign before its content type, its reason as tip.
  EXPECT_FALSE(window.List().HasSign(0));
  EXPECT_TRUE(window.List().HasSign(1));
  EXPECT_EQ(window.List().RowTip(0), "");
  EXPECT_EQ(window.List().RowTip(1), "Never");
  EXPECT_EQ(window.List().CellText(0, 1), "JPG");
  EXPECT_EQ(window.List().CellText(1, 6), "C:\\All");
  EXPECT_TRUE(window.List().IsChecked(0));
  EXPECT_FALSE(window.List().IsChecked(1));

  window.List().Select(1);
  EXPECT_EQ(window.List().SelectedIndex(), 1);
  EXPECT_TRUE(changes.empty());
  ListView_SetCheckState(window.Item(IDC_FILTER_LIST), 1, TRUE);
  ListView_SetCheckState(window.Item(IDC_FILTER_LIST), 0, FALSE);
  EXPECT_EQ(changes, (std::vector<std::pair<int, bool>>{{1, true}, {0, false}}));
  // The refused change (row 0) put the box back; the taken one stays.
  EXPECT_TRUE(window.List().IsChecked(0));
  EXPECT_TRUE(window.List().IsChecked(1));
}
