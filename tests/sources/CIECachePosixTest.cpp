#include <gtest/gtest.h>
#include <sys/stat.h>

#include "IECacheFolder.h"
#include "platform/Files.h"
#include "sources/urlcache/CIECache.h"
#include "support/SaveEntry.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

using vorlane::test::Headers;
using vorlane::test::TempDir;
using vorlane::test::UrlCacheIndexWriter;

TEST(CIECache, EmptyCachePathFindsTheWinePrefixCache) {
  TempDir prefix;
  vorlane::test::ScopedEnv env("WINEPREFIX", prefix.Path());
  CIECache source;
  EXPECT_EQ(source.LoadEntries(), 0);  // no cache at all

  vorlane::test::IECacheFolder cache(UrlCacheIndexWriter::Signature::Wine2012);
  cache.Add("http://e.com/logo.png", Headers("image/png"), "png!");
  const std::string folder =
      prefix / "drive_c/users/joe/AppData/Local/Microsoft/Windows/INetCache/Content.IE5";
  ASSERT_TRUE(cache.Writer.WriteTo(folder + "/index.dat"));
  ASSERT_EQ(source.LoadEntries(), 1);
  EXPECT_EQ(source.GetFirst()->LocalFile, folder + "/ENG3X4ZR/item0[1].bin");
  EXPECT_EQ(source.GetCachePath(), "");
}

TEST(CIECache, APipeInPlaceOfTheCachedFileIsRefused) {
  vorlane::test::MessageRecorder messages;
  vorlane::test::IECacheFolder cache;
  cache.Add("http://e.com/pipe.gif", Headers("image/gif"), "GIF89a");
  CIECache source;
  source.SetCachePath(cache.Write());
  ASSERT_EQ(source.LoadEntries(), 1);
  TempDir out;
  // Refused rather than waited on, and no temporary is left behind.
  const std::string pipe = source.GetAt(0)->LocalFile;
  ASSERT_TRUE(Platform::DeleteFile(pipe));
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(vorlane::test::SaveEntryAs(source, *source.GetAt(0), out / "pipe.gif").Saved);
  EXPECT_TRUE(vorlane::test::ListNames(out.Path()).empty());
  EXPECT_TRUE(messages.Texts().empty());
}
