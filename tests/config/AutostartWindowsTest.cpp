#include <gtest/gtest.h>

#include <string>

#include "platform/Autostart.h"
#include "support/TestPlatform.h"

using vorlane::test::StartWithLoginText;

// Start with login is the value "Vorlane" under the current user's Run key: written
// with the quoted path, repaired when the program moved, removed, and refused for a
// path that depends on the current folder. A value that was there before comes back.
TEST(WindowsAutostart, RunValueIsWrittenRepairedAndRemoved) {
  const std::string before = StartWithLoginText();
  EXPECT_EQ(Platform::StartWithLoginEntryPath(),
            "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Vorlane");

  const std::string program = "C:\\Program Files\\Vorlane\\vorlane.exe";
  ASSERT_TRUE(Platform::SetStartWithLogin(true, program));
  EXPECT_TRUE(Platform::StartsWithLogin());
  EXPECT_EQ(StartWithLoginText(), "\"" + program + "\"");
  ASSERT_TRUE(Platform::SetStartWithLogin(true, program));  // unchanged: nothing to do

  const std::string moved = "D:\\Tools\\V\xC3\xB6rlane\\vorlane.exe";
  ASSERT_TRUE(Platform::SetStartWithLogin(true, moved));
  EXPECT_EQ(StartWithLoginText(), "\"" + moved + "\"");

  EXPECT_FALSE(Platform::SetStartWithLogin(true, "vorlane.exe"));
  EXPECT_EQ(StartWithLoginText(), "\"" + moved + "\"");

  ASSERT_TRUE(Platform::SetStartWithLogin(false, {}));
  EXPECT_FALSE(Platform::StartsWithLogin());
  EXPECT_EQ(StartWithLoginText(), "");
  EXPECT_TRUE(Platform::SetStartWithLogin(false, {}));  // already gone

  if (!before.empty()) {
    // The value as it was, quotes included.
    const std::string path =
        before.size() > 1 && before.front() == '"' ? before.substr(1, before.size() - 2) : before;
    Platform::SetStartWithLogin(true, path);
  }
}
