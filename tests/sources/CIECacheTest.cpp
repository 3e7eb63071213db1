#include <gtest/gtest.h>

#include <map>

#include "IECacheFolder.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "sources/urlcache/CIECache.h"
#include "support/MozillaCache2Writer.h"
#include "support/SaveEntry.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

using vorlane::test::Headers;
using vorlane::test::TempDir;
using vorlane::test::UrlCacheIndexWriter;

namespace {

constexpr int64_t Aug25th2015 = 1440500722;  // 2015-08-25 11:05:22 UTC

}  // namespace

TEST(CIECache, ContentTypeFromHeaders) {
  const std::pair<std::string, std::string> cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\n", "image/gif"},
      {"HTTP/1.1 200 OK\r\ncontent-type: image/png\r\n", "image/png"},
      {"HTTP/1.1 200 OK\r\nCONTENT-TYPE: IMAGE/JPEG\r\n", "IMAGE/JPEG"},
      {"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n", "text/html; charset=UTF-8"},
      {"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n~U:joe\r\n", ""},
      {"", ""},
      // A line that is only the name has no value.
      {"HTTP/1.1 200 OK\r\nContent-Type:\r\nX: y\r\n", ""},
      // No blank, several blanks, a bare line feed, no line end at all.
      {"Content-Type:image/gif\r\n", "image/gif"},
      {"Content-Type: \t image/gif \r\n", "image/gif"},
      {"HTTP/1.1 200 OK\nContent-Type: image/gif\nX: y\n", "image/gif"},
      {"HTTP/1.1 200 OK\r\nContent-Type: image/gif", "image/gif"},
      // Only a header of that name counts, not one that ends with it.
      {"X-Original-Content-Type: text/html\r\nContent-Type: image/png\r\n", "image/png"},
      {"X-Original-Content-Type: text/html\r\n", ""},
  };
  for (const auto& [headers, expected] : cases) {
    EXPECT_EQ(CIECache::ContentTypeFromHeaders(headers), expected) << headers;
  }
}

TEST(CIECache, TimeFromFileTime) {
  const auto fileTime = UrlCacheIndexWriter::FileTime;
  const std::pair<uint64_t, int64_t> cases[] = {
      {0, 0},
      {fileTime(-86400), 0},
      {fileTime(0) + 9999999, 0},
      {fileTime(1), 1},
      {fileTime(Aug25th2015) + 5000000, Aug25th2015},
      {fileTime(4102444800), 4102444800},  // past 2038
  };
  for (const auto& [value, expected] : cases)
    EXPECT_EQ(CIECache::TimeFromFileTime(value), expected);
}

TEST(CIECache, ReadEntriesKeepsUsableItemsOnly) {
  vorlane::test::IECacheFolder cache;
  cache.Add("http://e.com/photo", Headers("image/jpeg"), "jpeg");
  cache.Add("Cookie:joe@e.com/", Headers("text/plain"), "c=1", 0x00100001);
  cache.Add("Visited: joe@http://e.com/", Headers("text/html"), "", 0x00200001);
  cache.Add("http://e.com/anim.gif", "HTTP/1.1 200 OK\r\n\r\n", "GIF8");
  cache.Add("http://e.com/LOUD", Headers("IMAGE/PNG"), "png!");
  UrlCacheIndexWriter::UrlItem item;
  item.Url = "http://e.com/bare.png";  // no stored headers, though its file exists
  item.FileName = "item5[1].bin";
  cache.Writer.AddUrl(item);
  vorlane::test::WriteFile(cache.Dir / "ENG3X4ZR/item5[1].bin", "png!");
  item.Url = "http://e.com/huge.flv";
  item.Size = 0x100000010ull;
  item.HeaderInfo = Headers("video/x-flv");
  cache.Writer.AddUrl(item);

  CIECache source;
  source.SetCachePath(cache.Write());
  ASSERT_EQ(source.LoadEntries(), 4);
  std::vector<std::string> seen;
  for (auto* entry = source.GetFirst(); entry; entry = source.GetNext(*entry)) {
    EXPECT_EQ(source.GetEntryFile(*entry), entry->LocalFile);
    seen.push_back(entry->SourceUrl + " [" + entry->MimeType + "] " + std::to_string(entry->Kind) +
                   " " + std::to_string(entry->Size) + " " + std::to_string(entry->Time));
  }
  const std::string time = std::to_string(Aug25th2015);
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "http://e.com/photo [image/jpeg] 1 4 " + time,
                      // No content type: the URL's extension decides.
                      "http://e.com/anim.gif [] 2 4 " + time,
                      // Capitals classify as nothing, and there is no extension to help.
                      "http://e.com/LOUD [IMAGE/PNG] 0 4 " + time,
                      // The whole 64-bit size; no sync time.
                      "http://e.com/huge.flv [video/x-flv] 6 4294967312 0",
                  }));
  EXPECT_EQ(source.GetFirst()->LocalFile, cache.Dir / "ENG3X4ZR/item0[1].bin");
}

class CIECacheCapture : public testing::TestWithParam<UrlCacheIndexWriter::Signature> {};

