#include <gtest/gtest.h>
#include <sys/stat.h>

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
  return text ? text : "<none>";
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

  UrlCacheEnumerator enumerator;
  ASSERT_TRUE(enumerator.OpenIndex(dir.Path()));
  const UrlCacheItem* first = enumerator.First();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->SizeLow, 5u);
  EXPECT_EQ(first->SizeHigh, 1u);
  EXPECT_EQ(first->LastModifiedTime, UrlCacheIndexWriter::FileTime(1000000000));
  EXPECT_EQ(first->LastSyncTime, UrlCacheIndexWriter::FileTime(1440500722));
  EXPECT_EQ(Str(first->HeaderInfo), *big.HeaderInfo);
  EXPECT_EQ(first->HeaderInfoSize, big.HeaderInfo->size());

  std::vector<std::string> seen;
  for (const UrlCacheItem* item = first; item; item = enumerator.Next()) {
    seen.push_back(Str(item->SourceUrlName) + " " + Str(item->LocalFileName) + " " +
                   (item->HeaderInfo ? "headers" : "no headers"));
  }
  const std::string at = dir.Path();
  EXPECT_EQ(seen,
            (std::vector<std::string>{
                "http://e.com/big.bin " + at + "/ABCD1234/big[1].bin headers",
                "http://e.com/top.gif " + at + "/top[1].gif headers",
                // No such directory; a directory or name that leaves the cache.
                "http://e.com/nodir.gif <none> headers",
                "http://e.com/escape.gif <none> headers",
                "http://e.com/up.gif <none> headers",
                // Bytes that are not UTF-8 are read as Windows-1252.
                "http://e.com/caf\xc3\xa9.gif " + at + "/ABCD1234/caf\xc3\xa9[1].gif no headers",
            }));
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
  large.HeaderInfo = "HTTP/1.1 200 OK\r\nX-Padding: " + std::string(3000, 'h') + "\r\n\r\n";
  writer.AddUrl(large);
  writer.AddUrl(Item("http://e.com/after.gif", "after[1].gif"));
  ASSERT_TRUE(writer.WriteTo(dir / "index.dat"));

  UrlCacheEnumerator enumerator;
  EXPECT_EQ(enumerator.Next(), nullptr);  // before First
  ASSERT_TRUE(enumerator.OpenIndex(dir.Path()));
  EXPECT_EQ(enumerator.Next(), nullptr);
  ASSERT_NE(enumerator.First(), nullptr);
  EXPECT_EQ(enumerator.BufferSize(), UrlCacheEnumerator::FirstRequestSize);

  const UrlCacheItem* item = enumerator.Next();
  ASSERT_NE(item, nullptr);
  const std::string file = dir.Path() + "/ABCD1234/large[1].gif";
  EXPECT_EQ(Str(item->SourceUrlName), large.Url);
  EXPECT_EQ(Str(item->HeaderInfo), *large.HeaderInfo);
  EXPECT_EQ(Str(item->LocalFileName), file);
  // Exactly what the item needed: the record and its three strings.
  const size_t needed =
      sizeof(UrlCacheItem) + large.Url.size() + large.HeaderInfo->size() + file.size() + 3;
  EXPECT_EQ(enumerator.BufferSize(), needed);

  ASSERT_NE(item = enumerator.Next(), nullptr);
  EXPECT_EQ(Str(item->SourceUrlName), "http://e.com/after.gif");
  EXPECT_EQ(enumerator.Next(), nullptr);
  ASSERT_NE(enumerator.First(), nullptr);
  EXPECT_EQ(enumerator.BufferSize(), needed);

  // A folder without an index, or with something else by that name, has no items.
  TempDir empty;
  EXPECT_FALSE(enumerator.OpenIndex(empty.Path()));
  EXPECT_EQ(enumerator.First(), nullptr);
  vorlane::test::WriteFile(empty / "index.dat", std::string(20000, 'x'));
  EXPECT_FALSE(enumerator.OpenIndex(empty.Path()));
  EXPECT_EQ(enumerator.First(), nullptr);
  ASSERT_TRUE(Platform::DeleteFile(empty / "index.dat"));
  ASSERT_EQ(::mkfifo((empty / "index.dat").c_str(), 0600), 0);
  EXPECT_FALSE(enumerator.OpenIndex(empty.Path()));  // rather than wait for a writer
}

TEST(UrlCacheFolder, WinePrefixRule) {
  const std::string current = "AppData/Local/Microsoft/Windows/INetCache/Content.IE5";
  const std::string older = "Local Settings/Temporary Internet Files/Content.IE5";
  struct Case {
    std::vector<std::string> Indexes;  // folders under drive_c/users that hold one
    std::string Expected;              // "" for none
  };
  const std::vector<Case> cases = {
      {{}, ""},
      {{"joe/" + current}, "joe/" + current},
      {{"joe/" + older}, "joe/" + older},
      {{"joe/" + older, "joe/" + current}, "joe/" + current},
      {{"zoe/" + current, "bob/" + older}, "bob/" + older},
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
        << c.Expected;
  }

  TempDir home;
  vorlane::test::ScopedEnv homeEnv("HOME", home.Path());
  vorlane::test::ScopedEnv env("WINEPREFIX", "");
  vorlane::test::WriteFile(home / (".wine/drive_c/users/joe/" + older + "/index.dat"), "x");
  EXPECT_EQ(Platform::FindUrlCacheFolder(), home / (".wine/drive_c/users/joe/" + older));
}
