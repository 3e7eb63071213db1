#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sources/mozilla/CMozillaCache.h"
#include "sources/mozilla/MozillaCache2.h"
#include "support/MozillaCache2Writer.h"
#include "support/SaveEntry.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

using namespace vorlane::test;
using Element = CMozillaCache::CMozillaCacheElement;
namespace fs = std::filesystem;

namespace {

std::string Pattern(size_t length, uint32_t seed) {
  std::string out(length, '\0');
  for (char& c : out) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return out;
}

std::string Head(const std::string& type, const std::string& more = {}) {
  return "HTTP/1.1 200 OK\r\ncontent-type:  " + type + "\r\n" + more;
}

std::unique_ptr<CMozillaCache> Load(const std::string& folder) {
  auto cache = std::make_unique<CMozillaCache>();
  cache->SetCachePath(folder);
  EXPECT_TRUE(cache->TryOpen());
  cache->LoadEntries();
  return cache;
}

std::map<std::string, const Element*> ByUrl(const CMozillaCache& cache) {
  std::map<std::string, const Element*> entries;
  for (auto* entry = cache.GetFirst(); entry; entry = cache.GetNext(*entry)) {
    entries[entry->SourceUrl] = dynamic_cast<const Element*>(entry);
  }
  return entries;
}

std::string BigEndian(size_t value) {
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
  return out;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::span<const std::byte> Bytes(const std::string& text) {
  return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

// One entry of each version and shape the browser writes, with what it lists as.
struct VersionCase {
  const char* Name;
  MozillaCache2Item Item;
  KindCode Kind;
  int32_t Size;
  int64_t Time;
  std::string Partition;
};

std::vector<VersionCase> VersionCases() {
  const uint32_t chunk = kCache2ChunkSize;
  const std::string jsBody = "var x = 1;\n";
  return {
      {"version 1",
       MozillaCache2Item("http://v1/a.png", Pattern(600, 1))
           .WithVersion(1)
           .WithHead(Head("image/png"))
           .WithTimes(100, 200),
       3, 600, 200, ""},
      {"version 2",
       MozillaCache2Item("http://v2/b.gif", Pattern(1, 2))
           .WithVersion(2)
           .WithHead(Head("image/gif"))
           .WithTimes(300, 0),
       2, 1, 300, ""},
      {"version 3 partitioned",
       MozillaCache2Item("https://v3/c.jpg", Pattern(chunk - 1, 3))
           .WithVersion(3)
           .WithTags({"O^partitionKey=%28https%2Cexample.com%29", "a"})
           .WithHead(Head("image/jpeg"))
           .WithTimes(1, 2),
       1, static_cast<int32_t>(chunk - 1), 2, "partitionKey=%28https%2Cexample.com%29"},
      {"version 4 two chunks",
       MozillaCache2Item("https://v4/d.mp4", Pattern(chunk + 1, 4))
           .WithHead(Head("video/mp4"))
           .WithTimes(5, 6),
       19, static_cast<int32_t>(chunk + 1), 6, ""},
      {"exactly one chunk", MozillaCache2Item("https://v4/e.bin", Pattern(chunk, 5)), 0,
       static_cast<int32_t>(chunk), 0, ""},
      {"alt-data",
       MozillaCache2Item("https://v4/f.js", jsBody)
           .WithHead(Head("application/javascript"))
           .WithAltData(Pattern(3000, 6)),
       11, static_cast<int32_t>(jsBody.size()), 0, ""},
      {"version 4 as Firefox 153 writes it",
       [] {
         MozillaCache2Item item("https://v4/h.gif", Pattern(40, 7));
         item.UnhashedTail = std::string("\0\0\x04\0", 4);
         return item.WithHead(Head("image/gif")).WithTimes(8, 9);
       }(),
       2, 40, 9, ""},
      {"no response head", MozillaCache2Item("https://v4/g.css", "b{}").WithHead(""), 10, 3, 0, ""},
  };
}

}  // namespace

TEST(MozillaCache2, KeysSplitIntoTagsAndUrl) {
  struct Case {
    std::string Key;
    std::optional<std::string> Url;
    std::string Origin;
    bool Anonymous;
  };
  const Case cases[] = {
      {":http://example.com/a.png", "http://example.com/a.png", "", false},
      {"a,:http://example.com/", "http://example.com/", "", true},
      {"a,~1533107723,:http://ocsp.pki.goog/GTSGIAG3", "http://ocsp.pki.goog/GTSGIAG3", "", true},
      {"O^partitionKey=%28https%2Cexample.com%29,:https://cdn.net/x.js", "https://cdn.net/x.js",
       "partitionKey=%28https%2Cexample.com%29", false},
      {"O^a=1,,2,,,a,:http://h/", "http://h/", "a=1,2,", true},
      {"~predictor-origin,:https://www.mozilla.org/", "https://www.mozilla.org/", "", false},
      // The URL keeps its own colons and commas; only tags are unescaped.
      {"p,:http://h/a,,b:c", "http://h/a,,b:c", "", false},
      {"Zunknown,:http://h/", "http://h/", "", false},
      {"a,", std::nullopt, "", false},
      {"a", std::nullopt, "", false},
      {"http://no-tags-and-no-colon-first", std::nullopt, "", false},
      {":", std::nullopt, "", false},
      {"", std::nullopt, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Key);
    const auto parts = MozillaCache2::ParseKey(c.Key);
    ASSERT_EQ(parts.has_value(), c.Url.has_value());
    if (!parts) continue;
    EXPECT_EQ(parts->Url, *c.Url);
    EXPECT_EQ(parts->OriginAttributes, c.Origin);
    EXPECT_EQ(parts->Anonymous, c.Anonymous);
  }
  // The writer escapes the way the browser does, and the parser undoes it.
  const std::string key = MozillaCache2Key("https://x/", {"O^userContextId=2,3", "a"});
  EXPECT_EQ(key, "O^userContextId=2,,3,a,:https://x/");
  EXPECT_EQ(MozillaCache2::ParseKey(key)->OriginAttributes, "userContextId=2,3");
}

TEST(MozillaCache2, AltDataOffsets) {
  const std::pair<const char*, std::optional<uint64_t>> cases[] = {
      {"1;123,javascript/moz-bytecode-20240101", 123},
      {"1;0,x", 0},
      {"1;18446744073709551615,x", UINT64_MAX},
      {"1;18446744073709551616,x", std::nullopt},
      {"2;123,x", std::nullopt},
      {"1;,x", std::nullopt},
      {"1;123", std::nullopt},
      {"1;12a,x", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(MozillaCache2::ParseAltDataOffset(value), expected) << value;
  }
}

TEST(MozillaCache2, EveryVersionListsAndCopies) {
  const std::vector<VersionCase> cases = VersionCases();
  MozillaCache2Writer writer;
  std::map<std::string, std::string> names;
  for (const VersionCase& c : cases) names[c.Item.Url] = writer.Add(c.Item);
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));

  const auto cache = Load(dir.Path());
  EXPECT_EQ(cache->GetFormat(), CMozillaCache::Format::Cache2);
  ASSERT_EQ(cache->GetCount(), cases.size());
  // Listed in file-name order, whatever the directory order.
  for (size_t i = 1; i < cache->GetCount(); ++i) {
    EXPECT_LT(cache->GetAt(i - 1)->LocalFile, cache->GetAt(i)->LocalFile);
  }
  const auto entries = ByUrl(*cache);
  TempDir out;
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const Element* entry = entries.at(c.Item.Url);
    EXPECT_EQ(entry->Kind, c.Kind);
    EXPECT_EQ(entry->Size, c.Size);
    EXPECT_EQ(entry->Time, c.Time);
    EXPECT_EQ(entry->Partition, c.Partition);
    EXPECT_EQ(entry->LocalFile, NativeSeparators("entries/" + names.at(c.Item.Url)));
    EXPECT_EQ(cache->GetEntryFile(*entry), dir / ("entries/" + names.at(c.Item.Url)));
    const std::string destination = out / std::to_string(entry->Index);
    vorlane::test::SaveResult outcome;
    ASSERT_TRUE(vorlane::test::SaveEntry(*cache, *entry, destination, &outcome));
    EXPECT_TRUE(ReadFile(destination) == c.Item.Data);
    EXPECT_EQ(outcome.BytesWritten, c.Item.Data.size());
    EXPECT_FALSE(outcome.Decoded);
    // An existing destination is never replaced.
    EXPECT_FALSE(vorlane::test::SaveEntry(*cache, *entry, destination, &outcome));
    EXPECT_TRUE(outcome.Existed);
  }
  EXPECT_EQ(entries.at("https://v4/d.mp4")->MimeType, "video/mp4");
}

