#include <algorithm>
#include <array>
#include <vector>

#include "base/ByteReader.h"
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
  Bytes::ByteCursor fields{Bytes::ByteReader(header)};
  const uint16_t reserved = fields.LE16();
  const uint16_t type = fields.LE16();
  const uint16_t count = fields.LE16();
  if (!fields.Ok() || reserved != 0 || (type != 1 && type != 2) || count == 0) {
    return std::nullopt;
  }
  const size_t entries = std::min(count, MaxEntries);
  std::vector<uint8_t> directory(entries * EntrySize);
  if (!source.Read(header.size(), directory)) return std::nullopt;

  std::optional<ImageDimensions> largest;
  uint64_t largestArea = 0;
  int pngLookups = 0;
  const uint64_t fileSize = source.Size();
  const Bytes::ByteReader reader(directory);
  for (size_t index = 0; index < entries; ++index) {
    Bytes::ByteCursor entry(reader, index * EntrySize);
    const uint8_t width = entry.U8();
    const uint8_t height = entry.U8();
    entry.Skip(6);  // colour count, reserved, planes, bits per pixel
    const uint32_t dataSize = entry.LE32();
    const uint32_t dataOffset = entry.LE32();
    // An image whose data lies outside the file (a cut-off download) cannot be shown.
    if (!entry.Ok() || dataSize == 0 || !Bytes::HasRange(fileSize, dataOffset, dataSize)) continue;

    std::optional<ImageDimensions> size =
        Measured(width == 0 ? 256u : width, height == 0 ? 256u : height);
    if ((width == 0 || height == 0) && pngLookups < MaxPngLookups) {
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
