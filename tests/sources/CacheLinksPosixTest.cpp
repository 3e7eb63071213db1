// A cache folder may come from another machine or a disk image: no link inside it is
// followed, and reading it leaves even the access times as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>

#include "sources/chromium/ChromiumCacheFolder.h"
#include "sources/mozilla/CMozillaCache.h"
#include "sources/urlcache/CIECache.h"
#include "support/ChromiumSimpleWriter.h"
#include "support/MozillaCache2Writer.h"
#include "support/MozillaV1Writer.h"
#include "support/SaveEntry.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

namespace fs = std::filesystem;
using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::UrlCacheIndexWriter;
using vorlane::test::WriteFile;

namespace {

// The entry's file, or the folder it lies in, becomes a link to a secret outside.
void ReplaceWithLink(const std::string& path, bool folder, const std::string& secret) {
  const fs::path target = folder ? fs::path(path).parent_path() : fs::path(path);
  fs::remove_all(target);
  if (folder) {
    fs::create_directories(fs::path(secret).parent_path() / "dir");
    fs::copy_file(secret, fs::path(secret).parent_path() / "dir" / fs::path(path).filename());
    fs::create_directory_symlink(fs::path(secret).parent_path() / "dir", target);
  } else {
    fs::create_symlink(secret, target);
  }
}

int64_t AccessTime(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info.st_atim.tv_sec;
}

}  // namespace

TEST(CacheLinks, NoFormatFollowsALinkBelowTheCacheFolder) {
  for (const bool folder : {false, true}) {
    SCOPED_TRACE(folder ? "a linked folder" : "a linked file");
    TempDir dir;
    const std::string secret = dir / "outside/shadow";
    WriteFile(secret, "secret");

    vorlane::test::MozillaV1Writer v1;
    v1.Add(vorlane::test::MozillaV1Item("http://e.com/big.jpg", std::string(20000, 'j')));
    ASSERT_TRUE(v1.Write(dir / "v1"));
    CMozillaCache firefox;
    firefox.SetCachePath(dir / "v1");
    ASSERT_TRUE(firefox.TryOpen());
    ASSERT_EQ(firefox.LoadEntries(), 1);
    ReplaceWithLink(firefox.GetEntryFile(*firefox.GetFirst()), folder, secret);
    EXPECT_FALSE(firefox.OpenContent(*firefox.GetFirst()));

    UrlCacheIndexWriter index;
    index.AddDirectory("ENG3X4ZR");
    UrlCacheIndexWriter::UrlItem item;
    item.Url = "http://e.com/a.gif";
    item.FileName = "a[1].gif";
    item.HeaderInfo = "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\n";
    index.AddUrl(item);
    WriteFile(dir / "ie/ENG3X4ZR/a[1].gif", "GIF89a");
    ASSERT_TRUE(index.WriteTo(dir / "ie/index.dat"));
    CIECache ie;
    ie.SetCachePath(dir / "ie");
    ASSERT_EQ(ie.LoadEntries(), 1);
    ReplaceWithLink(ie.GetFirst()->LocalFile, folder, secret);
    TempDir out;
    EXPECT_FALSE(vorlane::test::SaveEntry(ie, *ie.GetFirst(), out / "x"));
    EXPECT_TRUE(vorlane::test::ListNames(out.Path()).empty());
  }

  // cache2: a linked entries/ folder is no cache; the cache folder itself may be a link.
  TempDir dir;
  vorlane::test::MozillaCache2Writer writer;
  writer.Add(vorlane::test::MozillaCache2Item("http://e.com/s.js", "script"));
  ASSERT_TRUE(writer.Write(dir / "real"));
  fs::create_directory_symlink(dir / "real", dir / "through-a-link");
  CMozillaCache linked;
  linked.SetCachePath(dir / "through-a-link");
  ASSERT_TRUE(linked.TryOpen());
  EXPECT_EQ(linked.LoadEntries(), 1);
  fs::create_directory(dir / "other");
  fs::rename(dir / "real/entries", dir / "other/entries");
  fs::create_directory_symlink(dir / "other/entries", dir / "real/entries");
  CMozillaCache inside;
  inside.SetCachePath(dir / "real");
  EXPECT_FALSE(inside.TryOpen());
}

TEST(CacheLinks, ReadingLeavesAccessTimesAlone) {
  TempDir dir;
  vorlane::test::MozillaCache2Writer writer;
  writer.Add(vorlane::test::MozillaCache2Item("http://e.com/s.js", "script body"));
  ASSERT_TRUE(writer.Write(dir / "cache"));
  // An access time older than the modification time is what relatime would refresh.
  std::vector<std::string> files;
  for (const auto& item : fs::recursive_directory_iterator(dir / "cache")) {
    files.push_back(item.path().string());
  }
  files.push_back(dir / "cache");
  for (const std::string& file : files) {
    const utimbuf times{1000000, 2000000000};
    ASSERT_EQ(::utime(file.c_str(), &times), 0);
  }
  CMozillaCache cache;
  cache.SetCachePath(dir / "cache");
  ASSERT_TRUE(cache.TryOpen());
  ASSERT_EQ(cache.LoadEntries(), 1);
  TempDir out;
  ASSERT_TRUE(vorlane::test::SaveEntry(cache, *cache.GetFirst(), out / "s.js"));
  EXPECT_EQ(ReadFile(out / "s.js"), "script body");
  for (const std::string& file : files) EXPECT_EQ(AccessTime(file), 1000000) << file;
}

// Looking for a Chromium cache without its index-dir lists the profile's folders: none
// of their access times moves.
TEST(CacheLinks, FindingAChromiumCacheLeavesAccessTimesAlone) {
  TempDir dir;
  const std::string data = dir / "profile/Cache/Cache_Data";
  fs::create_directories(data);
  vorlane::test::ChromiumSimpleItem item;
  item.Key = "http://e.com/a.js";
  item.Stream0 = vorlane::test::ChromiumResponseInfo();
  item.Stream1 = "body";
  WriteFile(data + "/0123456789abcdef_0", vorlane::test::ChromiumSimpleWriter::EntryFile(item));
  WriteFile(data + "/index", "not the index the check needs");
  const std::vector<std::string> folders = {dir / "profile", dir / "profile/Cache", data};
  for (const std::string& folder : folders) {
    const utimbuf times{1000000, 2000000000};
    ASSERT_EQ(::utime(folder.c_str(), &times), 0);
  }
  EXPECT_EQ(ResolveChromiumCacheFolder(dir / "profile"), data);
  for (const std::string& folder : folders) EXPECT_EQ(AccessTime(folder), 1000000) << folder;
}