TEST(MozillaCache2, DamagedAndUselessFilesAreSkipped) {
  MozillaCache2Writer writer;
  const MozillaCache2Item good("http://good/a.png", Pattern(100, 9));
  writer.Add(good);
  const std::string sound = MozillaCache2Writer::EntryBytes(good);
  const std::string big(MozillaCache2::MaxMetadataBytes + 1, 'v');
  struct Case {
    const char* Name;
    std::string Bytes;
  };
  const Case damaged[] = {
      {"empty", ""},
      {"three bytes", "abc"},
      {"text", "***Not a Firefox cache2 file***\nLorem ipsum dolor sit amet."},
      {"trailer past the end", sound.substr(0, sound.size() - 4) + "\x7F\xFF\xFF\xFF"},
      {"hashes run into the trailer",
       sound.substr(0, sound.size() - 4) + BigEndian(sound.size() - 7)},
      {"cut short", sound.substr(0, sound.size() - 20)},
      {"version 0", MozillaCache2Writer::EntryBytes(MozillaCache2Item(good).WithVersion(0))},
      {"version 256", MozillaCache2Writer::EntryBytes(MozillaCache2Item(good).WithVersion(256))},
      {"key size too large",
       MozillaCache2Writer::EntryBytes(MozillaCache2Item(good).WithKeySize(500))},
      {"key size too small",
       MozillaCache2Writer::EntryBytes(MozillaCache2Item(good).WithKeySize(5))},
      {"no data", MozillaCache2Writer::EntryBytes(MozillaCache2Item("http://empty/", ""))},
      {"alt-data only", MozillaCache2Writer::EntryBytes(
                            MozillaCache2Item("http://alt/", "").WithAltData("bytecode"))},
      {"key without URL", MozillaCache2Writer::EntryBytes(MozillaCache2Item(good).WithKey("a,"))},
      {"metadata over the cap",
       MozillaCache2Writer::EntryBytes(MozillaCache2Item(good).WithElement("huge", big))},
  };
  for (size_t i = 0; i < std::size(damaged); ++i) {
    writer.Put("entries/" + std::to_string(i), damaged[i].Bytes);
  }
  // Entries on their way out, and a folder where a file would be, are not read.
  writer.Put("doomed/1", MozillaCache2Writer::EntryBytes(MozillaCache2Item("http://doomed/", "x")));
  writer.Put("trash1234/2",
             MozillaCache2Writer::EntryBytes(MozillaCache2Item("http://trash/", "x")));
  writer.Put("entries/sub/3",
             MozillaCache2Writer::EntryBytes(MozillaCache2Item("http://sub/", "x")));
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));

  const auto cache = Load(dir.Path());
  ASSERT_EQ(cache->GetCount(), 1u);
  EXPECT_EQ(cache->GetFirst()->SourceUrl, good.Url);

  // The pure parser agrees file by file.
  for (const Case& c : damaged) {
    Element entry;
    EXPECT_FALSE(MozillaCache2::ParseEntryFile(Bytes(c.Bytes), entry)) << c.Name;
  }
  // Elements after a damaged tail are dropped, but the entry stays.
  Element entry;
  std::string tail = sound;
  tail.insert(tail.size() - 4, "name-without-value");
  EXPECT_TRUE(MozillaCache2::ParseEntryFile(Bytes(tail), entry));
}

