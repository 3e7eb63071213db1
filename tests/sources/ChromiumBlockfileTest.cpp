#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/MemoryFiles.h"
#include "sources/ChromiumBlockfile.h"
#include "sources/ChromiumBlockfileReader.h"
#include "sources/ChromiumBlockfileSparse.h"
#include "sources/ChromiumResponseInfo.h"
#include "support/ChromiumBlockfileWriter.h"
#include "support/ChromiumPickleWriter.h"
#include "support/MozillaCache2Writer.h"

using namespace vorlane::test;
using namespace ChromiumBlockfile;

namespace {

struct Cache {
  explicit Cache(const ChromiumBlockfileWriter& writer)
      : Files(writer.Files()), Read(Files.Fetch()) {}
  Bytes::MemoryFiles Files;
  Reader Read;

  std::string Bytes(const Chromium::BodyPiece& piece) const {
    if (piece.Length == 0) return "";
    const auto file = Files.Find(piece.File);
    if (!file || piece.FileOffset + piece.Length > file->size()) return "<outside>";
    return {reinterpret_cast<const char*>(file->data()) + piece.FileOffset, piece.Length};
  }
  std::string Stream(const Entry& entry, int stream) {
    const auto piece = Read.LocateStream(entry.Store, stream);
    return piece ? Bytes(*piece) : "<none>";
  }
};

std::vector<std::string> Keys(const Walk& walk) {
  std::vector<std::string> keys;
  for (const Entry& entry : walk.Entries) keys.push_back(entry.Key);
  return keys;
}

}  // namespace

TEST(ChromiumBlockfile, AddressesDecode) {
  const struct {
    uint32_t Value;
    bool Data, Entry;
    std::string File;
    uint32_t Start, Blocks;
  } cases[] = {{0xA0010003, true, true, "data_1", 3, 1},
               {0xB3020010, true, false, "data_2", 16, 4},
               {0x8000000B, true, false, "f_00000b", 11, 1},
               {0x90000000, false, false, "data_0", 0, 1},
               {0xA4010000, false, false, "data_1", 0, 1} /* reserved bit */,
               {0x20010003, false, false, "data_1", 3, 1} /* not initialized */,
               {0xD0010000, false, false, "data_1", 0, 1} /* files block */};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Value);
    const Addr addr{c.Value};
    EXPECT_EQ(addr.HoldsData(), c.Data);
    EXPECT_EQ(addr.HoldsEntry(), c.Entry);
    EXPECT_EQ(addr.FileName(), c.File);
    if (!addr.External()) {
      EXPECT_EQ(addr.StartBlock(), c.Start);
      EXPECT_EQ(addr.BlockCount(), c.Blocks);
    }
  }
  EXPECT_EQ(PlaceData(Addr{0xB3020010}, 4096)->Offset, 8192u + 16 * 1024);
  EXPECT_FALSE(PlaceData(Addr{0xB3020010}, 4097));
}

TEST(ChromiumBlockfile, WalkYieldsEveryEntryOnceWithItsStreams) {
  ChromiumBlockfileWriter writer(Version3_0, 16);
  const std::string head = ChromiumResponseInfo({"HTTP/1.1 200 OK\nContent-Encoding: gzip\n"});
  const std::string gz = CompressBody("gzip", "body text, body text");
  const std::string big(20000, 'x');
  const std::string inlineKey = "1/0/https://a.com/" + std::string(900, 'm');  // 4 blocks
  const std::string longKey = "1/0/https://a.com/" + std::string(1317, 'l');   // 1335 bytes
  writer.Add({"1/0/https://a.com/1", head, gz, "", 0, 0, 5});
  writer.Add({"1/0/https://a.com/2", head, big, "", 0, 0, 5 + 16});  // same bucket: a chain
  writer.Add({"1/0/https://a.com/doomed", head, "x", "", 0, 2, 5});
  writer.Add({"1/0/https://a.com/3", head, "", "", 0, 0, 3});
  writer.Add({inlineKey, head, std::string(1500, 'y'), "", 0, 1, 9});  // evicted: still listed
  writer.Add({longKey, head, std::string(5000, 'z'), "", 0, 0, 9});
  Cache cache(writer);
  const auto walk = cache.Read.WalkEntries();
  ASSERT_TRUE(walk);
  EXPECT_EQ(walk->Header.Version, Version3_0);
  EXPECT_EQ(walk->Header.TableLength, 16u);
  EXPECT_EQ(walk->Header.EntryCount, 6);
  EXPECT_EQ(Keys(*walk), (std::vector<std::string>{"1/0/https://a.com/3", "1/0/https://a.com/1",
                                                   "1/0/https://a.com/2", inlineKey, longKey}));
  EXPECT_EQ(walk->Stats.Doomed, 1u);
  EXPECT_EQ(walk->Stats.Damaged + walk->Stats.Loops, 0u);
  const std::vector<Entry>& entries = walk->Entries;
  EXPECT_EQ(cache.Stream(entries[0], 1), "");
  EXPECT_EQ(cache.Stream(entries[1], 0), head);
  EXPECT_EQ(cache.Stream(entries[1], 1), gz);
  EXPECT_EQ(cache.Read.LocateStream(entries[2].Store, 1)->File, "f_000001");
  EXPECT_EQ(cache.Stream(entries[2], 1), big);
  EXPECT_EQ(cache.Read.LocateStream(entries[3].Store, 1)->File, "data_2");
  EXPECT_EQ(entries[3].State(), EntryState::Evicted);
  EXPECT_EQ(cache.Read.LocateStream(entries[4].Store, 1)->File, "data_3");
  EXPECT_EQ(cache.Stream(entries[4], 1), std::string(5000, 'z'));
  EXPECT_EQ(cache.Read.ReadStream(entries[1].Store, 0, head.size()).value().size(), head.size());
  EXPECT_FALSE(cache.Read.ReadStream(entries[1].Store, 0, head.size() - 1));
  const auto info = Chromium::ParseResponseInfo(*cache.Read.ReadStream(entries[1].Store, 0, 4096));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->Version(), 3u);
}

