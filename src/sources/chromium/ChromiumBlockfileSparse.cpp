#include "sources/chromium/ChromiumBlockfileSparse.h"

#include <algorithm>

#include "base/ByteReader.h"
#include "sources/chromium/ChromiumKey.h"

namespace ChromiumBlockfile {

namespace {

constexpr uint32_t kChildBlocks = ChildSpan / SparseBlockSize;

}  // namespace

std::vector<std::pair<uint32_t, uint32_t>> ChildRanges(std::span<const std::byte> childData,
                                                       uint64_t streamLength) {
  std::vector<std::pair<uint32_t, uint32_t>> ranges;
  const auto header = ParseSparseHeader(childData);
  const Bytes::ByteReader reader(childData);
  if (!header || !reader.Has(SparseHeaderSize, (ChildDataSize - SparseHeaderSize))) return ranges;
  const auto limit = static_cast<uint32_t>(std::min<uint64_t>(streamLength, ChildSpan));
  // Chromium drops a last-block length outside (0, 1 KiB) the same way.
  const bool partial = header->LastBlock >= 0 &&
                       static_cast<uint32_t>(header->LastBlock) < kChildBlocks &&
                       header->LastBlockLength > 0 &&
                       static_cast<uint32_t>(header->LastBlockLength) < SparseBlockSize;
  const auto add = [&](uint32_t start, uint32_t end) {
    end = std::min(end, limit);
    if (start >= end) return;
    if (!ranges.empty() && ranges.back().second == start) {
      ranges.back().second = end;
    } else if (ranges.size() < MaxChildRanges) {
      ranges.emplace_back(start, end);
    }
  };
  for (uint32_t block = 0; block < kChildBlocks; ++block) {
    const uint32_t word = *reader.LE32(SparseHeaderSize + uint64_t{block / 32} * 4);
    const uint32_t start = block * SparseBlockSize;
    if ((word >> (block % 32)) & 1) {
      add(start, start + SparseBlockSize);
    } else if (partial && block == static_cast<uint32_t>(header->LastBlock)) {
      add(start, start + static_cast<uint32_t>(header->LastBlockLength));
    }
  }
  return ranges;
}

std::map<std::string, std::vector<size_t>, std::less<>> MapChildren(
    const std::vector<Entry>& entries) {
  std::map<std::string, std::vector<size_t>, std::less<>> children;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].IsChild()) continue;
    const Chromium::CacheKey key = Chromium::ParseKey(entries[i].Key);
    if (key.Kind == Chromium::KeyKind::SparseChild)
      children[std::string(key.ParentKey)].push_back(i);
  }
  return children;
}

std::optional<SparseBody> AssembleSparse(Reader& reader, const Entry& parent,
                                         const std::vector<Entry>& entries,
                                         const std::vector<size_t>& childIndices) {
  // As the browser: only a parent whose own stream 1 is empty has children.
  if (!parent.IsParent() || parent.Store.DataSize[1] != 0) return std::nullopt;
  const auto parentData = reader.ClaimStream(parent.Store, 2)
                              ? reader.ReadStream(parent.Store, 2, MaxParentSparseData)
                              : std::nullopt;
  const auto parentHeader = parentData ? ParseSparseHeader(*parentData) : std::nullopt;
  if (!parentHeader) return std::nullopt;
  SparseBody body;
  std::vector<Chromium::BodyPiece> pieces;
  for (const size_t index : childIndices) {
    if (index >= entries.size()) continue;
    const Entry& child = entries[index];
    const Chromium::CacheKey key = Chromium::ParseKey(child.Key);
    // Children that share their streams with another are damage (see Reader::Claim).
    if (!reader.ClaimStream(child.Store, 1) || !reader.ClaimStream(child.Store, 2)) {
      ++body.ChildrenSkipped;
      continue;
    }
    const auto data = reader.ReadStream(child.Store, 2, ChildDataSize);
    const auto stream = reader.LocateStream(child.Store, 1);
    std::optional<int64_t> signature;
    if (data && data->size() >= ChildDataSize) {
      if (const auto header = ParseSparseHeader(*data)) signature = header->Signature;
    }
    if (key.Kind != Chromium::KeyKind::SparseChild || key.ParentKey != parent.Key || !stream ||
        signature != parentHeader->Signature ||
        static_cast<uint64_t>(parentHeader->Signature) != key.Signature) {
      ++body.ChildrenSkipped;
      continue;
    }
    ++body.Children;
    for (const auto& [start, end] : ChildRanges(*data, stream->Length)) {
      Chromium::BodyPiece piece = *stream;
      piece.FileOffset += start;
      piece.Length = end - start;
      piece.BodyOffset = key.ChildIndex * ChildSpan + start;
      pieces.push_back(std::move(piece));
    }
  }
  body.Pieces = Chromium::ArrangePieces(std::move(pieces));
  return body;
}

}  // namespace ChromiumBlockfile
