#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/UrlCache.h"
#include "platform/win32/WinInetEnumerator.h"
#include "sources/urlcache/UrlCacheFolder.h"
#include "support/SystemUrlCache.h"
#include "support/TestSupport.h"

namespace {

std::map<std::string, Platform::UrlCacheEntry> ByUrl(Platform::UrlCacheEnumerator& cache) {
  std::map<std::string, Platform::UrlCacheEntry> entries;
  while (auto entry = cache.Next()) entries[entry->SourceUrl] = *entry;
  return entries;
}

}  // namespace

// What a test commits to the system's cache comes back through the enumerator: full
// paths of the cached files, sizes, stored heads and types, also for URLs that are not
// ASCII and for records larger than the first buffer.
TEST(SystemUrlCache, EnumeratesTheEntriesCommitted) {
  struct Item {
    std::string Url;
    std::string Body;
    std::string Headers;
  };
  const Item items[] = {
      {"http://vorlane.test/plain.txt", "plain body",
       "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n"},
      {"http://vorlane.test/Bild-\xC3\xA4\xE2\x82\xAC.jpg", "\xFF\xD8\xFF jpeg",
       "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n"},
      {"http://vorlane.test/long-head.css", "a{}",
       "HTTP/1.1 200 OK\r\nContent-Type: text/css\r\nX-Padding: " + std::string(9000, 'p') +
           "\r\n\r\n"},
  };
  vorlane::test::SystemUrlCacheEntries committed;
  std::map<std::string, std::string> files;
  for (const Item& item : items) {
    files[item.Url] = committed.Commit(item.Url, item.Body, item.Headers, "bin");
    ASSERT_FALSE(files[item.Url].empty()) << item.Url;
  }

  const auto system = Platform::OpenSystemUrlCache();
  ASSERT_TRUE(system);
  const auto entries = ByUrl(*system);
  for (const Item& item : items) {
    SCOPED_TRACE(item.Url);
    ASSERT_EQ(entries.count(item.Url), 1u);
    const Platform::UrlCacheEntry& entry = entries.at(item.Url);
    EXPECT_EQ(entry.LocalFile, files[item.Url]);
    EXPECT_TRUE(entry.RelativeFile.empty());
    EXPECT_EQ(vorlane::test::ReadFile(entry.LocalFile), item.Body);
    EXPECT_EQ(entry.Size, item.Body.size());
    EXPECT_NE(entry.CacheEntryType & Platform::NormalCacheEntry, 0u);
    ASSERT_TRUE(entry.HasHeaderInfo);
    EXPECT_NE(entry.HeaderInfo.find(item.Headers.substr(0, item.Headers.size() - 2)),
              std::string::npos);
  }

  // A buffer far too small grows until each record fits, and loses none of them.
  Platform::Win32::WinInetEnumerator small(64);
  EXPECT_EQ(ByUrl(small).size(), entries.size());
  EXPECT_GT(small.BufferGrowths(), 0);

  // The cache's index file lies where the index reader would look for it.
  const UrlCacheFolderSearch search = FindUrlCacheFolder();
  EXPECT_NE(search.LookedAt.find("Content.IE5"), std::string::npos) << search.LookedAt;
  if (search.Folder) {
    EXPECT_TRUE(Platform::FileExists(Platform::JoinPath(*search.Folder, "index.dat")));
  }
}
