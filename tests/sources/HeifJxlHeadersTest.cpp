#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ImageSizePrint.h"
#include "sources/CGraphicLT.h"
#include "sources/ImageHeaders.h"
#include "sources/MemoryImageSource.h"
#include "support/IsoImageWriter.h"
#include "support/TestSupport.h"

// AVIF, HEIC and JPEG XL headers built box by box and bit by bit, to pin each rule of
// the probe on layouts encoders write only for some images.
namespace {

using Size = CGraphicLT::ImageSize;
using vorlane::test::GridData;
using vorlane::test::HeifFile;
using vorlane::test::HeifItem;
using vorlane::test::Imir;
using vorlane::test::Irot;
using vorlane::test::IsoBox;
using vorlane::test::Ispe;
using vorlane::test::JxlBits;
using vorlane::test::JxlContainer;
using vorlane::test::JxlPart;

Size Probe(const std::string& bytes) {
  return CGraphicLT::ProbeImage(
      std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// One coded item with the given properties (1-based indices into `properties`).
HeifFile Still(std::vector<std::string> properties, std::vector<uint16_t> associated) {
  HeifFile file;
  file.Properties = std::move(properties);
  file.Items = {{1, "av01", std::move(associated), std::string(40, 'x')}};
  return file;
}

// A grid of two tiles (items 1 and 2) as item 3, the primary.
HeifFile Grid(std::string data, bool inIdat, std::vector<uint16_t> gridProperties) {
  HeifFile file;
  file.MajorBrand = "heic";
  file.Brands = {"mif1", "heic"};
  file.Primary = 3;
  file.Properties = {Ispe(512, 512), Ispe(1024, 512), Irot(1)};
  file.Items = {{1, "hvc1", {1}, std::string(30, 't')},
                {2, "hvc1", {1}, std::string(30, 't')},
                {3, "grid", std::move(gridProperties), std::move(data), inIdat}};
  return file;
}

TEST(HeifHeaders, PrimaryItemProperties) {
  struct Case {
    const char* what;
    HeifFile file;
    Size expected;
  };
  HeifFile thumbnailFirst = Still({Ispe(160, 120), Ispe(4000, 3000)}, {2});
  thumbnailFirst.Items.insert(thumbnailFirst.Items.begin(), {7, "av01", {1}, "thumb"});
  HeifFile otherPrimary = thumbnailFirst;
  otherPrimary.Primary = 7;
  HeifFile wide = Still({}, {});
  for (int i = 0; i < 200; ++i) wide.Properties.push_back(IsoBox("free", ""));
  wide.Properties.push_back(Ispe(33, 44));
  wide.Properties.push_back(Irot(3));
  wide.IpmaWideIndices = true;
  wide.Items[0].Properties = {201, 202};
  HeifFile ids32 = Still({Ispe(70000, 2)}, {1});
  ids32.PitmVersion = 1;
  ids32.IpmaVersion = 1;
  ids32.IinfVersion = 1;
  ids32.InfeVersion = 3;
  ids32.IlocVersion = 2;
  ids32.Items[0].Id = 0x12345678;
  ids32.Primary = 0x12345678;
  HeifFile heic = Still({Ispe(4032, 3024)}, {1});
  heic.MajorBrand = "heic";
  heic.Brands = {"mif1", "heic"};
  HeifFile mif1Only = Still({Ispe(8, 9)}, {1});
  mif1Only.MajorBrand = "mif1";
  mif1Only.Brands = {};
  HeifFile video = Still({Ispe(8, 9)}, {1});
  video.MajorBrand = "isom";
  video.Brands = {"iso2", "mp41"};
  HeifFile noPrimaryExtent = Still({Ispe(8, 9)}, {});
  HeifFile missingPrimary = Still({Ispe(8, 9)}, {1});
  missingPrimary.Primary = 2;
  HeifFile badIndex = Still({Ispe(8, 9)}, {5});

  const Case cases[] = {
      {"ispe", Still({Ispe(37, 23)}, {1}), {37, 23}},
      {"ispe among other properties",
       Still({IsoBox("av1C", "abcd"), Ispe(37, 23)}, {1, 2}),
       {37, 23}},
      {"quarter turn", Still({Ispe(128, 64), Irot(1)}, {1, 2}), {64, 128}},
      {"half turn", Still({Ispe(128, 64), Irot(2)}, {1, 2}), {128, 64}},
      {"three quarters", Still({Irot(3), Ispe(128, 64)}, {1, 2}), {64, 128}},
      {"reserved bits beside the angle", Still({Ispe(128, 64), Irot(0xFD)}, {1, 2}), {64, 128}},
      {"irot of another item", Still({Ispe(128, 64), Irot(1)}, {1}), {128, 64}},
      {"mirrored", Still({Ispe(128, 64), Imir(1)}, {1, 2}), {128, 64}},
      {"mirrored and turned", Still({Ispe(128, 64), Imir(0), Irot(1)}, {1, 2, 3}), {64, 128}},
      {"the primary's ispe, not the thumbnail's", thumbnailFirst, {4000, 3000}},
      {"another primary", otherPrimary, {160, 120}},
      {"15-bit property indices", wide, {44, 33}},
      {"32-bit item ids", ids32, {70000, 2}},
      {"heic brand", heic, {4032, 3024}},
      {"only mif1", mif1Only, {8, 9}},
      {"video brands", video, {}},
      {"no ispe for the primary", noPrimaryExtent, {}},
      {"primary item absent", missingPrimary, {}},
      {"index past the properties", badIndex, {}},
      {"zero width", Still({Ispe(0, 9)}, {1}), {}},
      {"side beyond 31 bits", Still({Ispe(0x80000000u, 9)}, {1}), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Probe(c.file.Build()), c.expected) << c.what;
}

TEST(HeifHeaders, GridOutputSize) {
  struct Case {
    const char* what;
    HeifFile file;
    Size expected;
  };
  HeifFile location8 = Grid(GridData(1, 2, 1024, 512), false, {});
  location8.IlocOffsetSize = 8;
  location8.IlocVersion = 0;
  HeifFile based = Grid(GridData(1, 2, 1024, 512), false, {});
  based.IlocBaseOffsetSize = 4;
  const Case cases[] = {
      {"output size in mdat", Grid(GridData(1, 2, 1000, 500), false, {}), {1000, 500}},
      {"output size in idat", Grid(GridData(1, 2, 1000, 500), true, {}), {1000, 500}},
      {"32-bit output size", Grid(GridData(1, 2, 70000, 500, true), true, {}), {70000, 500}},
      {"64-bit locations, iloc version 0", location8, {1024, 512}},
      {"base offset field", based, {1024, 512}},
      {"grid's own ispe agrees", Grid(GridData(1, 2, 1024, 512), false, {2}), {1024, 512}},
      // libheif 1.14 and 1.15 write a turned grid's ispe already turned.
      {"output size before ispe", Grid(GridData(1, 2, 1024, 512), true, {3, 2}), {512, 1024}},
      {"grid turned", Grid(GridData(1, 2, 1024, 512), false, {3}), {512, 1024}},
      {"unreadable grid data: ispe", Grid("\1\0", false, {2}), {1024, 512}},
      {"unknown grid version", Grid("\1" + GridData(1, 2, 9, 9).substr(1), false, {}), {}},
      {"zero output width", Grid(GridData(1, 2, 0, 512), true, {}), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Probe(c.file.Build()), c.expected) << c.what;
}

TEST(HeifHeaders, BoxSizesAndBounds) {
  struct Case {
    const char* what;
    std::string bytes;
    Size expected;
  };
  HeifFile large = Still({Ispe(37, 23)}, {1});
  large.MetaLargeSize = true;
  HeifFile toEnd = Still({Ispe(37, 23)}, {1});
  toEnd.MdatToEnd = true;
  HeifFile freeBoxes = Still({Ispe(37, 23)}, {1});
  freeBoxes.BoxesBeforeMeta = {IsoBox("free", std::string(3000, '\0')), IsoBox("skip", "", true)};
  HeifFile tooManyBoxes = Still({Ispe(37, 23)}, {1});
  tooManyBoxes.BoxesBeforeMeta.assign(100, IsoBox("free", ""));
  // A large colour profile before ispe is passed over by its header.
  HeifFile bigProfile =
      Still({IsoBox("colr", "prof" + std::string(200000, 'p')), Ispe(9, 8)}, {1, 2});
  const std::string plain = Still({Ispe(37, 23)}, {1}).Build();
  const std::string ftyp = plain.substr(0, plain.find("meta") - 4);
  // meta as the last box, with size 0.
  const std::string metaToEnd =
      ftyp +
      IsoBox("meta",
             plain.substr(plain.find("meta") + 4, plain.find("mdat") - plain.find("meta") - 8),
             false, true);
  std::string tinyBox = plain;
  tinyBox.replace(plain.find("meta") - 4, 4, vorlane::test::Be32(7));
  std::string hugeLarge = ftyp + IsoBox("free", "", true);
  hugeLarge.replace(hugeLarge.size() - 8, 8, vorlane::test::Be64(~uint64_t{0}));

  const Case cases[] = {
      {"64-bit meta size", large.Build(), {37, 23}},
      {"mdat to the end", toEnd.Build(), {37, 23}},
      {"meta to the end", metaToEnd, {37, 23}},
      {"boxes before meta", freeBoxes.Build(), {37, 23}},
      {"too many boxes before meta", tooManyBoxes.Build(), {}},
      {"large property passed over", bigProfile.Build(), {9, 8}},
      {"box smaller than its header", tinyBox, {}},
      {"64-bit size beyond the file", hugeLarge, {}},
      {"ftyp only", ftyp, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Probe(c.bytes), c.expected) << c.what;

  const std::string built = bigProfile.Build();
  MemoryImageSource bigSource(
      std::span(reinterpret_cast<const uint8_t*>(built.data()), built.size()));
  EXPECT_EQ(ImageHeaders::Probe(bigSource), (ImageDimensions{9, 8}));
  EXPECT_LT(bigSource.BytesRead(), 1024u);
}

TEST(HeifHeaders, EveryPrefixMeasuresNothingOrTheWholeSize) {
  // Boxes cut by the end of the data are taken as far as they go, so a prefix
  // measures once the boxes it needs are whole, and never anything else.
  for (const HeifFile& file :
       {Still({Ispe(37, 23), Irot(1)}, {1, 2}), Grid(GridData(1, 2, 1000, 500), true, {3})}) {
    const std::string bytes = file.Build();
    const Size full = Probe(bytes);
    ASSERT_NE(full, Size{});
    bool measured = false;
    for (size_t length = 0; length <= bytes.size(); ++length) {
      const Size size = Probe(bytes.substr(0, length));
      if (measured) {
        EXPECT_EQ(size, full) << length;
      }
      if (size != Size{}) {
        EXPECT_EQ(size, full) << length;
        measured = true;
      }
    }
  }
}

// ---- JPEG XL ----------------------------------------------------------------------

// The metadata's first bits: all-default, or extra fields with an orientation.
JxlBits& Metadata(JxlBits& bits, uint32_t orientation = 1) {
  if (orientation == 1) return bits.Put(1, 1);
  return bits.Put(0, 1).Put(1, 1).Put(orientation - 1, 3);
}

std::string Small(uint32_t height, uint32_t ratio, uint32_t width = 0, uint32_t orientation = 1) {
  JxlBits bits;
  bits.Put(1, 1).Put(height / 8 - 1, 5).Put(ratio, 3);
  if (ratio == 0) bits.Put(width / 8 - 1, 5);
  return Metadata(bits, orientation).Codestream();
}

std::string Large(uint32_t heightSelector, uint32_t height, uint32_t ratio,
                  uint32_t widthSelector = 0, uint32_t width = 0, uint32_t orientation = 1) {
  JxlBits bits;
  bits.Put(0, 1).Side(heightSelector, height).Put(ratio, 3);
  if (ratio == 0) bits.Side(widthSelector, width);
  return Metadata(bits, orientation).Codestream();
}

TEST(JxlHeaders, SizeHeaderEncodings) {
  struct Case {
    const char* what;
    std::string codestream;
    Size expected;
  };
  const Case cases[] = {
      {"small, own width", Small(200, 0, 64), {64, 200}},
      {"small, largest", Small(256, 0, 256), {256, 256}},
      {"small, smallest", Small(8, 0, 8), {8, 8}},
      {"small, square ratio", Small(96, 1), {96, 96}},
      {"small, 12:10", Small(200, 2), {240, 200}},
      {"small, 4:3", Small(192, 3), {256, 192}},
      {"small, 3:2", Small(200, 4), {300, 200}},
      {"small, 16:9", Small(72, 5), {128, 72}},
      {"small, 5:4", Small(200, 5 + 1), {250, 200}},
      {"small, 2:1", Small(200, 7), {400, 200}},
      {"9-bit sides", Large(0, 157, 0, 0, 301), {301, 157}},
      {"13-bit sides", Large(1, 5000, 0, 1, 8192), {8192, 5000}},
      {"18-bit sides", Large(2, 3, 0, 2, 262144), {262144, 3}},
      {"30-bit sides", Large(3, 1, 0, 3, 1u << 30), {1 << 30, 1}},
      {"mixed selectors", Large(0, 3, 0, 2, 9000), {9000, 3}},
      {"large height, 16:9 rounds down", Large(1, 1001, 5), {1779, 1001}},
      {"2:1 past 31 bits", Large(3, 1u << 30, 7), {}},
      {"orientation 6 swaps", Large(0, 157, 0, 0, 301, 6), {157, 301}},
      {"orientation 5 swaps", Small(200, 4, 0, 5), {200, 300}},
      {"orientation 8 swaps", Small(200, 4, 0, 8), {200, 300}},
      {"orientation 3 keeps", Small(200, 4, 0, 3), {300, 200}},
      {"orientation 4 keeps", Small(200, 4, 0, 4), {300, 200}},
  };
  for (const Case& c : cases) EXPECT_EQ(Probe(c.codestream), c.expected) << c.what;

  // The bytes stop before the orientation is known: nothing.
  JxlBits cut;
  cut.Put(0, 1).Side(3, 5).Put(0, 3).Side(2, 7);  // 56 bits: seven whole bytes
  EXPECT_EQ(Probe(cut.Codestream(0)), Size{});
  Metadata(cut, 6);
  EXPECT_EQ(Probe(cut.Codestream(0)), (Size{5, 7}));
  EXPECT_EQ(Probe("\xFF\x0A"), Size{});
  EXPECT_EQ(Probe("\xFF\x0B" + Small(8, 1).substr(2)), Size{});
}

TEST(JxlHeaders, Containers) {
  struct Case {
    const char* what;
    std::string bytes;
    Size expected;
  };
  const std::string codestream = Large(0, 157, 0, 0, 301) + std::string(40, 'd');
  const std::string exif = IsoBox("Exif", std::string(4, '\0') + "II*");
  const Case cases[] = {
      {"jxlc", JxlContainer({IsoBox("jxlc", codestream)}), {301, 157}},
      {"jxlc after metadata boxes",
       JxlContainer(
           {IsoBox("jxll", "\x0A"), exif, IsoBox("brob", "Exif...."), IsoBox("jxlc", codestream)}),
       {301, 157}},
      {"jxlc with a 64-bit size", JxlContainer({IsoBox("jxlc", codestream, true)}), {301, 157}},
      {"jxlc to the end", JxlContainer({IsoBox("jxlc", codestream, false, true)}), {301, 157}},
      {"one jxlp", JxlContainer({JxlPart(0, true, codestream)}), {301, 157}},
      {"jxlp split inside the size header",
       JxlContainer({JxlPart(0, false, codestream.substr(0, 3)),
                     JxlPart(1, false, codestream.substr(3, 1)), exif,
                     JxlPart(2, true, codestream.substr(4))}),
       {301, 157}},
      {"empty parts",
       JxlContainer({JxlPart(0, false, ""), JxlPart(1, true, codestream)}),
       {301, 157}},
      {"last part too short",
       JxlContainer(
           {JxlPart(0, true, codestream.substr(0, 4)), JxlPart(1, true, codestream.substr(4))}),
       {}},
      {"jxlp without its counter", JxlContainer({IsoBox("jxlp", "ab")}), {}},
      {"no codestream", JxlContainer({exif}), {}},
      {"not a codestream", JxlContainer({IsoBox("jxlc", "\xFF\xD8" + codestream.substr(2))}), {}},
      {"signature box damaged", IsoBox("JXL ", "\r\n\x87\r") + IsoBox("jxlc", codestream), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Probe(c.bytes), c.expected) << c.what;
}

TEST(JxlHeaders, RealCodestreamSplitIntoParts) {
  // cjxl writes jxlc; the same real codestream split into parts at every point of
  // its head must measure the same.
  const std::string file =
      vorlane::test::ReadFile(vorlane::test::FixturePath("images/jxl-301x157.jxl"));
  ASSERT_EQ(Probe(file), (Size{301, 157}));
  for (size_t cut = 0; cut <= 16; ++cut) {
    const std::string parts =
        JxlContainer({JxlPart(0, false, file.substr(0, cut)), JxlPart(1, true, file.substr(cut))});
    EXPECT_EQ(Probe(parts), (Size{301, 157})) << cut;
  }
}

}  // namespace
