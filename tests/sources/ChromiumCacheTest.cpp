#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "ChromiumTestItems.h"
#include "sources/chromium/CChromiumCache.h"
#include "sources/chromium/ChromiumBlockfileReader.h"
#include "sources/chromium/ChromiumCacheFolder.h"
#include "support/ChromiumBlockfileWriter.h"
#include "support/ChromiumSimpleWriter.h"
#include "support/MozillaCache2Writer.h"
#include "support/SaveEntry.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using vorlane::test::ChromiumResponseInfo;
using vorlane::test::ChromiumSimpleWriter;
using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

using vorlane::test::EntryName;
using vorlane::test::Head;
using vorlane::test::PutSimple;

namespace {

using Element = CChromiumCache::CChromiumCacheElement;

const std::string kSite = "1/0/_dk_http://127.0.0.1 http://localhost ";

std::map<std::string, const Element*> ByUrl(const CChromiumCache& cache) {
  std::map<std::string, const Element*> entries;
  for (auto* entry = cache.GetFirst(); entry; entry = cache.GetNext(*entry)) {
    entries[entry->SourceUrl] = dynamic_cast<const Element*>(entry);
  }
  return entries;
}

// What the saving side makes of every entry: its saved bytes, or "<not saved>".
std::map<std::string, std::string> SaveAll(CChromiumCache& cache) {
  TempDir out;
  std::map<std::string, std::string> saved;
  for (auto* entry = cache.GetFirst(); entry; entry = cache.GetNext(*entry)) {
    const std::string path = out / std::to_string(entry->Index);
    saved[entry->SourceUrl] =
        vorlane::test::SaveEntry(cache, *entry, path) ? ReadFile(path) : "<not saved>";
  }
  return saved;
}

// One table of bodies in `folder`, in either backend's own files: a picture, a
// gzipped style sheet, a redirect, a TLS record and a range-loaded video, whole and
// with a gap; the blockfile cache adds a doomed entry, the simple one a damaged file.
void WriteBothBackendsTable(const std::string& folder, bool blockfile, const std::string& gzipped,
                            const std::string& movie) {
  vorlane::test::ChromiumBlockfileWriter writer;
  const auto blockItem = [](const std::string& key, const std::string& head,
                            const std::string& body, int32_t state) {
    vorlane::test::ChromiumBlockfileItem item;
    item.Key = key;
    item.Stream0 = ChromiumResponseInfo(head);
    item.Stream1 = body;
    item.State = state;
    return item;
  };
  const auto addAny = [&](int n, const std::string& key, const std::string& head,
                          const std::string& body) {
    if (blockfile) {
      writer.Add(blockItem(key, head, body, 0));
    } else {
      PutSimple(folder, n, key, head, body);
    }
  };
  addAny(1, kSite + "http://localhost:8780/a.png", Head("image/png"), "\x89PNG picture");
  addAny(2, "1/0/http://h/s.css", Head("text/css", "Content-Encoding: GZIP\n"), gzipped);
  addAny(3, "1/0/http://h/moved", "HTTP/1.1 301 Moved\nLocation: /x\n", "");
  addAny(4, "sslhostinfo:h:443", "", "not http");
  // A range-loaded video: pieces in write order, covering it; another with a gap. (The
  // blockfile backend keeps whole kilobytes of a range only, so the pieces fall on them.)
  const std::string videoHead =
      "HTTP/1.1 206 Partial Content\nContent-Type: video/webm\nContent-Length: 3000\n";
  if (blockfile) {
    // In order: a later whole-block write makes the browser forget a partial block.
    writer.AddSparse("1/0/http://h/whole.webm", ChromiumResponseInfo(videoHead),
                     {{0, movie.substr(0, 2048)}, {2048, movie.substr(2048)}});
    writer.AddSparse("1/0/http://h/gap.webm", ChromiumResponseInfo(videoHead),
                     {{0, movie.substr(0, 1024)}, {2048, movie.substr(2048)}});
    writer.Add(blockItem("1/0/http://h/doomed.gif", Head("image/gif"), "GIF89a", 2));
    for (const auto& [name, bytes] : writer.FileBytes) WriteFile(folder + "/" + name, bytes);
    return;
  }
  PutSimple(folder, 5, "1/0/http://h/whole.webm", videoHead, "");
  WriteFile(
      folder + "/" + EntryName(5, 's'),
      ChromiumSimpleWriter::SparseFile("1/0/http://h/whole.webm",
                                       {{2048, movie.substr(2048)}, {0, movie.substr(0, 2048)}}));
  PutSimple(folder, 6, "1/0/http://h/gap.webm", videoHead, "");
  WriteFile(folder + "/" + EntryName(6, 's'),
            ChromiumSimpleWriter::SparseFile(
                "1/0/http://h/gap.webm", {{0, movie.substr(0, 1024)}, {2048, movie.substr(2048)}}));
  WriteFile(folder + "/" + EntryName(7), "damaged");
  WriteFile(folder + "/index", ChromiumSimpleWriter::FakeIndex(9));
}

}  // namespace

