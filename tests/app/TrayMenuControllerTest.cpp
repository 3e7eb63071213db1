#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "FakeViews.h"
#include "app/ProgramInfo.h"
#include "app/TrayMenuController.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Files.h"
#include "platform/Paths.h"

using apptest::FakeTrayView;
using vorlane::test::ReadFile;
using Command = TrayMenuController::Command;
using Strings = std::vector<std::string>;

namespace {

class TrayMenu : public apptest::AppTest {
 protected:
  std::unique_ptr<CQuellbyMain> Engine = apptest::MakeEngine();
  FakeTrayView View;
  TrayMenuController Tray{*Engine, View};
};

}  // namespace

TEST_F(TrayMenu, ItemsAndTheirStates) {
  // Each item as "<command> <flags>": d default, c checkable, x checked, | separator after.
  const auto shown = [&] {
    Strings result;
    for (const TrayMenuController::Item& item : Tray.Items()) {
      std::string flags;
      if (item.Default) flags += 'd';
      if (item.Checkable) flags += 'c';
      if (item.Checked) flags += 'x';
      if (item.SeparatorAfter) flags += '|';
      result.push_back(std::to_string(static_cast<int>(item.Id)) + " " + flags);
    }
    return result;
  };
  EXPECT_EQ(shown(), (Strings{"0 d", "1 |", "2 ", "3 ", "4 c|", "5 ", "6 |", "7 ", "8 |", "9 "}));
  Tray.Run(Command::PauseWatching);
  EXPECT_TRUE(Tray.IsWatchingPaused());
  EXPECT_EQ(shown()[4], "4 cx|");
  Tray.SetWatchingPaused(false);
  EXPECT_EQ(shown()[4], "4 c|");
}

TEST_F(TrayMenu, CommandsReachTheWindowAndTheDesktop) {
  for (const Command command : {Command::Filters, Command::About, Command::Help, Command::Visit,
                                Command::Download, Command::Exit}) {
    Tray.Run(command);
  }
  EXPECT_EQ(View.Calls, (Strings{"main window", "about", "exit"}));
  const std::string help = ProgramPlaces().HelpFilePath;
  // No public address yet: both are pages of the installed manual, which exist.
  EXPECT_EQ(View.Opened, (Strings{help, help, ProgramInfo::FileUrl(help) + "#install"}));
  EXPECT_TRUE(Platform::FileExists(help));
  EXPECT_NE(ReadFile(help).find("id=\"install\""), std::string::npos);
}

TEST_F(TrayMenu, FileUrls) {
  EXPECT_EQ(ProgramInfo::FileUrl("/usr/share/vorlane/help/index.html"),
            "file:///usr/share/vorlane/help/index.html");
  EXPECT_EQ(ProgramInfo::FileUrl("/tmp/a b/\xC3\xBC#1%.html"),
            "file:///tmp/a%20b/%C3%BC%231%25.html");
  EXPECT_EQ(ProgramInfo::FileUrl("C:\\Program Files\\Vorlane\\help\\index.html"),
            "file:///C:/Program%20Files/Vorlane/help/index.html");
}

TEST_F(TrayMenu, OptionsApplyWhatTheDialogChanged) {
  const std::string english = CurrentSettings().Language;
  View.Options = [] { return false; };
  Tray.Options();
  EXPECT_EQ(View.Calls, Strings{"options"});
  // OK: the window's texts are drawn again only when the language file changed.
  View.Options = [] { return true; };
  Tray.Options();
  EXPECT_EQ(View.Calls, (Strings{"options", "options"}));
  View.Options = [] {
    UpdateSettings([](Settings& settings) {
      settings.Language = Platform::JoinPath(ProgramPlaces().LanguagesFolder, "Deutsch.lng");
    });
    return true;
  };
  Tray.Options();
  EXPECT_EQ(View.Calls, (Strings{"options", "options", "options", "texts"}));
  EXPECT_NE(CurrentSettings().Language, english);
  // One Copy changes which filters can match: the list is drawn again.
  View.Options = [] {
    UpdateSettings([](Settings& settings) { settings.OneCopy = !settings.OneCopy; });
    return true;
  };
  Tray.Options();
  EXPECT_EQ(View.Calls, (Strings{"options", "options", "options", "texts", "options", "texts"}));
}

TEST_F(TrayMenu, OpenSavedFilesOpensTheFolderBeforeItsTokens) {
  UpdateSettings([&](Settings& settings) {
    settings.DefaultCombPath = Platform::JoinPath(Path("saved"), "%DATE% %TIME%");
  });
  Tray.Run(Command::OpenSaved);
  EXPECT_EQ(View.Opened, Strings{Path("saved")});
  EXPECT_TRUE(Platform::FolderExists(Path("saved")));
  // A folder that is no local one is not made, nor opened.
  UpdateSettings([](Settings& settings) { settings.DefaultCombPath = "relative/saves"; });
  Tray.Run(Command::OpenSaved);
  EXPECT_EQ(View.Opened.size(), 1u);
}
