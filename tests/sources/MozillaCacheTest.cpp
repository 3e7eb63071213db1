#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "sources/CError.h"
#include "sources/mozilla/CMozillaCache.h"
#include "support/MozillaV1Writer.h"
#include "support/SaveEntry.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

using namespace vorlane::test;
using Element = CMozillaCache::CMozillaCacheElement;
namespace fs = std::filesystem;

namespace {

// Bytes that differ from block to block, so a wrong offset shows.
std::string Pattern(size_t length, uint32_t seed) {
  std::string out(length, '\0');
  for (size_t i = 0; i < length; ++i) {
    seed = seed * 1103515245u + 12345u;
    out[i] = static_cast<char>(seed >> 16);
  }
  return out;
}

std::string Head(const std::string& type) {
  return "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nServer: test\r\n";
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

struct Placement {
  MozillaV1Item Item;
  KindCode Kind;
  uint32_t DataFile;  // 0: a separate file
};

// Adds an item of each placement in the old format's files (block files 1 to 3, a
// separate data file, separate metadata, a generation above 9, no head) and three items
// that are never listed. Returns the listed ones with the kind and file they get.
std::vector<Placement> AddEveryPlacement(MozillaV1Writer& writer) {
  std::vector<Placement> expected;
  auto add = [&](MozillaV1Item item, KindCode kind, uint32_t dataFile) {
    writer.Add(item);
    expected.push_back({std::move(item), kind, dataFile});
  };
  MozillaV1Item item;
  item = MozillaV1Item("http://example.com/small.png", Pattern(600, 1))
             .WithHead(Head("image/png"))
             .WithTime(1000);
  add(item, 3, 1);
  item = MozillaV1Item("http://example.com/mid.gif", Pattern(3000, 2))
             .WithHead(Head("image/gif"))
             .WithTime(2000);
  add(item, 2, 2);
  item = MozillaV1Item("http://example.com/big.jpg", Pattern(10000, 3))
             .WithHead(Head("image/jpeg"))
             .WithTime(3000);
  add(item, 1, 3);
  // Separate data file, pre-allocated past the entry's end.
  item = MozillaV1Item("http://example.com/huge.js", Pattern(40000, 4))
             .WithHead(Head("application/x-javascript"))
             .WithTime(4000)
             .WithPadding(std::string(5000, 'P'));
  add(item, 11, 0);
  // Metadata in a file of their own.
  item = MozillaV1Item("http://example.com/long-head.css", Pattern(700, 5))
             .WithHead(Head("text/css"))
             .WithTime(5000)
             .InMetaFile(0)
             .WithMetaGeneration(0xA7);
  add(item, 10, 1);
  // A generation above 9 shows the hexadecimal naming.
  item = MozillaV1Item("http://example.com/page", Pattern(2000, 6))
             .WithHead(Head("text/html"))
             .WithTime(6000)
             .InDataFile(0)
             .WithDataGeneration(0x1C);
  add(item, 8, 0);
  // No response head: the URL's extension decides.
  item = MozillaV1Item("http://example.com/x.gif", Pattern(100, 7)).WithHead("");
  add(item, 2, 1);
  // Never listed: hash 0, no data, a key of another kind.
  writer.Add(MozillaV1Item("http://example.com/zero-hash", "abc").WithHash(0u));
  writer.Add(MozillaV1Item("http://example.com/generate_204", ""));
  writer.Add(MozillaV1Item("", "abc").WithKey("wyciwyg:http://example.com/"));
  return expected;
}

}  // namespace

class MozillaCacheEras : public testing::TestWithParam<uint32_t> {};

INSTANTIATE_TEST_SUITE_P(BothLayouts, MozillaCacheEras,
                         testing::Values(kMozillaNestedVersion, kMozillaFlatVersion));

TEST_P(MozillaCacheEras, ListsAndCopiesEveryPlacement) {
  const uint32_t version = GetParam();
  const bool nested = version >= kMozillaNestedVersion;
  MozillaV1Writer writer(version);
  const std::vector<Placement> expected = AddEveryPlacement(writer);

  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));
  const auto cache = Load(dir.Path());
  EXPECT_EQ(cache->GetMapVersion(), version);
  ASSERT_EQ(cache->GetCount(), expected.size());
  const auto entries = ByUrl(*cache);

  TempDir out;
  for (const Placement& e : expected) {
    SCOPED_TRACE(e.Item.Url);
    ASSERT_EQ(entries.count(e.Item.Url), 1u);
    const Element& entry = *entries.at(e.Item.Url);
    EXPECT_EQ(entry.Size, e.Item.Data.size());
    EXPECT_EQ(entry.Time, e.Item.Time);
    EXPECT_EQ(entry.Kind, e.Kind);
    EXPECT_EQ(entry.Server, e.Item.ResponseHead.empty() ? "" : "test");
    EXPECT_EQ(entry.DataFile, static_cast<int32_t>(e.DataFile));
    EXPECT_EQ(entry.MetaFile, e.Item.MetaFile == 0 ? 0 : 1);
    if (e.DataFile != 0) {
      EXPECT_EQ(entry.LocalFile, "_CACHE_00" + std::to_string(e.DataFile) + "_");
      const uint32_t blockSize = 256u << (2 * (e.DataFile - 1));
      EXPECT_EQ(entry.DataLength % blockSize, 0);
      EXPECT_GE(entry.DataLength, entry.Size);
    } else {
      const uint32_t hash = MozillaKeyHash("HTTP:" + e.Item.Url);
      const std::string name = MozillaSeparatePath(version, hash, 'd', e.Item.DataGeneration);
      EXPECT_EQ(entry.LocalFile, NativeSeparators(name));
      EXPECT_EQ(name.find('/') != std::string::npos, nested);
      EXPECT_EQ(cache->GetEntryFile(entry), dir / name);
    }
    const std::string destination = out / ("copy" + std::to_string(entry.Index));
    vorlane::test::SaveResult outcome;
    ASSERT_TRUE(vorlane::test::SaveEntry(*cache, entry, destination, &outcome));
    EXPECT_EQ(outcome.BytesWritten, e.Item.Data.size());
    EXPECT_EQ(ReadFile(destination), e.Item.Data);
  }
  // The first block of each file starts right after its bitmap.
  const Element& small = *entries.at("http://example.com/small.png");
  EXPECT_EQ(small.DataOffset, nested ? 16384 : 4096);
  EXPECT_EQ(small.DataLength, 3 * 256);
  EXPECT_EQ(entries.at("http://example.com/mid.gif")->DataOffset, 4096);
  EXPECT_EQ(entries.at("http://example.com/big.jpg")->DataOffset, nested ? 1024 : 4096);
}

