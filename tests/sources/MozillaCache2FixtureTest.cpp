#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "sources/CGraphicLT.h"
#include "sources/mozilla/CMozillaCache.h"
#include "sources/mozilla/MozillaCache2.h"
#include "support/MozillaCache2Writer.h"
#include "support/SaveEntry.h"
#include "support/TestSupport.h"

using namespace vorlane::test;
using Element = CMozillaCache::CMozillaCacheElement;
namespace fs = std::filesystem;

// Real cache2 folders written by Firefox 32 to 51 (tests/fixtures/firefox-cache2).

namespace {

std::string Cache2Fixture(const std::string& name) {
  return FixturePath("firefox-cache2/" + name);
}

std::map<std::string, const Element*> ByFile(const CMozillaCache& cache) {
  std::map<std::string, const Element*> entries;
  for (auto* entry = cache.GetFirst(); entry; entry = cache.GetNext(*entry)) {
    entries[fs::path(entry->LocalFile).filename().string().substr(0, 8)] =
        dynamic_cast<const Element*>(entry);
  }
  return entries;
}

// Decoded text: no NUL and no other control bytes than line ends and tabs.
bool LooksLikeText(const std::string& bytes) {
  for (unsigned char c : bytes) {
    if (c < 0x20 && c != '\n' && c != '\r' && c != '\t') return false;
  }
  return !bytes.empty();
}

struct ListedEntry {
  const char* File;  // first eight digits of the entry's name
  std::string Url;
  int32_t Size;
  int64_t Time;
  std::string MimeType;
  KindCode Kind;
  std::string Encoding;
  std::string Partition;
};
struct ListedFolder {
  const char* Folder;
  size_t Count;
  std::vector<ListedEntry> Entries;
};

// Opens a fixture folder as cache2 and checks its count and the entries it names.
void ExpectListed(const ListedFolder& c) {
  SCOPED_TRACE(c.Folder);
  CMozillaCache cache;
  cache.SetCachePath(Cache2Fixture(c.Folder));
  ASSERT_TRUE(cache.TryOpen());
  EXPECT_EQ(cache.GetFormat(), CMozillaCache::Format::Cache2);
  EXPECT_EQ(cache.LoadEntries(), static_cast<int32_t>(c.Count));
  const auto entries = ByFile(cache);
  EXPECT_EQ(entries.size(), c.Count);
  for (const ListedEntry& e : c.Entries) {
    SCOPED_TRACE(e.File);
    ASSERT_TRUE(entries.count(e.File));
    const Element& entry = *entries.at(e.File);
    if (!e.Url.empty()) {
      EXPECT_EQ(entry.SourceUrl, e.Url);
    }
    EXPECT_EQ(entry.Size, e.Size);
    EXPECT_EQ(entry.Time, e.Time);
    EXPECT_EQ(entry.MimeType, e.MimeType);
    EXPECT_EQ(entry.Kind, e.Kind);
    EXPECT_EQ(entry.ContentEncoding, e.Encoding);
    EXPECT_EQ(entry.Partition, e.Partition);
  }
  for (const auto& [file, entry] : entries) {
    EXPECT_TRUE(entry->LocalFile.starts_with(vorlane::test::NativeSeparators("entries/")))
        << entry->LocalFile;
  }
}

}  // namespace

