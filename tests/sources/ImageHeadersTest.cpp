#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ImageSizePrint.h"
#include "sources/CGraphicLT.h"
#include "sources/ImageHeaders.h"
#include "sources/MemoryImageSource.h"

// Headers built byte by byte, to pin each rule of the probe on inputs no encoder
// writes on request.
namespace {

using Bytes = std::vector<uint8_t>;
using Size = CGraphicLT::ImageSize;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}
Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}
Bytes Le16(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8)};
}
Bytes Le32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
Bytes Be16(uint32_t v) {
  return {uint8_t(v >> 8), uint8_t(v)};
}
Bytes Be32(uint32_t v) {
  return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}
Bytes Zeros(size_t n) {
  return Bytes(n, 0);
}

Size Probe(const Bytes& bytes) {
  return CGraphicLT::ProbeImage(bytes);
}

// ---- JPEG -------------------------------------------------------------------

Bytes Segment(uint8_t marker, const Bytes& payload) {
  return Concat({{0xFF, marker}, Be16(static_cast<uint32_t>(payload.size() + 2)), payload});
}
Bytes Frame(uint8_t marker, uint16_t width, uint16_t height, uint8_t components = 3) {
  Bytes payload = Concat({{8}, Be16(height), Be16(width), {components}});
  for (uint8_t c = 0; c < components; ++c) payload.insert(payload.end(), {uint8_t(c + 1), 0x11, 0});
  return Segment(marker, payload);
}
const Bytes Soi = {0xFF, 0xD8};
const Bytes Scan = Concat({Segment(0xDA, {1, 1, 0, 0, 63, 0}), {0x12, 0x34, 0xFF, 0xD9}});

