#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/BrowserTable.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "sources/mozilla/MozillaCacheFolder.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

using namespace vorlane::test;

namespace {

// The Wine user's own folders of a Firefox-family browser, emptied before and after
// each case.
struct FirefoxFolders {
  explicit FirefoxFolders(const Platform::BrowserPlaces& places)
      : Local(
            Platform::JoinPath(Platform::LocalAppDataFolder().value_or(""), places.WindowsFolder)),
        Roaming(Platform::JoinPath(Platform::UserConfigFolder().value_or(""),
                                   places.WindowsRoamingFolder)) {
    Remove();
  }
  ~FirefoxFolders() { Remove(); }
  void Remove() const {
    std::error_code ignored;
    std::filesystem::remove_all(PathOf(Local), ignored);
    std::filesystem::remove_all(PathOf(Roaming), ignored);
  }
  const std::string Local;
  const std::string Roaming;
};

}  // namespace

// profiles.ini (roaming) names the default profile as "Profiles/<name>"; its cache lies
// at the same place under local app data. Without a default that has a cache, the
// first profile by name that has one is taken. Every browser of Firefox's format keeps
// its profiles the same way, in folders of its own.
TEST(WindowsMozillaCacheFolder, DefaultProfileUnderLocalAppData) {
  if (!RunningUnderWine()) GTEST_SKIP() << "would empty the user's own Firefox folders";
  ASSERT_TRUE(Platform::LocalAppDataFolder() && Platform::UserConfigFolder());
  const std::string twoProfiles =
      "[Profile1]\r\nName=other\r\nIsRelative=1\r\nPath=Profiles/ab.other\r\n\r\n"
      "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/zz.default\r\nDefault=1\r\n";
  const struct {
    const char* Name;
    std::vector<std::string> Caches;  // below the local Firefox folder
    std::string ProfilesIni;
    std::string Expected;  // below the local Firefox folder; empty: none
  } cases[] = {
      {"nothing", {}, "", ""},
      {"the default's cache2",
       {"Profiles/ab.other/cache2/entries", "Profiles/zz.default/cache2/entries"},
       twoProfiles,
       "Profiles/zz.default/cache2"},
      {"the default has no cache",
       {"Profiles/ab.other/cache2/entries", "Profiles/zz.default"},
       twoProfiles,
       "Profiles/ab.other/cache2"},
      {"no profiles.ini",
       {"Profiles/mm.x/Cache", "Profiles/zz.y/cache2/entries"},
       "",
       "Profiles/mm.x/Cache"},
  };
  for (const BrowserInfo& browser : Browsers()) {
    if (browser.FormatId != "mozilla") continue;
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(browser.CliName) + ": " + c.Name);
      const FirefoxFolders firefox(browser.Places);
      for (const std::string& cache : c.Caches) {
        ASSERT_TRUE(Platform::CreateFolderTree(Platform::JoinPath(firefox.Local, cache)));
      }
      if (!c.ProfilesIni.empty()) {
        WriteFile(Platform::JoinPath(firefox.Roaming, "profiles.ini"), c.ProfilesIni);
      }
      EXPECT_EQ(FindCacheFolder(browser.Places),
                c.Expected.empty() ? "" : Platform::JoinPath(firefox.Local, c.Expected));
    }
  }
}
