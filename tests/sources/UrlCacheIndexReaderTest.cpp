#include <gtest/gtest.h>

#include "platform/CacheFiles.h"
#include "sources/urlcache/UrlCacheIndexReader.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

using vorlane::test::TempDir;
using vorlane::test::UrlCacheIndexWriter;

namespace {

UrlCacheIndexWriter::UrlItem Item(std::string url, std::string fileName, uint8_t directory = 0) {
  UrlCacheIndexWriter::UrlItem item;
  item.Url = std::move(url);
  item.FileName = std::move(fileName);
  item.DirectoryIndex = directory;
  item.HeaderInfo = "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\n";
  return item;
}

std::unique_ptr<UrlCacheIndexEnumerator> OpenIn(const std::string& folder,
                                                std::string* failure = nullptr) {
  Platform::OpenFolder root;
  if (!root.Open(folder)) return nullptr;
  return UrlCacheIndexEnumerator::Open(root, failure);
}

}  // namespace

TEST(UrlCacheIndexEnumerator, EntriesNameTheirFileBelowTheCacheFolder) {
  TempDir dir;
  UrlCacheIndexWriter writer;
  writer.AddDirectory("ABCD1234");
  writer.AddDirectory("..");
  auto big = Item("http://e.com/big.bin", "big[1].bin");
  big.Size = 0x100000005ull;
  big.LastModifiedTime = UrlCacheIndexWriter::FileTime(1000000000);
  big.LastSyncFat = UrlCacheIndexWriter::FatDateTime(2015, 8, 25, 11, 5, 22);
  writer.AddUrl(big);
  writer.AddUrl(Item("http://e.com/top.gif", "top[1].gif", 0xFE));
  writer.AddUrl(Item("http://e.com/nodir.gif", "nodir[1].gif", 7));
  writer.AddUrl(Item("http://e.com/escape.gif", "escape[1].gif", 1));
  writer.AddUrl(Item("http://e.com/up.gif", "../../up.gif"));
  auto headerless = Item("http://e.com/caf\xe9.gif", "caf\xe9[1].gif");
  headerless.HeaderInfo.reset();
  writer.AddUrl(headerless);
  ASSERT_TRUE(writer.WriteTo(dir / "index.dat"));

  const auto enumerator = OpenIn(dir.Path());
  ASSERT_TRUE(enumerator);
  const auto first = enumerator->Next();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Size, 0x100000005ull);
  EXPECT_EQ(first->LastModifiedTime, UrlCacheIndexWriter::FileTime(1000000000));
  EXPECT_EQ(first->LastSyncTime, UrlCacheIndexWriter::FileTime(1440500722));
  EXPECT_EQ(first->HeaderInfo, *big.HeaderInfo);
  EXPECT_TRUE(first->LocalFile.empty());

  std::vector<std::string> seen{first->SourceUrl + " " + first->RelativeFile + " headers"};
  while (const auto entry = enumerator->Next()) {
    seen.push_back(entry->SourceUrl + " " +
                   (entry->RelativeFile.empty() ? "<none>" : entry->RelativeFile) + " " +
                   (entry->HasHeaderInfo ? "headers" : "no headers"));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "http://e.com/big.bin ABCD1234/big[1].bin headers",
                      "http://e.com/top.gif top[1].gif headers",
                      // No such directory; a directory or name that leaves the cache.
                      "http://e.com/nodir.gif <none> headers",
                      "http://e.com/escape.gif <none> headers",
                      "http://e.com/up.gif <none> headers",
                      // Bytes that are not UTF-8 are read as Windows-1252.
                      "http://e.com/caf\xc3\xa9.gif ABCD1234/caf\xc3\xa9[1].gif no headers",
                  }));
  EXPECT_FALSE(enumerator->Next());
}

TEST(UrlCacheIndexEnumerator, AFolderWithoutAnIndexHasNone) {
  TempDir empty;
  std::string failure;
  EXPECT_FALSE(OpenIn(empty.Path(), &failure));
  EXPECT_FALSE(failure.empty());
  vorlane::test::WriteFile(empty / "index.dat", std::string(20000, 'x'));
  EXPECT_FALSE(OpenIn(empty.Path(), &failure));
  EXPECT_EQ(failure, "not a URL cache index");
}
