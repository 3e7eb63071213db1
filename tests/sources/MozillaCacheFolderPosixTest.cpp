#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "config/BrowserTable.h"
#include "sources/mozilla/MozillaCacheFolder.h"
#include "support/TestSupport.h"

using namespace vorlane::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kCacheRoot = ".cache/mozilla/firefox/";
constexpr const char* kProfileRoot = ".mozilla/firefox/";

struct Case {
  const char* Name;
  std::vector<std::string> Folders;  // relative to the home folder
  std::vector<std::string> Files;
  std::string ProfilesIni;
  std::string InstallsIni;
  std::string Expected;  // relative to the home folder; empty: none
};

std::string Cached(const std::string& profile) {
  return kCacheRoot + profile;
}
std::string Old(const std::string& profile) {
  return kProfileRoot + profile;
}

const Platform::BrowserPlaces& FirefoxPlaces() {
  return Browsers()[Firefox].Places;
}

const std::string kTwoProfiles =
    "[Profile1]\nName=other\nIsRelative=1\nPath=ab.other\n\n"
    "[Profile0]\nName=default\nIsRelative=1\nPath=zz.default\nDefault=1\n\n"
    "[General]\nStartWithLastProfile=1\nVersion=2\n";

// Makes the case's folders and files in a home folder of its own and looks for
// Firefox's cache there.
void ExpectFound(const Case& c) {
  SCOPED_TRACE(c.Name);
  TempDir home;
  ScopedEnv homeEnv("HOME", home.Path());
  ScopedEnv cacheEnv("XDG_CACHE_HOME", home / ".cache");
  for (const std::string& folder : c.Folders) fs::create_directories(home / folder);
  for (const std::string& file : c.Files) WriteFile(home / file, "x");
  if (!c.ProfilesIni.empty())
    WriteFile(home / (std::string(kProfileRoot) + "profiles.ini"), c.ProfilesIni);
  if (!c.InstallsIni.empty())
    WriteFile(home / (std::string(kProfileRoot) + "installs.ini"), c.InstallsIni);
  EXPECT_EQ(FindCacheFolder(FirefoxPlaces()), c.Expected.empty() ? "" : home / c.Expected);
}

}  // namespace

TEST(MozillaCacheFolder, ChoosesTheDefaultProfileElseTheFirstByName) {
  const Case cases[] = {
      {"nothing at all", {}, {}, "", "", ""},
      {"name order, not directory order",
       {Cached("zz.default"), Cached("ab.other"), Cached("mm.third")},
       {},
       "",
       "",
       Cached("ab.other/Cache")},
      {"only files in the root", {}, {Cached("stray")}, "", "", ""},
      {"profiles.ini default",
       {Cached("zz.default"), Cached("ab.other")},
       {},
       kTwoProfiles,
       "",
       Cached("zz.default/Cache")},
      {"default without a cache there",
       {Cached("ab.other"), Cached("mm.third")},
       {},
       kTwoProfiles,
       "",
       Cached("ab.other/Cache")},
      {"installs.ini wins over Default=1",
       {Cached("zz.default"), Cached("ab.other"), Cached("qq.release")},
       {},
       kTwoProfiles,
       "[308046B0AF4A39CB]\r\nDefault=qq.release\r\nLocked=1\r\n",
       Cached("qq.release/Cache")},
      {"install section of profiles.ini",
       {Cached("zz.default"), Cached("ab.other"), Cached("qq.release")},
       {},
       "\xEF\xBB\xBF[Install308046B0AF4A39CB]\r\nDefault=qq.release\r\nLocked=1\r\n\r\n" +
           kTwoProfiles,
       "",
       Cached("qq.release/Cache")},
      {"absolute and escaping defaults are ignored",
       {Cached("zz.default"), Cached("ab.other"), "elsewhere"},
       {},
       "[Profile0]\nIsRelative=0\nPath=/home/elsewhere\nDefault=1\n",
       "[X]\nDefault=../../elsewhere\n",
       Cached("ab.other/Cache")},
  };
  for (const Case& c : cases) ExpectFound(c);
}

// The old profiles folder holds other folders too: a profile there counts only with its
// cache, and the cache root is searched before it.
TEST(MozillaCacheFolder, OldProfileFoldersNeedTheirCache) {
  const Case cases[] = {
      {"old profile folders need their Cache",
       {Old("Crash Reports"), Old("Pending Pings"), Old("zz.default"), Old("mm.old/Cache")},
       {},
       "",
       "",
       Old("mm.old/Cache")},
      {"old profile default",
       {Old("ab.other/Cache"), Old("zz.default/Cache")},
       {},
       kTwoProfiles,
       "",
       Old("zz.default/Cache")},
      {"old profiles without Cache",
       {Old("zz.default"), Old("Crash Reports")},
       {},
       kTwoProfiles,
       "",
       ""},
      {"the cache root comes first",
       {Old("ab.other/Cache"), Cached("zz.default")},
       {},
       "",
       "",
       Cached("zz.default/Cache")},
  };
  for (const Case& c : cases) ExpectFound(c);
}

TEST(MozillaCacheFolder, FollowsXdgCacheHome) {
  TempDir home, elsewhere;
  ScopedEnv homeEnv("HOME", home.Path());
  ScopedEnv cacheEnv("XDG_CACHE_HOME", elsewhere.Path());
  fs::create_directories(home / ".cache/mozilla/firefox/ab.default");
  fs::create_directories(elsewhere / "mozilla/firefox/zz.default");
  EXPECT_EQ(FindCacheFolder(FirefoxPlaces()), elsewhere / "mozilla/firefox/zz.default/Cache");
}

