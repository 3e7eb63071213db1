#include <gtest/gtest.h>

#include <string>

#include "sources/mozilla/MozillaMetadata.h"
#include "support/MozillaV1Writer.h"

using Element = CMozillaCacheElement;
using vorlane::test::MozillaMetadataBytes;
using vorlane::test::MozillaMetadataSpec;

namespace {

std::span<const std::byte> Bytes(const std::string& text) {
  return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

MozillaMetadataSpec WithHead(const std::string& head) {
  MozillaMetadataSpec layout;
  layout.Key = "HTTP:http://example.com/a";
  layout.Elements = {{"request-method", "GET"}, {"response-head", head}};
  layout.DataSize = 10;
  return layout;
}

Element Parse(const std::string& block) {
  Element entry;
  EXPECT_TRUE(MozillaV1::ParseMetadata(Bytes(block), entry));
  return entry;
}

}  // namespace

TEST(MozillaMetadata, UrlComesFromHttpKeysOnly) {
  struct Case {
    std::string Key;
    std::string Url;
  };
  const Case cases[] = {
      {"HTTP:http://example.com/img/a.png", "http://example.com/img/a.png"},
      {"HTTP:https://example.com/", "https://example.com/"},
      {"HTTP:", ""},
      {"HTTP-memory-only:http://example.com/", ""},
      {"wyciwyg:http://example.com/", ""},
      {"http:http://example.com/", ""},
      {"", ""},
      // Bytes that are not UTF-8 are read as Windows-1252.
      {"HTTP:http://example.com/caf\xE9", "http://example.com/caf\xC3\xA9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Key);
    MozillaMetadataSpec layout = WithHead("HTTP/1.1 200 OK\r\n");
    layout.Key = c.Key;
    const Element entry = Parse(MozillaMetadataBytes(layout));
    EXPECT_EQ(entry.SourceUrl, c.Url);
    EXPECT_EQ(entry.KeyLeadByte, c.Key.empty() ? 0 : static_cast<uint8_t>(c.Key[0]));
  }
}

TEST(MozillaMetadata, ResponseHeadFields) {
  struct Case {
    std::string Head;
    std::string Mime;
    KindCode Kind;
    std::string Server;
    std::string Ranges;
    std::string ETag;
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Type: image/PNG\r\n", "image/PNG", 3, "", "", ""},
      {"HTTP/1.1 200 OK\r\nContent-type: image/gif\r\n", "image/gif", 2, "", "", ""},
      {"HTTP/1.1 200 OK\r\ncontent-type: text/html; charset=UTF-8\r\n", "text/html; charset=UTF-8",
       8, "", "", ""},
      // No blank after the colon: the value keeps its first letter.
      {"HTTP/1.1 200 OK\r\nContent-Type:text/html\r\n", "text/html", 8, "", "", ""},
      {"HTTP/1.1 200 OK\r\nContent-Type: \t  text/css \r\n", "text/css", 10, "", "", ""},
      {"HTTP/1.1 200 OK\r\nContent-Type: IMAGE/JPEG\r\n", "IMAGE/JPEG", 1, "", "", ""},
      {"HTTP/1.1 200 OK\r\nETag: \"5b-1\"\r\nEtag: x\r\n", "", 0, "", "", "x"},
      {"HTTP/1.1 200 OK\r\nETag: \"5b-1\"\r\n", "", 0, "", "", "\"5b-1\""},
      {"HTTP/1.1 200 OK\r\nServer: gws\r\nAccept-Ranges: bytes\r\nServer:\r\n", "", 0, "", "bytes",
       ""},
      {"HTTP/1.1 200 OK\r\nServer: sffe\r\nX-Content-Type: image/png\r\n", "", 0, "sffe", "", ""},
      // Lines ended by a bare LF still count; a last line without its end does not.
      {"HTTP/1.1 200 OK\nContent-Type: image/png\nServer: a", "image/png", 3, "", "", ""},
      {"HTTP/1.1 200 OK\r\nContent-Type: image/png", "", 0, "", "", ""},
      {"HTTP/1.1 304 Not Modified\r\n", "", 0, "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Head);
    const Element entry = Parse(MozillaMetadataBytes(WithHead(c.Head)));
    EXPECT_EQ(entry.MimeType, c.Mime);
    EXPECT_EQ(entry.Kind, c.Kind);
    EXPECT_EQ(entry.Server, c.Server);
    EXPECT_EQ(entry.AcceptRanges, c.Ranges);
    EXPECT_EQ(entry.ETag, c.ETag);
  }
}

TEST(MozillaMetadata, LaterHeadOverridesEarlierWhereBothHaveAField) {
  MozillaMetadataSpec layout =
      WithHead("HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\nServer: a\r\n");
  layout.Elements.emplace_back("original-head", "HTTP/1.0 200 OK\r\nContent-Type: image/png\r\n");
  const Element entry = Parse(MozillaMetadataBytes(layout));
  EXPECT_EQ(entry.MimeType, "image/png");
  EXPECT_EQ(entry.Kind, 3);
  EXPECT_EQ(entry.Server, "a");
}

TEST(MozillaMetadata, TimeAndSizeComeFromHeaderWordsFourAndSix) {
  MozillaMetadataSpec layout =
      WithHead("HTTP/1.1 200 OK\r\nContent-Length: 99\r\nDate: Wed, 01 Aug 2018 07:27:05 GMT\r\n");
  layout.Time = 0xFFFFFFF0;  // unsigned: a time after 2038 stays positive
  layout.DataSize = 12263;
  const Element entry = Parse(MozillaMetadataBytes(layout));
  EXPECT_EQ(entry.Time, 0xFFFFFFF0ll);
  EXPECT_EQ(entry.Size, 12263);
  EXPECT_EQ(entry.EntryHeader[0], 0x00010013u);
  EXPECT_EQ(entry.EntryHeader[3], 0xFFFFFFF0u);
  EXPECT_EQ(entry.EntryHeader[6], 12263u);
  EXPECT_EQ(entry.EntryHeader[7], layout.Key.size() + 1);

  layout.DataSize = 0x80000000;  // past 2 GiB: a size, never a negative one
  EXPECT_EQ(Parse(MozillaMetadataBytes(layout)).Size, 0x80000000u);
}

TEST(MozillaMetadata, LeftoversAfterTheEntryAreNotRead) {
  // A block keeps whatever an earlier entry left behind its end.
  const std::string block = MozillaMetadataBytes(WithHead("HTTP/1.1 200 OK\r\nServer: now\r\n")) +
                            "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\nServer: old\r\n";
  const Element entry = Parse(block);
  EXPECT_EQ(entry.Server, "now");
  EXPECT_EQ(entry.MimeType, "");
}

TEST(MozillaMetadata, StaysInsideTheBlock) {
  // Sizes that claim more than the block holds: the NULs and the block's end decide.
  MozillaMetadataSpec layout = WithHead("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n");
  layout.KeySize = 0x7FFFFFFF;
  layout.MetaSize = 0x7FFFFFFF;
  std::string block = MozillaMetadataBytes(layout);
  block.pop_back();  // the head's NUL
  Element entry = Parse(block);
  EXPECT_EQ(entry.SourceUrl, "http://example.com/a");
  EXPECT_EQ(entry.MimeType, "image/png");

  // A key without its NUL runs to the end of the block.
  entry = Parse(block.substr(0, 36 + 10));
  EXPECT_EQ(entry.SourceUrl, "http:");

  Element header;
  EXPECT_TRUE(MozillaV1::ParseMetadata(Bytes(block.substr(0, 36)), header));
  EXPECT_EQ(header.SourceUrl, "");
  EXPECT_EQ(header.KeyLeadByte, 0);
  EXPECT_FALSE(MozillaV1::ParseMetadata(Bytes(block.substr(0, 35)), header));
}
