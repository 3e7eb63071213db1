#include <gtest/gtest.h>

#include <algorithm>

#include "sources/chromium/ChromiumBlockfileReader.h"
#include "sources/chromium/ChromiumBlockfileSparse.h"
#include "support/ChromiumBlockfileWriter.h"
#include "support/ChromiumSimpleWriter.h"

using namespace vorlane::test;
using namespace ChromiumBlockfile;

namespace {

struct Cache {
  explicit Cache(const ChromiumBlockfileWriter& writer)
      : Files(writer.Files()), Read(Files.Fetch()) {}
  std::string Stream(const Entry& entry, int stream) {
    const auto piece = Read.LocateStream(entry.Store, stream);
    return piece ? Bytes(*piece) : "<none>";
  }
  std::string Bytes(const Chromium::BodyPiece& piece) const {
    const auto file = Files.Find(piece.File);
    if (piece.Length == 0 || !file) return piece.Length == 0 ? "" : "<no file>";
    return {reinterpret_cast<const char*>(file->data()) + piece.FileOffset, piece.Length};
  }
  std::vector<std::string> Keys() {
    std::vector<std::string> keys;
    const auto walk = Read.WalkEntries();
    for (const Entry& entry : walk->Entries) keys.push_back(entry.Key);
    return keys;
  }
  Bytes::MemoryFiles Files;
  Reader Read;
};

}  // namespace

TEST(ChromiumBlockfile, WalkYieldsEveryEntryOnceWithItsStreams) {
  ChromiumBlockfileWriter writer(Version3_0, 16);
  const std::string head = ChromiumResponseInfo(), big(20000, 'x'), mid(1500, 'y'),
                    large(5000, 'z');
  const std::string inlineKey = "1/0/https://a.com/" + std::string(900, 'm');  // 4 blocks
  const std::string longKey = "1/0/https://a.com/" + std::string(1317, 'l');   // in data_2
  writer.Add({"1/0/https://a.com/1", head, "gz", "", 0, 0, 5});
  writer.Add({"1/0/https://a.com/2", head, big, "", 0, 0, 5 + 16});  // the same bucket
  writer.Add({"1/0/https://a.com/doomed", head, "x", "", 0, 2, 5});
  writer.Add({"1/0/https://a.com/3", head, "", "", 0, 0, 3});
  writer.Add({inlineKey, head, mid, "", 0, 1, 9});  // evicted: still listed
  writer.Add({longKey, head, large, "", 0, 0, 9});
  Cache cache(writer);
  const auto walk = cache.Read.WalkEntries();
  ASSERT_TRUE(walk);
  EXPECT_EQ(walk->Header.TableLength, 16u);
  EXPECT_EQ(cache.Keys(), (std::vector<std::string>{"1/0/https://a.com/3", "1/0/https://a.com/1",
                                                    "1/0/https://a.com/2", inlineKey, longKey}));
  EXPECT_EQ(walk->Stats.Doomed, 1u);
  EXPECT_EQ(walk->Stats.Damaged + walk->Stats.Loops, 0u);
  const auto& entries = walk->Entries;
  const std::pair<size_t, std::string> bodies[] = {
      {0, ""}, {1, "gz"}, {2, big}, {3, mid}, {4, large}};
  for (const auto& [index, body] : bodies) EXPECT_EQ(cache.Stream(entries[index], 1), body);
  EXPECT_EQ(cache.Read.LocateStream(entries[2].Store, 1)->File, "f_000001");
  EXPECT_EQ(cache.Read.LocateStream(entries[4].Store, 1)->File, "data_3");
  EXPECT_EQ(entries[3].State(), EntryState::Evicted);
  EXPECT_EQ(cache.Read.ReadStream(entries[1].Store, 0, head.size())->size(), head.size());
  EXPECT_FALSE(cache.Read.ReadStream(entries[1].Store, 0, head.size() - 1));
}

