#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ChromiumTestItems.h"
#include "platform/Paths.h"
#include "sources/chromium/ChromiumCacheFolder.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using vorlane::test::Head;
using vorlane::test::PutSimple;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

// The XDG, snap and config-folder layouts of the Chromium family.
TEST(ChromiumCache, EveryProfileOfABrowserIsFoundInAFixedOrder) {
  TempDir home;
  vorlane::test::ScopedEnv cacheHome("XDG_CACHE_HOME", home / "cache");
  vorlane::test::ScopedEnv configHome("XDG_CONFIG_HOME", home / "config");
  vorlane::test::ScopedEnv homeEnv("HOME", home.Path());
  const Platform::BrowserPlaces vendor{.LinuxFolder = "chromium", .SnapName = "chromium"};
  for (const char* profile : {"Profile 10", "Default", "Profile 2", "Guest Profile", "Empty"}) {
    const std::string cache = home / ("cache/chromium/" + std::string(profile));
    if (std::string(profile) == "Empty") {
      fs::create_directories(cache + "/Cache/Cache_Data");
      continue;
    }
    PutSimple(cache + "/Cache/Cache_Data", 1, "1/0/http://h/" + std::string(profile), Head("x"),
              "b");
  }
  // The snap's cache, and an app whose cache lies in its config folder.
  PutSimple(home / "snap/chromium/common/.cache/chromium/Default/Cache/Cache_Data", 1,
            "1/0/http://h/snap", Head("x"), "b");
  const std::string prefix = home / "cache/chromium/";
  EXPECT_EQ(FindChromiumCacheFolders(vendor),
            (std::vector<std::string>{
                prefix + "Default/Cache/Cache_Data", prefix + "Profile 2/Cache/Cache_Data",
                prefix + "Profile 10/Cache/Cache_Data", prefix + "Guest Profile/Cache/Cache_Data",
                home / "snap/chromium/common/.cache/chromium/Default/Cache/Cache_Data"}));

  // Local State names the profiles when it is there.
  WriteFile(
      home / "config/chromium/Local State",
      R"({"browser":{"x":[1,{"y":"}"}]},"profile":{"info_cache":{"Profile 2":{"name":"Work"},)"
      R"("Default":{"name":"Me","a":[]}},"last_used":"Default"}})");
  EXPECT_EQ(FindChromiumCacheFolders(vendor).front(), prefix + "Default/Cache/Cache_Data");
  EXPECT_EQ(FindChromiumCacheFolders(vendor).size(), 3u);

  const Platform::BrowserPlaces app{.LinuxConfigOnly = "discord"};
  PutSimple(home / "config/discord/Cache/Cache_Data", 1, "1/0/http://h/app", Head("x"), "b");
  EXPECT_EQ(FindChromiumCacheFolders(app),
            std::vector<std::string>{home / "config/discord/Cache/Cache_Data"});
  EXPECT_EQ(ResolveChromiumCacheFolder(home / "config/discord/Cache"),
            home / "config/discord/Cache/Cache_Data");
  EXPECT_EQ(ResolveChromiumCacheFolder(home.Path()), "");
}
