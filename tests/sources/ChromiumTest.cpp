#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ResponseHead.h"
#include "sources/ChromiumBodyPiece.h"
#include "sources/ChromiumKey.h"
#include "sources/ChromiumResponseInfo.h"
#include "support/ChromiumPickleWriter.h"

using namespace vorlane::test;
using Chromium::KeyKind;
using namespace std::string_literals;

namespace {

std::span<const std::byte> Span(const std::string& text) {
  return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

}  // namespace

TEST(ChromiumKey, SplitsEveryShape) {
  struct Case {
    std::string Key;
    KeyKind Kind;
    std::string Url, Top, Frame;
    bool Subframe, CrossSite;
  };
  const Case cases[] = {
      {"1/0/_dk_http://127.0.0.1 http://127.0.0.1 http://127.0.0.1:8780/big.jpg", KeyKind::Http,
       "http://127.0.0.1:8780/big.jpg", "http://127.0.0.1", "http://127.0.0.1", false, false},
      {"1/0/_dk_s_http://127.0.0.1 http://localhost http://localhost:8780/x/frame.html",
       KeyKind::Http, "http://localhost:8780/x/frame.html", "http://127.0.0.1", "http://localhost",
       true, false},
      {"1/0/_dk_cn_http://localhost http://localhost http://localhost:8780/x/landing.html",
       KeyKind::Http, "http://localhost:8780/x/landing.html", "http://localhost",
       "http://localhost", false, true},
      {"0/7/_dk_s_cn_https://a.com https://b.com https://b.com/x?q=_y", KeyKind::Http,
       "https://b.com/x?q=_y", "https://a.com", "https://b.com", true, true},
      // An experiment's mark and site before the two sites; only the last three count.
      {"1/0/_dk_mfni_https://n.com https://a.com https://b.com https://c.com/", KeyKind::Http,
       "https://c.com/", "https://a.com", "https://b.com", false, false},
      {"1/0/_dk_https://a.com https://a.com/old", KeyKind::Http, "https://a.com/old",
       "https://a.com", "", false, false},
      {"1/0/https://example.com/a_b:c", KeyKind::Http, "https://example.com/a_b:c", "", "", false,
       false},
      {"12/https://example.com/post", KeyKind::Http, "https://example.com/post", "", "", false,
       false},
      {"https://raw.githubusercontent.com/x.sh", KeyKind::Http,
       "https://raw.githubusercontent.com/x.sh", "", "", false, false},
      {"sslhostinfo:raw.githubusercontent.com", KeyKind::NotHttp, "", "", "", false, false},
      {"quicserverinfo:https://www.google.com:443", KeyKind::NotHttp, "", "", "", false, false},
      {"_keyhttps://a.com/s.js \nhttps://a.com/", KeyKind::NotHttp, "", "", "", false, false},
      {"", KeyKind::NotHttp, "", "", "", false, false},
      {"1/0/", KeyKind::NotHttp, "", "", "", false, false},
      {"1/0/_dk_ ", KeyKind::NotHttp, "", "", "", false, false},
      {"1/0/not a url", KeyKind::NotHttp, "url", "", "", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Key);
    const Chromium::CacheKey key = Chromium::ParseKey(c.Key);
    EXPECT_EQ(key.Kind, c.Kind);
    if (c.Kind == KeyKind::NotHttp && c.Url.empty()) continue;
    EXPECT_EQ(key.Url, c.Url);
    EXPECT_EQ(key.TopFrameSite, c.Top);
    EXPECT_EQ(key.FrameSite, c.Frame);
    EXPECT_EQ(key.SubframeDocument, c.Subframe);
    EXPECT_EQ(key.CrossSiteNavigation, c.CrossSite);
  }
}

TEST(ChromiumKey, SparseChildrenNameTheirParent) {
  const std::string parent =
      "1/0/_dk_http://127.0.0.1 http://127.0.0.1 http://127.0.0.1:8781/m/a:b.mp3";
  const std::string childKey = "Range_" + parent + ":2fc0b1c2270646:1f";
  const auto child = Chromium::ParseKey(childKey);
  EXPECT_EQ(child.Kind, KeyKind::SparseChild);
  EXPECT_EQ(child.ParentKey, parent);
  EXPECT_EQ(child.Signature, 0x2fc0b1c2270646u);
  EXPECT_EQ(child.ChildIndex, 0x1fu);
  EXPECT_EQ(child.Url, "http://127.0.0.1:8781/m/a:b.mp3");
  EXPECT_EQ(child.TopFrameSite, "http://127.0.0.1");
  // Not children: upper-case or missing hex, an index past 64 Ki, a parent without a URL.
  for (const std::string& bad :
       {"Range_" + parent + ":2FC0:0", "Range_" + parent + "::0", "Range_" + parent + ":1:10000",
        std::string("Range_sslhostinfo:a.com:1:0"), std::string("Range_:1:0")}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(Chromium::ParseKey(bad).Kind, KeyKind::NotHttp);
  }
}

TEST(ChromiumResponseInfo, ReadsVersionsAndRefusesDamage) {
  ChromiumResponse v3;
  v3.Head = "HTTP/1.1 206 Partial\nContent-Range: bytes 0-99/5000\nContent-Length: 100\n";
  v3.Flags = 0x80041000;  // truncated, with extra flags
  const auto info = Chromium::ParseResponseInfo(Span(ChromiumResponseInfo(v3)));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->Version(), 3u);
  EXPECT_TRUE(info->Truncated());
  EXPECT_EQ(info->ExtraFlags, 6u);
  EXPECT_EQ(info->OriginalResponseTime, v3.ResponseTime);
  EXPECT_EQ(info->ResponseTimeSeconds(), 13416000001 - 11644473600);
  const ResponseHead head = ResponseHead::Parse(info->Headers, ResponseHead::LineEnds::Nul);
  EXPECT_EQ(head.StatusCode(), 206);
  EXPECT_EQ(Chromium::FullBodyLength(head), 5000u);

