#include "sources/EntryContent.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace {

constexpr size_t kChunk = 256 * 1024;

}  // namespace

EntryContent::EntryContent(std::shared_ptr<const Platform::ReadOnlyFile> file, uint64_t offset,
                           uint64_t length, std::optional<uint32_t> crc32) {
  Add({std::move(file), offset, length, crc32});
}

void EntryContent::Add(Piece piece) {
  if (!piece.File) return;
  const uint64_t size = piece.File->Size();
  // Never past the end of the file as it was opened.
  if (piece.Offset > size) piece.Offset = size;
  piece.Length = std::min(piece.Length, size - piece.Offset);
  Total += piece.Length;
  Parts.push_back(std::move(piece));
}

int64_t EntryContent::ReadAt(uint64_t position, std::span<std::byte> buffer) const {
  size_t done = 0;
  uint64_t start = 0;
  for (const Piece& piece : Parts) {
    if (done == buffer.size()) break;
    const uint64_t end = start + piece.Length;
    if (position + done < end) {
      const uint64_t inPiece = position + done - start;
      const size_t want =
          static_cast<size_t>(std::min<uint64_t>(buffer.size() - done, piece.Length - inPiece));
      const std::optional<size_t> got =
          piece.File->ReadAt(piece.Offset + inPiece, buffer.data() + done, want);
      if (!got) return -1;
      done += *got;
      // A file that ended early (it shrank since it was opened) ends the content.
      if (*got < want) return static_cast<int64_t>(done);
    }
    start = end;
  }
  return static_cast<int64_t>(done);
}

bool EntryContent::HasChecksums() const {
  return std::any_of(Parts.begin(), Parts.end(),
                     [](const Piece& p) { return p.Crc32.has_value(); });
}

bool EntryContent::ChecksumsMatch() const {
  std::vector<std::byte> buffer;
  for (const Piece& piece : Parts) {
    if (!piece.Crc32) continue;
    buffer.resize(static_cast<size_t>(std::min<uint64_t>(kChunk, piece.Length)));
    uLong crc = crc32(0L, Z_NULL, 0);
    for (uint64_t done = 0; done < piece.Length;) {
      const size_t want =
          static_cast<size_t>(std::min<uint64_t>(buffer.size(), piece.Length - done));
      if (piece.File->ReadAt(piece.Offset + done, buffer.data(), want) != want) {
        return false;
      }
      crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(want));
      done += want;
    }
    if (static_cast<uint32_t>(crc) != *piece.Crc32) return false;
  }
  return true;
}

bool EntryContent::Unchanged() const {
  for (const Piece& piece : Parts) {
    const auto now = piece.File->CurrentSizeAndTime();
    if (!now || now->first != piece.File->Size() || now->second != piece.File->ModifiedTime()) {
      return false;
    }
  }
  return true;
}

std::vector<EntryContent::PieceKey> EntryContent::Keys() const {
  std::vector<PieceKey> keys;
  keys.reserve(Parts.size());
  for (const Piece& piece : Parts)
    keys.push_back({piece.File->Identity(), piece.Offset, piece.Length});
  return keys;
}
