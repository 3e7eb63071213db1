#include <gtest/gtest.h>

#include <functional>

#include "platform/posix/UrlCacheIndex.h"
#include "support/UrlCacheIndexWriter.h"

using Platform::UrlCacheIndex;
using Platform::UrlCacheRecord;
using vorlane::test::UrlCacheIndexWriter;

namespace {

void Put32(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

std::vector<std::string> Urls(const std::string& bytes) {
  std::vector<std::string> out;
  std::optional<UrlCacheIndex> index = UrlCacheIndex::Parse(std::as_bytes(std::span(bytes)));
  if (!index) return out;
  while (std::optional<UrlCacheRecord> record = index->NextRecord()) out.push_back(record->Url);
  return out;
}

UrlCacheIndexWriter::UrlItem Item(std::string url) {
  UrlCacheIndexWriter::UrlItem item;
  item.Url = std::move(url);
  item.FileName = "file[1].bin";
  item.HeaderInfo = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n\r\n";
  return item;
}

// Five URL records over three chained hash tables of two items each.
UrlCacheIndexWriter FiveRecords() {
  UrlCacheIndexWriter writer;
  writer.AddDirectory("ABCDEFGH");
  writer.SetItemsPerTable(2);
  for (const char* url : {"http://a/1", "http://a/2", "http://a/3", "http://a/4", "http://a/5"}) {
    writer.AddUrl(Item(url));
  }
  return writer;
}

const std::vector<std::string> AllFive{"http://a/1", "http://a/2", "http://a/3", "http://a/4",
                                       "http://a/5"};

}  // namespace

TEST(UrlCacheIndexDamage, SignaturesDecideWhetherBytesAreAnIndex) {
  for (auto signature :
       {UrlCacheIndexWriter::Signature::InternetExplorer, UrlCacheIndexWriter::Signature::Wine2012,
        UrlCacheIndexWriter::Signature::Wine2005}) {
    UrlCacheIndexWriter writer(signature);
    writer.AddUrl(Item("http://a/1"));
    const std::string bytes = writer.Build();
    auto index = UrlCacheIndex::Parse(std::as_bytes(std::span(bytes)));
    ASSERT_TRUE(index);
    EXPECT_EQ(index->Flavour(), signature == UrlCacheIndexWriter::Signature::InternetExplorer
                                    ? Platform::UrlCacheFlavour::InternetExplorer
                                    : Platform::UrlCacheFlavour::Wine);
    EXPECT_EQ(Urls(bytes), std::vector<std::string>{"http://a/1"});
  }

  std::string bytes = FiveRecords().Build();
  // Version 4.7 has another record layout; a signature without its NUL is no signature.
  for (const char* other : {"Client UrlCache MMF Ver 4.7", "Client UrlCache MMF Ver 5.21"}) {
    std::string changed = bytes;
    std::copy_n(other, std::char_traits<char>::length(other), changed.begin());
    EXPECT_FALSE(UrlCacheIndex::Parse(std::as_bytes(std::span(changed)))) << other;
  }
  EXPECT_FALSE(UrlCacheIndex::Parse(std::as_bytes(std::span(bytes.data(), 75))));
}

TEST(UrlCacheIndexDamage, ChainedTablesAreWalkedInOrder) {
  UrlCacheIndexWriter::Layout layout;
  const std::string bytes = FiveRecords().Build(&layout);
  EXPECT_EQ(layout.HashTables.size(), 3u);
  EXPECT_EQ(Urls(bytes), AllFive);
}

TEST(UrlCacheIndexDamage, BrokenHashChainsEndTheWalk) {
  UrlCacheIndexWriter::Layout layout;
  const std::string clean = FiveRecords().Build(&layout);
  const uint32_t first = layout.HashTables[0];
  const uint32_t second = layout.HashTables[1];
  struct Case {
    const char* Name;
    std::function<void(std::string&)> Damage;
    std::vector<std::string> Expected;
  };
  const std::vector<Case> cases = {
      {"second table points back to the first",
       [&](std::string& b) { Put32(b, second + 8, first); },
       {"http://a/1", "http://a/2", "http://a/3", "http://a/4"}},
      {"a table points at itself",
       [&](std::string& b) { Put32(b, first + 8, first); },
       {"http://a/1", "http://a/2"}},
      {"next table beyond the file",
       [&](std::string& b) { Put32(b, first + 8, static_cast<uint32_t>(b.size())); },
       {"http://a/1", "http://a/2"}},
      {"next table not on a block boundary",
       [&](std::string& b) { Put32(b, first + 8, second + 4); },
       {"http://a/1", "http://a/2"}},
      {"next table lacks its signature",
       [&](std::string& b) { b[second] = 'X'; },
       {"http://a/1", "http://a/2"}},
      {"first table inside the header", [&](std::string& b) { Put32(b, 32, 0x200); }, {}},
      {"table claims four billion blocks", [&](std::string& b) { Put32(b, first + 4, 0xFFFFFFFF); },
       // Its items then run over every later block; each record still comes once.
       AllFive},
  };
  for (const Case& c : cases) {
    std::string bytes = clean;
    c.Damage(bytes);
    EXPECT_EQ(Urls(bytes), c.Expected) << c.Name;
  }
}

TEST(UrlCacheIndexDamage, OnlyUrlRecordsAreYieldedEachOnce) {
  UrlCacheIndexWriter writer;
  writer.AddUrl(Item("http://a/1"));
  writer.AddRedirect("http://a/redirected");
  writer.AddRedirect("http://a/redirect-listed-as-url", 0);
  writer.AddLeak("leaked[1].bin", true);
  writer.AddLeak("leaked[2].bin");
  auto deleted = Item("http://a/deleted");
  deleted.HashFlags = 1;
  writer.AddUrl(deleted);
  auto locked = Item("http://a/locked");
  locked.HashFlags = 2;
  writer.AddUrl(locked);
  writer.AddUrl(Item("http://a/2"));
  UrlCacheIndexWriter::Layout layout;
  std::string bytes = writer.Build(&layout);
  EXPECT_EQ(Urls(bytes), (std::vector<std::string>{"http://a/1", "http://a/locked", "http://a/2"}));

  // A second hash item for the first record, and one between two blocks.
  const uint32_t table = layout.HashTables[0];
  Put32(bytes, table + 16 + 100 * 8, 0x1000);
  Put32(bytes, table + 16 + 100 * 8 + 4, layout.Records[0]);
  Put32(bytes, table + 16 + 101 * 8, 0x2000);
  Put32(bytes, table + 16 + 101 * 8 + 4, layout.Records[0] + 64);
  EXPECT_EQ(Urls(bytes), (std::vector<std::string>{"http://a/1", "http://a/locked", "http://a/2"}));
}

TEST(UrlCacheIndexDamage, DamagedRecordsAreSkippedAndTheWalkGoesOn) {
  UrlCacheIndexWriter::Layout layout;
  const std::string clean = FiveRecords().Build(&layout);
  const uint32_t record = layout.Records[2];  // http://a/3
  struct Case {
    const char* Name;
    std::function<void(std::string&)> Damage;
    bool Kept;
  };
  const std::vector<Case> cases = {
      {"zero blocks", [&](std::string& b) { Put32(b, record + 4, 0); }, false},
      {"absurd block count", [&](std::string& b) { Put32(b, record + 4, 0xFFFFFFFF); }, true},
      {"location beyond the record", [&](std::string& b) { Put32(b, record + 52, 0x7FFFFFF0); },
       false},
      {"location without its end",
       [&](std::string& b) {
         Put32(b, record + 4, 1);
         std::fill(b.begin() + record + 0x68, b.begin() + record + 128, 'x');
       },
       false},
      {"file name without its end",
       [&](std::string& b) {
         Put32(b, record + 60, 255);
         b[record + 255] = 'x';
       },
       false},
      {"header data past the record", [&](std::string& b) { Put32(b, record + 72, 0xFFFFFFF0); },
       false},
      {"header data offset past the record",
       [&](std::string& b) { Put32(b, record + 68, 0xFFFFFFF0); }, false},
      {"no header data", [&](std::string& b) { Put32(b, record + 68, 0); }, true},
  };
  for (const Case& c : cases) {
    std::string bytes = clean;
    c.Damage(bytes);
    std::vector<std::string> expected = AllFive;
    if (!c.Kept) std::erase(expected, "http://a/3");
    EXPECT_EQ(Urls(bytes), expected) << c.Name;
  }
}

TEST(UrlCacheIndexDamage, TruncatedFilesYieldTheRecordsReadSoFar) {
  UrlCacheIndexWriter::Layout layout;
  const std::string clean = FiveRecords().Build(&layout);
  const std::vector<uint32_t>& records = layout.Records;
  for (size_t length = 0; length <= clean.size(); length += 64) {
    const std::string cut = clean.substr(0, length);
    std::vector<std::string> expected;
    if (length > layout.HashTables.back() + 16) {
      for (size_t i = 0; i < records.size(); ++i) {
        // Each record has its strings within its first two blocks.
        const uint32_t end = i + 1 < records.size() ? records[i + 1] : records[i] + 256;
        if (length >= end) expected.push_back(AllFive[i]);
      }
    }
    const std::vector<std::string> urls = Urls(cut);
    // Tables already walked deliver what they point to; a record cut short may
    // still be whole when its strings made it into the file.
    EXPECT_TRUE(std::includes(AllFive.begin(), AllFive.end(), urls.begin(), urls.end()));
    EXPECT_TRUE(std::includes(urls.begin(), urls.end(), expected.begin(), expected.end()))
        << "length " << length;
  }
}

TEST(UrlCacheIndexDamage, DirectoryTableIsBoundedAndNamesStayInsideTheCache) {
  UrlCacheIndexWriter writer;
  for (const char* name : {"GOODNAME", "..", "A/B", "C\\D", "", "E\x01"}) writer.AddDirectory(name);
  std::string bytes = writer.Build();
  auto index = UrlCacheIndex::Parse(std::as_bytes(std::span(bytes)));
  ASSERT_TRUE(index);
  EXPECT_EQ(index->Directories(), (std::vector<std::string>{"GOODNAME", "", "", "", "", ""}));

  Put32(bytes, 72, 0xFFFFFFFF);
  index = UrlCacheIndex::Parse(std::as_bytes(std::span(bytes)));
  ASSERT_TRUE(index);
  EXPECT_EQ(index->Directories().size(), 32u);
}

TEST(UrlCacheIndexDamage, FatDatesConvertOnlyWhenPossible) {
  struct Case {
    uint32_t Fat;
    int64_t UnixSeconds;  // -1: no time
  };
  const auto fat = UrlCacheIndexWriter::FatDateTime;
  const Case cases[] = {
      {0, -1},
      {fat(1980, 1, 1, 0, 0, 0), 315532800},
      {fat(2015, 8, 25, 11, 5, 22), 1440500722},
      {fat(2012, 2, 29, 23, 59, 58), 1330559998},
      {fat(2013, 2, 29, 12, 0, 0), -1},
      {fat(2013, 13, 1, 12, 0, 0), -1},
      {fat(2013, 0, 1, 12, 0, 0), -1},
      {fat(2013, 4, 31, 12, 0, 0), -1},
      {fat(2013, 4, 30, 24, 0, 0), -1},
      {fat(2013, 4, 30, 12, 60, 0), -1},
      {fat(2013, 4, 30, 12, 0, 60), -1},
      {0xFFFFFFFF, -1},
  };
  for (const Case& c : cases) {
    const uint64_t expected = c.UnixSeconds < 0 ? 0 : UrlCacheIndexWriter::FileTime(c.UnixSeconds);
    EXPECT_EQ(Platform::FatDateTimeToFileTime(c.Fat), expected) << std::hex << c.Fat;
  }
}