TEST(MozillaCache, DamagedRecordsAreSkippedAndTheWalkGoesOn) {
  MozillaV1Writer writer;
  writer.Add(MozillaV1Item("http://example.com/first", Pattern(100, 1)).InDataFile(2));
  // Locations past what the bitmap can describe.
  writer.AddRecord(
      {0x11111111, MozillaBlockLocation(2, 0, 1), MozillaBlockLocation(1, 0xFFFFFF, 1)});
  writer.AddRecord({0x22222222, MozillaBlockLocation(3, 9000, 1), MozillaBlockLocation(1, 0, 1)});
  // A separate metadata file that does not exist.
  writer.AddRecord({0x33333333, MozillaBlockLocation(2, 0, 1), MozillaSeparateLocation(4)});
  // The last metadata in block file 1, cut off by a truncated file.
  const MozillaV1Record last =
      writer.Add(MozillaV1Item("http://example.com/last", Pattern(100, 2)).InDataFile(2));
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));
  const uint32_t lastBlock = last.MetaLocation & 0xFFFFFF;
  fs::resize_file(dir / "_CACHE_001_", 16384 + lastBlock * 256 + 60);

  const auto cache = Load(dir.Path());
  ASSERT_EQ(cache->GetCount(), 1u);
  EXPECT_EQ(cache->GetFirst()->SourceUrl, "http://example.com/first");
}

// Records of a damaged map that point at one metadata place read it once: what the
// listing holds stays bound by the cache, not by the number of records.
TEST(MozillaCache, RecordsSharingMetadataReadItOnce) {
  MozillaV1Writer writer;
  const MozillaV1Record separate =
      writer.Add(MozillaV1Item("http://e.com/sep", Pattern(100, 1)).InMetaFile(0).InDataFile(2));
  const MozillaV1Record block =
      writer.Add(MozillaV1Item("http://e.com/blk", Pattern(100, 2)).InMetaFile(1).InDataFile(2));
  for (uint32_t i = 0; i < 3; ++i) {
    writer.AddRecord(separate);
    writer.AddRecord({block.Hash + 1 + i, block.DataLocation, block.MetaLocation});
  }
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));
  const auto cache = Load(dir.Path());
  EXPECT_EQ(cache->GetCount(), 2u);
  EXPECT_EQ(cache->GetSkippedCount(), 6u);
}

