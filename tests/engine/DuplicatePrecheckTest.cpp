#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "CapturePassFixture.h"
#include "engine/CCacheFilter.h"
#include "engine/CCapturePass.h"
#include "platform/CacheFiles.h"
#include "support/MemorySource.h"
#include "support/MozillaCache2Writer.h"
#include "support/TestSupport.h"

using vorlane::test::ListNames;
using vorlane::test::MemorySource;
using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

namespace {

// A source whose bodies also lie packed one after another in a single file, and
// that says where, as a cache with block files does.
class PackedSource : public MemorySource {
 public:
  PackedSource(std::vector<Item> items, const std::string& pack)
      : MemorySource(std::move(items)), Pack(pack) {
    std::string bytes = "header";
    for (const Item& item : Items) {
      Ranges.push_back({bytes.size(), item.Body.size()});
      bytes += item.Body;
    }
    WriteFile(Pack, bytes);
  }

  std::optional<EntryContent> OpenContent(const CCacheElement& entry) const override {
    const size_t index = std::stoul(entry.LocalFile);
    if (index == Unlocatable) return std::nullopt;
    const auto [offset, length] = Ranges[index];
    auto file = std::make_shared<Platform::ReadOnlyFile>();
    if (!file->Open(Pack)) return std::nullopt;
    return EntryContent(std::move(file), offset, length);
  }

  std::string Pack;
  std::vector<std::pair<uint64_t, uint64_t>> Ranges;  // offset, length
  size_t Unlocatable = SIZE_MAX;
};

// The duplicate tests run on the pass fixture; Skip Duplicates is on in every run.
class DuplicatePrecheck : public CapturePass {};

}  // namespace

// Duplicates found in the cache's bytes are never written, and the numbering is what
// copying and deleting them gave.
TEST_F(DuplicatePrecheck, DuplicatesAreNeverCopied) {
  WriteFile(out + "/old.gif", "known bytes");
  Add(out, "f");
  PackedSource source({{"u0", "known bytes", 2},
                       {"u1", "fresh bytes", 2},
                       {"u2", "fresh bytes", 2},
                       {"u3", "other", 2},
                       {"u4", "other", 2}},
                      dir / "pack");
  EXPECT_EQ(Run(source), 2);
  EXPECT_EQ(source.CopyCalls, 2);
  EXPECT_EQ(ListNames(out), (std::vector<std::string>{"f0.gif", "f1.gif", "old.gif"}));
  EXPECT_EQ(ReadFile(out + "/f0.gif"), "fresh bytes");
  EXPECT_EQ(ReadFile(out + "/f1.gif"), "other");
}

TEST_F(DuplicatePrecheck, ADuplicateFoundBeforeCopyingCountsAsSavedForOneCopy) {
  Add(out, "a");
  Add(dir / "second", "b");
  PackedSource source({{"u0", "same", 1}, {"u1", "same", 1}}, dir / "pack");
  EXPECT_EQ(Run(source), 1);
  EXPECT_EQ(source.CopyCalls, 1);
  EXPECT_TRUE(ListNames(dir / "second").empty());

  // Without One Copy (and with a0.jpg kept from the first pass) the second folder
  // gets its own copy, once.
  EXPECT_EQ(Run(source, false), 1);
  EXPECT_EQ(source.CopyCalls, 2);
  EXPECT_EQ(ListNames(out), std::vector<std::string>{"a0.jpg"});
  EXPECT_EQ(ListNames(dir / "second"), std::vector<std::string>{"b0.jpg"});
}

