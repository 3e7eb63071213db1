#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "sources/mozilla/CMozillaCache.h"
#include "support/MozillaV1Writer.h"
#include "support/SaveEntry.h"
#include "support/TestSupport.h"

// Real block files written by Firefox, with a map built for them: the browsers that
// wrote these caches were killed, so their own maps hold only a header.

using namespace vorlane::test;
using Element = CMozillaCache::CMozillaCacheElement;
namespace fs = std::filesystem;

namespace {

struct Placement {
  uint32_t MetaLocation;
  uint32_t DataLocation;  // 0: a separate data file of generation 1
};

struct Expected {
  std::string Url;
  int32_t Size;
  int64_t Time;
  KindCode Kind;
  std::string Mime;
};

// Copies a fixture folder so a map can be written beside its block files.
std::string CopyFixture(const TempDir& dir, const std::string& name) {
  const std::string folder = dir / name;
  fs::copy(FixturePath("firefox-v1/" + name), folder, fs::copy_options::recursive);
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    fs::permissions(item.path(), fs::perms::owner_write, fs::perm_options::add);
  }
  return folder;
}

// The key stored at a metadata location, read straight from the block file.
std::string KeyAt(const std::string& folder, uint32_t version, uint32_t location) {
  const uint32_t file = (location >> 28) & 3;
  const uint32_t bitmap = version >= kMozillaNestedVersion ? (16384u >> (2 * (file - 1))) : 4096u;
  const std::string bytes = ReadFile(folder + "/_CACHE_00" + std::to_string(file) + "_");
  const size_t offset = bitmap + (location & 0xFFFFFF) * (256u << (2 * (file - 1))) + 36;
  return bytes.substr(offset, bytes.find('\0', offset) - offset);
}

std::string BlockBytes(const std::string& folder, uint32_t file, size_t offset, size_t length) {
  return ReadFile(folder + "/_CACHE_00" + std::to_string(file) + "_").substr(offset, length);
}

// Builds the map and returns the keys in record order.
std::vector<std::string> WriteMap(const std::string& folder, uint32_t version,
                                  const std::vector<Placement>& placements) {
  MozillaV1Writer writer(version);
  std::vector<std::string> keys;
  for (const Placement& p : placements) {
    keys.push_back(KeyAt(folder, version, p.MetaLocation));
    const uint32_t data = p.DataLocation ? p.DataLocation : MozillaSeparateLocation(1);
    writer.AddRecord({MozillaKeyHash(keys.back()), data, p.MetaLocation});
  }
  fs::remove(folder + "/_CACHE_MAP_");
  EXPECT_TRUE(writer.WriteMap(folder));
  return keys;
}

std::map<std::string, const Element*> Load(CMozillaCache& cache, const std::string& folder) {
  cache.SetCachePath(folder);
  EXPECT_TRUE(cache.TryOpen());
  cache.LoadEntries();
  std::map<std::string, const Element*> entries;
  for (auto* entry = cache.GetFirst(); entry; entry = cache.GetNext(*entry)) {
    entries[entry->SourceUrl] = dynamic_cast<const Element*>(entry);
  }
  return entries;
}

void ExpectEntries(const std::map<std::string, const Element*>& entries,
                   const std::vector<Expected>& expected) {
  ASSERT_EQ(entries.size(), expected.size());
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.Url);
    ASSERT_EQ(entries.count(e.Url), 1u);
    const Element& entry = *entries.at(e.Url);
    EXPECT_EQ(entry.Size, e.Size);
    EXPECT_EQ(entry.Time, e.Time);
    EXPECT_EQ(entry.Kind, e.Kind);
    EXPECT_EQ(entry.MimeType, e.Mime);
  }
}

}  // namespace