// One table of bodies, written by both backends, read back the same way.
TEST(ChromiumCache, BothBackendsListAndSaveWhatTheBrowserStored) {
  const std::string css = "body { color: red }\n";
  const std::string gzipped = vorlane::test::CompressBody("gzip", css);
  const std::string movie(3000, 'm');
  for (const bool blockfile : {false, true}) {
    SCOPED_TRACE(blockfile ? "blockfile" : "simple");
    TempDir dir;
    const std::string folder = dir / "Default/Cache/Cache_Data";
    fs::create_directories(folder);
    WriteBothBackendsTable(folder, blockfile, gzipped, movie);

    CChromiumCache cache;
    cache.SetCachePath(dir / "Default");  // a profile folder names its cache too
    ASSERT_TRUE(cache.TryOpen());
    EXPECT_EQ(cache.GetCacheFolders(), std::vector<std::string>{folder});
    EXPECT_EQ(cache.GetBackend(0),
              blockfile ? CChromiumCache::Backend::Blockfile : CChromiumCache::Backend::Simple);
    cache.LoadEntries();
    const auto entries = ByUrl(cache);
    // No redirect, no TLS record, no doomed entry.
    ASSERT_EQ(entries.size(), 4u);
    const Element& png = *entries.at("http://localhost:8780/a.png");
    EXPECT_EQ(png.MimeType, "image/png");
    EXPECT_EQ(png.Kind, 3);
    EXPECT_EQ(png.Partition, "http://127.0.0.1 http://localhost");
    EXPECT_EQ(png.Time, 13416000001 - 11644473600);
    EXPECT_EQ(entries.at("http://h/s.css")->ContentEncoding, "gzip");
    EXPECT_EQ(entries.at("http://h/whole.webm")->Size, 3000u);
    EXPECT_FALSE(entries.at("http://h/whole.webm")->Incomplete);
    const Element& gap = *entries.at("http://h/gap.webm");
    EXPECT_TRUE(gap.Incomplete);
    EXPECT_EQ(gap.PresentBytes, 1024u + (3000 - 2048));
    EXPECT_NE(cache.GetEntryFile(gap).find("incomplete: 1976 of 3000 bytes"), std::string::npos);
    EXPECT_EQ(cache.GetSkippedCount(), blockfile ? 0u : 1u);

    EXPECT_EQ(SaveAll(cache), (std::map<std::string, std::string>{
                                  {"http://localhost:8780/a.png", "\x89PNG picture"},
                                  {"http://h/s.css", css},
                                  {"http://h/whole.webm", movie},
                                  {"http://h/gap.webm", "<not saved>"}}));
  }
}

