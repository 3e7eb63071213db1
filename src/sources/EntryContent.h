#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/CacheFiles.h"

// The body of one cache entry as the cache stores it: one or more pieces of open cache
// files, in body order (a body kept in ranges has several). Pieces keep their files
// open, so what is compared, decoded and saved is read from the files that were
// checked, whatever happens to the names meanwhile.
class EntryContent {
 public:
  struct Piece {
    std::shared_ptr<const Platform::ReadOnlyFile> File;
    uint64_t Offset = 0;  // in the file
    uint64_t Length = 0;
    // The CRC-32 the cache stores for exactly these bytes, checked while they are read.
    std::optional<uint32_t> Crc32;
  };

  // Where a piece's bytes are, for telling two contents apart without reading them.
  struct PieceKey {
    Platform::FileIdentity File;
    uint64_t Offset = 0;
    uint64_t Length = 0;
    bool operator==(const PieceKey&) const = default;
  };

  EntryContent() = default;
  // One piece: `length` bytes of `file` from `offset`, clipped to the file's end.
  EntryContent(std::shared_ptr<const Platform::ReadOnlyFile> file, uint64_t offset, uint64_t length,
               std::optional<uint32_t> crc32 = std::nullopt);

  void Add(Piece piece);
  const std::vector<Piece>& Pieces() const { return Parts; }
  uint64_t Length() const { return Total; }

  // Reads body bytes at `position`; returns the bytes read (fewer at the end), -1 when
  // a file cannot be read.
  int64_t ReadAt(uint64_t position, std::span<std::byte> buffer) const;
  // Every piece's CRC, where the cache stores one, matches its bytes. False also when a
  // piece cannot be read whole.
  bool ChecksumsMatch() const;
  bool HasChecksums() const;
  // True while no file of the content has changed size or time since it was opened (a
  // browser that runs may be writing the entry).
  bool Unchanged() const;

  std::vector<PieceKey> Keys() const;

 private:
  std::vector<Piece> Parts;
  uint64_t Total = 0;
};