TEST(ChromiumBlockfile, LoopsAndDamageAreSkipped) {
  ChromiumBlockfileWriter writer(Version2_1, 16);
  const uint32_t a = writer.Add({"1/0/https://a.com/a", "", "aa", "", 0, 0, 1});
  const uint32_t b = writer.Add({"1/0/https://a.com/b", "", "bb", "", 0, 0, 1});
  const uint32_t c = writer.Add({"1/0/https://a.com/c", "", "cc", "", 0, 0, 2});
  writer.Add({"1/0/https://a.com/d", "", "dd", "", 0, 0, 4});
  const uint32_t e = writer.Add({"1/0/https://a.com/e", "", "ee", "", 0, 0, 4});
  writer.Add({"1/0/https://a.com/f", "", "ff", "", 0, 0, 6});
  writer.Add({"1/0/https://a.com/g", "", "gg", "", 0, 0, 7});
  writer.PatchEntry(b, 4, a);             // b links back to a: a loop
  writer.PatchEntry(c, 4, e);             // c links into bucket 4's chain: damage
  writer.PatchEntry(e, 32, 0);            // e's key length 0
  writer.SetBucket(5, 0xA0010000 | 900);  // a block past the data
  writer.SetBucket(6, 0xC0010000);        // an address of another type
  writer.PatchEntry(e, 96 + 19, 'x');     // and no NUL after the key
  Cache cache(writer);
  const auto walk = cache.Read.WalkEntries();
  ASSERT_TRUE(walk);
  EXPECT_EQ(Keys(*walk), (std::vector<std::string>{"1/0/https://a.com/a", "1/0/https://a.com/b",
                                                   "1/0/https://a.com/c", "1/0/https://a.com/d",
                                                   "1/0/https://a.com/g"}));
  EXPECT_EQ(walk->Stats.Loops, 1u);
  EXPECT_EQ(walk->Stats.Damaged, 4u);  // c's link, e's key, buckets 5 and 6

  // Indexes that cannot be walked.
  const auto refuse = [](auto change) {
    ChromiumBlockfileWriter broken(Version3_0, 16);
    change(broken.FileBytes);
    const Bytes::MemoryFiles files = broken.Files();
    return !Reader(files.Fetch()).WalkEntries();
  };
  EXPECT_TRUE(refuse([](auto& f) { f["index"][0] ^= 1; }));
  EXPECT_TRUE(refuse([](auto& f) { PutLe32(f["index"], 4, 0x40000); }));
  EXPECT_TRUE(refuse([](auto& f) { PutLe32(f["index"], 28, 24); }));
  EXPECT_TRUE(refuse([](auto& f) { f["index"].pop_back(); }));
  EXPECT_TRUE(refuse([](auto& f) { f.erase("index"); }));
  EXPECT_TRUE(refuse([](auto& f) { PutLe32(f["index"], 28, 0); }));  // 0x10000 not there
  // A block file of the wrong block size: its entries cannot be read.
  ChromiumBlockfileWriter wrongSize(Version3_0, 16);
  wrongSize.Add({"1/0/https://a.com/a", "", "aa", "", 0, 0, 1});
  PutLe32(wrongSize.FileBytes["data_1"], 12, 1024);
  Cache wrong(wrongSize);
  EXPECT_EQ(wrong.Read.WalkEntries()->Stats.Damaged, 1u);
}

