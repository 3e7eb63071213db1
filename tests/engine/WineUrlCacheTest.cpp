#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "CapturePassFixture.h"
#include "platform/Paths.h"
#include "sources/urlcache/CIECache.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

using vorlane::test::PathOf;

namespace {

std::set<std::string> Contents(const std::string& folder) {
  std::set<std::string> contents;
  for (const std::string& name : vorlane::test::ListNames(folder)) {
    contents.insert(vorlane::test::ReadFile(Platform::JoinPath(folder, name)));
  }
  return contents;
}

// The pass fixture under a suite name of its own (each file has its own CapturePass).
class WineUrlCache : public CapturePass {};

}  // namespace

// A cache that Wine wrote (tests/fixtures/wine-urlcache): the file whose name is not
// ASCII is found under the spelling Wine gave it on disk, so every entry is saved; a
// cached file that is missing is counted as skipped, and the others are still saved.
TEST_F(WineUrlCache, EveryFileIsSavedWhateverItsName) {
  const std::set<std::string> bodies = {"plain text body\n", "GIF89a logo body",
                                        "\xFF\xD8\xFF\xE0 jpeg body"};
  const std::string cache = dir / "Content.IE5";
  std::filesystem::copy(PathOf(vorlane::test::FixturePath("wine-urlcache/Content.IE5")),
                        PathOf(cache), std::filesystem::copy_options::recursive);
  Add(out, "file", 0);
  {
    CIECache source;
    source.SetCachePath(cache);
    ASSERT_EQ(source.LoadEntries(), 3);
    EXPECT_EQ(Comb(source), 3);
    EXPECT_EQ(pass->GetUnreadableCount(), 0u);
    EXPECT_EQ(Contents(out), bodies);
  }

  // The text file goes away: two are saved into a new folder, one is skipped.
  std::filesystem::remove_all(PathOf(out));
  for (const auto& item : std::filesystem::recursive_directory_iterator(PathOf(cache))) {
    if (vorlane::test::ReadFile(vorlane::test::Utf8Of(item.path())) == "plain text body\n") {
      std::filesystem::remove(item.path());
      break;
    }
  }
  CIECache source;
  source.SetCachePath(cache);
  ASSERT_EQ(source.LoadEntries(), 3);
  EXPECT_EQ(Comb(source), 2);
  EXPECT_EQ(pass->GetUnreadableCount(), 1u);
  EXPECT_EQ(Contents(out),
            (std::set<std::string>{"GIF89a logo body", "\xFF\xD8\xFF\xE0 jpeg body"}));
}
