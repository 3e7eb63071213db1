#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <sstream>

#include "base/CivilTime.h"
#include "platform/Text.h"
#include "sources/urlcache/UrlCacheIndex.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

using vorlane::test::UrlCacheIndexWriter;

namespace {

std::vector<UrlCacheRecord> Records(const std::string& bytes) {
  std::vector<UrlCacheRecord> out;
  std::optional<UrlCacheIndex> index = UrlCacheIndex::Parse(std::as_bytes(std::span(bytes)));
  while (index && out.size() < 5000) {
    std::optional<UrlCacheRecord> record = index->NextRecord();
    if (!record) break;
    out.push_back(*record);
  }
  return out;
}

std::vector<std::string> Urls(const std::string& bytes) {
  std::vector<std::string> out;
  for (const UrlCacheRecord& record : Records(bytes)) out.push_back(record.Url);
  return out;
}

void Put32(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

// The reference reader's time texts: FILETIMEs with seven digits of 100 ns padded
// to nine, FAT times to the second.
std::string FormatTime(uint64_t fileTime, bool withFraction) {
  static const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int64_t seconds = static_cast<int64_t>(fileTime / 10000000) - 11644473600;
  const CivilTime::DateTime t = CivilTime::FromUnixSeconds(seconds);
  char text[64];
  std::snprintf(text, sizeof text, "%s %02u, %04lld %02u:%02u:%02u", Months[t.Month - 1], t.Day,
                static_cast<long long>(t.Year), t.Hour, t.Minute, t.Second);
  std::string out = text;
  if (withFraction) {
    std::snprintf(text, sizeof text, ".%07" PRIu64 "00", fileTime % 10000000);
    out += text;
  }
  return out;
}

using Fields = std::map<std::string, std::string>;

// URL records of a reference export by offset, with the fields both readers know.
std::map<uint32_t, Fields> ReadExport(const std::string& path) {
  std::map<uint32_t, Fields> out;
  std::istringstream in(vorlane::test::ReadFile(path) + "\n");
  Fields record;
  for (std::string line; std::getline(in, line);) {
    const size_t tab = line.find('\t');
    const size_t colon = line.find(": ", tab);
    if (tab != std::string::npos && colon != std::string::npos) {
      record[line.substr(0, tab)] = line.substr(colon + 2);
      continue;
    }
    if (record["Record type"] == "URL") {
      const uint32_t offset = static_cast<uint32_t>(std::stoul(record["Offset range"]));
      // "-2 (0xfe)" or "0 (0x00)(ENG3X4ZR)": the hexadecimal form is unambiguous.
      const std::string index = record["Cache directory index"];
      record["Cache directory index"] = index.substr(index.find("(0x") + 1, 4);
      // An expiry of all ones means never; that is no date.
      if (auto it = record.find("Expiration time"); it != record.end() && it->second == "Never") {
        record.erase(it);
      }
      record.erase("Record type");
      record.erase("Offset range");
      out[offset] = record;
    }
    record.clear();
  }
  return out;
}

Fields AsExported(const UrlCacheRecord& record) {
  Fields out{{"Location", Platform::CacheBytesToUtf8(record.Url)}};
  if (record.LastAccessTime) out["Primary time"] = FormatTime(record.LastAccessTime, true);
  if (record.LastModifiedTime) out["Secondary time"] = FormatTime(record.LastModifiedTime, true);
  if (record.ExpireTime) out["Expiration time"] = FormatTime(record.ExpireTime, false);
  if (record.LastSyncTime) out["Last checked time"] = FormatTime(record.LastSyncTime, false);
  if (!record.FileName.empty()) out["Filename"] = record.FileName;
  char index[8];
  std::snprintf(index, sizeof index, "0x%02x", record.DirectoryIndex);
  out["Cache directory index"] = index;
  return out;
}

}  // namespace

struct RealIndex {
  const char* File;
  const char* Export;
  size_t Records;
  // URL records the reference reader finds by scanning blocks the cache had
  // already freed; no hash table points at them, so they are no cache items.
  std::vector<uint32_t> Freed;
};

class UrlCacheIndexRealFiles : public testing::TestWithParam<RealIndex> {};

TEST_P(UrlCacheIndexRealFiles, AgreeWithTheIndependentReader) {
  const RealIndex& c = GetParam();
  auto reference =
      ReadExport(vorlane::test::FixturePath(std::string("msiecf/msiecfexport-output/") + c.Export));
  const auto records =
      Records(vorlane::test::ReadFile(vorlane::test::FixturePath(std::string("msiecf/") + c.File)));
  ASSERT_EQ(records.size(), c.Records);
  for (const UrlCacheRecord& record : records) {
    const auto it = reference.find(record.Offset);
    ASSERT_NE(it, reference.end()) << "record at " << record.Offset;
    EXPECT_EQ(AsExported(record), it->second) << "record at " << record.Offset;
    reference.erase(it);
  }
  std::vector<uint32_t> unmatched;
  for (const auto& item : reference) unmatched.push_back(item.first);
  EXPECT_EQ(unmatched, c.Freed);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, UrlCacheIndexRealFiles,
    testing::Values(
        RealIndex{"Content.IE5/index.dat", "msiecf_Content.IE5_index.dat.export.txt", 21, {}},
        RealIndex{"nfury_index.dat",
                  "msiecf_nfury_index.dat.export.txt",
                  984,
                  {92544, 93952, 247936, 346880, 351360, 431360, 453376, 462080}},
        RealIndex{
            "History.IE5/index.dat", "msiecf_History.IE5_index.dat.export.txt", 15, {25600, 29312}},
        RealIndex{"MSHist012013031020130311-index.dat",
                  "MSHist012013031020130311-index.dat.export.txt",
                  23,
                  {}}));

namespace {

// Five URL records over three chained hash tables of two items each.
std::string FiveRecords(UrlCacheIndexWriter::Layout& layout) {
  UrlCacheIndexWriter writer;
  writer.AddDirectory("ABCDEFGH");
  writer.SetItemsPerTable(2);
  for (int i = 1; i <= 5; ++i) {
    UrlCacheIndexWriter::UrlItem item;
    item.Url = "http://a/" + std::to_string(i);
    item.FileName = "file[1].bin";
    item.HeaderInfo = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n\r\n";
    writer.AddUrl(item);
  }
  return writer.Build(&layout);
}

const std::vector<std::string> AllFive{"http://a/1", "http://a/2", "http://a/3", "http://a/4",
                                       "http://a/5"};

}  // namespace

TEST(UrlCacheIndex, OnlyKnownSignaturesAreIndexes) {
  UrlCacheIndexWriter::Layout layout;
  const std::string bytes = FiveRecords(layout);
  // Version 4.7 has another record layout; a signature must end with its NUL.
  for (const char* other : {"Client UrlCache MMF Ver 4.7", "Client UrlCache MMF Ver 5.21"}) {
    std::string changed = bytes;
    std::copy_n(other, std::char_traits<char>::length(other), changed.begin());
    EXPECT_FALSE(UrlCacheIndex::Parse(std::as_bytes(std::span(changed)))) << other;
  }
  EXPECT_FALSE(UrlCacheIndex::Parse(std::as_bytes(std::span(bytes.data(), 75))));
  const std::string wine = UrlCacheIndexWriter(UrlCacheIndexWriter::Signature::Wine2005).Build();
  EXPECT_EQ(UrlCacheIndex::Parse(std::as_bytes(std::span(wine)))->Flavour(), UrlCacheFlavour::Wine);
}

TEST(UrlCacheIndex, DamageEndsTheWalkOrSkipsOneRecord) {
  UrlCacheIndexWriter::Layout layout;
  const std::string clean = FiveRecords(layout);
  const uint32_t first = layout.HashTables[0];
  const uint32_t second = layout.HashTables[1];
  const uint32_t third = layout.Records[2];
  const std::vector<std::string> twoOnly{"http://a/1", "http://a/2"};
  std::vector<std::string> withoutThird = AllFive;
  std::erase(withoutThird, "http://a/3");
  const std::vector<std::pair<std::function<void(std::string&)>, std::vector<std::string>>> cases{
      {[](std::string&) {}, AllFive},
      // Hash chains that loop or lead nowhere end the walk.
      {[&](std::string& b) { Put32(b, second + 8, first); }, {AllFive.begin(), AllFive.end() - 1}},
      {[&](std::string& b) { Put32(b, first + 8, first); }, twoOnly},
      {[&](std::string& b) { Put32(b, first + 8, static_cast<uint32_t>(b.size())); }, twoOnly},
      {[&](std::string& b) { Put32(b, first + 8, second + 4); }, twoOnly},
      {[&](std::string& b) { b[second] = 'X'; }, twoOnly},
      {[&](std::string& b) { Put32(b, 32, 0x200); }, {}},
      // A table claiming every later block meets each record once only.
      {[&](std::string& b) { Put32(b, first + 4, 0xFFFFFFFF); }, AllFive},
      // A damaged record is skipped; an absurd block count alone is no damage.
      {[&](std::string& b) { Put32(b, third + 4, 0); }, withoutThird},
      {[&](std::string& b) { Put32(b, third + 4, 0xFFFFFFFF); }, AllFive},
      {[&](std::string& b) { Put32(b, third + 52, 0x7FFFFFF0); }, withoutThird},
      {[&](std::string& b) { Put32(b, third + 60, 255), b[third + 255] = 'x'; }, withoutThird},
      {[&](std::string& b) { Put32(b, third + 68, 0xFFFFFFF0); }, withoutThird},
      {[&](std::string& b) { Put32(b, third + 72, 0xFFFFFFF0); }, withoutThird},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string bytes = clean;
    cases[i].first(bytes);
    EXPECT_EQ(Urls(bytes), cases[i].second) << "case " << i;
  }
}

TEST(UrlCacheIndex, OnlyUrlRecordsAreYieldedEachOnce) {
  UrlCacheIndexWriter writer;
  UrlCacheIndexWriter::UrlItem item;
  for (auto [url, flags] : {std::pair{"http://a/1", 0u},
                            {"http://a/deleted", 1u},
                            {"http://a/locked", 2u},
                            {"http://a/free", 3u}}) {
    item.Url = url;
    item.HashFlags = flags;
    writer.AddUrl(item);
  }
  writer.AddRedirect("http://a/redirected");
  writer.AddRedirect("http://a/redirect-listed-as-url", 0);
  writer.AddLeak("leaked[1].bin", true);
  UrlCacheIndexWriter::Layout layout;
  std::string bytes = writer.Build(&layout);
  // A second item for the first record, and one into the middle of it.
  const uint32_t spare = layout.HashTables[0] + 16 + 100 * 8;
  Put32(bytes, spare, 0x1000), Put32(bytes, spare + 4, layout.Records[0]);
  Put32(bytes, spare + 8, 0x2000), Put32(bytes, spare + 12, layout.Records[0] + 64);
  EXPECT_EQ(Urls(bytes), (std::vector<std::string>{"http://a/1", "http://a/locked"}));
}

TEST(UrlCacheIndex, TruncatedFilesYieldTheRecordsReadSoFar) {
  UrlCacheIndexWriter::Layout layout;
  const std::string clean = FiveRecords(layout);
  for (size_t length = 0; length <= clean.size(); length += 64) {
    // Tables are all walked once the last one is there; records whose strings
    // made it into the file count even when their blocks were cut.
    std::vector<std::string> whole;
    for (size_t i = 0; i < 5 && length > layout.HashTables.back() + 16; ++i) {
      if (length >= (i + 1 < 5 ? layout.Records[i + 1] : clean.size())) whole.push_back(AllFive[i]);
    }
    const std::vector<std::string> urls = Urls(clean.substr(0, length));
    EXPECT_TRUE(std::includes(AllFive.begin(), AllFive.end(), urls.begin(), urls.end()));
    EXPECT_TRUE(std::includes(urls.begin(), urls.end(), whole.begin(), whole.end())) << length;
  }
}

TEST(UrlCacheIndex, ImpossibleFatDatesGiveNoTime) {
  const auto fat = UrlCacheIndexWriter::FatDateTime;
  EXPECT_EQ(FatDateTimeToFileTime(fat(2012, 2, 29, 23, 59, 58)),
            UrlCacheIndexWriter::FileTime(1330559998));
  for (uint32_t bad : {0u, fat(2013, 2, 29, 12, 0, 0), fat(2013, 13, 1, 12, 0, 0),
                       fat(2013, 4, 31, 12, 0, 0), fat(2013, 4, 30, 24, 0, 0),
                       fat(2013, 4, 30, 12, 60, 0), fat(2013, 4, 30, 12, 0, 60), 0xFFFFFFFFu}) {
    EXPECT_EQ(FatDateTimeToFileTime(bad), 0u) << std::hex << bad;
  }
}
