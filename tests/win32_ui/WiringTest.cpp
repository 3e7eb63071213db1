// The main window over its controllers: what the user's clicks do to the list, and the
// signs of a capture. What the controllers decide is pinned by the application layer's
// tests; these check that the window forwards and draws it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Win32WindowTest.h"
#include "app/CaptureNotice.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Paths.h"
#include "support/GatedSource.h"
#include "win32/WideText.h"

using win32test::ModalScript;
using win32test::Press;
using win32test::TextOf;

namespace {

class Win32Wiring : public win32test::Win32WindowTest {
 protected:
  // The file-name column of every row, top to bottom.
  std::vector<std::string> Stems() {
    std::vector<std::string> stems;
    for (int row = 0; row < Window->List().RowCount(); ++row) {
      stems.push_back(Window->List().CellText(row, 7));
    }
    return stems;
  }

  // Fills the editor's file name (and a folder it accepts), then OK.
  ModalScript::Step Editor(const std::string& stem) {
    const std::string folder = Platform::JoinPath(Path("out"), stem);
    return [stem, folder](HWND dialog) {
      ::SetDlgItemTextW(dialog, IDC_EDIT_FILE_NAME, WideText::FromUtf8(stem).c_str());
      ::SetDlgItemTextW(dialog, IDC_EDIT_DIRECTORY, WideText::FromUtf8(folder).c_str());
      ::SendMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    };
  }

  // Types `path` into the file dialog's name field and opens it.
  static ModalScript::Step ChooseFile(const std::string& path) {
    return [path](HWND dialog) {
      HWND name = ::FindWindowExW(dialog, nullptr, L"ComboBoxEx32", nullptr);
      HWND edit = nullptr;
      for (HWND child = ::GetWindow(dialog, GW_CHILD); child && !edit;
           child = ::GetWindow(child, GW_HWNDNEXT)) {
        edit = ::FindWindowExW(child, nullptr, L"Edit", nullptr);
      }
      if (!edit) edit = ::FindWindowExW(name ? name : dialog, nullptr, L"Edit", nullptr);
      ::SetWindowTextW(edit, WideText::FromUtf8(path).c_str());
      ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
  }
};

}  // namespace

// Each command on the selected row, the questions it asks answered, then the rows as the
// list shows them and the row selected.
TEST_F(Win32Wiring, ListCommandsRedrawTheList) {
  const std::string file = UseFilterFile("three.flt", {"one", "two", "three"});
  MakeWindow();
  ASSERT_EQ(Stems(), (std::vector<std::string>{"one", "two", "three"}));
  const struct {
    const char* What;
    int Select;
    int Command;
    std::vector<ModalScript::Step> Answers;
    std::vector<std::string> Stems;
    int Selected;
  } steps[] = {
      {"Down", 0, IDC_DOWN, {}, {"two", "one", "three"}, 1},
      {"Up", 1, IDC_UP, {}, {"one", "two", "three"}, 0},
      {"Delete, No", 2, IDC_DELETE, {Press(IDNO)}, {"one", "two", "three"}, 2},
      {"Delete, Yes", 2, IDC_DELETE, {Press(IDYES)}, {"one", "two"}, 1},
      {"Edit", 0, IDC_EDIT, {Editor("edited")}, {"edited", "two"}, 0},
      {"Add after the selected row", 0, IDC_ADD, {Editor("added")}, {"edited", "added", "two"}, 1},
      {"New: cancel", 0, IDC_NEW, {Press(IDCANCEL)}, {"edited", "added", "two"}, 0},
      {"New: do not save", 0, IDC_NEW, {Press(IDNO)}, {}, -1},
      // A new list that is still empty holds nothing to save: no question.
      {"Open", -1, IDC_OPEN, {ChooseFile(file)}, {"one", "two", "three"}, -1},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.What);
    Window->List().Select(step.Select);
    ModalScript script(step.Answers);
    Command(step.Command);
    EXPECT_EQ(script.Pending(), 0u);
    EXPECT_EQ(Stems(), step.Stems);
    EXPECT_EQ(Window->List().SelectedIndex(), step.Selected);
  }
}

