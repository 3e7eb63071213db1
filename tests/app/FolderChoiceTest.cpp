#include <gtest/gtest.h>

#include <string>

#include "AppTestSupport.h"
#include "app/FolderChoice.h"
#include "config/Settings.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/System.h"

namespace {

class FolderChoice : public apptest::AppTest {};

}  // namespace

// The chooser opens at the field's folder or its nearest existing parent; a field that
// names no usable folder falls back to the default output folder, then to home, never
// to the working folder.
TEST_F(FolderChoice, OpensAtTheFieldsFolderOrTheDefaultOne) {
  const std::string home = Platform::HomeFolder().value_or(std::string());
  ASSERT_FALSE(home.empty());
  const std::string saves = Path("saves");
  Platform::CreateFolderTree(Platform::JoinPath(saves, "dated"));
  Platform::CreateFolderTree(Platform::JoinPath(home, "Pictures"));
  const std::string nowhere =
      Platform::RunningOnWindows ? "Q:\\no\\such\\drive" : "/no-such-root-folder/x";
  const struct {
    std::string Field;
    std::string DefaultFolder;
    std::string Expected;
  } cases[] = {
      {Platform::JoinPath(saves, "dated"), saves, Platform::JoinPath(saves, "dated")},
      {Platform::JoinPath(saves, "%DATE%/%SITE%"), saves, saves},
      {"~/Pictures", saves, Platform::JoinPath(home, "Pictures")},
      {"", saves, saves},
      {"relative/folder", Platform::JoinPath(saves, "not-yet"), saves},
      {nowhere, saves, saves},
      {"", nowhere, home},
      {"", "", home},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Field + " / " + c.DefaultFolder);
    UpdateSettings([&](Settings& settings) { settings.DefaultCombPath = c.DefaultFolder; });
    EXPECT_EQ(FolderChooserStart(c.Field), c.Expected);
  }
}