// A folder large enough to be read by several threads lists exactly what one reader
// would, in file-name order: metadata within the first read from the end, metadata
// longer than it, files shorter than it, damaged files (counted), and a link, a FIFO and a
// folder, none of which is an entry (a link inside a cache is never followed).
TEST(MozillaCache2, LargeFolderListsInNameOrder) {
  MozillaCache2Writer writer;
  std::map<std::string, std::string> expected;  // file name -> URL
  const std::string longHead = Head("text/css", "x-padding: " + std::string(9000, 'p') + "\r\n");
  for (uint32_t i = 0; i < 1500; ++i) {
    const std::string url = "http://host" + std::to_string(i % 13) + "/" + std::to_string(i);
    MozillaCache2Item item(url, Pattern(i % 5 == 0 ? 20000 + i : 10 + i % 300, i));
    item.WithHead(i % 7 == 0 ? longHead : Head("image/png"));
    if (i % 97 == 0) {
      writer.Put("entries/damaged" + std::to_string(i), "***" + Pattern(i, i));
      continue;
    }
    expected[writer.Add(item)] = url;
  }
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));
  const std::string first = expected.begin()->first;
  MakeLinkAndPipe(dir / "entries", first);
  fs::create_directory(PathOf(dir / "entries/folder"));

  const auto cache = Load(dir.Path());
  std::vector<std::string> urls;
  for (auto* entry = cache->GetFirst(); entry; entry = cache->GetNext(*entry)) {
    urls.push_back(entry->SourceUrl);
    EXPECT_EQ(entry->LocalFile.substr(0, 8), NativeSeparators("entries/"));
    EXPECT_EQ(expected[entry->LocalFile.substr(8)], entry->SourceUrl) << entry->LocalFile;
  }
  std::vector<std::string> inOrder;
  for (const auto& [name, url] : expected) inOrder.push_back(url);
  EXPECT_EQ(urls, inOrder);
  EXPECT_EQ(cache->GetSkippedCount(), 16u);  // i = 0, 97, ..., 1455
  const auto entries = ByUrl(*cache);
  ASSERT_EQ(entries.count("http://host9/35"), 1u);
  EXPECT_EQ(entries.at("http://host9/35")->MimeType, "text/css");
  EXPECT_EQ(entries.at("http://host9/35")->Size, 20035);
}