// A click on a check box reaches the filter; the window's title marks the change, and
// hiding the window asks to save it.
TEST_F(Win32Wiring, CheckBoxClicksChangeTheFilter) {
  UseFilterFile("two.flt", {"one", "two"});
  CQuellbyDlg& window = MakeWindow();
  const std::string before = window.Title();
  ListView_SetCheckState(window.Item(IDC_FILTER_LIST), 1, FALSE);
  EXPECT_TRUE(Engine->Filters()->GetAt(1)->Disabled);
  EXPECT_FALSE(Engine->Filters()->GetAt(0)->Disabled);
  EXPECT_TRUE(window.ListCommands().IsChanged());
  EXPECT_NE(window.Title(), before);
  window.ShowMainWindow();
  // Cancel keeps the window up; Don't Save hides it, the changes kept unsaved.
  std::string question;
  std::vector<std::string> buttons;
  const ModalScript::Step readButtons = [&](HWND box) {
    for (const int id : {IDYES, IDNO, IDCANCEL}) buttons.push_back(TextOf(::GetDlgItem(box, id)));
    Press(IDCANCEL)(box);
  };
  {
    // A script per question: the window, a dialog too, is active again between them.
    ModalScript cancel({readButtons});
    Command(IDCANCEL);
    EXPECT_EQ(cancel.Pending(), 0u);
  }
  EXPECT_TRUE(::IsWindowVisible(window.Handle()));
  EXPECT_EQ(buttons, (std::vector<std::string>{"Save", "Don't Save", "Cancel"}));
  ModalScript script({Press(IDNO, &question)});
  Command(IDCANCEL);
  EXPECT_FALSE(::IsWindowVisible(window.Handle()));
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_EQ(question, UiTexts::Get(UiTextKey::WarningChanged));
  EXPECT_TRUE(window.ListCommands().IsChanged());
}

// During a capture the popup shows (when the settings ask for it), the list is greyed
// out and the tray icon animates; afterwards all is back and a balloon tells the count
// (or why nothing was saved).
TEST_F(Win32Wiring, CaptureShowsItsSignsAndEndsWithABalloon) {
  for (const int entries : {25, 1, 0}) {
    SCOPED_TRACE(entries);
    UseFilterFile("capture.flt", {"shots-" + std::to_string(entries)});
    UpdateSettings([](Settings& settings) { settings.ShowNotifyProgressBar = true; });
    Shell.Calls.clear();
    CQuellbyDlg& window = MakeWindow();
    auto gate = std::make_shared<vorlane::test::GatedSource::Gate>();
    const std::string cache = Path("cache");
    Engine->SetSourceFactory([gate, cache, entries](int) {
      return std::make_unique<vorlane::test::GatedSource>(gate, cache, entries);
    });
    Command(IDM_CAPTURE_NOW_FIRST + Firefox);
    ASSERT_TRUE(win32test::PumpUntil([&] { return gate->Waiting.load(); }));
    EXPECT_TRUE(::IsWindowVisible(window.Popup().Handle()));
    EXPECT_FALSE(::IsWindowEnabled(window.List().Handle()));
    EXPECT_TRUE(window.Tray().IsAnimating());
    gate->Release();
    ASSERT_TRUE(win32test::PumpUntil([&] { return !Engine->IsBusy(); }));
    win32test::ServePendingMessages();
    EXPECT_FALSE(::IsWindowVisible(window.Popup().Handle()));
    EXPECT_TRUE(::IsWindowEnabled(window.List().Handle()));
    EXPECT_FALSE(window.Tray().IsAnimating());
    std::vector<std::string> balloons;
    for (const auto& call : Shell.Calls) {
      if (call.Data.uFlags & NIF_INFO) {
        balloons.push_back(WideText::ToUtf8(call.Data.szInfo));
        // With the program's own picture.
        EXPECT_NE(call.Data.hBalloonIcon, nullptr);
      }
    }
    // A capture on command is answered also when it saved nothing, with why.
    const std::string expected = entries > 0 ? "Firefox: " + NewFilesText(entries)
                                             : "Firefox: No new files: the cache holds no entries";
    EXPECT_EQ(balloons, std::vector<std::string>{expected});
    // The tooltip tells the last capture.
    EXPECT_NE(window.Tray().ToolTip().find(L"\nLast capture "), std::wstring::npos);
    // The window stops the engine as it goes; the next round has engine and window anew.
    Window.reset();
    Engine = apptest::MakeEngine();
  }
}

// The tray menu's items come from its controller in the current language; Pause
// watching is a check mark that follows the state.
TEST_F(Win32Wiring, TrayMenuFollowsItsController) {
  CQuellbyDlg& window = MakeWindow();
  UiTexts::Set(UiTextKey::TrayMenuExit, "Beenden");
  MenuHandle menu = window.BuildTrayMenu();
  UiTexts::Reset();
  wchar_t text[64] = {};
  ::GetMenuStringW(menu.Get(), IDM_TRAY_EXIT, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(WideText::ToUtf8(text), "Beenden");
  EXPECT_FALSE(::GetMenuState(menu.Get(), IDM_TRAY_PAUSE, MF_BYCOMMAND) & MF_CHECKED);
  Command(IDM_TRAY_PAUSE);
  EXPECT_TRUE(window.TrayCommands().IsWatchingPaused());
  menu = window.BuildTrayMenu();
  EXPECT_TRUE(::GetMenuState(menu.Get(), IDM_TRAY_PAUSE, MF_BYCOMMAND) & MF_CHECKED);
  Command(IDM_TRAY_PAUSE);
  EXPECT_FALSE(window.TrayCommands().IsWatchingPaused());
}
