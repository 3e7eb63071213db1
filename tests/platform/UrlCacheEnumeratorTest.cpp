#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "platform/UrlCache.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

using Platform::UrlCacheEnumerator;
using Platform::UrlCacheItem;
using vorlane::test::TempDir;
using vorlane::test::UrlCacheIndexWriter;

namespace {

std::string Str(const char* text) {
  return text ? text : "<null>";
}

UrlCacheIndexWriter::UrlItem Item(std::string url, std::string fileName, uint8_t directory = 0) {
  UrlCacheIndexWriter::UrlItem item;
  item.Url = std::move(url);
  item.FileName = std::move(fileName);
  item.DirectoryIndex = directory;
  item.HeaderInfo = "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\n";
  return item;
}

}  // namespace

TEST(UrlCacheEnumerator, ItemsCarryFullPathsAndNumbers) {
  TempDir dir;
  UrlCacheIndexWriter writer;
  writer.AddDirectory("ABCD1234");
  writer.AddDirectory("..");
  auto big = Item("http://e.com/big.bin", "big[1].bin");
  big.Size = 0x100000005ull;
  big.EntryType = 0x00000045;
  big.LastModifiedTime = UrlCacheIndexWriter::FileTime(1000000000);
  big.LastAccessTime = UrlCacheIndexWriter::FileTime(1400000000);
  big.ExpireFat = UrlCacheIndexWriter::FatDateTime(2016, 2, 21, 11, 5, 30);
  big.LastSyncFat = UrlCacheIndexWriter::FatDateTime(2015, 8, 25, 11, 5, 22);
  writer.AddUrl(big);
  writer.AddUrl(Item("http://e.com/top.gif", "top[1].gif", 0xFE));
  writer.AddUrl(Item("http://e.com/nodir.gif", "nodir[1].gif", 7));
  writer.AddUrl(Item("http://e.com/escape.gif", "escape[1].gif", 1));
  writer.AddUrl(Item("http://e.com/up.gif", "../../up.gif"));
  writer.AddUrl(Item("http://e.com/nofile", ""));
  auto headerless = Item("http://e.com/headerless.gif", "headerless[1].gif");
  headerless.HeaderInfo.reset();
  writer.AddUrl(headerless);
  auto caf = Item("http://e.com/caf\xe9.gif", "caf\xe9[1].gif");
  writer.AddUrl(caf);
  ASSERT_TRUE(writer.WriteTo(dir / "index.dat"));

  UrlCacheEnumerator enumerator;
  ASSERT_TRUE(enumerator.OpenIndex(dir.Path()));
  struct Seen {
    std::string Url, File, Headers;
  };
  std::vector<Seen> seen;
  const UrlCacheItem* first = enumerator.First();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->SizeLow, 5u);
  EXPECT_EQ(first->SizeHigh, 1u);
  EXPECT_EQ(first->CacheEntryType, 0x45u);
  EXPECT_EQ(first->LastModifiedTime, UrlCacheIndexWriter::FileTime(1000000000));
  EXPECT_EQ(first->LastAccessTime, UrlCacheIndexWriter::FileTime(1400000000));
  EXPECT_EQ(first->ExpireTime, UrlCacheIndexWriter::FileTime(1456052730));
  EXPECT_EQ(first->LastSyncTime, UrlCacheIndexWriter::FileTime(1440500722));
  EXPECT_EQ(first->HeaderInfoSize, 44u);
  for (const UrlCacheItem* item = first; item; item = enumerator.Next()) {
    seen.push_back({Str(item->SourceUrlName), Str(item->LocalFileName), Str(item->HeaderInfo)});
  }
  const std::string folder = dir.Path();
  ASSERT_EQ(seen.size(), 8u);
  EXPECT_EQ(seen[0].File, folder + "/ABCD1234/big[1].bin");
  EXPECT_EQ(seen[0].Headers, "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\n");
  EXPECT_EQ(seen[1].File, folder + "/top[1].gif");
  EXPECT_EQ(seen[2].File, "<null>");  // directory 7 does not exist
  EXPECT_EQ(seen[3].File, "<null>");  // directory ".." would leave the cache
  EXPECT_EQ(seen[4].File, "<null>");  // so would the name
  EXPECT_EQ(seen[5].File, "<null>");
  EXPECT_EQ(seen[6].Headers, "<null>");
  EXPECT_EQ(seen[6].File, folder + "/ABCD1234/headerless[1].gif");
  // Bytes that are not UTF-8 are read as Windows-1252.
  EXPECT_EQ(seen[7].Url, "http://e.com/caf\xc3\xa9.gif");
  EXPECT_EQ(seen[7].File, folder + "/ABCD1234/caf\xc3\xa9[1].gif");

  // The end stays the end; First starts over.
  EXPECT_EQ(enumerator.Next(), nullptr);
  ASSERT_NE(enumerator.First(), nullptr);
  EXPECT_EQ(Str(enumerator.First()->SourceUrlName), "http://e.com/big.bin");
}

