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

// A tool offers the browsers whose cache is found, in table order, and captures the one
// used last, also after a restart; until one is used, the first whose cache is found.
TEST_F(CaptureNow, ToolsOfferFoundCachesAndKeepTheLastOneUsed) {
  const std::string caches = *vorlane::test::GetEnv("XDG_CACHE_HOME");
  for (const char* browser : {"vivaldi", "chromium"}) {
    const std::string folder = caches + "/" + browser + "/Default/Cache/Cache_Data";
    Platform::CreateFolderTree(folder + "/index-dir");
    vorlane::test::WriteFile(folder + "/index", "");
  }
  auto engine = apptest::MakeEngine();
  const auto started = [&] { return std::make_unique<CaptureCommands>(*engine); };
  auto commands = started();
  const auto tool = static_cast<size_t>(commands->ToolOf(Chrome));
  EXPECT_EQ(Texts(commands->Choices(tool)), (Strings{"Chromium", "Vivaldi"}));
  EXPECT_EQ(commands->Label(tool), "Chromium");
  EXPECT_EQ(commands->Label(0), "Firefox");  // no cache anywhere: the tool's first

  vorlane::test::MessageRecorder messages;
  commands->Choose(tool, Vivaldi);
  EXPECT_TRUE(apptest::WaitUntil([&] { return !engine->IsBusy(); }));
  EXPECT_EQ(CurrentSettings().LastCapture, "firefox,ie,vivaldi");
  EXPECT_EQ(started()->Label(tool), "Vivaldi");
  // The browser used last lost its cache: the first found one is offered instead.
  std::filesystem::remove_all(vorlane::test::PathOf(caches + "/vivaldi"));
  EXPECT_EQ(started()->Label(tool), "Chromium");
  std::filesystem::remove_all(vorlane::test::PathOf(caches + "/chromium"));
  EXPECT_EQ(started()->Label(tool), "Vivaldi");
}
