#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/RangeFetch.h"
#include "base/Text.h"
#include "sources/ChromiumSimple.h"
#include "sources/ChromiumSimpleIndex.h"
#include "sources/ChromiumSimpleSparse.h"
#include "support/ChromiumPickleWriter.h"
#include "support/ChromiumSimpleWriter.h"

using namespace vorlane::test;
using namespace ChromiumSimple;

namespace {

std::span<const std::byte> Span(const std::string& text) {
  return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

// A fetch over `file` that counts its calls.
Bytes::RangeFetch Counted(const std::string& file, int& calls) {
  return [&file, &calls](uint64_t offset, size_t length) {
    ++calls;
    return Bytes::MemoryFetch(Span(file))(offset, length);
  };
}

std::string AsText(std::span<const std::byte> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

TEST(ChromiumSimple, EntryFilesRoundTripInFewReads) {
  struct Case {
    size_t KeyLength, Stream0Length, BodyLength;
    bool Sha;
    int Reads;
  };
  const Case cases[] = {
      {40, 300, 5000, true, 2},  // the usual entry
      {40, 300, 0, false, 2},    // a redirect: no body, no key hash
      {HeadReadSize - FileHeaderSize, 300, 10, true, 2},
      {HeadReadSize - FileHeaderSize + 1, 300, 10, true, 3},  // key past the first read
      {40, TailReadSize - 2 * EofSize - KeySha256Size, 10, true, 2},
      {40, TailReadSize - 2 * EofSize - KeySha256Size + 1, 10, true, 3},  // stream 0 too
      {40, 0, 0, true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.KeyLength + c.Stream0Length);
    ChromiumSimpleItem item;
    item.Key = "1/0/https://a.com/" + std::string(c.KeyLength - 18, 'k');
    item.Stream0 = std::string(c.Stream0Length, 's');
    item.Stream1 = std::string(c.BodyLength, 'b');
    item.KeySha256 = c.Sha;
    const std::string file = ChromiumSimpleWriter::EntryFile(item);
    int reads = 0;
    const auto entry = ReadEntryFile("x_0", file.size(), Counted(file, reads));
    ASSERT_TRUE(entry);
    EXPECT_EQ(reads, c.Reads);
    EXPECT_EQ(entry->Key, item.Key);
    EXPECT_EQ(AsText(entry->Stream0), item.Stream0);
    EXPECT_TRUE(entry->Stream0CrcChecked);
    EXPECT_EQ(entry->Stream1.File, "x_0");
    EXPECT_EQ(file.substr(entry->Stream1.FileOffset, entry->Stream1.Length), item.Stream1);
    EXPECT_EQ(entry->Stream1.Crc32, ZlibCrc32(item.Stream1));
  }
}

TEST(ChromiumSimple, DamagedEntryFilesAreRefused) {
  ChromiumSimpleItem item;
  item.Key = "1/0/https://a.com/x";
  item.Stream0 = ChromiumResponseInfo();
  item.Stream1 = "body";
  const std::string good = ChromiumSimpleWriter::EntryFile(item);
  const auto damaged = [&](auto change) {
    ChromiumSimpleItem copy = item;
    change(copy);
    return ChromiumSimpleWriter::EntryFile(copy);
  };
  std::string badMagic = good;
  badMagic[0] ^= 1;
  std::string badEof1 = good;
  badEof1[FileHeaderSize + item.Key.size() + item.Stream1.size()] ^= 1;
  const std::string cases[] = {
      badMagic,
      badEof1,
      good.substr(0, good.size() - 1),
      good.substr(1),
      good.substr(0, FileHeaderSize + 2 * EofSize - 1),
      damaged([](auto& i) { i.Version = 6; }),
      damaged([](auto& i) { i.Stream0CrcOverride = 1; }),
      damaged([&](auto& i) { i.Stream0SizeOverride = static_cast<uint32_t>(good.size()); }),
      damaged([](auto& i) { i.Stream0SizeOverride = MaxStream0Length + 1; }),
      damaged([](auto& i) { i.Key = std::string(MaxKeyLength + 1, 'k'); }),
  };
  for (const std::string& file : cases) {
    EXPECT_FALSE(ReadEntryFile("x_0", file.size(), Bytes::MemoryFetch(Span(file))));
  }
  // A stream 0 that takes every byte between the EOF records leaves an empty body.
  const auto all = ReadEntryFile("x_0", good.size(), Bytes::MemoryFetch(Span(good)));
  ASSERT_TRUE(all);
  // The fetch is told a larger file than it holds: the tail read fails.
  EXPECT_FALSE(ReadEntryFile("x_0", good.size() + 1, Bytes::MemoryFetch(Span(good))));
}

TEST(ChromiumSimple, SparseFilesGiveRangesByOffset) {
  const std::string key = "1/0/http://127.0.0.1:8781/r/lower.png";
  const std::vector<ChromiumSparseRange> written = {{65536, std::string(58027, 'c')},
                                                    {0, std::string(32768, 'a')},
                                                    {32768, std::string(32768, 'b')},
                                                    {123563, "zz", 0}};
  const std::string file = ChromiumSimpleWriter::SparseFile(key, written);
  const auto sparse = ReadSparseFile("h_s", file.size(), Bytes::MemoryFetch(Span(file)));
  ASSERT_TRUE(sparse);
  EXPECT_EQ(sparse->Key, key);
  EXPECT_EQ(sparse->RecordCount, 4u);
  EXPECT_FALSE(sparse->Damaged);
  ASSERT_EQ(sparse->Ranges.size(), 4u);
  for (const auto& range : sparse->Ranges) {
    EXPECT_EQ(range.File, "h_s");
    const std::string bytes = file.substr(range.FileOffset, range.Length);
    EXPECT_EQ(bytes.find_first_not_of(bytes[0]), std::string::npos);
    if (range.Crc32) {
      EXPECT_EQ(*range.Crc32, ZlibCrc32(bytes));
    }
  }
  EXPECT_EQ(file[sparse->Ranges[1].FileOffset], 'b');
  EXPECT_FALSE(sparse->Ranges[3].Crc32);  // 0 on disk: no CRC
  EXPECT_TRUE(Chromium::CoversBody(sparse->Ranges, 123565));
  EXPECT_FALSE(Chromium::CoversBody(
      ReadSparseFile("h_s", file.size(), Bytes::MemoryFetch(Span(file)))->Ranges, 123566));

  // A gap, an overlap, then damage: the ranges before the damage are kept.
  std::string damaged =
      ChromiumSimpleWriter::SparseFile(key, {{0, "aaaa"}, {6, "cccc"}, {2, "bbbbbb"}, {100, "dd"}});
  damaged[damaged.size() - 2 - 32] ^= 1;  // the last record's magic
  const auto kept = ReadSparseFile("h_s", damaged.size(), Bytes::MemoryFetch(Span(damaged)));
  ASSERT_TRUE(kept);
  EXPECT_TRUE(kept->Damaged);
  ASSERT_EQ(kept->Ranges.size(), 3u);
  EXPECT_EQ(kept->Ranges[1].BodyOffset, 4u);
  EXPECT_EQ(damaged.substr(kept->Ranges[1].FileOffset, kept->Ranges[1].Length), "bbbb");
  EXPECT_EQ(damaged.substr(kept->Ranges[2].FileOffset, kept->Ranges[2].Length), "cc");
  EXPECT_TRUE(Chromium::CoversBody(kept->Ranges, 10));

  const std::string last = ChromiumSimpleWriter::SparseFile(key, {{0, "aaaa"}});
  const std::string refused[] = {last.substr(0, last.size() - 1) /* length past the end */,
                                 last + std::string(31, '\0') /* a header cut short */,
                                 ChromiumSimpleWriter::SparseFile(key, {{UINT64_MAX - 1, "aa"}})};
  for (const std::string& bytes : refused) {
    const auto read = ReadSparseFile("h_s", bytes.size(), Bytes::MemoryFetch(Span(bytes)));
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->Damaged);
    EXPECT_EQ(read->RecordCount, 0u + (&bytes == &refused[1]));
  }
  for (const uint32_t version : {4u, 10u}) {
    const std::string other = ChromiumSimpleWriter::SparseFile(key, {}, version);
    EXPECT_FALSE(ReadSparseFile("h_s", other.size(), Bytes::MemoryFetch(Span(other))));
  }
}

TEST(ChromiumSimple, IndexFiles) {
  const std::vector<ChromiumIndexRecord> records = {
      {0x146f533fcc10a74d, 13116000000000000, 5120, 0},
      {0x8229e55cc07c69e9, 13116000001000000, 6912, 1}};
  for (const uint32_t version : {6u, 7u, 8u, 9u}) {
    SCOPED_TRACE(version);
    const std::string bytes = ChromiumSimpleWriter::RealIndex(version, records, 2);
    const auto index = ParseRealIndex(Span(bytes));
    ASSERT_TRUE(index);
    EXPECT_EQ(index->Version, version);
    EXPECT_EQ(index->Reason, version >= 7 ? std::optional<uint32_t>(2) : std::nullopt);
    ASSERT_EQ(index->Records.size(), 2u);
    EXPECT_EQ(index->Records[1].Hash, 0x8229e55cc07c69e9u);
    EXPECT_EQ(index->Records[1].Size, 6912u);
    EXPECT_EQ(index->Records[1].Hints, version >= 8 ? 1 : 0);
    EXPECT_EQ(index->CacheModified, 13416000000000000);
  }
  const std::string good = ChromiumSimpleWriter::RealIndex(9, records);
  std::string badCrc = good;
  badCrc[4] ^= 1;
  std::string moreEntries = good;  // the count says 3, the CRC is made right again
  moreEntries[8 + 12] = 3;
  PutLe32(moreEntries, 4, ZlibCrc32(moreEntries.substr(8)));
  for (const std::string& bad : {badCrc, moreEntries, good.substr(0, good.size() - 1),
                                 ChromiumSimpleWriter::RealIndex(5, records),
                                 ChromiumSimpleWriter::RealIndex(10, records)}) {
    EXPECT_FALSE(ParseRealIndex(Span(bad)));
  }
  EXPECT_EQ(ParseFakeIndex(Span(ChromiumSimpleWriter::FakeIndex(8)))->Version, 8u);
  EXPECT_FALSE(ParseFakeIndex(Span(ChromiumSimpleWriter::FakeIndex(8).substr(1))));
}

TEST(ChromiumSimple, EntryFileNames) {
  const std::pair<std::string, std::optional<FileRole>> names[] = {
      {"146f533fcc10a74d_0", FileRole::Streams01},
      {"146F533FCC10A74D_1", FileRole::Stream2},
      {"146f533fcc10a74d_s", FileRole::Sparse},
      {"todelete_146f533fcc10a74d_0_1", FileRole::Doomed},
      {"146f533fcc10a74d_2", std::nullopt},
      {"146f533fcc10a74_0", std::nullopt},
      {"146f533fcc10a74g_0", std::nullopt},
      {"index", std::nullopt},
      {"146f533fcc10a74d-0", std::nullopt}};
  for (const auto& [name, role] : names) {
    SCOPED_TRACE(name);
    const auto parsed = ParseEntryFileName(name);
    ASSERT_EQ(parsed.has_value(), role.has_value());
    if (!parsed) continue;
    EXPECT_EQ(parsed->Role, *role);
    if (*role != FileRole::Doomed) {
      EXPECT_EQ(parsed->Hash, 0x146f533fcc10a74du);
      EXPECT_EQ(Text::ToLowerAscii(EntryFileNameFor(parsed->Hash, parsed->Role)),
                Text::ToLowerAscii(name));
    }
  }
}
