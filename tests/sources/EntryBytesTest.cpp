#include <gtest/gtest.h>

#include <map>

#include "sources/mozilla/CMozillaCache.h"
#include "sources/urlcache/CIECache.h"
#include "support/MozillaCache2Writer.h"
#include "support/MozillaV1Writer.h"
#include "support/SaveEntry.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

using vorlane::test::MozillaV1Item;
using vorlane::test::MozillaV1Writer;
using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::UrlCacheIndexWriter;

namespace {

std::string ReadContent(const EntryContent& content) {
  std::string text(static_cast<size_t>(content.Length()), '\0');
  EXPECT_EQ(content.ReadAt(0, std::as_writable_bytes(std::span(text))),
            static_cast<int64_t>(text.size()));
  return text;
}

// What a source says an entry's bytes are must be exactly what its copy writes.
void ExpectLocatedBytesAreTheCopy(CCacheBrowser& source, const TempDir& dir,
                                  const std::map<std::string, std::string>& expected) {
  size_t seen = 0;
  for (auto* entry = source.GetFirst(); entry; entry = source.GetNext(*entry)) {
    SCOPED_TRACE(entry->SourceUrl);
    const auto found = expected.find(entry->SourceUrl);
    ASSERT_NE(found, expected.end());
    ++seen;
    const std::optional<EntryContent> bytes = source.OpenContent(*entry);
    const std::string copy = dir / ("copy" + std::to_string(seen));
    vorlane::test::SaveResult outcome;
    const bool copied = vorlane::test::SaveEntry(source, *entry, copy, &outcome);
    if (found->second == "<none>") {
      EXPECT_FALSE(bytes);
      EXPECT_FALSE(copied);
      continue;
    }
    ASSERT_TRUE(bytes);
    ASSERT_TRUE(copied);
    EXPECT_EQ(ReadContent(*bytes), found->second);
    EXPECT_EQ(ReadFile(copy), found->second);
    EXPECT_EQ(outcome.BytesWritten, bytes->Length());
  }
  EXPECT_EQ(seen, expected.size());
}

}  // namespace

TEST(EntryBytes, MozillaBlocksAndSeparateFilesLocateWhatTheCopyTakes) {
  TempDir dir;
  const std::string packed(700, 'p');
  const std::string separate(20000, 's');
  MozillaV1Writer writer;
  writer.Add(MozillaV1Item("http://e.com/packed.png", packed));
  // Pre-allocated bytes after a separate file's data belong to no entry.
  writer.Add(MozillaV1Item("http://e.com/separate.jpg", separate).WithPadding("PADDING"));
  // The entry says 1000 bytes, but its block is the last of the file and holds 300.
  writer.Add(MozillaV1Item("http://e.com/short.css", std::string(300, 'c'))
                 .WithDataSize(1000)
                 .InDataFile(2));
  ASSERT_TRUE(writer.Write(dir / "cache"));

  CMozillaCache source;
  source.SetCachePath(dir / "cache");
  ASSERT_TRUE(source.TryOpen());
  ASSERT_EQ(source.LoadEntries(), 3);
  ExpectLocatedBytesAreTheCopy(source, dir,
                               {{"http://e.com/packed.png", packed},
                                {"http://e.com/separate.jpg", separate},
                                {"http://e.com/short.css", std::string(300, 'c')}});
}

// A cache2 entry's bytes are the front of its file, before the metadata; alternative
// data after the body belong to no copy.
TEST(EntryBytes, Cache2LocatesTheBodyBeforeTheMetadata) {
  TempDir dir;
  vorlane::test::MozillaCache2Writer writer;
  const std::string body(5000, 'b');
  writer.Add(vorlane::test::MozillaCache2Item("http://e.com/a.js", body));
  writer.Add(
      vorlane::test::MozillaCache2Item("http://e.com/b.js", "script").WithAltData("bytecode"));
  ASSERT_TRUE(writer.Write(dir / "cache"));

  CMozillaCache source;
  source.SetCachePath(dir / "cache");
  ASSERT_TRUE(source.TryOpen());
  ASSERT_EQ(source.LoadEntries(), 2);
  ExpectLocatedBytesAreTheCopy(source, dir,
                               {{"http://e.com/a.js", body}, {"http://e.com/b.js", "script"}});
}

TEST(EntryBytes, UrlCacheLocatesWholeFilesAndNothingForMissingOnes) {
  TempDir dir;
  UrlCacheIndexWriter writer;
  writer.AddDirectory("ENG3X4ZR");
  const std::pair<std::string, std::string> files[] = {
      {"a[1].gif", "GIF89a..."}, {"b[1].txt", ""}, {"c[1].png", "missing"}};
  for (const auto& [name, content] : files) {
    UrlCacheIndexWriter::UrlItem item;
    item.Url = "http://e.com/" + name;
    item.FileName = name;
    item.Size = content.size();
    item.HeaderInfo = "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\n";
    writer.AddUrl(item);
    if (content != "missing") vorlane::test::WriteFile(dir / ("cache/ENG3X4ZR/" + name), content);
  }
  ASSERT_TRUE(writer.WriteTo(dir / "cache/index.dat"));

  CIECache source;
  source.SetCachePath(dir / "cache");
  ASSERT_EQ(source.LoadEntries(), 3);
  ExpectLocatedBytesAreTheCopy(source, dir,
                               {{"http://e.com/a[1].gif", "GIF89a..."},
                                {"http://e.com/b[1].txt", ""},
                                {"http://e.com/c[1].png", "<none>"}});
}
