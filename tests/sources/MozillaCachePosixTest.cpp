#include <gtest/gtest.h>

#include <string>

#include "sources/mozilla/CMozillaCache.h"
#include "support/MozillaV1Writer.h"
#include "support/TestSupport.h"

using namespace vorlane::test;

// The XDG layout of the Firefox profiles' caches.
TEST(MozillaCache, EmptyCachePathUsesTheProfileCache) {
  TempDir home;
  ScopedEnv homeEnv("HOME", home.Path());
  ScopedEnv cacheEnv("XDG_CACHE_HOME", home / "cache");
  {
    CMozillaCache cache;
    EXPECT_FALSE(cache.TryOpen());
    EXPECT_EQ(cache.GetCachePath(), "");
  }
  const std::string folder = home / "cache/mozilla/firefox/abcd1234.default/Cache";
  MozillaV1Writer writer;
  writer.Add(MozillaV1Item("http://example.com/a", "abc"));
  ASSERT_TRUE(writer.Write(folder));
  CMozillaCache cache;
  ASSERT_TRUE(cache.TryOpen());
  EXPECT_EQ(cache.GetCachePath(), folder);
  EXPECT_EQ(cache.LoadEntries(), 1);
}