TEST(ChromiumBlockfile, LoopsAndDamageAreSkipped) {
  ChromiumBlockfileWriter writer(Version2_1, 16);
  uint32_t at[7];
  for (uint32_t i = 0; i < 7; ++i) {
    at[i] = writer.Add({"1/0/https://a.com/" + std::string(1, char('a' + i)), "", "x", "", 0, 0,
                        std::vector<uint32_t>{1, 1, 2, 4, 4, 6, 7}[i]});
  }
  writer.PatchEntry(at[1], 4, at[0]);      // b links back to a: a loop
  writer.PatchEntry(at[2], 4, at[4]);      // c links into bucket 4's chain
  writer.PatchEntry(at[4], 96 + 19, 'x');  // e's key has no NUL
  writer.SetBucket(5, 0xA0010000 | 900);   // a block past the data
  writer.SetBucket(6, 0xC0010000);         // an address of another type
  Cache cache(writer);
  const auto walk = cache.Read.WalkEntries();
  EXPECT_EQ(cache.Keys(), (std::vector<std::string>{"1/0/https://a.com/a", "1/0/https://a.com/b",
                                                    "1/0/https://a.com/c", "1/0/https://a.com/d",
                                                    "1/0/https://a.com/g"}));
  EXPECT_EQ(walk->Stats.Loops, 1u);
  EXPECT_EQ(walk->Stats.Damaged, 4u);  // c's link, e's key, buckets 5 and 6

  const auto refused = [](auto change) {
    ChromiumBlockfileWriter broken(Version3_0, 16);
    broken.Add({"1/0/https://a.com/a", "", "x", "", 0, 0, 1});
    change(broken.FileBytes);
    const Bytes::MemoryFiles files = broken.Files();
    const auto walked = Reader(files.Fetch()).WalkEntries();
    return !walked ? -1 : static_cast<int>(walked->Stats.Damaged);
  };
  EXPECT_EQ(refused([](auto& f) { f["index"][0] ^= 1; }), -1);
  EXPECT_EQ(refused([](auto& f) { PutLe32(f["index"], 4, 0x40000); }), -1);  // version
  EXPECT_EQ(refused([](auto& f) { PutLe32(f["index"], 28, 24); }), -1);      // not 2^n
  EXPECT_EQ(refused([](auto& f) { PutLe32(f["index"], 28, 0); }), -1);       // 0x10000: short
  EXPECT_EQ(refused([](auto& f) { f["index"].pop_back(); }), -1);
  EXPECT_EQ(refused([](auto& f) { PutLe32(f["data_1"], 12, 1024); }), 1);      // block size
  EXPECT_EQ(refused([](auto& f) { PutLe32(f["data_1"], 8192 + 32, 0); }), 1);  // key length
}

TEST(ChromiumBlockfile, SparseBodiesAssembleFromChildren) {
  const std::string key = "1/0/_dk_http://a.com http://a.com http://a.com:8781/m/song.mp3";
  const auto piece = [](uint64_t start, uint64_t end) {
    std::string bytes(end - start, '\0');
    for (uint64_t i = start; i < end; ++i) bytes[i - start] = static_cast<char>('a' + i % 26);
    return std::make_pair(start, bytes);
  };
  const uint64_t total = 1049000;
  const struct {
    std::vector<std::pair<uint64_t, std::string>> Writes;
    uint64_t Missing;
  } cases[] = {
      {{piece(0, 3766), piece(3766, total)}, 0},  // across the 1 MiB line
      {{piece(1048576, total), piece(0, 1048576)}, 0},
      {{piece(0, 1500), piece(1500, total)}, 0},  // a partial block continued
      // A write that ends on a block line makes the browser forget an earlier partial block.
      {{piece(0, 1500), piece(2048, total)}, 1024},
      {{piece(100, total)}, 1024},  // the first block was not written whole
  };
  for (const auto& c : cases) {
    ChromiumBlockfileWriter writer;
    writer.AddSparse(key, ChromiumResponseInfo(), c.Writes);
    // A child of an earlier body of the same URL, under another signature.
    std::string stale(192, '\0');
    PutLe32(stale, 8, 0xC103CAC3);
    writer.Add({"Range_" + key + ":99:1", "", "old", stale, 2, 0, {}});
    Cache cache(writer);
    const auto walk = cache.Read.WalkEntries();
    const auto children = MapChildren(walk->Entries);
    const auto& all = walk->Entries;
    const auto parent = std::find_if(all.begin(), all.end(), [&](auto& e) { return e.Key == key; });
    ASSERT_TRUE(parent != all.end() && children.contains(key));
    const auto body = AssembleSparse(cache.Read, *parent, all, children.at(key));
    ASSERT_TRUE(body);
    EXPECT_EQ(body->Children, 2u);
    EXPECT_EQ(body->ChildrenSkipped, 1u);
    EXPECT_EQ(Chromium::CoversBody(body->Pieces, total), c.Missing == 0);
    EXPECT_EQ(Chromium::CoveredBytes(body->Pieces, total), total - c.Missing);
    for (const auto& p : body->Pieces) {
      EXPECT_EQ(cache.Bytes(p), piece(p.BodyOffset, p.BodyOffset + p.Length).second);
    }
    // A child is no sparse body of its own.
    EXPECT_FALSE(AssembleSparse(cache.Read, all[children.at(key)[0]], all, {}));
  }
}