TEST(ChromiumBlockfile, SparseBodiesAssembleFromChildren) {
  const std::string key =
      "1/0/_dk_http://127.0.0.1 http://127.0.0.1 http://127.0.0.1:8781/m/song.mp3";
  const std::string head =
      ChromiumResponseInfo({"HTTP/1.1 206 Partial Content\nContent-Range: bytes "
                            "0-3765/1049000\nContent-Length: 1049000\n"});
  const auto piece = [](uint64_t start, uint64_t end) {
    std::string bytes(end - start, '\0');
    for (uint64_t i = start; i < end; ++i) bytes[i - start] = static_cast<char>('a' + i % 26);
    return std::make_pair(start, bytes);
  };
  struct Case {
    std::vector<std::pair<uint64_t, std::string>> Writes;
    bool Covered;
    uint64_t Bytes;
  };
  const Case cases[] = {
      {{piece(0, 3766), piece(3766, 1049000)}, true, 1049000},  // across the 1 MiB line
      {{piece(1048576, 1049000), piece(0, 1048576)}, true, 1049000},
      // The second write ends on a block line, so the first one's partial block is forgotten.
      {{piece(0, 1500), piece(2048, 1049000)}, false, 1049000 - 1024},
      {{piece(100, 1049000)}, false, 1049000 - 1024},  // the first block was not written whole
      {{piece(0, 1500), piece(1500, 1049000)}, true, 1049000},  // a partial block continued
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Writes.front().first);
    ChromiumBlockfileWriter writer;
    writer.AddSparse(key, head, c.Writes);
    writer.Add({"1/0/https://a.com/x", head, "x", "", 0, 0, std::nullopt});
    Cache cache(writer);
    const auto walk = cache.Read.WalkEntries();
    ASSERT_TRUE(walk);
    const auto children = MapChildren(walk->Entries);
    ASSERT_EQ(children.size(), 1u);
    const Entry* parent = nullptr;
    for (const Entry& entry : walk->Entries) parent = entry.Key == key ? &entry : parent;
    ASSERT_TRUE(parent && parent->IsParent());
    const auto body = AssembleSparse(cache.Read, *parent, walk->Entries, children.at(key));
    ASSERT_TRUE(body);
    EXPECT_EQ(body->Children, 2u);
    EXPECT_EQ(Chromium::CoversBody(body->Pieces, 1049000), c.Covered);
    EXPECT_EQ(Chromium::CoveredBytes(body->Pieces, 1049000), c.Bytes);
    for (const auto& p : body->Pieces)
      EXPECT_EQ(cache.Bytes(p), piece(p.BodyOffset, p.BodyOffset + p.Length).second);
  }
}

TEST(ChromiumBlockfile, ChildrenOfAnotherSignatureAreSkipped) {
  const std::string key = "1/0/https://a.com/v.mp4";
  ChromiumBlockfileWriter writer;
  writer.AddSparse(key, "", {{0, std::string(2048, 'a')}}, 0x1234);
  // A child left from an earlier body of the same URL, under another signature.
  std::string stale(192, '\0');
  PutLe32(stale, 8, 0xC103CAC3);
  writer.Add({"Range_" + key + ":99:1", "", std::string(2048, 'b'), stale, 2, 0, std::nullopt});
  Cache cache(writer);
  const auto walk = cache.Read.WalkEntries();
  ASSERT_TRUE(walk);
  const auto children = MapChildren(walk->Entries);
  const Entry& parent = *std::find_if(walk->Entries.begin(), walk->Entries.end(),
                                      [&](const Entry& entry) { return entry.Key == key; });
  const auto body = AssembleSparse(cache.Read, parent, walk->Entries, children.at(key));
  ASSERT_TRUE(body);
  EXPECT_EQ(body->Children, 1u);
  EXPECT_EQ(body->ChildrenSkipped, 1u);
  EXPECT_TRUE(Chromium::CoversBody(body->Pieces, 2048));
  // An entry without sparse data is no sparse body.
  const Entry& child = *std::find_if(walk->Entries.begin(), walk->Entries.end(),
                                     [&](const Entry& entry) { return entry.Key != key; });
  EXPECT_FALSE(AssembleSparse(cache.Read, child, walk->Entries, {}));
}