TEST(MozillaCache, MetadataInAShortLastBlockAreRead) {
  // Block files end with the last byte written, not at a block boundary.
  MozillaV1Writer writer;
  writer.Add(MozillaV1Item("http://example.com/a", Pattern(50, 1)).InMetaFile(3));
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));
  ASSERT_LT(fs::file_size(dir / "_CACHE_003_"), 1024u + 4096u);
  EXPECT_EQ(Load(dir.Path())->GetCount(), 1u);
}

TEST(MozillaCache, PackedDataNeverRunPastWhatIsThere) {
  MozillaV1Writer writer;
  const std::string longer = Pattern(3000, 1);
  writer.Add(
      MozillaV1Item("http://example.com/claims-more", longer).WithDataSize(5000u).InDataFile(2));
  const std::string cut = Pattern(3000, 2);
  writer.Add(MozillaV1Item("http://example.com/cut", cut).InDataFile(2));
  writer.Add(MozillaV1Item("http://example.com/gone", Pattern(100, 3)).InDataFile(3));
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));
  fs::resize_file(dir / "_CACHE_002_", writer.BlockFileSize(2) - 1000);
  fs::resize_file(dir / "_CACHE_003_", 1024);

  const auto cache = Load(dir.Path());
  const auto entries = ByUrl(*cache);
  ASSERT_EQ(entries.size(), 3u);
  TempDir out;
  vorlane::test::SaveResult outcome;

  // A size larger than its blocks: the blocks, no more.
  ASSERT_TRUE(vorlane::test::SaveEntry(*cache, *entries.at("http://example.com/claims-more"),
                                       out / "a", &outcome));
  EXPECT_EQ(outcome.BytesWritten, 3u * 1024);
  EXPECT_EQ(ReadFile(out / "a").substr(0, 3000), longer);

  // A block file that ends inside the data: written short.
  ASSERT_TRUE(
      vorlane::test::SaveEntry(*cache, *entries.at("http://example.com/cut"), out / "b", &outcome));
  EXPECT_EQ(outcome.BytesWritten, 2000u);
  EXPECT_EQ(ReadFile(out / "b"), cut.substr(0, 2000));

  // Nothing at the offset at all: unreadable, and no file.
  EXPECT_FALSE(cache->OpenContent(*entries.at("http://example.com/gone")));
  EXPECT_FALSE(vorlane::test::SaveEntry(*cache, *entries.at("http://example.com/gone"), out / "c",
                                        &outcome));
  EXPECT_EQ(outcome.Result, CCacheBrowser::WriteResult::Unreadable);
  EXPECT_FALSE(fs::exists(out / "c"));
  EXPECT_EQ(vorlane::test::ListNames(out.Path()), (std::vector<std::string>{"a", "b"}));
}

TEST(MozillaCache, AnExistingDestinationIsNeverReplaced) {
  MozillaV1Writer writer;
  const std::string packed = Pattern(500, 1), separate = Pattern(20000, 2);
  writer.Add(MozillaV1Item("http://example.com/packed", packed));
  writer.Add(MozillaV1Item("http://example.com/separate", separate));
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));
  const auto cache = Load(dir.Path());
  const auto entries = ByUrl(*cache);
  ASSERT_EQ(entries.size(), 2u);

  TempDir out;
  struct Case {
    const char* Url;
    const std::string& Data;
  };
  for (const Case& c :
       {Case{"http://example.com/packed", packed}, Case{"http://example.com/separate", separate}}) {
    SCOPED_TRACE(c.Url);
    const Element& entry = *entries.at(c.Url);
    const std::string destination = out / "taken";
    WriteFile(destination, "keep");
    vorlane::test::SaveResult outcome;
    EXPECT_FALSE(vorlane::test::SaveEntry(*cache, entry, destination, &outcome));
    EXPECT_TRUE(outcome.Existed);
    EXPECT_EQ(ReadFile(destination), "keep");
    // The temporary that held the body is gone again.
    EXPECT_EQ(vorlane::test::ListNames(out.Path()), (std::vector<std::string>{"taken"}));
    ASSERT_TRUE(vorlane::test::SaveEntry(*cache, entry, out / "free", &outcome));
    EXPECT_EQ(ReadFile(out / "free"), c.Data);
    fs::remove(out / "free");
  }
}