TEST(ImageHeaders, JpegFrameHeaders) {
  struct Case {
    const char* what;
    Bytes bytes;
    Size expected;
  };
  const Bytes jfif = Segment(0xE0, Text("JFIF\0\1\1\0\0\1\0\1\0\0"));
  const Case cases[] = {
      {"baseline", Concat({Soi, jfif, Frame(0xC0, 640, 480), Scan}), {640, 480}},
      {"progressive", Concat({Soi, Frame(0xC2, 17, 9), Scan}), {17, 9}},
      {"arithmetic", Concat({Soi, Frame(0xC9, 5, 7), Scan}), {5, 7}},
      {"largest sides", Concat({Soi, Frame(0xC0, 65535, 65535), Scan}), {65535, 65535}},
      // DHT, JPG and DAC share the SOF range but are no frame headers.
      {"DHT skipped", Concat({Soi, Frame(0xC4, 999, 999), Frame(0xC1, 8, 6), Scan}), {8, 6}},
      {"JPG skipped", Concat({Soi, Frame(0xC8, 999, 999), Frame(0xC0, 8, 6), Scan}), {8, 6}},
      {"DAC skipped", Concat({Soi, Frame(0xCC, 999, 999), Frame(0xC0, 8, 6), Scan}), {8, 6}},
      {"fill bytes",
       Concat({Soi, {0xFF, 0xFF, 0xFF}, jfif, {0xFF, 0xFF}, Frame(0xC0, 9, 3)}),
       {9, 3}},
      {"standalone markers",
       Concat({Soi, {0xFF, 0xD0, 0xFF, 0x01, 0xFF, 0xD7}, Frame(0xC0, 4, 2)}),
       {4, 2}},
      // A thumbnail inside EXIF carries its own frame header; only the outer one counts.
      {"thumbnail inside APP1",
       Concat({Soi, Segment(0xE1, Concat({Text("Exif"), Zeros(2), Soi, Frame(0xC0, 160, 120)})),
               Frame(0xC0, 3000, 2000), Scan}),
       {3000, 2000}},
      {"height deferred to DNL", Concat({Soi, Frame(0xC0, 640, 0), Scan}), {}},
      {"width 0", Concat({Soi, Frame(0xC0, 0, 10), Scan}), {}},
      {"no components", Concat({Soi, Frame(0xC0, 10, 10, 0), Scan}), {}},
      {"scan before frame", Concat({Soi, jfif, Scan, Frame(0xC0, 10, 10)}), {}},
      {"end before frame", Concat({Soi, {0xFF, 0xD9}, Frame(0xC0, 10, 10)}), {}},
      {"second SOI", Concat({Soi, Soi, Frame(0xC0, 10, 10)}), {}},
      {"stuffed zero", Concat({Soi, {0xFF, 0x00}, Frame(0xC0, 10, 10)}), {}},
      {"garbage between segments", Concat({Soi, jfif, {0x00}, Frame(0xC0, 10, 10)}), {}},
      {"segment length 1", Concat({Soi, {0xFF, 0xE0, 0x00, 0x01}, Frame(0xC0, 10, 10)}), {}},
      {"frame length too short", Concat({Soi, {0xFF, 0xC0, 0x00, 0x07, 8, 0, 10, 0, 10, 3}}), {}},
      {"length runs past the end", Concat({Soi, {0xFF, 0xE1, 0xFF, 0xFF}, Zeros(10)}), {}},
      {"SOI only", Soi, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Probe(c.bytes), c.expected) << c.what;
}

TEST(ImageHeaders, JpegWalkIsBoundedAndReadsLittle) {
  // Forty full-size APP segments (2.6 MB) before the frame header: followed by
  // their lengths, so only a few hundred bytes are read.
  Bytes big = Soi;
  for (int i = 0; i < 40; ++i) {
    const Bytes app = Segment(0xE2, Zeros(65533));
    big.insert(big.end(), app.begin(), app.end());
  }
  const Bytes frame = Frame(0xC0, 1234, 567);
  big.insert(big.end(), frame.begin(), frame.end());
  MemoryImageSource source(big);
  EXPECT_EQ(ImageHeaders::Probe(source), (ImageDimensions{1234, 567}));
  EXPECT_LT(source.BytesRead(), 512u);

  // A long chain of empty segments gives up instead of walking on.
  Bytes chain = Soi;
  for (int i = 0; i < 2000; ++i) chain.insert(chain.end(), {0xFF, 0xFE, 0x00, 0x02});
  chain.insert(chain.end(), frame.begin(), frame.end());
  MemoryImageSource chainSource(chain);
  EXPECT_EQ(ImageHeaders::Probe(chainSource), std::nullopt);
  EXPECT_LE(chainSource.BytesRead(), ImageByteSource::ReadBudget);

  // So do endless fill bytes.
  Bytes fill = Soi;
  fill.resize(100000, 0xFF);
  MemoryImageSource fillSource(fill);
  EXPECT_EQ(ImageHeaders::Probe(fillSource), std::nullopt);
  EXPECT_LE(fillSource.BytesRead(), ImageByteSource::ReadBudget);
}

// ---- PNG, GIF, BMP ------------------------------------------------------------

Bytes Png(uint32_t width, uint32_t height, const std::string& firstChunk = "IHDR",
          uint32_t length = 13) {
  return Concat({{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A},
                 Be32(length),
                 Text(firstChunk),
                 Be32(width),
                 Be32(height),
                 {8, 6, 0, 0, 0},
                 Zeros(4)});
}

Bytes Bmp(uint32_t headerSize, int32_t width, int32_t height) {
  Bytes info =
      headerSize == 12
          ? Concat({Le32(12), Le16(uint32_t(width)), Le16(uint32_t(height)), Le16(1), Le16(24)})
          : Concat({Le32(headerSize), Le32(uint32_t(width)), Le32(uint32_t(height)), Le16(1),
                    Le16(24), Zeros(headerSize - 16)});
  return Concat({Text("BM"), Le32(0), Le32(0), Le32(14 + headerSize), info, Zeros(16)});
}

TEST(ImageHeaders, PngGifBmp) {
  struct Case {
    const char* what;
    Bytes bytes;
    Size expected;
  };
  const Case cases[] = {
      {"png", Png(800, 600), {800, 600}},
      {"png largest side", Png(0x7FFFFFFF, 1), {0x7FFFFFFF, 1}},
      {"png side beyond 31 bits", Png(0x80000000u, 1), {}},
      {"png zero height", Png(5, 0), {}},
      {"png CgBI first", Png(5, 5, "CgBI", 4), {}},
      {"png IHDR wrong length", Png(5, 5, "IHDR", 12), {}},
      {"png other first chunk", Png(5, 5, "IDAT"), {}},
      {"gif89a", Concat({Text("GIF89a"), Le16(1), Le16(1), Zeros(3)}), {1, 1}},
      {"gif87a", Concat({Text("GIF87a"), Le16(300), Le16(65535), Zeros(3)}), {300, 65535}},
      {"gif zero width", Concat({Text("GIF89a"), Le16(0), Le16(7), Zeros(3)}), {}},
      {"gif unknown version", Concat({Text("GIF88a"), Le16(3), Le16(7), Zeros(3)}), {}},
      {"bmp core 16-bit sides", Bmp(12, 65535, 2), {65535, 2}},
      {"bmp info", Bmp(40, 31, 17), {31, 17}},
      {"bmp info top-down", Bmp(40, 31, -17), {31, 17}},
      {"bmp v4 top-down", Bmp(108, 9, -2), {9, 2}},
      {"bmp v5", Bmp(124, 3, 4), {3, 4}},
      {"bmp os/2 2.x", Bmp(64, 6, 5), {6, 5}},
      {"bmp negative width", Bmp(40, -31, 17), {}},
      {"bmp height INT32_MIN", Bmp(40, 31, INT32_MIN), {}},
      {"bmp zero height", Bmp(40, 31, 0), {}},
      {"bmp unknown header size", Bmp(44, 31, 17), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Probe(c.bytes), c.expected) << c.what;

  // The whole bitmap header must be present, not only the words that hold the size.
  Bytes v5 = Bmp(124, 3, 4);
  v5.resize(14 + 124 - 1);
  EXPECT_EQ(Probe(v5), Size{}) << "bmp v5 header cut short";
}

// ---- ICO and CUR ----------------------------------------------------------------

struct IconEntry {
  uint8_t Width;
  uint8_t Height;
  Bytes Data;
};

Bytes Icon(uint16_t type, const std::vector<IconEntry>& entries, uint16_t count = 0xFFFF) {
  Bytes out =
      Concat({Le16(0), Le16(type), Le16(count == 0xFFFF ? uint32_t(entries.size()) : count)});
  uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
  for (const IconEntry& e : entries) {
    const Bytes entry = Concat({{e.Width, e.Height, 0, 0},
                                Le16(1),
                                Le16(32),
                                Le32(uint32_t(e.Data.size())),
                                Le32(offset)});
    out.insert(out.end(), entry.begin(), entry.end());
    offset += static_cast<uint32_t>(e.Data.size());
  }
  for (const IconEntry& e : entries) out.insert(out.end(), e.Data.begin(), e.Data.end());
  return out;
}

TEST(ImageHeaders, IconDirectories) {
  struct Case {
    const char* what;
    Bytes bytes;
    Size expected;
  };
  const Bytes dib = Zeros(40);
  const Case cases[] = {
      {"largest of several", Icon(1, {{16, 16, dib}, {48, 48, dib}, {32, 32, dib}}), {48, 48}},
      {"largest by area", Icon(1, {{64, 2, dib}, {12, 12, dib}}), {12, 12}},
      {"cursor", Icon(2, {{32, 32, dib}}), {32, 32}},
      {"0 means 256", Icon(1, {{0, 0, dib}, {48, 48, dib}}), {256, 256}},
      {"only one side 0", Icon(1, {{0, 16, dib}}), {256, 16}},
      // A PNG image states its own size where the directory cannot (more than 256).
      {"png larger than 256", Icon(1, {{0, 0, Png(512, 300)}}), {512, 300}},
      {"png with directory sides", Icon(1, {{24, 24, Png(512, 512)}}), {24, 24}},
      {"unknown type", Icon(3, {{16, 16, dib}}), {}},
      {"no entries", Icon(1, {}), {}},
      {"more entries than present", Icon(1, {{16, 16, dib}}, 5), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Probe(c.bytes), c.expected) << c.what;

  // An image whose data lies outside the file is passed over for the others.
  Bytes cut = Icon(1, {{16, 16, dib}, {48, 48, dib}});
  cut.resize(cut.size() - 1);
  EXPECT_EQ(Probe(cut), (Size{16, 16}));
  cut.resize(6 + 32 + 39);
  EXPECT_EQ(Probe(cut), Size{});
}

// ---- WebP and TIFF ----------------------------------------------------------------

Bytes Riff(const std::string& chunk, const Bytes& data) {
  return Concat({Text("RIFF"), Le32(uint32_t(12 + data.size())), Text("WEBP"), Text(chunk),
                 Le32(uint32_t(data.size())), data});
}
Bytes Vp8(uint32_t width, uint32_t height, uint8_t tag = 0x10) {
  return Riff("VP8 ", Concat({{tag, 0, 0, 0x9D, 0x01, 0x2A}, Le16(width), Le16(height), Zeros(8)}));
}
Bytes Vp8l(uint32_t width, uint32_t height, uint32_t version = 0, uint8_t signature = 0x2F) {
  const uint32_t bits = (width - 1) | ((height - 1) << 14) | (version << 29);
  return Riff("VP8L", Concat({{signature}, Le32(bits), Zeros(4)}));
}
Bytes Vp8x(uint32_t width, uint32_t height) {
  const Bytes w = Le32(width - 1);
  const Bytes h = Le32(height - 1);
  return Riff("VP8X", Concat({{0x10, 0, 0, 0}, {w[0], w[1], w[2]}, {h[0], h[1], h[2]}}));
}

TEST(ImageHeaders, WebpChunks) {
  struct Case {
    const char* what;
    Bytes bytes;
    Size expected;
  };
  const Case cases[] = {
      {"lossy", Vp8(47, 29), {47, 29}},
      {"lossy scale bits ignored", Vp8(0xC000 | 300, 0x4000 | 200), {300, 200}},
      {"lossy interframe", Vp8(47, 29, 0x11), {}},
      {"lossy bad start code",
       Riff("VP8 ", Concat({{0x10, 0, 0, 0x9D, 0x01, 0x2B}, Le16(4), Le16(4)})),
       {}},
      {"lossy zero width", Vp8(0, 29), {}},
      {"lossless", Vp8l(49, 31), {49, 31}},
      {"lossless largest", Vp8l(16384, 16384), {16384, 16384}},
      {"lossless version 1", Vp8l(49, 31, 1), {}},
      {"lossless bad signature", Vp8l(49, 31, 0, 0x2E), {}},
      {"extended", Vp8x(51, 33), {51, 33}},
      {"extended 24-bit canvas", Vp8x(1 << 24, 3), {1 << 24, 3}},
      {"extended chunk too short", Riff("VP8X", Zeros(9)), {}},
      {"unknown chunk", Riff("ALPH", Zeros(10)), {}},
      {"RIFF but not WEBP", Concat({Text("RIFF"), Le32(40), Text("WAVE"), Zeros(30)}), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Probe(c.bytes), c.expected) << c.what;
}

struct TiffTag {
  uint16_t Tag;
  uint16_t Type;
  uint32_t Count;
  uint32_t Value;
};

Bytes Tiff(bool little, const std::vector<TiffTag>& tags, uint32_t directory = 8) {
  const auto w16 = [little](uint32_t v) { return little ? Le16(v) : Be16(v); };
  const auto w32 = [little](uint32_t v) { return little ? Le32(v) : Be32(v); };
  Bytes out = Concat({Text(little ? "II" : "MM"), w16(42), w32(directory)});
  out.resize(directory, 0);
  const Bytes count = w16(uint32_t(tags.size()));
  out.insert(out.end(), count.begin(), count.end());
  for (const TiffTag& t : tags) {
    // SHORT values sit left-justified in the 4-byte field.
    const Bytes value = t.Type == 3 ? Concat({w16(t.Value), Zeros(2)}) : w32(t.Value);
    const Bytes entry = Concat({w16(t.Tag), w16(t.Type), w32(t.Count), value});
    out.insert(out.end(), entry.begin(), entry.end());
  }
  return Concat({out, Zeros(4)});
}

TEST(ImageHeaders, TiffDirectories) {
  struct Case {
    const char* what;
    Bytes bytes;
    Size expected;
  };
  const TiffTag compression{259, 3, 1, 1};
  const Case cases[] = {
      {"little SHORT", Tiff(true, {{256, 3, 1, 45}, {257, 3, 1, 19}, compression}), {45, 19}},
      {"big SHORT", Tiff(false, {{256, 3, 1, 19}, {257, 3, 1, 45}, compression}), {19, 45}},
      {"big LONG", Tiff(false, {{256, 4, 1, 70000}, {257, 4, 1, 3}}), {70000, 3}},
      {"little mixed", Tiff(true, {{256, 4, 1, 100000}, {257, 3, 1, 65535}}), {100000, 65535}},
      {"unsorted", Tiff(true, {compression, {257, 3, 1, 2}, {256, 3, 1, 5}}), {5, 2}},
      {"directory further in", Tiff(true, {{256, 3, 1, 5}, {257, 3, 1, 6}}, 3000), {5, 6}},
      {"LONG beyond 31 bits", Tiff(true, {{256, 4, 1, 0x80000000u}, {257, 3, 1, 6}}), {}},
      {"missing length", Tiff(true, {{256, 3, 1, 5}, compression}), {}},
      {"RATIONAL width", Tiff(true, {{256, 5, 1, 5}, {257, 3, 1, 6}}), {}},
      {"count 0", Tiff(true, {{256, 3, 0, 5}, {257, 3, 1, 6}}), {}},
      {"directory inside the header", Tiff(true, {{256, 3, 1, 5}, {257, 3, 1, 6}}, 4), {}},
      {"no entries", Tiff(true, {}), {}},
      {"wrong magic", Concat({Text("II"), Le16(43), Le32(8), Zeros(40)}), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Probe(c.bytes), c.expected) << c.what;

  // A directory that claims more entries than the file holds is truncated.
  Bytes cut = Tiff(true, {{256, 3, 1, 5}, {257, 3, 1, 6}});
  cut.resize(8 + 2 + 12 + 11);
  EXPECT_EQ(Probe(cut), Size{});
}

TEST(ImageHeaders, UnknownAndEmptyInputs) {
  const Bytes cases[] = {
      {},
      {0xFF},
      {0xFF, 0xD8},
      Text("<html><body>not an image</body></html>"),
      Text("BM"),
      Text("GIF8"),
      Text("II*"),
      Text("RIFF\x10\0\0\0WEBP"),
      Concat({Text("8BPS"), Zeros(30)}),
      Zeros(64),
  };
  for (const Bytes& bytes : cases) {
    EXPECT_EQ(Probe(bytes), Size{}) << std::string(bytes.begin(), bytes.end());
  }
}

}  // namespace