TEST(UrlCacheEnumerator, LargeItemsGrowTheBufferWhichNeverShrinks) {
  TempDir dir;
  UrlCacheIndexWriter writer;
  writer.AddDirectory("ABCD1234");
  writer.AddUrl(Item("http://e.com/small.gif", "small[1].gif"));
  auto large = Item("http://e.com/" + std::string(5000, 'u'), "large[1].gif");
  large.HeaderInfo = "HTTP/1.1 200 OK\r\nX-Padding: " + std::string(3000, 'h') +
                     "\r\nContent-Type: image/gif\r\n\r\n";
  writer.AddUrl(large);
  writer.AddUrl(Item("http://e.com/after.gif", "after[1].gif"));
  ASSERT_TRUE(writer.WriteTo(dir / "index.dat"));

  UrlCacheEnumerator enumerator;
  ASSERT_TRUE(enumerator.OpenIndex(dir.Path()));
  ASSERT_NE(enumerator.First(), nullptr);
  EXPECT_EQ(enumerator.BufferSize(), UrlCacheEnumerator::FirstRequestSize);

  const UrlCacheItem* item = enumerator.Next();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(Str(item->SourceUrlName), large.Url);
  EXPECT_EQ(Str(item->HeaderInfo), *large.HeaderInfo);
  EXPECT_EQ(Str(item->LocalFileName), dir.Path() + "/ABCD1234/large[1].gif");
  // Exactly what the item needed: the record and its three strings.
  const size_t needed = sizeof(UrlCacheItem) + large.Url.size() + 1 + large.HeaderInfo->size() + 1 +
                        (dir.Path() + "/ABCD1234/large[1].gif").size() + 1;
  EXPECT_EQ(enumerator.BufferSize(), needed);

  item = enumerator.Next();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(Str(item->SourceUrlName), "http://e.com/after.gif");
  EXPECT_EQ(enumerator.Next(), nullptr);
  ASSERT_NE(enumerator.First(), nullptr);
  EXPECT_EQ(enumerator.BufferSize(), needed);
}

TEST(UrlCacheEnumerator, NoIndexMeansNoItems) {
  TempDir dir;
  UrlCacheEnumerator enumerator;
  EXPECT_EQ(enumerator.First(), nullptr);
  EXPECT_EQ(enumerator.Next(), nullptr);
  EXPECT_FALSE(enumerator.OpenIndex(dir.Path()));
  EXPECT_EQ(enumerator.First(), nullptr);

  vorlane::test::WriteFile(dir / "index.dat", std::string(20000, 'x'));
  EXPECT_FALSE(enumerator.OpenIndex(dir.Path()));
  EXPECT_EQ(enumerator.First(), nullptr);

  // Next before First yields nothing even with an index.
  UrlCacheIndexWriter writer;
  writer.AddUrl(Item("http://e.com/a.gif", "a.gif", 0xFE));
  ASSERT_TRUE(writer.WriteTo(dir / "index.dat"));
  ASSERT_TRUE(enumerator.OpenIndex(dir.Path()));
  EXPECT_EQ(enumerator.Next(), nullptr);
  EXPECT_NE(enumerator.First(), nullptr);
}

TEST(UrlCacheFolder, WinePrefixRule) {
  const std::string current = "AppData/Local/Microsoft/Windows/INetCache/Content.IE5";
  const std::string older = "Local Settings/Temporary Internet Files/Content.IE5";
  struct Case {
    const char* Name;
    std::vector<std::string> Indexes;  // relative to drive_c/users
    std::string Expected;              // relative to drive_c/users; "" for none
  };
  const std::vector<Case> cases = {
      {"no index anywhere", {}, ""},
      {"current layout", {"joe/" + current}, "joe/" + current},
      {"older layout", {"joe/" + older}, "joe/" + older},
      {"both layouts", {"joe/" + older, "joe/" + current}, "joe/" + current},
      {"users by name", {"zoe/" + current, "bob/" + older}, "bob/" + older},
  };
  for (const Case& c : cases) {
    TempDir prefix;
    vorlane::test::ScopedEnv env("WINEPREFIX", prefix.Path());
    const std::string users = prefix / "drive_c/users";
    ASSERT_TRUE(Platform::CreateFolderTree(users + "/Public/" + current));
    for (const std::string& index : c.Indexes) {
      vorlane::test::WriteFile(users + "/" + index + "/index.dat", "x");
    }
    EXPECT_EQ(Platform::FindUrlCacheFolder(), c.Expected.empty() ? "" : users + "/" + c.Expected)
        << c.Name;
  }

  // Without WINEPREFIX the prefix is ~/.wine.
  TempDir home;
  vorlane::test::ScopedEnv homeEnv("HOME", home.Path());
  vorlane::test::ScopedEnv env("WINEPREFIX", "");
  vorlane::test::WriteFile(home / (".wine/drive_c/users/joe/" + older + "/index.dat"), "x");
  EXPECT_EQ(Platform::FindUrlCacheFolder(), home / (".wine/drive_c/users/joe/" + older));
}