TEST(MozillaCache, MissingSeparateFileFailsThatCopyOnly) {
  MozillaV1Writer writer;
  writer.Add(MozillaV1Item("http://example.com/separate", Pattern(20000, 1)));
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));
  const auto cache = Load(dir.Path());
  ASSERT_EQ(cache->GetCount(), 1u);
  const auto& entry = *cache->GetFirst();
  fs::remove(cache->GetEntryFile(entry));
  TempDir out;
  vorlane::test::SaveResult outcome;
  EXPECT_FALSE(vorlane::test::SaveEntry(*cache, entry, out / "x", &outcome));
  EXPECT_EQ(outcome.Result, CCacheBrowser::WriteResult::Unreadable);
  EXPECT_FALSE(outcome.Existed);
  EXPECT_FALSE(fs::exists(out / "x"));
}

TEST(MozillaCache, HeaderOnlyMapYieldsNothing) {
  MozillaV1Writer writer;
  writer.Add(MozillaV1Item("http://example.com/a", "abc"));
  writer.SetHeaderOnly(true);
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));
  ASSERT_EQ(fs::file_size(dir / "_CACHE_MAP_"), 276u);
  EXPECT_EQ(Load(dir.Path())->GetCount(), 0u);
}

TEST(MozillaCache, OpeningAndClosing) {
  MozillaV1Writer writer;
  writer.Add(MozillaV1Item("http://example.com/a", "abc"));
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));

  // A closed source reads nothing; the entries outlive Close.
  CMozillaCache cache;
  cache.SetCachePath(dir.Path());
  EXPECT_EQ(cache.LoadEntries(), 0);
  ASSERT_TRUE(cache.TryOpen());
  EXPECT_TRUE(cache.TryOpen());  // already open: nothing happens
  EXPECT_EQ(cache.LoadEntries(), 1);
  cache.Close();
  cache.Close();
  EXPECT_FALSE(cache.IsOpen());
  EXPECT_EQ(cache.GetCount(), 1u);

  // The third of the four files is missing: none stays open.
  fs::remove(dir / "_CACHE_002_");
  const size_t before = OpenHandleCount();
  CMozillaCache broken;
  broken.SetCachePath(dir.Path());
  MessageRecorder messages;
  EXPECT_FALSE(broken.TryOpen());
  EXPECT_FALSE(broken.IsOpen());
  EXPECT_EQ(OpenHandleCount(), before);
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(broken.LoadEntries(), 0);
}

// Measures listing speed on a large synthetic cache; run by hand with
// --gtest_also_run_disabled_tests.
TEST(MozillaCache, DISABLED_ListingSpeed) {
  constexpr uint32_t kEntries = 120000;
  MozillaV1Writer writer(kMozillaNestedVersion, 32 * 8192);
  for (uint32_t i = 0; i < kEntries; ++i) {
    MozillaMetadataSpec meta;
    meta.Key = "HTTP:http://img.example.com/pictures/" + std::to_string(i) + ".jpg";
    meta.Elements = {{"request-method", "GET"}, {"response-head", Head("image/jpeg")}};
    meta.DataSize = 20000 + i;
    meta.Time = 1500000000 + i;
    const uint32_t metaLocation = writer.PlaceBlocks(1, MozillaMetadataBytes(meta));
    writer.AddRecord({MozillaKeyHash(meta.Key), MozillaSeparateLocation(1), metaLocation});
  }
  TempDir dir;
  ASSERT_TRUE(writer.Write(dir.Path()));
  // The machine may be shared: CPU time shows the cost, wall time what a user waits.
  double bestWall = 1e9, bestCpu = 1e9;
  for (int round = 0; round < 5; ++round) {
    CMozillaCache cache;
    cache.SetCachePath(dir.Path());
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    ASSERT_TRUE(cache.TryOpen());
    ASSERT_EQ(cache.LoadEntries(), static_cast<int32_t>(kEntries));
    bestCpu = std::min(bestCpu, double(std::clock() - cpuStart) / CLOCKS_PER_SEC);
    bestWall = std::min(
        bestWall, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("listed %u entries: %.0f entries/s (wall), %.0f entries/s (cpu)\n", kEntries,
              kEntries / bestWall, kEntries / bestCpu);
}