// A range body is what its response declares: ranges that overlap and run past the
// declared length are cut to it; a range entry whose ranges are gone is listed as
// incomplete; a response without a body (HEAD) is still no entry.
TEST(ChromiumCache, RangeBodiesKeepToTheirDeclaredLength) {
  TempDir dir;
  const std::string ranged = "HTTP/1.1 206 Partial Content\nContent-Type: video/webm\n";
  PutSimple(dir.Path(), 1, "1/0/http://h/over.webm", ranged + "Content-Range: bytes 0-9/10\n", "");
  WriteFile(dir / EntryName(1, 's'),
            ChromiumSimpleWriter::SparseFile("1/0/http://h/over.webm",
                                             {{0, "01234567"}, {5, "56789ABCDE"}}));
  PutSimple(dir.Path(), 2, "1/0/http://h/lost.webm", ranged + "Content-Range: bytes 0-99/3000\n",
            "");
  PutSimple(dir.Path(), 3, "1/0/http://h/head", Head("text/html", "Content-Length: 5\n"), "");
  WriteFile(dir / "index", ChromiumSimpleWriter::FakeIndex(9));
  CChromiumCache cache;
  cache.SetCachePath(dir.Path());
  ASSERT_TRUE(cache.TryOpen());
  cache.LoadEntries();
  const auto entries = ByUrl(cache);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries.at("http://h/over.webm")->Size, 10u);
  EXPECT_FALSE(entries.at("http://h/over.webm")->Incomplete);
  const Element& lost = *entries.at("http://h/lost.webm");
  EXPECT_EQ(lost.Size, 3000u);
  EXPECT_TRUE(lost.Incomplete);
  EXPECT_EQ(lost.PresentBytes, 0u);
  EXPECT_EQ(SaveAll(cache),
            (std::map<std::string, std::string>{{"http://h/over.webm", "0123456789"},
                                                {"http://h/lost.webm", "<not saved>"}}));
}

// Entry files are read a slice at a time; across the slices every entry comes once, in
// name order, and a damaged file is counted wherever it falls.
TEST(ChromiumCache, LargeFoldersAreListedWholeAndInOrder) {
  TempDir dir;
  const int count = 4096 + 5;
  for (int n = 1; n <= count; ++n) {
    PutSimple(dir.Path(), n, "1/0/http://h/" + std::to_string(n), Head("text/plain"), "b");
  }
  WriteFile(dir / EntryName(count + 1), "damaged");
  WriteFile(dir / "index", ChromiumSimpleWriter::FakeIndex(9));
  CChromiumCache cache;
  cache.SetCachePath(dir.Path());
  ASSERT_TRUE(cache.TryOpen());
  ASSERT_EQ(cache.LoadEntries(), count);
  EXPECT_EQ(cache.GetSkippedCount(), 1u);
  EXPECT_EQ(cache.GetAt(0)->SourceUrl, "http://h/1");
  EXPECT_EQ(cache.GetAt(count - 1)->SourceUrl, "http://h/" + std::to_string(count));
}

TEST(ChromiumCache, ABodyWhoseChecksumFailsIsNotSaved) {
  TempDir dir;
  PutSimple(dir.Path(), 1, "1/0/http://h/a.js", Head("text/javascript"), "var a = 1;");
  // Flip a byte of the body; the stored CRC no longer matches.
  std::string bytes = ReadFile(dir / EntryName(1));
  bytes[bytes.find("var") + 4] = 'b';
  WriteFile(dir / EntryName(1), bytes);
  CChromiumCache cache;
  cache.SetCachePath(dir.Path());
  ASSERT_TRUE(cache.TryOpen());
  ASSERT_EQ(cache.LoadEntries(), 1);
  TempDir out;
  vorlane::test::SaveResult result;
  EXPECT_FALSE(vorlane::test::SaveEntry(cache, *cache.GetFirst(), out / "a.js", &result));
  EXPECT_EQ(result.Result, CCacheBrowser::WriteResult::Unreadable);
  EXPECT_TRUE(vorlane::test::ListNames(out.Path()).empty());
}

