#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ImageSizePrint.h"
#include "platform/CacheFiles.h"
#include "platform/Files.h"
#include "sources/CGraphicLT.h"
#include "sources/FileImageSource.h"
#include "sources/ImageHeaders.h"
#include "support/TestSupport.h"

using vorlane::test::FixturePath;
using vorlane::test::ListNames;
using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;
using Size = CGraphicLT::ImageSize;

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::string Image(const std::string& name) {
  return FixturePath("images/" + name);
}

// Every image of tests/fixtures/images with the size identify reports (for icons
// the largest image, for GIF the logical screen).
const std::map<std::string, Size>& Corpus() {
  static const std::map<std::string, Size> corpus = {
      {"avif-320x240.avif", {320, 240}},
      {"avif-37x23.avif", {37, 23}},
      {"avif-grid-256x128.avif", {256, 128}},
      {"avif-imir1-128x64.avif", {128, 64}},
      {"avif-irot1-64x128.avif", {64, 128}},
      {"heic-320x240.heic", {320, 240}},
      {"heic-37x23.heic", {37, 23}},
      {"heic-o6-40x64.heic", {40, 64}},
      {"jxl-300x200.jxl", {300, 200}},
      {"jxl-301x157.jxl", {301, 157}},
      {"jxl-container-47x29.jxl", {47, 29}},
      {"webp-lossy-320x240.webp", {320, 240}},
      {"bmp-core-39x23.bmp", {39, 23}},
      {"bmp-info-39x23.bmp", {39, 23}},
      {"bmp-topdown-39x23.bmp", {39, 23}},
      {"bmp-v5-27x14.bmp", {27, 14}},
      {"cur-32x32.cur", {32, 32}},
      {"gif-1x1.gif", {1, 1}},
      {"gif87a-37x21.gif", {37, 21}},
      {"ico-multi-48x48.ico", {48, 48}},
      {"ico-png256-256x256.ico", {256, 256}},
      {"jpeg-baseline-41x27.jpg", {41, 27}},
      {"jpeg-cmyk-23x31.jpg", {23, 31}},
      {"jpeg-gray-17x9.jpg", {17, 9}},
      {"jpeg-large-exif-41x27.jpg", {41, 27}},
      {"jpeg-progressive-43x25.jpg", {43, 25}},
      {"png-gray-interlaced-29x45.png", {29, 45}},
      {"png-rgb-33x19.png", {33, 19}},
      {"real-ff32-gstatic.png", {528, 68}},
      {"real-ff35-banner.gif", {149, 41}},
      {"real-ff35-button.jpg", {57, 24}},
      {"real-ff35-favicon.ico", {16, 16}},
      {"real-ff35-gradsprite.png", {1, 186}},
      {"real-ff35-strip.gif", {16, 256}},
      {"real-ff35-utm.gif", {1, 1}},
      {"real-ff40-gstatic.png", {161, 273}},
      {"real-ff45-googleg.ico", {32, 32}},
      {"real-ff45-tia.png", {27, 23}},
      {"real-ff45-tile.png", {290, 180}},
      {"tiff-be-19x45.tif", {19, 45}},
      {"tiff-le-45x19.tif", {45, 19}},
      {"webp-extended-51x33.webp", {51, 33}},
      {"webp-lossless-49x31.webp", {49, 31}},
      {"webp-lossy-47x29.webp", {47, 29}},
  };
  return corpus;
}

TEST(ImageProbe, CorpusMatchesReferenceSizes) {
  // Every image in the folder is listed, so a new one cannot go unmeasured.
  std::set<std::string> listed;
  for (const std::string& name : ListNames(FixturePath("images"))) {
    if (name == "PROVENANCE" || name.ends_with(".txt")) continue;
    listed.insert(name);
    EXPECT_TRUE(Corpus().contains(name)) << name << " has no expected size";
  }
  for (const auto& [name, expected] : Corpus()) {
    EXPECT_TRUE(listed.contains(name)) << name << " is missing";
    EXPECT_EQ(CGraphicLT::GetImageSize(Image(name)), expected) << name;
    EXPECT_EQ(CGraphicLT::ProbeImage(Bytes(ReadFile(Image(name)))), expected) << name;
  }
}

TEST(ImageProbe, ReadsOnlyAFewKilobytes) {
  // The frame header of this JPEG lies behind a 40 KB EXIF block.
  const std::string path = Image("jpeg-large-exif-41x27.jpg");
  Platform::ReadOnlyFile file;
  ASSERT_TRUE(file.Open(path));
  ASSERT_GT(file.Size(), 40000u);
  FileImageSource source(file);
  EXPECT_EQ(ImageHeaders::Probe(source), (ImageDimensions{41, 27}));
  EXPECT_LT(source.BytesRead(), 256u);
}

