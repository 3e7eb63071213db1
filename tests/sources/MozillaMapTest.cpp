#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "sources/mozilla/MozillaMap.h"
#include "support/MozillaV1Writer.h"
#include "support/TestSupport.h"

using namespace MozillaV1;
using vorlane::test::MozillaBlockLocation;
using vorlane::test::MozillaV1Record;
using vorlane::test::MozillaV1Writer;

namespace {

std::span<const std::byte> Bytes(const std::string& text) {
  return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

std::vector<MapRecord> LiveOf(const std::string& map) {
  const auto header = ParseMapHeader(Bytes(map));
  if (!header) return {};
  return LiveRecords(*header, Bytes(map).subspan(MapHeaderSize));
}

std::vector<uint32_t> Hashes(const std::vector<MapRecord>& records) {
  std::vector<uint32_t> hashes;
  for (const MapRecord& record : records) hashes.push_back(record.Hash);
  return hashes;
}

}  // namespace

TEST(MozillaMap, BlockLocationsDecodeForBothBitmapEras) {
  constexpr uint32_t kNew = 0x00010013, kOld = 0x0001000C;
  struct Case {
    uint32_t Version;
    uint32_t Word;
    std::optional<ByteRange> Expected;
  };
  const Case cases[] = {
      // Block file 2, block-count field 1, first block 10: two 1 KiB blocks.
      {kNew, 0xA100000A, ByteRange{4096 + 10 * 1024, 2 * 1024}},
      {kOld, 0xA100000A, ByteRange{4096 + 10 * 1024, 2 * 1024}},
      // Block file 1 has a 16 KiB bitmap from the nested layout on.
      {kNew, 0x90000003, ByteRange{16384 + 3 * 256, 256}},
      {kOld, 0x90000003, ByteRange{4096 + 3 * 256, 256}},
      // Block file 3 with block-count field 3 spans four 4 KiB blocks.
      {kNew, 0xB3000000, ByteRange{1024, 4 * 4096}},
      {kOld, 0xB3000002, ByteRange{4096 + 2 * 4096, 4 * 4096}},
      // The last block the 1 KiB bitmap of file 3 can describe, and one past it.
      {kNew, 0xB0001FFF, ByteRange{1024 + 8191ull * 4096, 4096}},
      {kNew, 0xB1001FFF, std::nullopt},
      {kNew, 0xB0002000, std::nullopt},
      {kOld, 0xB0007FFF, ByteRange{4096 + 32767ull * 4096, 4096}},
      // A separate file is no block location.
      {kNew, 0x80000101, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.Version << " " << c.Word);
    const auto range = BlockRange(c.Version, DecodeLocation(c.Word));
    ASSERT_EQ(range.has_value(), c.Expected.has_value());
    if (!range) continue;
    EXPECT_EQ(range->Offset, c.Expected->Offset);
    EXPECT_EQ(range->Length, c.Expected->Length);
  }
}

TEST(MozillaMap, SeparateFileNamesUseHexGenerationAndNestedFolders) {
  struct Case {
    uint32_t Version;
    uint32_t Hash;
    char Kind;
    uint8_t Generation;
    const char* Expected;
  };
  const Case cases[] = {
      {0x00010013, 0x936DD708, 'd', 1, "9/36/DD708d01"},
      {0x00010013, 0x0A0B0C0D, 'm', 0x1F, "0/A0/B0C0Dm1F"},
      {0x00010013, 0xFFFFFFFF, 'd', 0xFF, "F/FF/FFFFFdFF"},
      {0x0001000C, 0x1A2B3C4D, 'd', 5, "1A2B3C4Dd05"},
      {0x0001000C, 0x1A2B3C4D, 'd', 12, "1A2B3C4Dd0C"},
      {0x0001000B, 0x1A2B3C4D, 'm', 0, "1A2B3C4Dm00"},
  };
  for (const Case& c : cases) {
    // The folders are joined with the platform's separator.
    EXPECT_EQ(SeparateFileName(c.Version, c.Hash, c.Kind, c.Generation),
              vorlane::test::NativeSeparators(c.Expected));
  }
  EXPECT_EQ(CacheFileName(0), "_CACHE_MAP_");
  EXPECT_EQ(CacheFileName(3), "_CACHE_003_");
}

TEST(MozillaMap, HeaderFieldsAndStemFromStoredHashBytes) {
  MozillaV1Writer writer(0x00010013, 64);
  writer.AddRecord({0x0A0B0C0D, 0x80000001, MozillaBlockLocation(1, 0, 1)});
  std::string map = writer.MapBytes();
  ASSERT_EQ(map.size(), MapHeaderSize + 64 * MapRecordSize);
  // The record of bucket 0x0D lies at (13 * 2) records; its hash bytes as stored:
  EXPECT_EQ(0, std::memcmp(map.data() + MapHeaderSize + 26 * 16, "\x0A\x0B\x0C\x0D", 4));

  const auto header = ParseMapHeader(Bytes(map));
  ASSERT_TRUE(header);
  EXPECT_EQ(header->Version, 0x00010013u);
  EXPECT_EQ(header->EntryCount, 1);
  EXPECT_EQ(header->RecordCount, 64);
  EXPECT_EQ(header->BucketUsage[13], 1u);
  const auto live = LiveOf(map);
  ASSERT_EQ(live.size(), 1u);
  EXPECT_EQ(live[0].Hash, 0x0A0B0C0Du);
  EXPECT_EQ(live[0].DataLocation, 0x80000001u);

  EXPECT_FALSE(ParseMapHeader(Bytes(map.substr(0, MapHeaderSize - 1))));
}

TEST(MozillaMap, OnlyTheUsedPartOfEachBucketIsLive) {
  MozillaV1Writer writer(0x00010013, 32 * 4);
  const uint32_t block = MozillaBlockLocation(1, 0, 1);
  writer.AddRecord({0x00000101, block, block});      // bucket 1
  writer.AddRecord({0x00000201, block, block});      // bucket 1
  writer.AddDeadRecord({0x00000301, block, block});  // bucket 1, past its usage
  writer.AddRecord({0x00000002, block, block});      // bucket 2
  writer.AddRecord({0x00000102, block, block});      // bucket 2, usage lowered below
  writer.SetBucketUsage(2, 1);
  writer.AddRecord({0x00000003, block, 0xC4000000 | block});  // reserved bits
  writer.AddRecord({0x00000004, 0x08000000, block});          // reserved bit 27
  writer.AddRecord({0x00000000, block, block});               // hash 0: empty
  writer.AddRecord({0x00000005, block, block});
  writer.SetBucketUsage(5, 99);  // more than the bucket holds: the zero records are empty
  EXPECT_EQ(Hashes(LiveOf(writer.MapBytes())), (std::vector<uint32_t>{0x101, 0x201, 0x002, 0x005}));
}

TEST(MozillaMap, UnusableHeadersAndTruncatedMaps) {
  MozillaV1Writer writer(0x00010013, 64);
  const uint32_t block = MozillaBlockLocation(1, 0, 1);
  writer.AddRecord({0x00000001, block, block});
  writer.AddRecord({0x0000001F, block, block});
  const std::string full = writer.MapBytes();
  EXPECT_EQ(LiveOf(full).size(), 2u);

  // Cut inside bucket 31: the record of bucket 1 survives.
  EXPECT_EQ(Hashes(LiveOf(full.substr(0, full.size() - 20))), std::vector<uint32_t>{0x01});
  // Only the header, as a killed browser leaves it.
  EXPECT_TRUE(LiveOf(full.substr(0, MapHeaderSize)).empty());

  for (int32_t count : {0, -32, 33, 0x7FFFFFE0}) {
    SCOPED_TRACE(count);
    writer.SetHeaderRecordCount(count);
    EXPECT_TRUE(LiveOf(writer.MapBytes()).empty());
  }
  MozillaV1Writer unknown(0x00020001, 64);
  unknown.AddRecord({0x00000001, block, block});
  EXPECT_TRUE(LiveOf(unknown.MapBytes()).empty());
}
