#include <gtest/gtest.h>

#include "base/RangeFetch.h"
#include "base/ResponseHead.h"
#include "sources/chromium/ChromiumKey.h"
#include "sources/chromium/ChromiumResponseInfo.h"
#include "sources/chromium/ChromiumSimple.h"
#include "sources/chromium/ChromiumSimpleIndex.h"
#include "sources/chromium/ChromiumSimpleSparse.h"
#include "support/ChromiumSimpleWriter.h"

using namespace vorlane::test;
using namespace ChromiumSimple;
using Chromium::KeyKind;

namespace {

std::span<const std::byte> Span(const std::string& text) {
  return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

std::optional<SparseFile> Sparse(const std::string& file) {
  return ReadSparseFile("h_s", file.size(), Bytes::MemoryFetch(Span(file)));
}

}  // namespace

TEST(ChromiumKey, SplitsEveryShape) {
  const struct {
    std::string Key, Url, Top, Frame;
    int Marks;  // 1 s_, 2 cn_
  } cases[] = {
      // clang-format off
      {"1/0/_dk_http://127.0.0.1 http://127.0.0.1 http://127.0.0.1:8780/a.jpg", "http://127.0.0.1:8780/a.jpg", "http://127.0.0.1", "http://127.0.0.1", 0},
      {"1/0/_dk_s_http://127.0.0.1 http://localhost http://localhost:8780/f.html", "http://localhost:8780/f.html", "http://127.0.0.1", "http://localhost", 1},
      {"0/7/_dk_s_cn_https://a.com https://b.com https://b.com/x?q=_y", "https://b.com/x?q=_y", "https://a.com", "https://b.com", 3},
      {"1/0/_dk_mfni_https://n.com https://a.com https://b.com https://c.com/", "https://c.com/", "https://a.com", "https://b.com", 0},
      {"1/0/_dk_https://a.com https://a.com/old", "https://a.com/old", "https://a.com", "", 0},
      {"1/0/https://example.com/a_b:c", "https://example.com/a_b:c", "", "", 0},
      {"12/https://example.com/post", "https://example.com/post", "", "", 0},
      {"https://raw.githubusercontent.com/x.sh", "https://raw.githubusercontent.com/x.sh", "", "", 0},
      {"sslhostinfo:raw.githubusercontent.com", "", "", "", 0},
      {"quicserverinfo:https://www.google.com:443", "", "", "", 0},
      {"_keyhttps://a.com/s.js \nhttps://a.com/", "", "", "", 0},
      {"1/0/not a url", "", "", "", 0}, {"1/0/_dk_ ", "", "", "", 0}, {"", "", "", "", 0},
      {"Range_1/0/https://a.com/v:2FC0:0", "", "", "", 0}, {"Range_1/0/https://a.com/v:1:10000", "", "", "", 0},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Key);
    const Chromium::CacheKey key = Chromium::ParseKey(c.Key);
    EXPECT_EQ(key.Kind, c.Url.empty() ? KeyKind::NotHttp : KeyKind::Http);
    if (c.Url.empty()) continue;
    EXPECT_EQ(key.Url, c.Url);
    EXPECT_EQ(key.TopFrameSite, c.Top);
    EXPECT_EQ(key.FrameSite, c.Frame);
    EXPECT_EQ(key.SubframeDocument + 2 * key.CrossSiteNavigation, c.Marks);
  }
  const std::string parent =
      "1/0/_dk_http://127.0.0.1 http://127.0.0.1 http://127.0.0.1:8781/a:b.mp3";
  const std::string childKey = "Range_" + parent + ":2fc0b1c2270646:1f";
  const auto child = Chromium::ParseKey(childKey);
  EXPECT_EQ(child.Kind, KeyKind::SparseChild);
  EXPECT_EQ(child.ParentKey, parent);
  EXPECT_EQ(child.Signature, 0x2fc0b1c2270646u);
  EXPECT_EQ(child.ChildIndex, 0x1fu);
  EXPECT_EQ(child.Url, "http://127.0.0.1:8781/a:b.mp3");
}

