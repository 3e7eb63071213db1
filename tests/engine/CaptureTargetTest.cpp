#include <gtest/gtest.h>

#include <string>

#include "config/BrowserTable.h"
#include "config/Settings.h"
#include "engine/CQuellbyMain.h"
#include "engine/CaptureTarget.h"
#include "support/TestSupport.h"

using vorlane::test::FixturePath;
using vorlane::test::MessageRecorder;
using vorlane::test::TempDir;

TEST(CaptureTarget, EveryRowNamesAFormatThatIsRead) {
  for (const BrowserInfo& browser : Browsers()) {
    const auto target = ResolveCaptureTarget(browser.Code);
    ASSERT_TRUE(target) << browser.DisplayName;
    EXPECT_EQ(&target->Browser, &browser);
    EXPECT_EQ(target->Format.Id, browser.FormatId);
  }
  EXPECT_FALSE(ResolveCaptureTarget(-1));
  EXPECT_FALSE(ResolveCaptureTarget(BrowserCount));
}

// Whether a capture may run while its browser runs is what the opened cache says of
// itself: caches of one file per entry may, those of shared block files may not.
TEST(CaptureTarget, LiveCaptureFollowsTheOpenedCache) {
  TempDir dir;
  vorlane::test::UseSandboxPlaces(dir.Path());
  const struct {
    int Browser;
    const char* Folder;
    bool Refused;
  } cases[] = {
      {Firefox, "firefox-cache2/firefox-50.0", false},
      {Firefox, "firefox-v1/firefox-4.0-dtformats", true},
      {Chrome, "chromium/simple-68.0", false},
      {Chrome, "chromium/blockfile-18.0", true},
      {InternetExplorer, "msiecf/Content.IE5", true},
  };
  CQuellbyMain::StartupOptions options;
  options.PersistSettings = false;
  options.Check = [](const std::vector<std::string>&) { return true; };  // every browser runs
  CQuellbyMain engine(options);
  for (const bool live : {false, true}) {
    UpdateSettings([live](Settings& settings) { settings.CaptureWhileRunning = live; });
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.Folder) + (live ? " live" : ""));
      MessageRecorder messages;
      engine.SetCacheFolder(FixturePath(c.Folder));
      EXPECT_EQ(engine.RefuseWhileRunning(c.Browser), !live || c.Refused);
      EXPECT_EQ(messages.Texts().size(), !live || c.Refused ? 1u : 0u);
    }
  }
  ResetSettings();
}