TEST(MozillaCache2, OpenChoosesTheFormatByWhatTheFolderHolds) {
  TempDir dir;
  // Nothing at all: the old format's open error.
  CMozillaCache none;
  none.SetCachePath(dir.Path());
  EXPECT_FALSE(none.TryOpen());
  EXPECT_EQ(none.GetFormat(), CMozillaCache::Format::None);

  // entries/ as a file is no cache2 folder.
  WriteFile(dir / "entries", "x");
  EXPECT_FALSE(none.TryOpen());
  fs::remove(dir / "entries");

  MozillaCache2Writer writer;
  writer.Add(MozillaCache2Item("http://a/", "x"));
  ASSERT_TRUE(writer.Write(dir.Path()));
  CMozillaCache cache;
  cache.SetCachePath(dir.Path());
  ASSERT_TRUE(cache.TryOpen());
  EXPECT_EQ(cache.GetFormat(), CMozillaCache::Format::Cache2);
  EXPECT_EQ(cache.LoadEntries(), 1);
  cache.Close();
  EXPECT_EQ(cache.GetFormat(), CMozillaCache::Format::None);
  EXPECT_EQ(cache.LoadEntries(), 0);  // a closed source reads nothing

  // A map next to entries/ means the folder is the old format's (and here incomplete).
  WriteFile(dir / "_CACHE_MAP_", std::string(276, '\0'));
  EXPECT_FALSE(cache.TryOpen());
}

