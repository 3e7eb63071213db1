#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/CaptureCommands.h"
#include "config/Settings.h"
#include "platform/Files.h"
#include "support/TestPlatform.h"

#include <filesystem>

using Strings = std::vector<std::string>;

namespace {

class CaptureNow : public apptest::AppTest {};

Strings Texts(const std::vector<CaptureCommands::Entry>& entries) {
  Strings texts;
  for (const CaptureCommands::Entry& entry : entries) texts.push_back(entry.Text);
  return texts;
}

}  // namespace

// Capture now: the watched browsers whose cache is found; Maxthon's watcher counts for
// Internet Explorer, whose cache it shares.
TEST_F(CaptureNow, OffersWatchedBrowsersWithACache) {
  const std::string firefox = Path("firefox-cache");
  const std::string users = *vorlane::test::GetEnv("WINEPREFIX") + "/drive_c/users";
  UpdateSettings([&](Settings& settings) {
    settings.CacheFolders[Firefox] = firefox;
    settings.Watch[Maxthon] = true;
  });
  auto engine = apptest::MakeEngine();
  CaptureCommands commands(*engine);
  const std::vector<CaptureCommands::Entry> none = commands.CaptureNow();
  EXPECT_EQ(Texts(none), Strings{"No browser cache found"});
  EXPECT_EQ(none.front().Code, -1);
  EXPECT_FALSE(none.front().Enabled);

  Platform::CreateFolderTree(firefox);
  vorlane::test::WriteFile(
      users + "/me/AppData/Local/Microsoft/Windows/INetCache/Content.IE5/index.dat",
      "Client UrlCache MMF Ver 5.2");
  EXPECT_EQ(Texts(commands.CaptureNow()), Strings{"Internet Explorer"});
  UpdateSettings([](Settings& settings) { settings.Watch[Firefox] = true; });
  const std::vector<CaptureCommands::Entry> both = commands.CaptureNow();
  EXPECT_EQ(Texts(both), (Strings{"Firefox", "Internet Explorer"}));
  EXPECT_TRUE(both.front().Enabled && both.back().Enabled);
  std::filesystem::remove_all(vorlane::test::PathOf(users));
}
