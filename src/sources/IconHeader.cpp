#include <algorithm>
#include <array>
#include <vector>

#include "sources/ImageHeaders.h"

namespace ImageHeaders {

namespace {

// Icons hold a handful of sizes; 512 directory entries (8 KiB) is far beyond any
// real one and keeps the directory read within a few kilobytes.
constexpr uint16_t MaxEntries = 512;
// A directory side of 0 means 256, or more for a PNG image; so many entries
// are looked into to find out.
constexpr int MaxPngLookups = 8;
constexpr size_t EntrySize = 16;

}  // namespace

std::optional<ImageDimensions> ProbeIcon(ImageByteSource& source) {
  // Reserved word 0, type 1 (icon) or 2 (cursor), entry count; then the directory.
  std::array<uint8_t, 6> header{};
  if (!source.Read(0, header)) return std::nullopt;
  const uint16_t type = ImageByteSource::LittleEndian16(header, 2);
  const uint16_t count = ImageByteSource::LittleEndian16(header, 4);
  if (ImageByteSource::LittleEndian16(header, 0) != 0 || (type != 1 && type != 2) || count == 0) {
    return std::nullopt;
  }
  const size_t entries = std::min(count, MaxEntries);
  std::vector<uint8_t> directory(entries * EntrySize);
  if (!source.Read(header.size(), directory)) return std::nullopt;

  std::optional<ImageDimensions> largest;
  uint64_t largestArea = 0;
  int pngLookups = 0;
  const uint64_t fileSize = source.Size();
  for (size_t index = 0; index < entries; ++index) {
    const std::span<const uint8_t> entry(directory.data() + index * EntrySize, EntrySize);
    const uint32_t dataSize = ImageByteSource::LittleEndian32(entry, 8);
    const uint32_t dataOffset = ImageByteSource::LittleEndian32(entry, 12);
    // An image whose data lies outside the file (a cut-off download) cannot be shown.
    if (dataSize == 0 || dataOffset > fileSize || dataSize > fileSize - dataOffset) continue;

    std::optional<ImageDimensions> size =
        Measured(entry[0] == 0 ? 256u : entry[0], entry[1] == 0 ? 256u : entry[1]);
    if ((entry[0] == 0 || entry[1] == 0) && pngLookups < MaxPngLookups) {
      ++pngLookups;
      if (auto png = ProbePng(source, dataOffset)) size = png;
    }
    if (!size) continue;
    const uint64_t area = static_cast<uint64_t>(size->Width) * static_cast<uint64_t>(size->Height);
    if (area > largestArea) {
      largestArea = area;
      largest = size;
    }
  }
  return largest;
}

}  // namespace ImageHeaders
