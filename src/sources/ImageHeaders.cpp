#include "sources/ImageHeaders.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

#include "base/ByteReader.h"

namespace ImageHeaders {

namespace {

constexpr std::string_view PngSignature("\x89PNG\r\n\x1A\n", 8);
constexpr std::string_view JxlContainerSignature("\0\0\0\x0CJXL \r\n\x87\n", 12);

}  // namespace

std::optional<ImageDimensions> Measured(uint64_t width, uint64_t height) {
  constexpr uint64_t largest = std::numeric_limits<int32_t>::max();
  if (width == 0 || height == 0 || width > largest || height > largest) return std::nullopt;
  return ImageDimensions{static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

std::optional<ImageDimensions> Probe(ImageByteSource& source) {
  std::array<uint8_t, 12> head{};
  const size_t length = static_cast<size_t>(std::min<uint64_t>(head.size(), source.Size()));
  const std::span<uint8_t> bytes(head.data(), length);
  if (!source.Read(0, bytes)) return std::nullopt;
  const Bytes::ByteReader reader(std::span<const uint8_t>(bytes.data(), bytes.size()));

  if (reader.Matches(0, "\xFF\xD8\xFF")) return ProbeJpeg(source);
  if (reader.Matches(0, PngSignature)) return ProbePng(source);
  if (reader.Matches(0, "GIF87a") || reader.Matches(0, "GIF89a")) return ProbeGif(source);
  if (reader.Matches(0, "BM")) return ProbeBmp(source);
  // Before the icon test: a box of 256 bytes begins 00 00 01 00 as an icon does.
  if (reader.Matches(4, "ftyp")) return ProbeHeif(source);
  if (reader.Matches(0, std::string_view("\0\0\1\0", 4)) ||
      reader.Matches(0, std::string_view("\0\0\2\0", 4))) {
    return ProbeIcon(source);
  }
  if (reader.Matches(0, "RIFF") && reader.Matches(8, "WEBP")) return ProbeWebp(source);
  if (reader.Matches(0, std::string_view("II*\0", 4)) ||
      reader.Matches(0, std::string_view("MM\0*", 4))) {
    return ProbeTiff(source);
  }
  if (reader.Matches(0, "\xFF\x0A") || reader.Matches(0, JxlContainerSignature)) {
    return ProbeJxl(source);
  }
  return std::nullopt;
}

std::optional<ImageDimensions> ProbePng(ImageByteSource& source, uint64_t offset) {
  // The signature, then IHDR, which must be the first chunk. Apple's CgBI variant
  // puts its own chunk first and is not a PNG other readers can open.
  std::array<uint8_t, 24> header{};
  if (!source.Read(offset, header)) return std::nullopt;
  Bytes::ByteCursor cursor{Bytes::ByteReader(header)};
  const std::string_view signature = cursor.Text(PngSignature.size());
  const uint32_t chunkLength = cursor.BE32();
  const std::string_view chunkType = cursor.Text(4);
  const uint32_t width = cursor.BE32();
  const uint32_t height = cursor.BE32();
  if (!cursor.Ok() || signature != PngSignature || chunkLength != 13 || chunkType != "IHDR") {
    return std::nullopt;
  }
  return Measured(width, height);
}

std::optional<ImageDimensions> ProbeGif(ImageByteSource& source) {
  // The logical screen: frames are drawn inside it, so it is the size a viewer shows.
  std::array<uint8_t, 10> header{};
  if (!source.Read(0, header)) return std::nullopt;
  Bytes::ByteCursor cursor(Bytes::ByteReader(header), 6);
  const uint16_t width = cursor.LE16();
  const uint16_t height = cursor.LE16();
  if (!cursor.Ok()) return std::nullopt;
  return Measured(width, height);
}

std::optional<ImageDimensions> ProbeBmp(ImageByteSource& source) {
  // 14-byte file header, then the bitmap header whose first word is its own size.
  std::array<uint8_t, 26> header{};
  if (!source.Read(0, header)) return std::nullopt;
  const Bytes::ByteReader reader(header);
  const uint32_t headerSize = reader.LE32(14).value_or(0);
  // The whole bitmap header must be there, not just the words read here.
  if (!Bytes::HasRange(source.Size(), 14, headerSize)) return std::nullopt;

  if (headerSize == 12) {  // BITMAPCOREHEADER: unsigned 16-bit sides
    return Measured(reader.LE16(18).value_or(0), reader.LE16(20).value_or(0));
  }
  // INFO, V2, V3, V4, V5 and the OS/2 2.x headers: signed 32-bit sides, where a
  // negative height marks a top-down bitmap.
  constexpr uint32_t wideHeaders[] = {16, 40, 52, 56, 64, 108, 124};
  if (std::find(std::begin(wideHeaders), std::end(wideHeaders), headerSize) ==
      std::end(wideHeaders)) {
    return std::nullopt;
  }
  const auto width = static_cast<int32_t>(reader.LE32(18).value_or(0));
  const auto height = static_cast<int64_t>(static_cast<int32_t>(reader.LE32(22).value_or(0)));
  if (width <= 0) return std::nullopt;
  return Measured(static_cast<uint64_t>(width),
                  static_cast<uint64_t>(height < 0 ? -height : height));
}

}  // namespace ImageHeaders
