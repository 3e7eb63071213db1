#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/BrowserTable.h"
#include "sources/CacheFormats.h"
#include "sources/mozilla/CMozillaCache.h"
#include "support/MozillaV1Writer.h"
#include "support/TestSupport.h"

using namespace vorlane::test;

// The XDG layout of the Firefox profiles' caches; a browser built from Firefox finds
// its own, in the places of its row.
TEST(MozillaCache, EmptyCachePathUsesTheProfileCache) {
  TempDir home;
  ScopedEnv homeEnv("HOME", home.Path());
  ScopedEnv cacheEnv("XDG_CACHE_HOME", home / "cache");
  const Platform::BrowserPlaces& firefox = Browsers()[Firefox].Places;
  {
    CMozillaCache cache(firefox);
    EXPECT_FALSE(cache.TryOpen());
    EXPECT_EQ(cache.GetCachePath(), "");
  }
  const std::string folder = home / "cache/mozilla/firefox/abcd1234.default/Cache";
  MozillaV1Writer writer;
  writer.Add(MozillaV1Item("http://example.com/a", "abc"));
  ASSERT_TRUE(writer.Write(folder));
  CMozillaCache cache(firefox);
  ASSERT_TRUE(cache.TryOpen());
  EXPECT_EQ(cache.GetCachePath(), folder);
  EXPECT_EQ(cache.LoadEntries(), 1);

  const Platform::BrowserPlaces& floorp = Browsers()[Floorp].Places;
  const std::unique_ptr<CCacheBrowser> none = MakeSource(*FindCacheFormat("mozilla"), floorp, "");
  EXPECT_FALSE(none->TryOpen());
  const std::string own = home / "cache/floorp/ab.default-release/Cache";
  ASSERT_TRUE(writer.Write(own));
  const std::unique_ptr<CCacheBrowser> source = MakeSource(*FindCacheFormat("mozilla"), floorp, "");
  ASSERT_TRUE(source->TryOpen());
  EXPECT_EQ(source->GetCachePath(), own);
}
