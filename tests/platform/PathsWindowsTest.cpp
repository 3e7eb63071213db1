#include <gtest/gtest.h>

#include <string>

#include "config/BrowserTable.h"
#include "platform/Files.h"
#include "platform/Paths.h"

TEST(WindowsPaths, DrivesSharesAndSeparators) {
  EXPECT_EQ(Platform::PathSeparator, '\\');
  const struct {
    const char* Path;
    bool Absolute;
    const char* Parent;
    const char* Name;
    const char* Trimmed;
  } cases[] = {
      {"C:\\Users\\me\\file.txt", true, "C:\\Users\\me", "file.txt", "C:\\Users\\me\\file.txt"},
      {"C:\\Users\\", true, "C:\\Users", "", "C:\\Users"},
      {"C:\\", true, "C:\\", "", "C:\\"},
      {"c:/mixed/seps", true, "c:/mixed", "seps", "c:/mixed/seps"},
      {"\\\\server\\share\\dir", true, "\\\\server\\share\\", "dir", "\\\\server\\share\\dir"},
      {"C:relative", false, "C:", "relative", "C:relative"},
      {"\\rooted", false, "\\", "rooted", "\\rooted"},
      {"plain", false, "", "plain", "plain"},
      {"dir\\\\name", false, "dir", "name", "dir\\\\name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path);
    EXPECT_EQ(Platform::IsAbsolutePath(c.Path), c.Absolute);
    EXPECT_EQ(Platform::ParentFolder(c.Path), c.Parent);
    EXPECT_EQ(Platform::FileName(c.Path), c.Name);
    EXPECT_EQ(Platform::WithoutTrailingSeparators(c.Path), c.Trimmed);
  }
  // '/' in a name becomes '\'; one separator between the pieces, whatever each brings.
  EXPECT_EQ(Platform::JoinPath("C:\\a", "b/c.txt"), "C:\\a\\b\\c.txt");
  EXPECT_EQ(Platform::JoinPath("C:\\a\\", "\\b"), "C:\\a\\b");
  EXPECT_EQ(Platform::JoinPath("C:/a/", "b"), "C:/a/b");
  EXPECT_EQ(Platform::JoinPath("", "b/c"), "b\\c");
}

TEST(WindowsPaths, PlacesComeFromTheShell) {
  const auto local = Platform::LocalAppDataFolder();
  const auto roaming = Platform::UserConfigFolder();
  ASSERT_TRUE(local && roaming);
  EXPECT_TRUE(Platform::IsAbsolutePath(*local));
  EXPECT_TRUE(Platform::FolderExists(*local));
  EXPECT_NE(*local, *roaming);
  EXPECT_EQ(Platform::UserCacheFolder(), local);
  const std::string home = Platform::HomeFolder().value_or(std::string());
  EXPECT_TRUE(Platform::FolderExists(home));
  EXPECT_EQ(Platform::ExpandHome("~\\x"), Platform::JoinPath(home, "x"));
  EXPECT_EQ(Platform::ExpandHome("~/x/y"), Platform::JoinPath(home, "x/y"));

  const std::string executable = Platform::ExecutablePath().value_or(std::string());
  EXPECT_TRUE(executable.ends_with("vorlane_platform_tests.exe")) << executable;
  EXPECT_EQ(Platform::ProgramFolder(), Platform::JoinPath(Platform::ParentFolder(executable), ""));

  // Firefox and the browsers built from it keep profiles.ini in their roaming folder and
  // the caches in their local one.
  const struct {
    BrowserCode Browser;
    const char* Local;
    const char* Roaming;
  } firefoxFamily[] = {
      {Firefox, "Mozilla\\Firefox", "Mozilla\\Firefox"},
      {LibreWolf, "librewolf", "librewolf"},
      {Waterfox, "Waterfox", "Waterfox"},
      {Floorp, "Floorp", "Floorp"},
  };
  for (const auto& row : firefoxFamily) {
    SCOPED_TRACE(row.Local);
    const auto firefox = Platform::FirefoxProfileRoots(Browsers()[row.Browser].Places);
    ASSERT_EQ(firefox.size(), 2u);
    EXPECT_EQ(firefox[0].Folder, Platform::JoinPath(*local, row.Local));
    EXPECT_EQ(firefox[0].IniFolder, Platform::JoinPath(*roaming, row.Roaming));
    EXPECT_EQ(firefox[1].Folder, Platform::JoinPath(*local, std::string(row.Local) + "\\Profiles"));
    for (const auto& root : firefox) EXPECT_TRUE(root.CacheMustExist);
  }
  EXPECT_TRUE(Platform::FirefoxProfileRoots({}).empty());

  Platform::BrowserPlaces chrome{};
  chrome.LinuxFolder = "google-chrome";
  chrome.WindowsFolder = "Google\\Chrome";
  const auto roots = Platform::ChromiumProfileRoots(chrome);
  ASSERT_EQ(roots.size(), 1u);
  EXPECT_EQ(roots[0].CacheRoot, Platform::JoinPath(*local, "Google\\Chrome\\User Data"));
  EXPECT_EQ(roots[0].ConfigRoot, roots[0].CacheRoot);
  chrome.WindowsFolder = "";
  EXPECT_TRUE(Platform::ChromiumProfileRoots(chrome).empty());
  // An app's one profile is its roaming folder itself.
  Platform::BrowserPlaces app{};
  app.WindowsRoamingFolder = "discord";
  const auto apps = Platform::ChromiumProfileRoots(app);
  ASSERT_EQ(apps.size(), 1u);
  EXPECT_EQ(apps[0].CacheRoot, Platform::JoinPath(*roaming, "discord"));
  EXPECT_FALSE(apps[0].ProfilesInside);
}
