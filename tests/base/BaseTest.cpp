#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ByteReader.h"
#include "base/ContentDigest.h"
#include "base/ResponseHead.h"
#include "base/Text.h"

using namespace std::string_literals;
using Bytes::ByteCursor;
using Bytes::ByteReader;

TEST(ByteReader, IntegersOfBothOrdersAndTheirBounds) {
  const std::array<uint8_t, 8> data{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  const ByteReader reader{std::span<const uint8_t>(data)};
  EXPECT_EQ(reader.LE16(0), 0x0201u);
  EXPECT_EQ(reader.BE16(0), 0x0102u);
  EXPECT_EQ(reader.LE24(5), 0x080706u);
  EXPECT_EQ(reader.BE24(5), 0x060708u);
  EXPECT_EQ(reader.LE32(4), 0x08070605u);
  EXPECT_EQ(reader.BE32(4), 0x05060708u);
  EXPECT_EQ(reader.LE64(0), 0x0807060504030201ull);
  EXPECT_EQ(reader.BE64(0), 0x0102030405060708ull);
  // One byte short, at the end, and offsets that would overflow a sum.
  EXPECT_FALSE(reader.LE32(5));
  EXPECT_FALSE(reader.U8(8));
  EXPECT_FALSE(reader.LE64(1));
  EXPECT_FALSE(reader.LE16(std::numeric_limits<uint64_t>::max()));
  EXPECT_FALSE(reader.Sub(4, std::numeric_limits<uint64_t>::max() - 2));
  EXPECT_TRUE(reader.Sub(8, 0));
  EXPECT_FALSE(reader.Sub(9, 0));
  EXPECT_EQ(reader.Clip(6, 100).Size(), 2u);
  EXPECT_EQ(reader.Clip(100, 1).Size(), 0u);
  EXPECT_TRUE(Bytes::HasRange(10, 10, 0));
  EXPECT_FALSE(Bytes::HasRange(10, 4, std::numeric_limits<uint64_t>::max()));
}

TEST(ByteReader, CursorStopsAtTheFirstShortRead) {
  const std::string text(
      "\x03\x00\x00\x00"
      "abc\x01"
      "\x02\x00",
      10);
  ByteCursor cursor{ByteReader(text)};
  EXPECT_EQ(cursor.LE32(), 3u);
  EXPECT_EQ(cursor.Text(3), "abc");
  EXPECT_TRUE(cursor.Align(4));
  EXPECT_EQ(cursor.LE16(), 2u);
  EXPECT_TRUE(cursor.Ok());
  EXPECT_EQ(cursor.LE32(), 0u);
  EXPECT_FALSE(cursor.Ok());
  // Failed once, failed for good, even for a read that would fit.
  EXPECT_EQ(cursor.U8(), 0u);
  EXPECT_EQ(cursor.Remaining(), 0u);
}

TEST(Text, CaseTrimAndSplit) {
  EXPECT_EQ(Text::ToLowerAscii("Content-TYPE Ä"), "content-type Ä");
  EXPECT_TRUE(Text::EqualsIgnoringAsciiCase("ETag", "etag"));
  EXPECT_FALSE(Text::EqualsIgnoringAsciiCase("ETag", "etags"));
  EXPECT_TRUE(Text::StartsWithIgnoringAsciiCase("Profile0", "profile"));
  EXPECT_TRUE(Text::EndsWithIgnoringAsciiCase("FIREFOX.EXE", ".exe"));
  EXPECT_EQ(Text::FindIgnoringAsciiCase("a/Cache_Data", "cache_data"), 2u);
  EXPECT_EQ(Text::TrimBlanks(" \t x y \t"), "x y");
  EXPECT_EQ(Text::TrimSpace("\r\n x \r"), "x");
  const auto pieces = Text::Split(" a, b ,,c", ',');
  ASSERT_EQ(pieces.size(), 4u);
  EXPECT_EQ(pieces[1], "b");
  EXPECT_EQ(pieces[2], "");
  uint64_t value = 0;
  EXPECT_TRUE(Text::ParseUnsigned("18446744073709551615", value));
  EXPECT_FALSE(Text::ParseUnsigned("18446744073709551616", value));
  EXPECT_FALSE(Text::ParseUnsigned("1x", value));
  EXPECT_FALSE(Text::ParseUnsigned("", value));
}

// Each boundary of the encoding's lengths, on both sides.
TEST(Text, AppendUtf8AtEveryLengthBoundary) {
  const std::pair<char32_t, std::string_view> cases[] = {
      {0x00, std::string_view("\0", 1)},
      {0x7F, "\x7F"},
      {0x80, "\xC2\x80"},
      {0x7FF, "\xDF\xBF"},
      {0x800, "\xE0\xA0\x80"},
      {0xFFFD, "\xEF\xBF\xBD"},
      {0xFFFF, "\xEF\xBF\xBF"},
      {0x10000, "\xF0\x90\x80\x80"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
  };
  for (const auto& [codePoint, bytes] : cases) {
    std::string out = "a";
    Text::AppendUtf8(out, codePoint);
    EXPECT_EQ(out, "a" + std::string(bytes)) << std::hex << static_cast<uint32_t>(codePoint);
    EXPECT_TRUE(Text::IsValidUtf8(out));
  }
}

TEST(ResponseHead, LineEndsNamesAndValues) {
  const ResponseHead crlf = ResponseHead::Parse(
      "HTTP/1.1 206 Partial Content\r\ncontent-type:  image/png \r\nETag: a\nEtag: b\r\nX: y",
      ResponseHead::LineEnds::CrLf);
  EXPECT_EQ(crlf.StatusCode(), 206);
  EXPECT_EQ(crlf.First("Content-Type"), "image/png");
  EXPECT_EQ(crlf.First("ETAG"), "a");
  EXPECT_EQ(crlf.Last("etag"), "b");
  EXPECT_FALSE(crlf.First("X"));  // cut short
  EXPECT_EQ(ResponseHead::Parse("HTTP/1.1 200 OK\r\nX: y", ResponseHead::LineEnds::CrLfLenient)
                .First("x"),
            "y");
  // A head without a status line, as some URL-cache records keep it.
  EXPECT_EQ(ResponseHead::Parse("Content-Type:image/gif\r\n", ResponseHead::LineEnds::CrLf)
                .First("content-type"),
            "image/gif");

  const std::string nul = "HTTP/1.1 200 OK\0Content-Encoding: br\0\0Content-Type: late\0"s;
  const ResponseHead chromium = ResponseHead::Parse(nul, ResponseHead::LineEnds::Nul);
  EXPECT_EQ(chromium.StatusCode(), 200);
  EXPECT_EQ(chromium.First("content-encoding"), "br");
  EXPECT_FALSE(chromium.First("Content-Type"));  // after the empty line that ends the head
  EXPECT_FALSE(ResponseHead::Parse("HTTP/1.1 2x0 OK", ResponseHead::LineEnds::Nul).StatusCode());
}

// The digest does not depend on how the bytes are cut, and it tells contents, lengths
// and orders apart.
TEST(ContentDigest, PiecesGiveTheWholeBytesDigest) {
  std::string bytes(1000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 37 + 11);
  const auto digest = [](std::string_view text, std::vector<size_t> cuts) {
    ContentDigest running;
    size_t start = 0;
    cuts.push_back(text.size());
    for (const size_t cut : cuts) {
      running.Update(std::as_bytes(std::span(text.data() + start, cut - start)));
      start = cut;
    }
    return running.Finish();
  };
  const uint64_t whole = digest(bytes, {});
  for (const std::vector<size_t>& cuts : std::vector<std::vector<size_t>>{
           {1}, {7, 8, 9}, {3, 5, 13, 21, 500}, {999}, {0, 0, 8, 16, 16, 17}}) {
    EXPECT_EQ(digest(bytes, cuts), whole) << cuts.size();
  }
  EXPECT_NE(digest(bytes.substr(0, 999), {}), whole);
  EXPECT_NE(digest(std::string(8, '\0'), {}), digest(std::string(9, '\0'), {}));
  EXPECT_NE(digest("abcdefgh12345678", {}), digest("12345678abcdefgh", {}));
  EXPECT_NE(digest("", {}), digest(std::string(1, '\0'), {}));
}
