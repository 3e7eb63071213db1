#include "sources/chromium/ChromiumSimpleSparse.h"

#include "base/ByteReader.h"
#include "sources/chromium/ChromiumSimple.h"

namespace ChromiumSimple {

std::optional<SparseFile> ReadSparseFile(std::string_view fileName, uint64_t fileSize,
                                         const Bytes::RangeFetch& fetch) {
  if (fileSize < FileHeaderSize) return std::nullopt;
  const auto headerBytes = Bytes::Fetch(fetch, 0, FileHeaderSize);
  if (!headerBytes) return std::nullopt;
  const auto header = ParseFileHeader(*headerBytes);
  if (!header || header->Version < MinSparseVersion || header->Version > MaxSparseVersion ||
      header->KeyLength > MaxKeyLength || header->KeyLength > fileSize - FileHeaderSize) {
    return std::nullopt;
  }
  SparseFile sparse;
  sparse.Version = header->Version;
  const auto key = Bytes::Fetch(fetch, FileHeaderSize, header->KeyLength);
  if (!key) return std::nullopt;
  sparse.Key.assign(reinterpret_cast<const char*>(key->data()), key->size());

  std::vector<Chromium::BodyPiece> ranges;
  uint64_t position = FileHeaderSize + uint64_t{header->KeyLength};
  while (position < fileSize) {
    if (ranges.size() == MaxSparseRanges || fileSize - position < SparseRangeHeaderSize) {
      sparse.Damaged = true;
      break;
    }
    const auto bytes = Bytes::Fetch(fetch, position, SparseRangeHeaderSize);
    if (!bytes) {
      sparse.Damaged = true;
      break;
    }
    Bytes::ByteCursor cursor{Bytes::ByteReader(*bytes)};
    const uint64_t magic = cursor.LE64();
    Chromium::BodyPiece range;
    range.BodyOffset = cursor.LE64();
    range.Length = cursor.LE64();
    const uint32_t crc = cursor.LE32();
    const uint64_t dataStart = position + SparseRangeHeaderSize;
    if (magic != SparseRangeMagic || range.Length > fileSize - dataStart ||
        range.BodyOffset > UINT64_MAX - range.Length) {
      sparse.Damaged = true;
      break;
    }
    range.File = std::string(fileName);
    range.FileOffset = dataStart;
    if (crc != 0) range.Crc32 = crc;
    position = dataStart + range.Length;
    ranges.push_back(std::move(range));
  }
  sparse.RecordCount = ranges.size();
  sparse.Ranges = Chromium::ArrangePieces(std::move(ranges));
  return sparse;
}

}  // namespace ChromiumSimple