TEST(MozillaFixture, KilledBrowsersMapHoldsNoEntries) {
  CMozillaCache cache;
  cache.SetCachePath(FixturePath("firefox-v1/firefox-4.0-dtformats"));
  ASSERT_TRUE(cache.TryOpen());
  EXPECT_EQ(cache.LoadEntries(), 0);
  EXPECT_EQ(cache.GetMapVersion(), 0x00010013u);

  // Block files without any map cannot be opened as a cache.
  CMozillaCache mapless;
  mapless.SetCachePath(FixturePath("firefox-v1/firefox-3.5-blockfiles-only"));
  EXPECT_FALSE(mapless.TryOpen());
}

TEST(MozillaFixture, Firefox4BlockFilesAndNestedSeparateFiles) {
  TempDir dir;
  const std::string folder = CopyFixture(dir, "firefox-4.0-dtformats");
  const std::vector<Placement> placements = {
      {MozillaBlockLocation(1, 2, 2), MozillaBlockLocation(1, 0, 2)},   // OCSP answer
      {MozillaBlockLocation(1, 8, 3), 0},                               // search page
      {MozillaBlockLocation(1, 11, 3), 0},                              // script
      {MozillaBlockLocation(1, 14, 2), MozillaBlockLocation(3, 0, 3)},  // nav_logo229.png
      {MozillaBlockLocation(1, 16, 1), 0},                              // no data: dropped
      {MozillaBlockLocation(1, 27, 3), MozillaBlockLocation(2, 0, 2)},  // gzip'd icon
      {MozillaBlockLocation(1, 32, 3), 0},                              // script
      {MozillaBlockLocation(3, 6, 2), MozillaBlockLocation(3, 3, 3)},   // b_8d5afc09.png
      {MozillaBlockLocation(3, 8, 2), MozillaBlockLocation(1, 30, 1)},  // ends at file's end
  };
  const std::vector<std::string> keys = WriteMap(folder, kMozillaNestedVersion, placements);
  // The key hash reproduces the names the browser gave the separate files.
  EXPECT_EQ(MozillaKeyHash(keys[1]), 0x936DD708u);
  EXPECT_EQ(MozillaKeyHash(keys[2]), 0x33DED165u);
  EXPECT_EQ(MozillaKeyHash(keys[6]), 0xE1BDCD2Fu);

  CMozillaCache cache;
  const auto entries = Load(cache, folder);
  const std::string search = keys[1].substr(5), xjs = keys[2].substr(5);
  const std::string png = "http://www.google.com/images/nav_logo229.png";
  const std::string ico = "http://www.google.com/images/branding/product/ico/googleg_lodp.ico";
  const std::string sem = "http://ssl.gstatic.com/gb/js/sem_c87908b20b80e337d7767b3e66715ee0.js";
  const std::string png2 = "https://ssl.gstatic.com/gb/images/b_8d5afc09.png";
  const std::string newkey = keys[8].substr(5);
  ExpectEntries(entries, {{"id=5b6160c9&uri=http://ocsp.digicert.com/", 471, 1533108424, 0,
                           "application/ocsp-response"},
                          {search, 21480, 1533108424, 8, "text/html; charset=UTF-8"},
                          {xjs, 52133, 1533108424, 11, "text/javascript; charset=UTF-8"},
                          {png, 12263, 1533108425, 3, "image/png"},
                          {ico, 1494, 1533108425, 5, "image/x-icon"},
                          {sem, 20631, 1533108425, 11, "text/javascript"},
                          {png2, 9760, 1533108425, 3, "image/png"},
                          {newkey, 154, 1533108426, 0, "application/vnd.google.safebrowsing-key"}});
  EXPECT_EQ(entries.at(search)->LocalFile, vorlane::test::NativeSeparators("9/36/DD708d01"));
  EXPECT_EQ(entries.at(png)->Server, "sffe");
  EXPECT_EQ(entries.at(png)->AcceptRanges, "bytes");

  TempDir out;
  auto save = [&](const std::string& url, const std::string& suffix = {}) {
    const std::string destination = out / (std::to_string(entries.at(url)->Index) + suffix);
    EXPECT_TRUE(vorlane::test::SaveEntry(cache, *entries.at(url), destination));
    return ReadFile(destination);
  };
  const std::string logo = save(png);
  EXPECT_EQ(logo, BlockBytes(folder, 3, 1024, 12263));
  EXPECT_EQ(logo.substr(0, 8), "\x89PNG\r\n\x1A\n");
  EXPECT_EQ(logo.substr(logo.size() - 8), std::string("IEND\xAE\x42\x60\x82", 8));
  const std::string other = save(png2);
  EXPECT_EQ(other, BlockBytes(folder, 3, 1024 + 3 * 4096, 9760));
  EXPECT_EQ(other.substr(other.size() - 8), std::string("IEND\xAE\x42\x60\x82", 8));
  // Bodies are stored as received: this one is gzip-encoded, and saving decodes it.
  EXPECT_EQ(entries.at(ico)->ContentEncoding, "gzip");
  cache.SetDecodeContent(false);
  const std::string stored = save(ico, ".stored");
  EXPECT_EQ(stored, BlockBytes(folder, 2, 4096, 1494));
  EXPECT_EQ(stored.substr(0, 2), "\x1F\x8B");
  EXPECT_EQ(save(search, ".stored"), ReadFile(folder + "/9/36/DD708d01"));
  EXPECT_EQ(save(sem, ".stored").size(), 20631u);
  cache.SetDecodeContent(true);
  const std::string icon = save(ico);
  EXPECT_EQ(icon.size(), 5430u);
  EXPECT_EQ(icon.substr(0, 6), std::string("\0\0\1\0\2\0", 6));
  EXPECT_EQ(save(newkey).substr(0, 13), "clientkey:24:");
  EXPECT_TRUE(save(search).starts_with("<!doctype html>"));
  EXPECT_EQ(save(sem).size(), 56682u);
}