TEST(MozillaCacheFolder, PrefersCache2AndSearchesSnapAndFlatpak) {
  const std::string snap = "snap/firefox/common/.cache/mozilla/firefox/";
  const std::string snapIni = "snap/firefox/common/.mozilla/firefox/profiles.ini";
  const std::string flatpak = ".var/app/org.mozilla.firefox/cache/mozilla/firefox/";
  struct Root {
    const char* Name;
    std::vector<std::string> Folders;
    std::string Expected;
  };
  const Root cases[] = {
      {"cache2 with entries", {Cached("ab.default/cache2/entries")}, Cached("ab.default/cache2")},
      {"cache2 without entries", {Cached("ab.default/cache2")}, Cached("ab.default/Cache")},
      {"old profile folder with cache2",
       {Old("Crash Reports"), Old("ab.default/cache2/entries")},
       Old("ab.default/cache2")},
      {"snap", {snap + "ab.default/cache2/entries"}, snap + "ab.default/cache2"},
      {"flatpak", {flatpak + "ab.default/cache2/entries"}, flatpak + "ab.default/cache2"},
      {"XDG root before snap",
       {snap + "ab.default/cache2/entries", Cached("zz.default")},
       Cached("zz.default/Cache")},
      {"old profiles before snap",
       {snap + "ab.default/cache2/entries", Old("zz.default/Cache")},
       Old("zz.default/Cache")},
      {"snap before flatpak",
       {flatpak + "ab.default/cache2/entries", snap + "zz.default/cache2/entries"},
       snap + "zz.default/cache2"},
      {"snap's own default profile",
       {snap + "ab.other/cache2/entries", snap + "zz.snapdefault/cache2/entries"},
       snap + "zz.snapdefault/cache2"},
  };
  for (const Root& c : cases) {
    SCOPED_TRACE(c.Name);
    TempDir home;
    ScopedEnv homeEnv("HOME", home.Path());
    ScopedEnv cacheEnv("XDG_CACHE_HOME", home / ".cache");
    for (const std::string& folder : c.Folders) fs::create_directories(home / folder);
    WriteFile(home / snapIni, "[Profile0]\nIsRelative=1\nPath=zz.snapdefault\nDefault=1\n");
    EXPECT_EQ(FindCacheFolder(FirefoxPlaces()), home / c.Expected);
  }
}

// Every browser of Firefox's format is found in the places of its own row, with the
// default its own profiles.ini names there, and in no other browser's places.
TEST(MozillaCacheFolder, EachFirefoxFamilyBrowserInItsOwnPlaces) {
  struct Root {
    std::string Caches;  // below the home folder
    std::string Ini;     // the folder of the profiles.ini that goes with it
  };
  const struct {
    BrowserCode Browser;
    std::vector<Root> Roots;  // in search order
  } rows[] = {
      {Firefox,
       {{".cache/mozilla/firefox", ".mozilla/firefox"},
        {".mozilla/firefox", ".mozilla/firefox"},
        {"snap/firefox/common/.cache/mozilla/firefox", "snap/firefox/common/.mozilla/firefox"},
        {".var/app/org.mozilla.firefox/cache/mozilla/firefox",
         ".var/app/org.mozilla.firefox/.mozilla/firefox"}}},
      {LibreWolf,
       {{".cache/librewolf", ".librewolf"},
        {".librewolf", ".librewolf"},
        {".var/app/io.gitlab.librewolf-community/cache/librewolf",
         ".var/app/io.gitlab.librewolf-community/.librewolf"}}},
      {Waterfox,
       {{".cache/waterfox", ".waterfox"},
        {".waterfox", ".waterfox"},
        {".var/app/net.waterfox.waterfox/cache/waterfox",
         ".var/app/net.waterfox.waterfox/.waterfox"}}},
      {Floorp,
       {{".cache/floorp", ".floorp"},
        {".floorp", ".floorp"},
        {".var/app/one.ablaze.floorp/cache/floorp", ".var/app/one.ablaze.floorp/.floorp"}}},
  };
  const auto family =
      std::count_if(Browsers().begin(), Browsers().end(),
                    [](const BrowserInfo& row) { return row.FormatId == "mozilla"; });
  EXPECT_EQ(family, static_cast<std::ptrdiff_t>(std::size(rows)));
  for (const auto& row : rows) {
    const BrowserInfo& browser = Browsers()[row.Browser];
    EXPECT_EQ(browser.FormatId, "mozilla");
    for (const Root& root : row.Roots) {
      SCOPED_TRACE(root.Caches);
      TempDir home;
      ScopedEnv homeEnv("HOME", home.Path());
      ScopedEnv cacheEnv("XDG_CACHE_HOME", home / ".cache");
      fs::create_directories(home / (root.Caches + "/ab.other/cache2/entries"));
      fs::create_directories(home / (root.Caches + "/zz.default/cache2/entries"));
      WriteFile(home / (root.Ini + "/profiles.ini"), kTwoProfiles);
      EXPECT_EQ(FindCacheFolder(browser.Places), home / (root.Caches + "/zz.default/cache2"));
      EXPECT_NE(FirefoxProfilesLookedAt(browser.Places).find(home / root.Caches),
                std::string::npos);
      for (const auto& other : rows) {
        if (other.Browser != row.Browser) {
          EXPECT_EQ(FindCacheFolder(Browsers()[other.Browser].Places), "") << other.Browser;
        }
      }
    }
  }
}
