#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ChromiumTestItems.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "sources/chromium/ChromiumCacheFolder.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

using namespace vorlane::test;

// A browser's profiles lie in "<vendor>\User Data" under local app data, an app's one
// profile in its folder under the roaming one.
TEST(WindowsChromiumCacheFolder, ProfilesUnderLocalAppDataAppsUnderRoaming) {
  if (!RunningUnderWine()) GTEST_SKIP() << "would change the user's own browser folders";
  const std::string browser = Platform::JoinPath(Platform::LocalAppDataFolder().value_or(""),
                                                 "VorlaneTest\\Browser\\User Data");
  const std::string app =
      Platform::JoinPath(Platform::UserConfigFolder().value_or(""), "vorlanetestapp");
  const auto remove = [&] {
    std::error_code ignored;
    std::filesystem::remove_all(PathOf(Platform::ParentFolder(Platform::ParentFolder(browser))),
                                ignored);
    std::filesystem::remove_all(PathOf(app), ignored);
  };
  remove();
  for (const char* profile : {"Profile 2", "Default", "Empty"}) {
    const std::string cache =
        Platform::JoinPath(browser, std::string(profile) + "/Cache/Cache_Data");
    if (std::string(profile) == "Empty") {
      ASSERT_TRUE(Platform::CreateFolderTree(cache));
      continue;
    }
    PutSimple(cache, 1, "1/0/http://h/" + std::string(profile), Head("x"), "b");
  }
  PutSimple(Platform::JoinPath(app, "Cache/Cache_Data"), 1, "1/0/http://h/app", Head("x"), "b");

  Platform::BrowserPlaces vendor{};
  vendor.LinuxFolder = "vorlanetest-browser";
  vendor.WindowsFolder = "VorlaneTest\\Browser";
  EXPECT_EQ(FindChromiumCacheFolders(vendor),
            (std::vector<std::string>{Platform::JoinPath(browser, "Default/Cache/Cache_Data"),
                                      Platform::JoinPath(browser, "Profile 2/Cache/Cache_Data")}));
  // Local State names the profiles when it is there; it lies beside them.
  WriteFile(Platform::JoinPath(browser, "Local State"),
            R"({"profile":{"info_cache":{"Profile 2":{}},"last_used":"Profile 2"}})");
  EXPECT_EQ(FindChromiumCacheFolders(vendor),
            std::vector<std::string>{Platform::JoinPath(browser, "Profile 2/Cache/Cache_Data")});

  Platform::BrowserPlaces appPaths{};
  appPaths.WindowsRoamingFolder = "vorlanetestapp";
  EXPECT_EQ(FindChromiumCacheFolders(appPaths),
            std::vector<std::string>{Platform::JoinPath(app, "Cache/Cache_Data")});
  remove();
}
