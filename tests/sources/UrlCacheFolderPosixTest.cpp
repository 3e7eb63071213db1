#include <gtest/gtest.h>

#include "platform/Files.h"
#include "sources/urlcache/UrlCacheFolder.h"
#include "support/TestSupport.h"

using vorlane::test::TempDir;

TEST(UrlCacheFolder, WinePrefixRule) {
  const std::string current = "AppData/Local/Microsoft/Windows/INetCache/Content.IE5";
  const std::string older = "Local Settings/Temporary Internet Files/Content.IE5";
  struct Case {
    std::vector<std::string> Indexes;  // folders under drive_c/users that hold one
    std::string Expected;              // "" for none
  };
  const std::vector<Case> cases = {
      {{}, ""},
      {{"joe/" + current}, "joe/" + current},
      {{"joe/" + older}, "joe/" + older},
      {{"joe/" + older, "joe/" + current}, "joe/" + current},
      {{"zoe/" + current, "bob/" + older}, "bob/" + older},
  };
  for (const Case& c : cases) {
    TempDir prefix;
    vorlane::test::ScopedEnv env("WINEPREFIX", prefix.Path());
    const std::string users = prefix / "drive_c/users";
    ASSERT_TRUE(Platform::CreateFolderTree(users + "/Public/" + current));
    for (const std::string& index : c.Indexes) {
      vorlane::test::WriteFile(users + "/" + index + "/index.dat", "x");
    }
    EXPECT_EQ(FindUrlCacheFolder().Folder.value_or(""),
              c.Expected.empty() ? "" : users + "/" + c.Expected)
        << c.Expected;
  }

  TempDir home;
  vorlane::test::ScopedEnv homeEnv("HOME", home.Path());
  vorlane::test::ScopedEnv env("WINEPREFIX", "");
  vorlane::test::WriteFile(home / (".wine/drive_c/users/joe/" + older + "/index.dat"), "x");
  EXPECT_EQ(FindUrlCacheFolder().Folder.value_or(""), home / (".wine/drive_c/users/joe/" + older));
}
