#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "AppTestSupport.h"
#include "FakeOptionsView.h"
#include "app/CaptureCommands.h"
#include "app/OptionsController.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "support/TestPlatform.h"

using apptest::FakeOptionsView;

namespace {

class FindCacheTest : public apptest::AppTest {};

}  // namespace

TEST_F(FindCacheTest, EmptiesOrFillsTheFolder) {
  const std::string cacheRoot = *vorlane::test::GetEnv("XDG_CACHE_HOME");
  const std::string mozilla = Platform::JoinPath(cacheRoot, "mozilla");
  std::filesystem::remove_all(vorlane::test::PathOf(mozilla));
  FakeOptionsView view;
  OptionsController options(view);
  options.Load();
  view.Current.CacheFolders[Firefox] = "/stale/path";
  // No profile: emptied, and the user is told where Vorlane looked.
  options.FindCache(Firefox);
  ASSERT_EQ(view.Messages.size(), 1u);
  EXPECT_EQ(view.Messages[0].rfind("Can't open Mozilla cache.", 0), 0u) << view.Messages[0];
  EXPECT_NE(view.Messages[0].find(Platform::JoinPath(mozilla, "firefox")), std::string::npos);
  EXPECT_EQ(view.Current.CacheFolders[Firefox], "");

  Platform::CreateFolderTree(Platform::JoinPath(mozilla, "firefox/zz.default"));
  options.FindCache(Firefox);
  EXPECT_EQ(view.Messages.size(), 1u);
  EXPECT_EQ(view.Current.CacheFolders[Firefox],
            Platform::JoinPath(mozilla, "firefox/zz.default/Cache"));
  EXPECT_EQ(view.Focused, Firefox);
  std::filesystem::remove_all(vorlane::test::PathOf(mozilla));
}

// Outside Windows Internet Explorer and Maxthon exist only in a Wine prefix: without one
// holding a URL cache their boxes are unticked and greyed out with the reason, their
// settings kept, no capture tool offered and no watcher started; with one, all as usual.
TEST_F(FindCacheTest, UrlCacheBrowsersNeedAWinePrefix) {
  const std::string users = *vorlane::test::GetEnv("WINEPREFIX") + "/drive_c/users";
  std::filesystem::remove_all(vorlane::test::PathOf(users));
  UpdateSettings([](Settings& settings) {
    settings.Watch[InternetExplorer] = true;
    settings.Watch[Maxthon] = true;
  });
  FakeOptionsView view;
  OptionsController options(view);
  options.Load();
  const std::string reason = UiTexts::Get(UiTextKey::OptNoWineCache);
  EXPECT_EQ(view.Unavailable,
            (std::map<int, std::string>{{InternetExplorer, reason}, {Maxthon, reason}}));
  EXPECT_FALSE(view.Current.Watch[InternetExplorer] || view.Current.Watch[Maxthon]);
  options.Apply();
  EXPECT_TRUE(CurrentSettings().Watch[InternetExplorer] && CurrentSettings().Watch[Maxthon]);
  auto engine = apptest::MakeEngine();
  CaptureCommands commands(*engine);
  const auto tool = static_cast<size_t>(commands.ToolOf(InternetExplorer));
  EXPECT_FALSE(commands.Offered(tool));
  EXPECT_TRUE(commands.Offered(static_cast<size_t>(commands.ToolOf(Firefox))));

  vorlane::test::WriteFile(
      users + "/me/AppData/Local/Microsoft/Windows/INetCache/Content.IE5/index.dat",
      "Client UrlCache MMF Ver 5.2");
  FakeOptionsView fresh;
  OptionsController again(fresh);
  again.Load();
  EXPECT_TRUE(fresh.Unavailable.empty());
  EXPECT_TRUE(fresh.Current.Watch[InternetExplorer] && fresh.Current.Watch[Maxthon]);
  EXPECT_TRUE(commands.Offered(tool));
  std::filesystem::remove_all(vorlane::test::PathOf(users));
}
