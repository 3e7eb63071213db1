#pragma once

// Sparse (range) bodies of the blockfile backend. The parent entry (flag 1) keeps the
// response info in stream 0 and a SparseHeader (its signature) with a bitmap of its
// children in stream 2. Child k (flag 2, keyed `Range_<parent key>:<signature>:<k>`)
// holds body offsets k MiB to k+1 MiB: its stream 1 from the child's offset 0, and in
// stream 2 a SparseHeader and a bitmap of the 1 KiB blocks written in full; the header's
// last block names one block written only in part and how far.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sources/chromium/ChromiumBlockfileReader.h"
#include "sources/chromium/ChromiumBodyPiece.h"

namespace ChromiumBlockfile {

// A parent's stream 2 holds a child bitmap of at most 8 KiB.
inline constexpr size_t MaxParentSparseData = SparseHeaderSize + 8192;

// Ranges taken from one child's bitmap. A browser writes a child in a few runs; a
// bitmap of alternating bits (512 ranges) would cost far more memory than the child's
// few hundred bytes on disk, so ranges past these are left out (the body shows gaps).
inline constexpr size_t MaxChildRanges = 64;

struct SparseBody {
  // Chromium::ArrangePieces of the children's written blocks.
  std::vector<Chromium::BodyPiece> Pieces;
  size_t Children = 0;         // children whose blocks were taken
  size_t ChildrenSkipped = 0;  // of another signature, or with unreadable streams
};

// The written byte ranges of one child's stream 1, from its stream 2 (192 bytes or
// more), clipped to `streamLength`, as [start, end) pairs in the child's own offsets;
// at most MaxChildRanges of them.
std::vector<std::pair<uint32_t, uint32_t>> ChildRanges(std::span<const std::byte> childData,
                                                       uint64_t streamLength);

// The children of every parent key, as indices into `entries`, in walk order; one pass.
std::map<std::string, std::vector<size_t>, std::less<>> MapChildren(
    const std::vector<Entry>& entries);

// The body of a parent from the children `childIndices` (from MapChildren) of its key:
// only children of the parent's signature count, the parent's own child bitmap is not
// needed (it is written last and may be stale after a crash). nullopt unless `parent`
// has the parent flag, an empty stream 1 and a SparseHeader in stream 2.
std::optional<SparseBody> AssembleSparse(Reader& reader, const Entry& parent,
                                         const std::vector<Entry>& entries,
                                         const std::vector<size_t>& childIndices);

}  // namespace ChromiumBlockfile
