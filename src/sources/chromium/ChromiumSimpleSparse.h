#pragma once

// The `<16 hex>_s` file of Chromium's simple backend: the ranges of a sparse (range)
// body, `header (24) | key | { range header (32) | data }*`. Ranges lie in the order
// they were written, not by offset, and one response may be split into several; the
// gaps between them are the parts never fetched. Pure over a RangeFetch.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/RangeFetch.h"
#include "sources/chromium/ChromiumBodyPiece.h"

namespace ChromiumSimple {

inline constexpr uint64_t SparseRangeMagic = 0xeb97bf016553676b;
inline constexpr size_t SparseRangeHeaderSize = 32;
// The header of `_s` carries the backend's version of the day it was made; the layout
// has not changed since sparse files first appeared.
inline constexpr uint32_t MinSparseVersion = 5;
inline constexpr uint32_t MaxSparseVersion = 9;
// A range is one network read or more; a 4 GiB video in 64 KiB ranges stays below this.
inline constexpr size_t MaxSparseRanges = 1u << 16;

struct SparseFile {
  uint32_t Version = 0;
  std::string Key;
  // The ranges in body order without overlaps (Chromium::ArrangePieces): File is the
  // name given, FileOffset where the range's bytes begin, Crc32 when the record has one
  // (Chromium writes 0 for a range it only partly rewrote).
  std::vector<Chromium::BodyPiece> Ranges;
  size_t RecordCount = 0;
  // The records ended in damage (a wrong magic, a length past the end, the bound on
  // records) before the end of the file; the ranges before it are kept.
  bool Damaged = false;
};

// One fetch for the header and key, one per range header. nullopt for a wrong magic,
// a version outside the known ones or a key that does not fit.
std::optional<SparseFile> ReadSparseFile(std::string_view fileName, uint64_t fileSize,
                                         const Bytes::RangeFetch& fetch);

}  // namespace ChromiumSimple