  // Chrome 18's version 2: no extra flags word even with bit 31 set.
  ChromiumResponse v2;
  v2.Version = 2;
  v2.Flags = 0x80000000;
  const auto old = Chromium::ParseResponseInfo(Span(ChromiumResponseInfo(v2)));
  ASSERT_TRUE(old);
  EXPECT_FALSE(old->ExtraFlags);
  EXPECT_EQ(ResponseHead::Parse(old->Headers, ResponseHead::LineEnds::Nul).First("content-type"),
            "text/html");

  const std::string good = ChromiumResponseInfo();
  std::string longer = good;  // payload size one past the end
  longer[0] = static_cast<char>(longer[0] + 1);
  std::string negative = good;  // headers length -1
  PutLe32(negative, 4 + 32, 0xFFFFFFFF);
  std::string huge = good;  // headers length past the payload
  PutLe32(huge, 4 + 32, static_cast<uint32_t>(good.size()));
  std::string cut = good.substr(0, 4 + 32);  // a sound pickle that ends before the headers
  PutLe32(cut, 0, 32);
  ChromiumResponse v4;
  v4.Version = 4;
  ChromiumResponse v0;
  v0.Version = 0;
  for (const std::string& bad :
       {good.substr(0, 3), good.substr(0, good.size() - 1), longer, negative, huge,
        ChromiumResponseInfo(v4), ChromiumResponseInfo(v0), cut}) {
    EXPECT_FALSE(Chromium::ParseResponseInfo(Span(bad)));
  }
}

TEST(ChromiumResponseInfo, TimesAndFullLengths) {
  EXPECT_EQ(Chromium::WindowsMicrosToUnixSeconds(11644473600LL * 1000000), 0);
  EXPECT_EQ(Chromium::WindowsMicrosToUnixSeconds(11644473600LL * 1000000 - 1), std::nullopt);
  EXPECT_EQ(Chromium::WindowsMicrosToUnixSeconds(-5), std::nullopt);
  const std::pair<std::string, std::optional<uint64_t>> heads[] = {
      {"HTTP/1.1 200 OK\0Content-Length: 42\0\0"s, 42},
      {"HTTP/1.1 206 P\0content-range: bytes 10-19/*\0Content-Length: 10\0\0"s, 10},
      {"HTTP/1.1 206 P\0Content-Range: bytes 0-0/ 18446744073709551615\0\0"s, UINT64_MAX},
      {"HTTP/1.1 200 OK\0Content-Length: -1\0\0"s, std::nullopt},
      {"HTTP/1.1 204 No Content\0\0"s, std::nullopt},
  };
  for (const auto& [text, length] : heads) {
    EXPECT_EQ(Chromium::FullBodyLength(ResponseHead::Parse(text, ResponseHead::LineEnds::Nul)),
              length);
  }
}

TEST(ChromiumBodyPiece, ArrangeTrimsOverlapsAndTestsCoverage) {
  using Piece = Chromium::BodyPiece;
  const auto piece = [](uint64_t at, uint64_t length, uint64_t file) {
    return Piece{"f", file, length, at, 7u};
  };
  // Written out of order, one overlapping its neighbour, one inside another, one empty.
  const auto arranged =
      Chromium::ArrangePieces({piece(100, 50, 1000), piece(0, 60, 0), piece(50, 60, 500),
                               piece(10, 5, 9), piece(200, 0, 1)});
  ASSERT_EQ(arranged.size(), 3u);
  EXPECT_EQ(arranged[1].BodyOffset, 60u);
  EXPECT_EQ(arranged[1].FileOffset, 510u);
  EXPECT_EQ(arranged[1].Length, 50u);
  EXPECT_FALSE(arranged[1].Crc32);
  EXPECT_EQ(arranged[2].FileOffset, 1010u);
  EXPECT_EQ(arranged[0].Crc32, 7u);
  EXPECT_TRUE(Chromium::CoversBody(arranged, 150));
  EXPECT_FALSE(Chromium::CoversBody(arranged, 151));
  EXPECT_FALSE(Chromium::CoversBody(arranged, 149));
  EXPECT_TRUE(Chromium::CoversBody({}, 0));
  const auto gap = Chromium::ArrangePieces({piece(0, 10, 0), piece(11, 10, 0)});
  EXPECT_FALSE(Chromium::CoversBody(gap, 21));
  EXPECT_EQ(Chromium::CoveredBytes(gap, 15), 14u);
  EXPECT_EQ(Chromium::ArrangePieces({piece(UINT64_MAX - 1, 5, 0)}).size(), 0u);
}
