#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sources/CacheFormats.h"
#include "support/TestSupport.h"

using vorlane::test::FixturePath;

TEST(CacheFormats, IdsAreUniqueAndFoundAgain) {
  for (const CacheFormat* format : CacheFormats()) {
    EXPECT_EQ(FindCacheFormat(format->Id), format) << format->Id;
    EXPECT_FALSE(format->DisplayName.empty());
  }
  EXPECT_EQ(FindCacheFormat("webkit-unknown"), nullptr);
  EXPECT_EQ(FindCacheFormat(""), nullptr);
}

// Each format knows its own caches and no other's, and its source opens what it says it
// holds: the real caches of every format, and folders that come close.
TEST(CacheFormats, EachHoldsItsOwnCachesOnly) {
  const struct {
    const char* Folder;
    std::string_view Format;  // "": no format's
  } cases[] = {
      {"firefox-v1/firefox-4.0-dtformats", "mozilla"},
      {"firefox-v1/firefox-3.5-blockfiles-only", ""},  // block files without their map
      {"firefox-cache2/firefox-50.0", "mozilla"},
      {"firefox-cache2/firefox-50.0/entries", ""},
      {"chromium/simple-68.0", "chromium"},
      {"chromium/blockfile-18.0", "chromium"},
      {"msiecf/Content.IE5", "urlcache"},
      {"wine-urlcache/Content.IE5", "urlcache"},
      {"images", ""},
      {"no-such-folder", ""},
  };
  for (const auto& c : cases) {
    const std::string folder = FixturePath(c.Folder);
    for (const CacheFormat* format : CacheFormats()) {
      SCOPED_TRACE(std::string(c.Folder) + " as " + std::string(format->Id));
      EXPECT_EQ(format->HoldsCache(folder), format->Id == c.Format);
      if (format->Id != c.Format) continue;
      const std::unique_ptr<CCacheBrowser> source = MakeSource(*format, {}, folder);
      EXPECT_TRUE(source->TryOpen());
      EXPECT_EQ(source->GetCachePath(), folder);
      source->Close();
    }
  }
}