TEST(MozillaCache2, SavingDecodesCompressedBodies) {
  const std::string script = "function hello() { return 'hello, world'; }\n";
  std::string css;
  for (int i = 0; i < 2000; ++i) css += ".c" + std::to_string(i) + "{color:red}\n";
  struct Case {
    std::string Url;
    std::string Encoding;  // as the head states it
    std::string Stored;
    std::string Expected;  // what the saved file holds
    bool Decoded;
  };
  const std::string gz = CompressBody("gzip", css);
  const Case cases[] = {
      {"http://h/gzip.css", "gzip", gz, css, true},
      {"http://h/xgzip.css", "X-GZIP", CompressBody("x-gzip", css), css, true},
      {"http://h/zlib.js", "deflate", CompressBody("deflate", script), script, true},
      {"http://h/raw.js", "deflate", CompressBody("deflate-raw", script), script, true},
      {"http://h/br.css", "br", CompressBody("br", css), css, true},
      {"http://h/zstd.js", "zstd", CompressBody("zstd", script), script, true},
      {"http://h/identity.js", "identity", script, script, false},
      {"http://h/stacked.css", "gzip, br", CompressBody("br", gz), CompressBody("br", gz), false},
      {"http://h/unknown.js", "compress", script, script, false},
      {"http://h/truncated.css", "gzip", gz.substr(0, gz.size() / 2), gz.substr(0, gz.size() / 2),
       false},
      {"http://h/mislabelled.js", "gzip", script, script, false},
  };
  MozillaCache2Writer writer;
  for (const Case& c : cases) {
    writer.Add(MozillaCache2Item(c.Url, c.Stored)
                   .WithHead(Head("text/plain", "Content-Encoding: " + c.Encoding + "\r\n")));
  }
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));
  const auto cache = Load(dir.Path());
  const auto entries = ByUrl(*cache);

  // Into new files, beside others of the pass.
  {
    TempDir out;
    for (const Case& c : cases) {
      SCOPED_TRACE(c.Url);
      const Element* entry = entries.at(c.Url);
      EXPECT_EQ(entry->ContentEncoding, Lower(c.Encoding));
      const std::string destination = out / std::to_string(entry->Index);
      vorlane::test::SaveResult outcome;
      ASSERT_TRUE(vorlane::test::SaveEntry(*cache, *entry, destination, &outcome));
      EXPECT_TRUE(ReadFile(destination) == c.Expected);
      EXPECT_EQ(outcome.Decoded, c.Decoded);
      EXPECT_EQ(outcome.BytesWritten, c.Expected.size());
    }
    // No temporary file is left behind, decoded or not.
    EXPECT_EQ(ListNames(out.Path()).size(), std::size(cases));
    for (const auto& item : fs::directory_iterator(out.Path())) {
      EXPECT_NE(item.path().filename().string().front(), '.');
    }
  }

  // An existing file is never replaced.
  TempDir off;
  WriteFile(off / "kept", "kept");
  vorlane::test::SaveResult refused;
  EXPECT_FALSE(
      vorlane::test::SaveEntry(*cache, *entries.at("http://h/gzip.css"), off / "kept", &refused));
  EXPECT_TRUE(refused.Existed);
  EXPECT_EQ(ReadFile(off / "kept"), "kept");
  fs::remove(off / "kept");

  // With decoding off, every body is saved as stored.
  cache->SetDecodeContent(false);
  for (const Case& c : cases) {
    const std::string destination = off / std::to_string(entries.at(c.Url)->Index);
    vorlane::test::SaveResult outcome;
    ASSERT_TRUE(vorlane::test::SaveEntry(*cache, *entries.at(c.Url), destination, &outcome));
    EXPECT_TRUE(ReadFile(destination) == c.Stored) << c.Url;
    EXPECT_FALSE(outcome.Decoded);
  }
}
