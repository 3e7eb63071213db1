#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/BrowserTable.h"
#include "platform/Processes.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

// Toolhelp lists a child started under a browser's image name, whatever the case of the
// name asked for, and no longer once it has ended.
TEST(WindowsProcesses, ToolhelpSeesAChildUnderABrowsersName) {
  const std::vector<std::string> ie = ProcessNamesOf(Browsers()[InternetExplorer]);
  ASSERT_EQ(ie, std::vector<std::string>{"iexplore.exe"});
  EXPECT_EQ(ProcessNamesOf(Browsers()[Firefox]), std::vector<std::string>{"firefox.exe"});
  if (Platform::IsProcessRunning(ie)) GTEST_SKIP() << "an Internet Explorer runs here";

  vorlane::test::TempDir dir;
  const vorlane::test::StandIn browser = vorlane::test::MakeStandIn(dir.Path(), "iexplore.exe", 60);
  ASSERT_FALSE(browser.Program.empty());
  vorlane::test::BackgroundProgram child;
  ASSERT_TRUE(child.Start(browser.Program, browser.Arguments));
  EXPECT_TRUE(Platform::IsProcessRunning(ie));
  EXPECT_TRUE(Platform::IsProcessRunning({"firefox.exe", "IEXPLORE.EXE"}));
  EXPECT_FALSE(Platform::IsProcessRunning({"iexplore"}));  // image names keep their .exe
  EXPECT_FALSE(Platform::IsProcessRunning({}));
  child.Kill();
  EXPECT_FALSE(Platform::IsProcessRunning(ie));
}
