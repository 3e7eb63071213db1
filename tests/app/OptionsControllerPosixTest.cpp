#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "AppTestSupport.h"
#include "FakeOptionsView.h"
#include "app/OptionsController.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "support/TestPlatform.h"

using apptest::FakeOptionsView;

namespace {

class FindCacheTest : public apptest::AppTest {};

}  // namespace

TEST_F(FindCacheTest, EmptiesOrFillsTheFolder) {
  const std::string cacheRoot = *vorlane::test::GetEnv("XDG_CACHE_HOME");
  const std::string mozilla = Platform::JoinPath(cacheRoot, "mozilla");
  std::filesystem::remove_all(vorlane::test::PathOf(mozilla));
  FakeOptionsView view;
  OptionsController options(view);
  options.Load();
  view.Current.CacheFolders[Firefox] = "/stale/path";
  // No profile: emptied, and the user is told where Vorlane looked.
  options.FindCache(Firefox);
  ASSERT_EQ(view.Messages.size(), 1u);
  EXPECT_EQ(view.Messages[0].rfind("Can't open Mozilla cache.", 0), 0u) << view.Messages[0];
  EXPECT_NE(view.Messages[0].find(Platform::JoinPath(mozilla, "firefox")), std::string::npos);
  EXPECT_EQ(view.Current.CacheFolders[Firefox], "");

  Platform::CreateFolderTree(Platform::JoinPath(mozilla, "firefox/zz.default"));
  options.FindCache(Firefox);
  EXPECT_EQ(view.Messages.size(), 1u);
  EXPECT_EQ(view.Current.CacheFolders[Firefox],
            Platform::JoinPath(mozilla, "firefox/zz.default/Cache"));
  EXPECT_EQ(view.Focused, Firefox);
  std::filesystem::remove_all(vorlane::test::PathOf(mozilla));
}