TEST_P(CIECacheCapture, SavesCachedFilesEndToEnd) {
  vorlane::test::IECacheFolder cache(GetParam());
  const std::string jpeg = "\xFF\xD8\xFF\xE0 jpeg bytes";
  cache.Add("http://e.com/a.jpg", Headers("image/jpeg"), jpeg);
  cache.Add("http://e.com/b.gif", Headers("image/gif"), "GIF89a");
  CIECache source;
  source.SetCachePath(cache.Write());
  ASSERT_TRUE(source.TryOpen());
  ASSERT_EQ(source.LoadEntries(), 2);

  TempDir out;
  std::map<std::string, std::string> saved;
  for (auto* entry = source.GetFirst(); entry; entry = source.GetNext(*entry)) {
    const std::string target = out / ("file" + std::to_string(entry->Index));
    const auto outcome = vorlane::test::SaveEntryAs(source, *entry, target);
    ASSERT_TRUE(outcome.Saved);
    EXPECT_EQ(outcome.BytesWritten, entry->Size);
    saved[entry->SourceUrl] = vorlane::test::ReadFile(target);
  }
  source.Close();
  EXPECT_EQ(saved, (std::map<std::string, std::string>{{"http://e.com/a.jpg", jpeg},
                                                       {"http://e.com/b.gif", "GIF89a"}}));
}

INSTANTIATE_TEST_SUITE_P(Signatures, CIECacheCapture,
                         testing::Values(UrlCacheIndexWriter::Signature::InternetExplorer,
                                         UrlCacheIndexWriter::Signature::Wine2012,
                                         UrlCacheIndexWriter::Signature::Wine2005));

TEST(CIECache, SavesCompressedBodiesDecoded) {
  vorlane::test::IECacheFolder cache;
  const std::string css = "body { color: red; }\n";
  cache.Add("http://e.com/s.css",
            "HTTP/1.1 200 OK\r\nContent-Type: text/css\r\nContent-Encoding: GZIP\r\n\r\n",
            vorlane::test::CompressBody("gzip", css));
  CIECache source;
  source.SetCachePath(cache.Write());
  ASSERT_EQ(source.LoadEntries(), 1);
  EXPECT_EQ(source.GetFirst()->ContentEncoding, "gzip");
  TempDir out;
  const auto outcome = vorlane::test::SaveEntryAs(source, *source.GetFirst(), out / "s.css");
  ASSERT_TRUE(outcome.Saved);
  EXPECT_EQ(vorlane::test::ReadFile(out / "s.css"), css);
  EXPECT_TRUE(outcome.Decoded);
  EXPECT_EQ(outcome.BytesWritten, css.size());
}

TEST(CIECache, FailedCopiesAreSilentAndLeaveFilesAlone) {
  vorlane::test::MessageRecorder messages;
  vorlane::test::IECacheFolder cache;
  cache.Add("http://e.com/a.gif", Headers("image/gif"), "GIF89a");
  cache.Add("http://e.com/gone.gif", Headers("image/gif"), "GIF89a");
  CIECache source;
  source.SetCachePath(cache.Write());
  ASSERT_EQ(source.LoadEntries(), 2);
  TempDir out;

  // The destination exists and may not be replaced.
  vorlane::test::WriteFile(out / "kept.gif", "old");
  auto outcome = vorlane::test::SaveEntryAs(source, *source.GetAt(0), out / "kept.gif");
  EXPECT_FALSE(outcome.Saved);
  EXPECT_TRUE(outcome.Existed);
  EXPECT_EQ(vorlane::test::ReadFile(out / "kept.gif"), "old");

  // The cached file went away.
  ASSERT_TRUE(Platform::DeleteFile(source.GetAt(1)->LocalFile));
  outcome = vorlane::test::SaveEntryAs(source, *source.GetAt(1), out / "gone.gif");
  EXPECT_FALSE(outcome.Saved);
  EXPECT_EQ(outcome.Result, CCacheBrowser::WriteResult::Unreadable);
  EXPECT_FALSE(Platform::FileExists(out / "gone.gif"));

  // Only the file that was there before: no temporary is left behind.
  EXPECT_EQ(vorlane::test::ListNames(out.Path()), (std::vector<std::string>{"kept.gif"}));

  EXPECT_TRUE(messages.Texts().empty());
}

TEST(CIECache, RealIndexes) {
  // The history index holds history items only.
  CIECache history;
  history.SetCachePath(vorlane::test::FixturePath("msiecf/History.IE5"));
  EXPECT_EQ(history.LoadEntries(), 0);

  // 21 URL items, two of them without stored headers.
  CIECache source;
  source.SetCachePath(vorlane::test::FixturePath("msiecf/Content.IE5"));
  ASSERT_EQ(source.LoadEntries(), 19);
  const auto* favicon = source.GetAt(0);
  EXPECT_EQ(favicon->SourceUrl, "https://ieonline.microsoft.com/favicon.ico");
  EXPECT_EQ(favicon->MimeType, "image/x-icon");
  EXPECT_EQ(favicon->Kind, 5);
  EXPECT_EQ(favicon->Size, 1150);
  EXPECT_EQ(favicon->Time, 1440500730);  // Aug 25, 2015 11:05:30, its last check
  EXPECT_EQ(favicon->LocalFile, Platform::JoinPath(vorlane::test::FixturePath("msiecf/Content.IE5"),
                                                   "5ZBG4UOD/favicon[1].ico"));
}

TEST(CIECache, ContentEncodingFromHeaders) {
  const std::pair<std::string, std::string> cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n", "gzip"},
      {"HTTP/1.1 200 OK\r\nCONTENT-ENCODING:GZIP\r\nContent-Type: text/css\r\n", "gzip"},
      {"HTTP/1.1 200 OK\nContent-Type: text/css\ncontent-encoding:  Deflate \n", "deflate"},
      {"HTTP/1.1 200 OK\r\nX-Content-Encoding: br\r\n", ""},
      {"HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n", ""},
  };
  for (const auto& [headers, expected] : cases) {
    EXPECT_EQ(CIECache::ContentEncodingFromHeaders(headers), expected) << headers;
  }
}
