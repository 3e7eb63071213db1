#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/CacheFiles.h"
#include "sources/urlcache/UrlCacheIndexReader.h"
#include "support/TestSupport.h"

TEST(UrlCacheIndexEnumerator, AFifoInPlaceOfTheIndexIsNone) {
  vorlane::test::TempDir empty;
  ASSERT_EQ(::mkfifo((empty / "index.dat").c_str(), 0600), 0);
  Platform::OpenFolder root;
  ASSERT_TRUE(root.Open(empty.Path()));
  EXPECT_FALSE(UrlCacheIndexEnumerator::Open(root));  // rather than wait for a writer
}