// The pixel test measures the cache's own bytes too, so a duplicate that passes it is
// still found before anything is copied.
TEST_F(DuplicatePrecheck, PixelTestDoesNotNeedTheCopy) {
  struct Case {
    const char* Name;
    size_t Unlocatable;
    int MinSize;
  };
  const Case cases[] = {
      {"pixel test on the cache's bytes", SIZE_MAX, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TempDir here;
    CCacheFilter filters;
    auto record = std::make_unique<FilterRecord>();
    record->Directory = here / "out";
    record->FileNameDummy = "f";
    record->MinWidth = record->MinHeight = c.MinSize;
    filters.Insert(std::move(record), -1);
    CCapturePass capture(filters, {});
    capture.SetImageProbe([](uint64_t, const CGraphicLT::FetchFunction&) {
      return CGraphicLT::ImageSize{10, 10};
    });
    PackedSource source({{"u0", "same", 3}, {"u1", "same", 3}}, here / "pack");
    source.Unlocatable = c.Unlocatable;
    source.LoadEntries();
    capture.Comb(source);
    EXPECT_EQ(capture.GetNewFileCount(), 1);
    EXPECT_EQ(source.CopyCalls, 1);
    EXPECT_EQ(ListNames(here / "out"), std::vector<std::string>{"f0.png"});
  }
}

// A body saved decoded is compared once decoded: its stored bytes equalling a file
// saved as stored does not make it a duplicate.
TEST_F(DuplicatePrecheck, BodiesToBeDecodedAreComparedAfterDecoding) {
  Add(out, "f");
  const std::string stored = vorlane::test::CompressBody("gzip", "hello, hello, hello");
  PackedSource source({{"u0", stored, 2}, {"u1", stored, 2}}, dir / "pack");
  source.Items[1].Encoding = "gzip";
  EXPECT_EQ(Run(source), 2);
  EXPECT_EQ(ReadFile(out + "/f0.gif"), stored);
  EXPECT_EQ(ReadFile(out + "/f1.gif"), "hello, hello, hello");

  // Saved as stored, the second is the first one's duplicate, found before copying.
  TempDir other;
  CCacheFilter raw;
  auto record = std::make_unique<FilterRecord>();
  record->Directory = other / "out";
  record->FileNameDummy = "f";
  raw.Insert(std::move(record), -1);
  source.SetDecodeContent(false);
  source.CopyCalls = 0;
  source.LoadEntries();
  CCapturePass rawPass(raw, {});
  rawPass.Comb(source);
  EXPECT_EQ(rawPass.GetNewFileCount(), 1);
  EXPECT_EQ(source.CopyCalls, 1);
}

// A crafted index whose records all name one cache file: the file is written once, and
// the other records are known duplicates without reading it again.
TEST_F(DuplicatePrecheck, RecordsNamingOneFileCostOneCopy) {
  class OneFileSource : public MemorySource {
   public:
    using MemorySource::MemorySource;
    std::optional<EntryContent> OpenContent(const CCacheElement&) const override {
      auto file = std::make_shared<Platform::ReadOnlyFile>();
      if (!file->Open(Shared)) return std::nullopt;
      const uint64_t size = file->Size();
      return EntryContent(std::move(file), 0, size);
    }
    std::string Shared;
  };
  std::vector<MemorySource::Item> items;
  for (int i = 0; i < 300; ++i) items.push_back({"u" + std::to_string(i), "ignored", 1, 0, 12});
  for (const bool pixels : {false, true}) {
    TempDir here;
    CCacheFilter filters;
    auto record = std::make_unique<FilterRecord>();
    record->Directory = here / "out";
    record->FileNameDummy = "f";
    record->MinWidth = record->MinHeight = pixels ? 5 : 0;
    filters.Insert(std::move(record), -1);
    CCapturePass capture(filters, {});
    int probes = 0;
    capture.SetImageProbe([&probes](uint64_t, const CGraphicLT::FetchFunction&) {
      ++probes;
      return CGraphicLT::ImageSize{10, 10};
    });
    OneFileSource source(items);
    source.Shared = here / "the-one";
    WriteFile(source.Shared, "shared bytes");
    source.LoadEntries();
    capture.Comb(source);
    EXPECT_EQ(capture.GetNewFileCount(), 1);
    EXPECT_EQ(source.CopyCalls, 1);
    EXPECT_EQ(ListNames(here / "out"), std::vector<std::string>{"f0.jpg"});
    // Each record's header is measured where the cache holds it; nothing is copied for it.
    EXPECT_EQ(probes, pixels ? 300 : 0);
  }
}
