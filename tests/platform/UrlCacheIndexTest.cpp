#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <map>
#include <sstream>

#include "platform/Platform.h"
#include "platform/posix/UrlCacheIndex.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

using Platform::UrlCacheIndex;
using Platform::UrlCacheRecord;
using vorlane::test::UrlCacheIndexWriter;

namespace {

std::span<const std::byte> AsBytes(const std::string& bytes) {
  return std::as_bytes(std::span(bytes));
}

std::vector<UrlCacheRecord> AllRecords(const std::string& bytes) {
  std::vector<UrlCacheRecord> out;
  std::optional<UrlCacheIndex> index = UrlCacheIndex::Parse(AsBytes(bytes));
  if (!index) return out;
  while (std::optional<UrlCacheRecord> record = index->NextRecord()) out.push_back(*record);
  return out;
}

// The time texts of the reference reader: FILETIMEs with seven digits of 100 ns
// (padded to nine), FAT times to the second.
std::string FormatTime(uint64_t fileTime, bool withFraction) {
  static const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const time_t seconds = static_cast<time_t>(fileTime / 10000000) - 11644473600;
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  char text[64];
  std::snprintf(text, sizeof text, "%s %02d, %04d %02d:%02d:%02d", Months[parts.tm_mon],
                parts.tm_mday, parts.tm_year + 1900, parts.tm_hour, parts.tm_min, parts.tm_sec);
  std::string out = text;
  if (withFraction) {
    std::snprintf(text, sizeof text, ".%07" PRIu64 "00", fileTime % 10000000);
    out += text;
  }
  return out;
}

// One record as the reference reader printed it: field name -> text.
using Exported = std::map<std::string, std::string>;

std::map<uint32_t, Exported> ReadExport(const std::string& path, const std::string& type) {
  std::map<uint32_t, Exported> out;
  std::istringstream in(vorlane::test::ReadFile(path));
  Exported current;
  auto flush = [&] {
    if (current["Record type"] == type) {
      out[static_cast<uint32_t>(std::stoul(current["Offset range"]))] = current;
    }
    current.clear();
  };
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) {
      flush();
      continue;
    }
    const size_t tab = line.find('\t');
    const size_t colon = line.find(": ", tab);
    if (tab == std::string::npos || colon == std::string::npos) continue;
    current[line.substr(0, tab)] = line.substr(colon + 2);
  }
  flush();
  return out;
}

Exported AsExported(const UrlCacheRecord& record) {
  Exported out;
  out["Location"] = Platform::CacheBytesToUtf8(record.Url);
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

Exported Comparable(const Exported& exported) {
  Exported out;
  for (const char* key : {"Location", "Primary time", "Secondary time", "Expiration time",
                          "Last checked time", "Filename"}) {
    if (auto it = exported.find(key); it != exported.end()) out[key] = it->second;
  }
  // An expiry of all ones means "never"; it is no date, so it converts to none.
  if (out["Expiration time"] == "Never" || out["Expiration time"].empty()) {
    out.erase("Expiration time");
  }
  // "-2 (0xfe)" or "0 (0x00)(ENG3X4ZR)": the hexadecimal form is unambiguous.
  const std::string& index = exported.at("Cache directory index");
  const size_t open = index.find("(0x");
  out["Cache directory index"] = index.substr(open + 1, 4);
  return out;
}

}  // namespace

struct RealIndexCase {
  const char* File;
  const char* Export;
  size_t Records;
  // URL records the reference reader finds by scanning blocks that the cache had
  // already freed; no hash table points at them, so the cache does not list them.
  std::vector<uint32_t> Freed;
};

class UrlCacheIndexRealFiles : public testing::TestWithParam<RealIndexCase> {};

TEST_P(UrlCacheIndexRealFiles, AgreeWithTheIndependentReader) {
  const RealIndexCase& c = GetParam();
  const std::string bytes = vorlane::test::ReadFile(vorlane::test::FixturePath(c.File));
  const auto reference = ReadExport(
      vorlane::test::FixturePath(std::string("msiecf/msiecfexport-output/") + c.Export), "URL");
  const std::vector<UrlCacheRecord> records = AllRecords(bytes);
  ASSERT_EQ(records.size(), c.Records);

  std::vector<uint32_t> unmatched;
  for (const auto& [offset, exported] : reference) unmatched.push_back(offset);
  for (const UrlCacheRecord& record : records) {
    const auto it = reference.find(record.Offset);
    ASSERT_NE(it, reference.end()) << "record at " << record.Offset;
    EXPECT_EQ(AsExported(record), Comparable(it->second)) << "record at " << record.Offset;
    std::erase(unmatched, record.Offset);
  }
  EXPECT_EQ(unmatched, c.Freed);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, UrlCacheIndexRealFiles,
    testing::Values(RealIndexCase{"msiecf/Content.IE5/index.dat",
                                  "msiecf_Content.IE5_index.dat.export.txt",
                                  21,
                                  {}},
                    RealIndexCase{"msiecf/nfury_index.dat",
                                  "msiecf_nfury_index.dat.export.txt",
                                  984,
                                  {92544, 93952, 247936, 346880, 351360, 431360, 453376, 462080}},
                    RealIndexCase{"msiecf/History.IE5/index.dat",
                                  "msiecf_History.IE5_index.dat.export.txt",
                                  15,
                                  {25600, 29312}},
                    RealIndexCase{"msiecf/MSHist012013031020130311-index.dat",
                                  "MSHist012013031020130311-index.dat.export.txt",
                                  23,
                                  {}}));

TEST(UrlCacheIndex, RealCacheIndexDetails) {
  const std::string bytes =
      vorlane::test::ReadFile(vorlane::test::FixturePath("msiecf/Content.IE5/index.dat"));
  std::optional<UrlCacheIndex> index = UrlCacheIndex::Parse(AsBytes(bytes));
  ASSERT_TRUE(index);
  EXPECT_EQ(index->Flavour(), Platform::UrlCacheFlavour::InternetExplorer);
  EXPECT_EQ(index->Directories(),
            (std::vector<std::string>{"ENG3X4ZR", "5ZBG4UOD", "5F9C7HL9", "F4MAMNDH"}));

  std::map<uint32_t, UrlCacheRecord> byOffset;
  for (UrlCacheRecord& record : AllRecords(bytes)) byOffset[record.Offset] = record;
  const UrlCacheRecord& favicon = byOffset.at(0x6200);
  EXPECT_EQ(favicon.Size, 1150u);
  EXPECT_EQ(favicon.EntryType, 0x45u);
  ASSERT_TRUE(favicon.HasHeaderInfo);
  EXPECT_EQ(favicon.HeaderInfo.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_TRUE(favicon.HeaderInfo.ends_with("\r\n~U:gold_administrator\r\n"));
  const UrlCacheRecord& cab = byOffset.at(0x8100);
  EXPECT_EQ(cab.Size, 5149227u);
  EXPECT_EQ(cab.FileName, "Windows6.1-KB2639308-x64[1].cab");
}