TEST(MozillaCache2Fixture, EveryVersionIsListed) {
  // "application/json" counts as js: the kind table matches substrings.
  const ListedFolder cases[] = {
      {"firefox-32.0-dtformats",
       4,  // the fifth holds no data (a 204 answer)
       {{"029FC2EB", "http://ocsp.pki.goog/GTSGIAG3", 463, 0, "application/ocsp-response", 0, "",
         ""},
        {"BF13DDDC", "https://www.google.com/images/branding/product/ico/googleg_lodp.ico", 1494, 0,
         "image/x-icon", 5, "gzip", ""}}},
      {"firefox-45.0",
       5,
       {{"359DD5E3",
         "https://sb-ssl.google.com/safebrowsing/clientreport/download?key=%GOOGLE_API_KEY%", 261,
         1533107210, "application/octet-stream", 0, "", "appId=4294967294"},
        {"15C111ED", "", 2070, 1533107203, "application/json", 11, "", ""},
        {"EBA5E109", "", 1485, 1533107204, "text/javascript; charset=UTF-8", 11, "gzip", ""}}},
      // The interrupted download's trailer points far past its end; doomed/ and trash
      // hold two more entries that are not listed.
      {"firefox-50.0",
       11,
       {{"9368CB76",
         "https://raw.githubusercontent.com/dfirlabs/firefox-specimens/master/"
         "generate-specimens.sh",
         1188, 1533107002, "text/plain; charset=utf-8", 15, "gzip", ""}}},
      {"firefox-51.0",
       16,
       {{"31C9294D", "https://raw.githubusercontent.com/favicon.ico", 21, 1533106961, "", 5, "",
         ""},
        {"B3F2A305", "", 261, 1533106968, "application/octet-stream", 0, "", "appId=4294967294"}}},
      // Version 4, partitioned, with the word Firefox 153 puts after the elements.
      {"firefox-153.8esr-local",
       2,
       {{"6C4D5D18", "http://127.0.0.1:18765/index.html", 44, 1796687604, "text/html", 8, "",
         "partitionKey=%28http%2C127.0.0.1%29"},
        {"8A1A99A4", "http://127.0.0.1:18765/a.png", 379, 1796687604, "image/png", 3, "",
         "partitionKey=%28http%2C127.0.0.1%29"}}},
      // Two predictor entries without data, and a file that is no entry at all.
      {"plaso-mixed",
       2,
       {{"0FC75AE8", "https://github.com/log2timeline/plaso/issues/counts", 80, 1430581478,
         "application/json; charset=utf-8", 11, "gzip", ""},
        {"1F4B3A4F", "", 5663, 1430580931, "image/png", 3, "", ""}}},
  };
  for (const ListedFolder& c : cases) ExpectListed(c);
}

TEST(MozillaCache2Fixture, CompressedBodiesAreSavedDecoded) {
  struct Case {
    const char* Folder;
    const char* File;
    size_t Decoded;
    const char* Start;
  };
  const Case texts[] = {
      {"firefox-32.0-dtformats", "5CDBAD3B", 423783, "try{\nvar s_,s_faa=function(){"},
      {"firefox-45.0", "EBA5E109", 3409, "try{\ns_fk(\"syph\");"},
      {"firefox-51.0", "9368CB76", 2807, "#!/bin/bash\n"},
      {"plaso-mixed", "0FC75AE8", 105, "{\"issues_count\":"},
  };
  TempDir out;
  for (const Case& c : texts) {
    SCOPED_TRACE(c.Folder);
    CMozillaCache cache;
    cache.SetCachePath(Cache2Fixture(c.Folder));
    ASSERT_TRUE(cache.TryOpen());
    cache.LoadEntries();
    const Element& entry = *ByFile(cache).at(c.File);
    const std::string destination = out / c.File;
    vorlane::test::SaveResult outcome;
    ASSERT_TRUE(vorlane::test::SaveEntry(cache, entry, destination, &outcome));
    const std::string text = ReadFile(destination);
    EXPECT_TRUE(outcome.Decoded);
    EXPECT_EQ(outcome.BytesWritten, c.Decoded);
    EXPECT_EQ(text.size(), c.Decoded);
    EXPECT_TRUE(text.starts_with(c.Start));
    EXPECT_TRUE(LooksLikeText(text));
  }

  // A body stored without coding comes out as served.
  {
    CMozillaCache cache;
    cache.SetCachePath(Cache2Fixture("firefox-153.8esr-local"));
    ASSERT_TRUE(cache.TryOpen());
    cache.LoadEntries();
    const std::string png = out / "a.png";
    ASSERT_TRUE(vorlane::test::SaveEntry(cache, *ByFile(cache).at("8A1A99A4"), png));
    EXPECT_EQ(ReadFile(png), ReadFile(FixturePath("images/png-rgb-33x19.png")));
    EXPECT_EQ(CGraphicLT::GetImageSize(png), (CGraphicLT::ImageSize{33, 19}));
  }

  // A gzip'd icon only measures once it is decoded.
  for (const char* folder : {"firefox-32.0-dtformats", "firefox-45.0"}) {
    SCOPED_TRACE(folder);
    CMozillaCache cache;
    cache.SetCachePath(Cache2Fixture(folder));
    ASSERT_TRUE(cache.TryOpen());
    cache.LoadEntries();
    const Element& icon = *ByFile(cache).at("BF13DDDC");
    const std::string decoded = out / (std::string(folder) + ".ico");
    ASSERT_TRUE(vorlane::test::SaveEntry(cache, icon, decoded));
    EXPECT_EQ(CGraphicLT::GetImageSize(decoded), (CGraphicLT::ImageSize{32, 32}));
    cache.SetDecodeContent(false);
    const std::string stored = out / (std::string(folder) + ".gz");
    ASSERT_TRUE(vorlane::test::SaveEntry(cache, icon, stored));
    EXPECT_EQ(fs::file_size(stored), 1494u);
    EXPECT_EQ(CGraphicLT::GetImageSize(stored), (CGraphicLT::ImageSize{0, 0}));
  }
}