TEST(ChromiumResponseInfo, ReadsVersionsAndRefusesDamage) {
  const std::string v3 = ChromiumResponseInfo(
      "HTTP/1.1 206 Partial\nContent-Range: bytes 0-99/5000\nContent-Length: 100\n", 3, 0x80041000);
  const auto info = Chromium::ParseResponseInfo(Span(v3));
  ASSERT_TRUE(info);
  EXPECT_TRUE(info->Truncated());
  EXPECT_EQ(info->OriginalResponseTime, 13416000001000000);
  EXPECT_EQ(info->ResponseTimeSeconds(), 13416000001 - 11644473600);
  const ResponseHead head = ResponseHead::Parse(info->Headers, ResponseHead::LineEnds::Nul);
  EXPECT_EQ(head.StatusCode(), 206);
  EXPECT_EQ(Chromium::FullBodyLength(head), 5000u);
  // Chrome 18's version 2 has no extra flags word, even with bit 31 set.
  const std::string old = ChromiumResponseInfo("HTTP/1.1 200 OK\nA: b\n", 2);
  const auto v2 = Chromium::ParseResponseInfo(Span(old));
  ASSERT_TRUE(v2 && !v2->ExtraFlags);
  EXPECT_EQ(ResponseHead::Parse(v2->Headers, ResponseHead::LineEnds::Nul).First("a"), "b");

  const std::string good = ChromiumResponseInfo();
  std::string longer = good, negative = good, huge = good, cut = good.substr(0, 36);
  longer[0] = static_cast<char>(longer[0] + 1);  // payload past the end
  PutLe32(negative, 36, 0xFFFFFFFF);             // headers length -1
  PutLe32(huge, 36, static_cast<uint32_t>(good.size()));
  PutLe32(cut, 0, 32);  // a sound pickle that ends before the headers
  for (const std::string& bad : {good.substr(0, 3), longer, negative, huge, cut,
                                 ChromiumResponseInfo("", 4), ChromiumResponseInfo("", 0)}) {
    EXPECT_FALSE(Chromium::ParseResponseInfo(Span(bad)));
  }
  EXPECT_EQ(Chromium::WindowsMicrosToUnixSeconds(11644473600LL * 1000000 - 1), std::nullopt);
  EXPECT_EQ(
      Chromium::FullBodyLength(ResponseHead::Parse(
          std::string("HTTP/1.1 200 OK\0Content-Length: 42\0\0", 37), ResponseHead::LineEnds::Nul)),
      42u);
}

TEST(ChromiumSimple, EntryFilesRoundTripInFewReads) {
  const struct {
    size_t Key, Stream0, Body;
    bool Sha;
    int Reads;
  } cases[] = {{40, 300, 5000, true, 2},
               {40, 300, 0, false, 1},  // a small file is read once
               {40, 300, 3000, true, 1},
               {40, 300, 4096 - 444, true, 1},  // exactly the head
               {40, 300, 4096 - 443, true, 2},
               {HeadReadSize - 24, 300, 1, true, 2},
               {HeadReadSize - 23, 300, 1, true, 3},
               {40, TailReadSize - 80, 1, true, 2},
               {40, TailReadSize - 79, 1, true, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Key + c.Stream0);
    ChromiumSimpleItem item{"1/0/https://a.com/" + std::string(c.Key - 18, 'k'),
                            std::string(c.Stream0, 's'),
                            std::string(c.Body, 'b'),
                            c.Sha,
                            {},
                            {}};
    const std::string file = ChromiumSimpleWriter::EntryFile(item);
    int reads = 0;
    const auto entry = ReadEntryFile("x_0", file.size(), [&](uint64_t offset, size_t length) {
      ++reads;
      return Bytes::MemoryFetch(Span(file))(offset, length);
    });
    ASSERT_TRUE(entry);
    EXPECT_EQ(reads, c.Reads);
    EXPECT_EQ(entry->Key, item.Key);
    EXPECT_EQ(
        std::string(reinterpret_cast<const char*>(entry->Stream0.data()), entry->Stream0.size()),
        item.Stream0);
    EXPECT_EQ(file.substr(entry->Stream1.FileOffset, entry->Stream1.Length), item.Stream1);
    EXPECT_EQ(entry->Stream1.Crc32, ZlibCrc32(item.Stream1));
  }
  const ChromiumSimpleItem item{
      "1/0/https://a.com/x", ChromiumResponseInfo(), "body", true, {}, {}};
  const std::string good = ChromiumSimpleWriter::EntryFile(item);
  const auto with = [&](auto change) {
    ChromiumSimpleItem copy = item;
    change(copy);
    return ChromiumSimpleWriter::EntryFile(copy);
  };
  std::string badMagic = good, badEof1 = good;
  badMagic[0] ^= 1;
  badEof1[24 + item.Key.size() + item.Stream1.size()] ^= 1;
  for (const std::string& bad :
       {badMagic, badEof1, good.substr(0, good.size() - 1), good.substr(0, 71),
        with([](auto& i) { i.Version = 6; }), with([](auto& i) { i.Stream0Crc = 1; }),
        with([&](auto& i) { i.Stream0Size = static_cast<uint32_t>(good.size()); }),
        with([](auto& i) { i.Key = std::string(MaxKeyLength + 1, 'k'); })}) {
    EXPECT_FALSE(ReadEntryFile("x_0", bad.size(), Bytes::MemoryFetch(Span(bad))));
  }
  EXPECT_FALSE(ReadEntryFile("x_0", good.size() + 1, Bytes::MemoryFetch(Span(good))));
}

