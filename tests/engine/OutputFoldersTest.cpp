#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "engine/OutputFolders.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "support/TestSupport.h"

TEST(OutputFolders, ExpandTokensReplacesOnlyTheFirstOfEach) {
  // 6 December 2026, 09:05:07 local time.
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 6;
  local.tm_hour = 9;
  local.tm_min = 5;
  local.tm_sec = 7;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  EXPECT_EQ(ExpandTokens("/saves/%DATE%", when), "/saves/06.12.2026");
  EXPECT_EQ(ExpandTokens("/s/%DATE%/%DATE%", when), "/s/06.12.2026/%DATE%");
  EXPECT_EQ(ExpandTokens("/s/%TIME%-%DATE%", when), "/s/09 05 07-06.12.2026");
  EXPECT_EQ(ExpandTokens("/s/%date%", when), "/s/%date%");
}

TEST(OutputFolders, SiteFoldersAndTheFolderAboveEntryTokens) {
  EXPECT_EQ(SiteFolderName("https://WWW.Example.com:8443/a"), "example.com");
  EXPECT_EQ(SiteFolderName("http://user:pw@cdn.example.com/a"), "cdn.example.com");
  EXPECT_EQ(SiteFolderName("http://[::1]:80/a"), Platform::RunningOnWindows ? "[__1]" : "[::1]");
  EXPECT_EQ(SiteFolderName("not a url"), "not a url");
  EXPECT_EQ(SiteFolderName(""), "unknown-site");
  const std::string saves = Platform::JoinPath(Platform::JoinPath("/home/u", "VOR"), "all");
  EXPECT_EQ(FolderAboveEntryTokens(saves), saves);
  EXPECT_EQ(FolderAboveEntryTokens(Platform::JoinPath(saves, "%SITE%")), saves);
  EXPECT_EQ(FolderAboveEntryTokens(Platform::JoinPath(saves, "%BROWSER%-%SITE%")), saves);
  EXPECT_EQ(FolderAboveEntryTokens(Platform::JoinPath(Platform::JoinPath(saves, "x%SITE%"), "y")),
            saves);
}

TEST(OutputFolders, CreateFolderPathMakesOnlyLocalFolders) {
  vorlane::test::TempDir dir;
  for (const char* bad : {"", "/", "//"}) {
    EXPECT_FALSE(CreateFolderPath(bad)) << bad;
  }
  // A file standing where the folder should be.
  vorlane::test::WriteFile(dir / "file", "x");
  EXPECT_FALSE(CreateFolderPath(dir / "file"));
  EXPECT_TRUE(CreateFolderPath(dir / "new/deep/folder/"));
}
