#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "config/BrowserTable.h"
#include "platform/Paths.h"
#include "sources/CacheFormats.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

using namespace vorlane::test;

namespace {

std::string LocalAppData() {
  return Platform::LocalAppDataFolder().value_or("");
}

std::string RoamingAppData() {
  return Platform::UserConfigFolder().value_or("");
}

void CopyFixture(const std::string& fixture, const std::string& to) {
  std::filesystem::create_directories(PathOf(to));
  std::filesystem::copy(PathOf(Platform::JoinPath(VORLANE_FIXTURES, fixture)), PathOf(to),
                        std::filesystem::copy_options::recursive);
}

// Lays out a real cache where the browser of `browser` keeps it on Windows, as Windows
// lays it out, and returns that cache folder ("" for a cache the system keeps).
std::string PlaceRealCache(const BrowserInfo& browser, std::vector<std::string>& made) {
  const Platform::BrowserPlaces& places = browser.Places;
  if (browser.FormatId == "chromium") {
    // A browser's profiles under "%LOCALAPPDATA%\<vendor>\User Data", an app's one
    // profile in its folder under %APPDATA%. Chromium on Windows writes blockfile caches.
    const std::string root =
        places.WindowsFolder.empty()
            ? Platform::JoinPath(RoamingAppData(), places.WindowsRoamingFolder)
            : Platform::JoinPath(Platform::JoinPath(LocalAppData(), places.WindowsFolder),
                                 "User Data\\Default");
    made.push_back(places.WindowsFolder.empty()
                       ? root
                       : Platform::JoinPath(LocalAppData(), places.WindowsFolder));
    const std::string cache = Platform::JoinPath(root, "Cache\\Cache_Data");
    CopyFixture("chromium/blockfile-18.0", cache);
    return cache;
  }
  if (browser.FormatId == "mozilla") {
    // profiles.ini under %APPDATA%, the profile's cache under %LOCALAPPDATA%.
    const std::string roaming = Platform::JoinPath(RoamingAppData(), places.WindowsRoamingFolder);
    const std::string local = Platform::JoinPath(LocalAppData(), places.WindowsFolder);
    made.push_back(roaming);
    made.push_back(local);
    WriteFile(Platform::JoinPath(roaming, "profiles.ini"),
              "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/t1.default\r\n"
              "Default=1\r\n");
    const std::string cache = Platform::JoinPath(local, "Profiles\\t1.default\\cache2");
    CopyFixture("firefox-cache2/firefox-45.0", cache);
    return cache;
  }
  return {};
}

}  // namespace

// Every row of the browser table finds its real cache in its Windows place, with nothing
// named on the command line; the URL cache is the system's own.
TEST(WindowsBrowserPlaces, EveryRowFindsItsCacheWhereWindowsKeepsIt) {
  if (!RunningUnderWine()) GTEST_SKIP() << "would change the user's own browser folders";
  ASSERT_FALSE(LocalAppData().empty());
  ASSERT_FALSE(RoamingAppData().empty());
  for (const BrowserInfo& browser : Browsers()) {
    SCOPED_TRACE(std::string(browser.CliName));
    const CacheFormat* format = FindCacheFormat(browser.FormatId);
    ASSERT_NE(format, nullptr);
    std::vector<std::string> made;
    const std::string cache = PlaceRealCache(browser, made);
    const CacheSearch search = format->FindCaches(browser.Places);
    if (cache.empty()) {
      EXPECT_TRUE(search.KeptBySystem);
    } else {
      EXPECT_NE(std::find(search.Folders.begin(), search.Folders.end(), cache),
                search.Folders.end())
          << search.LookedAt;
      EXPECT_TRUE(format->HoldsCache(cache));
    }
    for (const std::string& folder : made) {
      std::error_code ignored;
      std::filesystem::remove_all(PathOf(folder), ignored);
    }
  }
}