TEST(MozillaFixture, Firefox35BlockFilesUseTheSmallBitmaps) {
  TempDir dir;
  const std::string folder = CopyFixture(dir, "firefox-3.5-blockfiles-only");
  constexpr uint32_t kVersion = 0x0001000B;
  const std::vector<std::string> keys =
      WriteMap(folder, kVersion,
               {{MozillaBlockLocation(1, 15, 2), MozillaBlockLocation(1, 13, 2)},
                {MozillaBlockLocation(1, 20, 2), MozillaBlockLocation(1, 19, 1)},
                {MozillaBlockLocation(1, 25, 4), MozillaBlockLocation(1, 24, 1)},
                {MozillaBlockLocation(1, 36, 2), MozillaBlockLocation(1, 32, 4)}});
  CMozillaCache cache;
  const auto entries = Load(cache, folder);
  const std::string base = "http://start.mozilla.org/en-US/img/";
  ExpectEntries(entries, {{base + "down-arrow.png", 275, 1399040103, 3, "image/png"},
                          {base + "gradsprite2.png", 209, 1399040103, 3, "image/png"},
                          {keys[2].substr(5), 35, 1399040103, 2, "image/gif"},
                          {base + "favicon.png", 815, 1399040104, 3, "image/png"}});

  TempDir out;
  for (const auto& [url, entry] : entries) {
    SCOPED_TRACE(url);
    const std::string destination = out / std::to_string(entry->Index);
    ASSERT_TRUE(vorlane::test::SaveEntry(cache, *entry, destination));
    const std::string body = ReadFile(destination);
    ASSERT_EQ(body.size(), static_cast<size_t>(entry->Size));
    if (entry->Kind == 3) {
      EXPECT_EQ(body.substr(0, 4), "\x89PNG");
      EXPECT_EQ(body.substr(body.size() - 4), std::string("\xAE\x42\x60\x82", 4));
    } else {
      EXPECT_EQ(entry->Kind, 2);
      EXPECT_EQ(body.substr(0, 6), "GIF89a");
      EXPECT_EQ(body.back(), ';');
    }
  }
}
