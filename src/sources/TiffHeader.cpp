#include <algorithm>
#include <array>
#include <vector>

#include "sources/ImageHeaders.h"

namespace ImageHeaders {

namespace {

// Tags are sorted, and ImageWidth and ImageLength are the lowest ones a baseline
// image carries, so they sit among the first entries; 256 entries (3 KiB) suffice.
constexpr uint16_t MaxEntries = 256;
constexpr size_t EntrySize = 12;
constexpr uint16_t ImageWidth = 256;
constexpr uint16_t ImageLength = 257;
constexpr uint16_t TypeShort = 3;
constexpr uint16_t TypeLong = 4;

}  // namespace

std::optional<ImageDimensions> ProbeTiff(ImageByteSource& source) {
  // "II" (little-endian) or "MM" (big-endian), 42, then the offset of the first
  // image file directory.
  std::array<uint8_t, 8> header{};
  if (!source.Read(0, header)) return std::nullopt;
  const bool little = header[0] == 'I';
  const auto word16 = [little](std::span<const uint8_t> bytes, size_t at) {
    return little ? ImageByteSource::LittleEndian16(bytes, at)
                  : ImageByteSource::BigEndian16(bytes, at);
  };
  const auto word32 = [little](std::span<const uint8_t> bytes, size_t at) {
    return little ? ImageByteSource::LittleEndian32(bytes, at)
                  : ImageByteSource::BigEndian32(bytes, at);
  };
  if (word16(header, 2) != 42) return std::nullopt;
  const uint32_t directoryOffset = word32(header, 4);
  if (directoryOffset < header.size()) return std::nullopt;

  std::array<uint8_t, 2> countBytes{};
  if (!source.Read(directoryOffset, countBytes)) return std::nullopt;
  const size_t count = std::min(word16(countBytes, 0), MaxEntries);
  std::vector<uint8_t> entries(count * EntrySize);
  if (!source.Read(uint64_t{directoryOffset} + 2, entries)) return std::nullopt;

  uint64_t width = 0;
  uint64_t height = 0;
  for (size_t index = 0; index < count; ++index) {
    const std::span<const uint8_t> entry(entries.data() + index * EntrySize, EntrySize);
    const uint16_t tag = word16(entry, 0);
    const uint16_t type = word16(entry, 2);
    if ((tag != ImageWidth && tag != ImageLength) || word32(entry, 4) == 0) continue;
    // A value that fits four bytes is stored in the entry itself, left-justified
    // and in the file's byte order.
    uint64_t value = 0;
    if (type == TypeShort) {
      value = word16(entry, 8);
    } else if (type == TypeLong) {
      value = word32(entry, 8);
    } else {
      continue;
    }
    (tag == ImageWidth ? width : height) = value;
  }
  return Measured(width, height);
}

}  // namespace ImageHeaders