// The writer rebuilds real entries byte for byte, hashes included, from what the parser
// reads out of them: both agree with the browser on every byte.
TEST(MozillaCache2Fixture, WriterRebuildsRealEntries) {
  const char* files[] = {
      "firefox-32.0-dtformats/entries/029FC2EB7DA2609A5A64FF708B05293423C821BE",
      "firefox-45.0/entries/359DD5E3E2B88055EA08BFE2BD5DF32D4D16FCBE",
      "firefox-51.0/entries/B3F2A305BBE51D58768765A5FA8C06CFA747601D",
      "plaso-mixed/entries/0EDDF8C091E2FED62E44BEDDDC1723F5BF38FE4F",
      "firefox-153.8esr-local/entries/8A1A99A48635E361DEC7CB5BB5590B344E55292B",
  };
  for (const char* file : files) {
    SCOPED_TRACE(file);
    const std::string real = ReadFile(Cache2Fixture(file));
    const auto bytes = std::as_bytes(std::span<const char>(real.data(), real.size()));
    const auto offset = MozillaCache2::ParseMetadataOffset(bytes.last(4), bytes.size());
    ASSERT_TRUE(offset);
    const auto metadata =
        MozillaCache2::ParseMetadata(bytes.subspan(*offset, real.size() - 4 - *offset), *offset);
    ASSERT_TRUE(metadata);

    MozillaCache2Item item;
    item.Key = std::string(metadata->Key);
    item.Data = real.substr(0, *offset);
    item.RequestMethod.clear();
    item.ResponseHead.clear();
    for (const auto& [name, value] : metadata->Elements) {
      item.Elements.emplace_back(std::string(name), std::string(value));
    }
    item.Version = metadata->Version;
    item.FetchCount = metadata->FetchCount;
    item.LastFetched = metadata->LastFetched;
    item.LastModified = metadata->LastModified;
    item.Frecency = metadata->Frecency;
    item.ExpirationTime = metadata->ExpirationTime;
    item.Flags = metadata->Flags;
    const size_t tail = *offset + metadata->ElementsEnd;
    item.UnhashedTail = real.substr(tail, real.size() - 4 - tail);
    EXPECT_TRUE(MozillaCache2Writer::EntryBytes(item) == real);
    EXPECT_EQ(MozillaCache2FileName(*item.Key), fs::path(file).filename().string());
  }
}
