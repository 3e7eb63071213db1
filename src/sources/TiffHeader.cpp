#include <algorithm>
#include <array>
#include <vector>

#include "base/ByteReader.h"
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

// Integers in the byte order the header names.
struct TiffWords {
  Bytes::ByteReader Reader;
  bool Little;
  uint16_t Word16(uint64_t at) const {
    return (Little ? Reader.LE16(at) : Reader.BE16(at)).value_or(0);
  }
  uint32_t Word32(uint64_t at) const {
    return (Little ? Reader.LE32(at) : Reader.BE32(at)).value_or(0);
  }
};

}  // namespace

std::optional<ImageDimensions> ProbeTiff(ImageByteSource& source) {
  // "II" (little-endian) or "MM" (big-endian), 42, then the offset of the first
  // image file directory.
  std::array<uint8_t, 8> header{};
  if (!source.Read(0, header)) return std::nullopt;
  const bool little = header[0] == 'I';
  const TiffWords head{Bytes::ByteReader(header), little};
  if (head.Word16(2) != 42) return std::nullopt;
  const uint32_t directoryOffset = head.Word32(4);
  if (directoryOffset < header.size()) return std::nullopt;

  std::array<uint8_t, 2> countBytes{};
  if (!source.Read(directoryOffset, countBytes)) return std::nullopt;
  const size_t count =
      std::min(TiffWords{Bytes::ByteReader(countBytes), little}.Word16(0), MaxEntries);
  std::vector<uint8_t> entries(count * EntrySize);
  if (!source.Read(uint64_t{directoryOffset} + 2, entries)) return std::nullopt;
  const TiffWords directory{Bytes::ByteReader(entries), little};

  uint64_t width = 0;
  uint64_t height = 0;
  for (size_t index = 0; index < count; ++index) {
    const uint64_t entry = index * EntrySize;
    const uint16_t tag = directory.Word16(entry);
    const uint16_t type = directory.Word16(entry + 2);
    if ((tag != ImageWidth && tag != ImageLength) || directory.Word32(entry + 4) == 0) continue;
    // A value that fits four bytes is stored in the entry itself, left-justified
    // and in the file's byte order.
    uint64_t value = 0;
    if (type == TypeShort) {
      value = directory.Word16(entry + 8);
    } else if (type == TypeLong) {
      value = directory.Word32(entry + 8);
    } else {
      continue;
    }
    (tag == ImageWidth ? width : height) = value;
  }
  return Measured(width, height);
}

}  // namespace ImageHeaders
