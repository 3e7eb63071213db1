#include "sources/chromium/ChromiumBodyPiece.h"

#include <algorithm>

namespace Chromium {

std::vector<BodyPiece> ArrangePieces(std::vector<BodyPiece> pieces) {
  std::stable_sort(pieces.begin(), pieces.end(), [](const BodyPiece& a, const BodyPiece& b) {
    return a.BodyOffset < b.BodyOffset;
  });
  std::vector<BodyPiece> arranged;
  arranged.reserve(pieces.size());
  uint64_t end = 0;  // where the bytes taken so far end
  for (BodyPiece& piece : pieces) {
    // Lengths were bounded by their files, but a sum near 2^64 must not wrap.
    if (piece.Length == 0 || piece.BodyOffset > UINT64_MAX - piece.Length) continue;
    const uint64_t pieceEnd = piece.BodyOffset + piece.Length;
    if (!arranged.empty() && pieceEnd <= end) continue;
    if (!arranged.empty() && piece.BodyOffset < end) {
      const uint64_t overlap = end - piece.BodyOffset;
      piece.BodyOffset = end;
      piece.FileOffset += overlap;
      piece.Length -= overlap;
      piece.Crc32.reset();
    }
    end = pieceEnd;
    arranged.push_back(std::move(piece));
  }
  return arranged;
}

std::vector<BodyPiece> CutPieces(std::vector<BodyPiece> arranged, uint64_t total) {
  std::vector<BodyPiece> cut;
  cut.reserve(arranged.size());
  for (BodyPiece& piece : arranged) {
    if (piece.BodyOffset >= total) break;
    if (piece.Length > total - piece.BodyOffset) {
      piece.Length = total - piece.BodyOffset;
      piece.Crc32.reset();
    }
    cut.push_back(std::move(piece));
  }
  return cut;
}

bool CoversBody(const std::vector<BodyPiece>& arranged, uint64_t total) {
  uint64_t end = 0;
  for (const BodyPiece& piece : arranged) {
    if (piece.BodyOffset != end) return false;
    end = piece.BodyOffset + piece.Length;
  }
  return end == total;
}

uint64_t CoveredBytes(const std::vector<BodyPiece>& arranged, uint64_t total) {
  uint64_t covered = 0;
  for (const BodyPiece& piece : arranged) {
    if (piece.BodyOffset >= total) break;
    covered += std::min(piece.Length, total - piece.BodyOffset);
  }
  return covered;
}

}  // namespace Chromium