// A blockfile index that cannot be walked (its table runs past its end, its header is
// damaged) is a cache that cannot be opened, not an empty one.
TEST(ChromiumCache, ABlockfileIndexThatCannotBeWalkedIsAnOpenError) {
  const std::pair<const char*, size_t> cuts[] = {
      {"table cut", 368 + 64 * 4 - 1}, {"header cut", 100}, {"whole", std::string::npos}};
  for (const auto& [label, keep] : cuts) {
    TempDir dir;
    vorlane::test::ChromiumBlockfileWriter writer;
    vorlane::test::ChromiumBlockfileItem item;
    item.Key = "1/0/http://h/a.js";
    item.Stream0 = ChromiumResponseInfo(Head("text/javascript"));
    item.Stream1 = "var a;";
    writer.Add(item);
    writer.FileBytes["index"] = writer.FileBytes["index"].substr(0, keep);
    for (const auto& [name, bytes] : writer.FileBytes) WriteFile(dir / name, bytes);
    CChromiumCache cache;
    cache.SetCachePath(dir.Path());
    const bool whole = keep == std::string::npos;
    EXPECT_EQ(cache.TryOpen(), whole) << label;
    if (whole) {
      EXPECT_EQ(cache.LoadEntries(), 1) << label;
      continue;
    }
    ASSERT_TRUE(cache.GetOpenError()) << label;
    EXPECT_EQ(cache.GetOpenError()->GetPath(), dir.Path()) << label;
  }
}

// Entries of a damaged blockfile cache that share one response head read it once; a
// header value too long for any server is not kept.
TEST(ChromiumCache, SharedHeadsAreReadOnceAndHugeValuesDropped) {
  TempDir dir;
  vorlane::test::ChromiumBlockfileWriter writer;
  const auto item = [](const std::string& url, const std::string& head) {
    vorlane::test::ChromiumBlockfileItem made;
    made.Key = "1/0/http://h/" + url;
    made.Stream0 = ChromiumResponseInfo(head);
    made.Stream1 = "body of " + url;
    return made;
  };
  const uint32_t a = writer.Add(item("a.js", Head("text/javascript")));
  const uint32_t b = writer.Add(item("b.js", Head("text/javascript")));
  writer.Add(item("c.bin", "HTTP/1.1 200 OK\nContent-Type: " + std::string(9000, 'x') +
                               "\nDate: Tue, 01 Jul 2025 10:00:00 GMT\n"));
  const Bytes::MemoryFiles files = writer.Files();
  ChromiumBlockfile::Reader reader(files.Fetch());
  const auto walk = reader.WalkEntries();
  ASSERT_EQ(walk->Entries.size(), 3u);
  const auto& stored = walk->Entries[walk->Entries[0].Address.Value == a ? 0 : 1].Store;
  writer.PatchEntry(b, 56, stored.DataAddr[0].Value);
  writer.PatchEntry(b, 40, static_cast<uint32_t>(stored.DataSize[0]));
  for (const auto& [name, bytes] : writer.FileBytes) WriteFile(dir / name, bytes);

  CChromiumCache cache;
  cache.SetCachePath(dir.Path());
  ASSERT_TRUE(cache.TryOpen());
  cache.LoadEntries();
  const auto entries = ByUrl(cache);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(cache.GetSkippedCount(), 1u);
  EXPECT_EQ(entries.at("http://h/c.bin")->MimeType, "");
  EXPECT_EQ(entries.at("http://h/c.bin")->Date, "Tue, 01 Jul 2025 10:00:00 GMT");
}

TEST(ChromiumCache, LocalStateReadingIsBounded) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {R"({"profile":{"info_cache":{"Default":{},"../x":{},"Profile 1":{}}}})",
       {"Default", "Profile 1"}},
      {R"({"profile":{"info_cache":{}}})", {}},
      {R"({"profile":{"info_cache":{"Default":)", {}},
      {"not json", {}},
      {std::string(100000, '[') + std::string(100000, ']'), {}},
  };
  for (const auto& [json, expected] : cases) {
    EXPECT_EQ(ProfileNamesFromLocalState(json), expected) << json.substr(0, 40);
  }
}