TEST(ImageProbe, UnreadableFilesMeasureZero) {
  TempDir dir;
  WriteFile(dir / "page.jpg", "<html><body>Not found</body></html>\n");
  WriteFile(dir / "empty.png", "");
  // A GIF signature with nothing after it.
  WriteFile(dir / "stub.gif", "GIF89a\x01");
  ASSERT_TRUE(Platform::CreateFolder(dir / "folder.png"));
  for (const char* name : {"page.jpg", "empty.png", "stub.gif", "folder.png", "missing.gif"}) {
    EXPECT_EQ(CGraphicLT::GetImageSize(dir / name), Size{}) << name;
  }
  // The name plays no part: a PNG called .jpg is measured as a PNG.
  WriteFile(dir / "renamed.jpg", ReadFile(Image("png-rgb-33x19.png")));
  EXPECT_EQ(CGraphicLT::GetImageSize(dir / "renamed.jpg"), (Size{33, 19}));
}

// Probes every prefix of a file, each in a buffer of exactly that length so that a
// read past its end is caught by the address sanitizer. Returns the shortest prefix
// that measures the full size.
size_t ProbePrefixes(const std::string& name, Size full) {
  const std::string content = ReadFile(Image(name));
  size_t shortest = content.size() + 1;
  for (size_t length = 0; length <= content.size(); ++length) {
    const std::vector<uint8_t> prefix(content.begin(),
                                      content.begin() + static_cast<std::ptrdiff_t>(length));
    const Size measured = CGraphicLT::ProbeImage(prefix);
    if (measured == full) {
      shortest = std::min(shortest, length);
    } else {
      EXPECT_EQ(measured, Size{}) << name << " cut to " << length;
    }
    // Once the header is complete, longer prefixes keep measuring it.
    if (length > shortest) {
      EXPECT_EQ(measured, full) << name << " cut to " << length;
    }
  }
  return shortest;
}

TEST(ImageProbe, TruncatedHeadersMeasureZero) {
  struct Case {
    const char* name;
    size_t headerEnd;  // bytes the probe needs
  };
  const Case cases[] = {
      {"real-ff45-tia.png", 24},        // signature and IHDR
      {"real-ff35-banner.gif", 10},     // logical screen
      {"bmp-core-39x23.bmp", 26},       // file header and core header
      {"bmp-info-39x23.bmp", 14 + 40},  // the whole info header
      {"webp-lossy-47x29.webp", 30},
      {"webp-lossless-49x31.webp", 25},
      {"webp-extended-51x33.webp", 30},
      {"real-ff35-button.jpg", 0},
      {"jpeg-progressive-43x25.jpg", 0},
      {"tiff-be-19x45.tif", 0},
      {"jxl-300x200.jxl", 4},  // signature, SizeHeader, two metadata bits
      {"jxl-301x157.jxl", 0},
      {"jxl-container-47x29.jxl", 0},
      {"avif-37x23.avif", 0},
      {"avif-irot1-64x128.avif", 0},
      {"avif-grid-256x128.avif", 0},
      {"heic-37x23.heic", 0},
      {"heic-o6-40x64.heic", 0},
  };
  for (const Case& c : cases) {
    const size_t shortest = ProbePrefixes(c.name, Corpus().at(c.name));
    if (c.headerEnd != 0) {
      EXPECT_EQ(shortest, c.headerEnd) << c.name;
    }
    EXPECT_LE(shortest, ReadFile(Image(c.name)).size()) << c.name;
  }
}

// Compares the probe with a list of reference sizes written by
// scripts/check-image-probe ("width<TAB>height<TAB>path" lines); skipped unless
// VORLANE_IMAGE_REFERENCE names such a list.
TEST(ImageProbeReference, AgreesWithReferenceList) {
  const char* list = std::getenv("VORLANE_IMAGE_REFERENCE");
  if (!list || !*list) GTEST_SKIP() << "VORLANE_IMAGE_REFERENCE is not set";
  std::ifstream in(list);
  ASSERT_TRUE(in) << list;
  int agreed = 0;
  int differed = 0;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Size expected;
    std::string path;
    if (!(fields >> expected.Width >> expected.Height) || !std::getline(fields >> std::ws, path)) {
      continue;
    }
    const Size measured = CGraphicLT::GetImageSize(path);
    if (measured == expected) {
      ++agreed;
    } else {
      ++differed;
      ADD_FAILURE() << path << ": probe " << measured.Width << " x " << measured.Height
                    << ", reference " << expected.Width << " x " << expected.Height;
    }
  }
  std::printf("%d agree, %d differ\n", agreed, differed);
}

}  // namespace