TEST(ChromiumSimple, SparseFilesGiveRangesByOffset) {
  // Written out of order, one split, one without CRC: all of [0, 123565).
  const std::string file = ChromiumSimpleWriter::SparseFile("k", {{65536, std::string(58027, 'c')},
                                                                  {0, std::string(32768, 'a')},
                                                                  {32768, std::string(32768, 'b')},
                                                                  {123563, "zz", 0}});
  const auto sparse = Sparse(file);
  ASSERT_TRUE(sparse && !sparse->Damaged);
  ASSERT_EQ(sparse->Ranges.size(), 4u);
  EXPECT_EQ(file[sparse->Ranges[1].FileOffset], 'b');
  EXPECT_EQ(sparse->Ranges[2].Crc32, ZlibCrc32(std::string(58027, 'c')));
  EXPECT_FALSE(sparse->Ranges[3].Crc32);
  EXPECT_TRUE(Chromium::CoversBody(sparse->Ranges, 123565));
  EXPECT_FALSE(Chromium::CoversBody(sparse->Ranges, 123566));
  // Overlaps are trimmed (without their CRC), damage ends the records but keeps the rest.
  std::string damaged = ChromiumSimpleWriter::SparseFile(
      "k", {{0, "aaaa"}, {6, "cccc"}, {2, "bbbbbb"}, {1, "x"}, {100, "dd"}});
  damaged[damaged.size() - 34] ^= 1;
  const auto kept = Sparse(damaged);
  ASSERT_TRUE(kept && kept->Damaged);
  ASSERT_EQ(kept->Ranges.size(), 3u);
  EXPECT_EQ(damaged.substr(kept->Ranges[1].FileOffset, kept->Ranges[1].Length), "bbbb");
  EXPECT_FALSE(kept->Ranges[2].Crc32);
  EXPECT_TRUE(Chromium::CoversBody(kept->Ranges, 10));
  EXPECT_EQ(Chromium::CoveredBytes(kept->Ranges, 12), 10u);
  const std::string one = ChromiumSimpleWriter::SparseFile("k", {{0, "aaaa"}});
  for (const std::string& bad : {one.substr(0, one.size() - 1), one + std::string(31, '\0'),
                                 ChromiumSimpleWriter::SparseFile("k", {{UINT64_MAX - 1, "aa"}})}) {
    EXPECT_TRUE(Sparse(bad)->Damaged);
  }
  EXPECT_FALSE(Sparse(ChromiumSimpleWriter::SparseFile("k", {}, 4)));
  EXPECT_FALSE(Sparse(ChromiumSimpleWriter::SparseFile("k", {}, 10)));
}

TEST(ChromiumSimple, IndexFilesAndNames) {
  for (const uint32_t version : {6u, 7u, 8u, 9u}) {
    const std::string bytes =
        ChromiumSimpleWriter::RealIndex(version, {{7, 5000, 0}, {8, 6912, 1}});
    const auto index = ParseRealIndex(Span(bytes));
    ASSERT_TRUE(index);
    EXPECT_EQ(index->Reason.has_value(), version >= 7);
    EXPECT_EQ(index->Records[1].Hash, 8u);
    EXPECT_EQ(index->Records[0].Size, version >= 8 ? 4864u : 5000u);  // 256-byte units
    EXPECT_EQ(index->Records[1].Hints, version >= 8 ? 1 : 0);
  }
  const std::string good = ChromiumSimpleWriter::RealIndex(9, {{7, 5120, 0}});
  std::string badCrc = good, moreEntries = good;
  badCrc[4] ^= 1;
  moreEntries[20] = 2;  // the count, with a right CRC
  PutLe32(moreEntries, 4, ZlibCrc32(moreEntries.substr(8)));
  for (const std::string& bad :
       {badCrc, moreEntries, good.substr(0, good.size() - 1),
        ChromiumSimpleWriter::RealIndex(5, {}), ChromiumSimpleWriter::RealIndex(10, {})}) {
    EXPECT_FALSE(ParseRealIndex(Span(bad)));
  }
  EXPECT_EQ(ParseFakeIndex(Span(ChromiumSimpleWriter::FakeIndex(8)))->Version, 8u);
  EXPECT_FALSE(ParseFakeIndex(Span(ChromiumSimpleWriter::FakeIndex(8).substr(1))));

  EXPECT_EQ(ParseEntryFileName("146F533FCC10A74D_s")->Hash, 0x146f533fcc10a74du);
  EXPECT_EQ(ParseEntryFileName("146f533fcc10a74d_1")->Role, FileRole::Stream2);
  EXPECT_EQ(ParseEntryFileName("todelete_146f533fcc10a74d_0_1")->Role, FileRole::Doomed);
  EXPECT_EQ(EntryFileNameFor(0x146f533fcc10a74d, FileRole::Sparse), "146f533fcc10a74d_s");
  for (const char* bad :
       {"146f533fcc10a74d_2", "146f533fcc10a74_0", "146f533fcc10a74g_0", "index"}) {
    EXPECT_FALSE(ParseEntryFileName(bad));
  }
}
