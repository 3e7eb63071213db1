#include "sources/ImageHeaders.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace ImageHeaders {

namespace {

using Source = ImageByteSource;

constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool StartsWith(std::span<const uint8_t> bytes, const void* prefix, size_t length) {
  return bytes.size() >= length && std::memcmp(bytes.data(), prefix, length) == 0;
}

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

  if (StartsWith(bytes, "\xFF\xD8\xFF", 3)) return ProbeJpeg(source);
  if (StartsWith(bytes, PngSignature, sizeof PngSignature)) return ProbePng(source);
  if (StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6)) return ProbeGif(source);
  if (StartsWith(bytes, "BM", 2)) return ProbeBmp(source);
  if (StartsWith(bytes, "\0\0\1\0", 4) || StartsWith(bytes, "\0\0\2\0", 4)) {
    return ProbeIcon(source);
  }
  if (StartsWith(bytes, "RIFF", 4) && length >= 12 && std::memcmp(&head[8], "WEBP", 4) == 0) {
    return ProbeWebp(source);
  }
  if (StartsWith(bytes, "II*\0", 4) || StartsWith(bytes, "MM\0*", 4)) return ProbeTiff(source);
  return std::nullopt;
}

std::optional<ImageDimensions> ProbePng(ImageByteSource& source, uint64_t offset) {
  // The signature, then IHDR, which must be the first chunk. Apple's CgBI variant
  // puts its own chunk first and is not a PNG other readers can open.
  std::array<uint8_t, 24> header{};
  if (!source.Read(offset, header)) return std::nullopt;
  if (std::memcmp(header.data(), PngSignature, sizeof PngSignature) != 0) return std::nullopt;
  if (Source::BigEndian32(header, 8) != 13 || std::memcmp(&header[12], "IHDR", 4) != 0) {
    return std::nullopt;
  }
  return Measured(Source::BigEndian32(header, 16), Source::BigEndian32(header, 20));
}

std::optional<ImageDimensions> ProbeGif(ImageByteSource& source) {
  // The logical screen: frames are drawn inside it, so it is the size a viewer shows.
  std::array<uint8_t, 10> header{};
  if (!source.Read(0, header)) return std::nullopt;
  return Measured(Source::LittleEndian16(header, 6), Source::LittleEndian16(header, 8));
}

std::optional<ImageDimensions> ProbeBmp(ImageByteSource& source) {
  // 14-byte file header, then the bitmap header whose first word is its own size.
  std::array<uint8_t, 26> header{};
  if (!source.Read(0, header)) return std::nullopt;
  const uint32_t headerSize = Source::LittleEndian32(header, 14);
  // The whole bitmap header must be there, not just the words read here.
  if (headerSize > source.Size() - 14) return std::nullopt;

  if (headerSize == 12) {  // BITMAPCOREHEADER: unsigned 16-bit sides
    return Measured(Source::LittleEndian16(header, 18), Source::LittleEndian16(header, 20));
  }
  // INFO, V2, V3, V4, V5 and the OS/2 2.x headers: signed 32-bit sides, where a
  // negative height marks a top-down bitmap.
  constexpr uint32_t wideHeaders[] = {16, 40, 52, 56, 64, 108, 124};
  if (std::find(std::begin(wideHeaders), std::end(wideHeaders), headerSize) ==
      std::end(wideHeaders)) {
    return std::nullopt;
  }
  const auto width = static_cast<int32_t>(Source::LittleEndian32(header, 18));
  const auto height =
      static_cast<int64_t>(static_cast<int32_t>(Source::LittleEndian32(header, 22)));
  if (width <= 0) return std::nullopt;
  return Measured(static_cast<uint64_t>(width),
                  static_cast<uint64_t>(height < 0 ? -height : height));
}

}  // namespace ImageHeaders