// A damaged cache whose entries share one long key, or whose range children share one
// stream, gives those bytes to one of them only; a child's bitmap of alternating bits
// gives at most MaxChildRanges ranges. Memory stays bound by the cache's own size.
TEST(ChromiumBlockfile, SharedKeysAndStreamsAreTakenOnce) {
  ChromiumBlockfileWriter writer;
  std::vector<uint32_t> at;
  for (const char c : {'a', 'b', 'c'}) {
    at.push_back(writer.Add({"1/0/https://a.com/" + std::string(3000, c), "", "x", "", 0, 0, {}}));
  }
  const auto first = Cache(writer).Read.WalkEntries();
  ASSERT_EQ(first->Entries.size(), 3u);
  for (size_t i = 1; i < 3; ++i) {
    writer.PatchEntry(at[i], 36, first->Entries[0].Store.LongKey.Value);
  }
  Cache shared(writer);
  const auto walk = shared.Read.WalkEntries();
  ASSERT_EQ(walk->Entries.size(), 1u);
  EXPECT_EQ(walk->Entries[0].Key, first->Entries[0].Key);
  EXPECT_EQ(walk->Stats.Damaged, 2u);

  const std::string key = "1/0/http://a.com/v.webm";
  ChromiumBlockfileWriter sparse;
  sparse.AddSparse(key, ChromiumResponseInfo(),
                   {{0, std::string(1024, 'a')},
                    {1 << 20, std::string(1024, 'b')},
                    {2 << 20, std::string(1024, 'c')}});
  const auto before = Cache(sparse).Read.WalkEntries();
  const auto beforeChildren = MapChildren(before->Entries).at(key);
  ASSERT_EQ(beforeChildren.size(), 3u);
  const Entry& owner = before->Entries[beforeChildren[0]];
  for (size_t i = 1; i < 3; ++i) {
    sparse.PatchEntry(before->Entries[beforeChildren[i]].Address.Value, 60,
                      owner.Store.DataAddr[1].Value);
  }
  Cache cache(sparse);
  const auto after = cache.Read.WalkEntries();
  const auto& all = after->Entries;
  const auto parent = std::find_if(all.begin(), all.end(), [&](auto& e) { return e.Key == key; });
  ASSERT_TRUE(parent != all.end());
  const auto body = AssembleSparse(cache.Read, *parent, all, MapChildren(all).at(key));
  ASSERT_TRUE(body);
  EXPECT_EQ(body->Children, 1u);
  EXPECT_EQ(body->ChildrenSkipped, 2u);

  std::string alternating(ChildDataSize, '\x55');
  std::fill_n(alternating.begin(), SparseHeaderSize, '\0');
  PutLe32(alternating, 8, 0xC103CAC3);
  EXPECT_EQ(
      ChildRanges(std::as_bytes(std::span(alternating.data(), alternating.size())), 1 << 20).size(),
      MaxChildRanges);
}
