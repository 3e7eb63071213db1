#pragma once

// Where the bytes of a Chromium cache body lie: one piece for an ordinary body, one per
// stored range for a sparse (range) body. Shared by both disk backends. Pure: no I/O.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Chromium {

struct BodyPiece {
  // The file that holds the bytes, by its name in the cache folder ("1a2b..._0",
  // "1a2b..._s", "data_3", "f_00000b").
  std::string File;
  uint64_t FileOffset = 0;
  uint64_t Length = 0;
  // Where these bytes go in the body.
  uint64_t BodyOffset = 0;
  // zlib CRC-32 of exactly these bytes, when the cache keeps one; checked while copying.
  std::optional<uint32_t> Crc32;
};

// Pieces in body order without overlaps: sorted by BodyOffset (pieces at the same
// offset keep their order), a piece that starts inside an earlier one loses its front
// (and its CRC, which covered the whole piece), one wholly inside an earlier one is
// dropped, empty pieces too.
std::vector<BodyPiece> ArrangePieces(std::vector<BodyPiece> pieces);

// Arranged pieces cut to [0, total): a piece that starts at or past `total` is dropped,
// one that runs past it is shortened (and loses its CRC, which covered all of it).
std::vector<BodyPiece> CutPieces(std::vector<BodyPiece> arranged, uint64_t total);

// True when arranged pieces hold every byte of [0, total) and none beyond; an empty
// body is covered by no pieces.
bool CoversBody(const std::vector<BodyPiece>& arranged, uint64_t total);

// The bytes of [0, total) that arranged pieces hold, for a partial body's report.
uint64_t CoveredBytes(const std::vector<BodyPiece>& arranged, uint64_t total);

}  // namespace Chromium
