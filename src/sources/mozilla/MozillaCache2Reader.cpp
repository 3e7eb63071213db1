#include "sources/mozilla/MozillaCache2Reader.h"

#include <algorithm>
#include <array>
#include <span>

#include "base/ByteReader.h"
#include "sources/ParallelRead.h"
#include "sources/mozilla/MozillaCache2.h"
#include "sources/mozilla/MozillaHash.h"

namespace MozillaCache2 {

bool ListEntryFiles(const Platform::OpenFolder& entries, std::vector<std::string>& names) {
  std::optional<std::vector<std::string>> listed = entries.ListFileNames();
  if (!listed) return false;
  names = std::move(*listed);
  std::sort(names.begin(), names.end());
  return true;
}

ReadResult ReadEntryFile(const Platform::OpenFolder& entries, const std::string& name,
                         std::vector<std::byte>& buffer) {
  Platform::ReadOnlyFile file;
  if (!file.OpenIn(entries, name)) return {nullptr, true};
  const uint64_t size = file.Size();
  if (size < TrailerSize) return {nullptr, true};
  const uint64_t tailStart = size - std::min<uint64_t>(size, TailReadSize);
  buffer.resize(static_cast<size_t>(size - tailStart));
  if (file.ReadAt(tailStart, buffer.data(), buffer.size()) != buffer.size()) {
    return {nullptr, true};
  }
  const std::span<const std::byte> tail(buffer);
  const std::optional<uint32_t> offset = ParseMetadataOffset(tail.last(TrailerSize), size);
  if (!offset) return {nullptr, true};
  // The trailer of an interrupted write can point anywhere; never read more than a
  // sound entry's metadata could take.
  const uint64_t length = size - TrailerSize - *offset;
  if (length > MaxMetadataLength(*offset)) return {nullptr, true};
  std::span<const std::byte> metadata;
  if (*offset >= tailStart) {
    metadata = tail.subspan(static_cast<size_t>(*offset - tailStart), static_cast<size_t>(length));
  } else {
    buffer.resize(static_cast<size_t>(length));
    if (file.ReadAt(*offset, buffer.data(), buffer.size()) != buffer.size()) {
      return {nullptr, true};
    }
    metadata = buffer;
  }
  const std::optional<EntryMetadata> parsed = ParseMetadata(metadata, *offset);
  if (!parsed) return {nullptr, true};
  auto entry = std::make_unique<CMozillaCacheElement>();
  if (!FillEntry(*parsed, *offset, *entry)) return {};
  return {std::move(entry), false};
}

bool ChunkHashesMatch(const Platform::ReadOnlyFile& file) {
  const uint64_t size = file.Size();
  std::array<std::byte, TrailerSize> trailer{};
  if (size < TrailerSize ||
      file.ReadAt(size - TrailerSize, trailer.data(), trailer.size()) != TrailerSize) {
    return false;
  }
  const std::optional<uint32_t> offset = ParseMetadataOffset(trailer, size);
  if (!offset) return false;
  const uint64_t chunks = (uint64_t{*offset} + ChunkSize - 1) / ChunkSize;
  std::vector<std::byte> hashes(static_cast<size_t>(chunks * ChunkHashSize));
  if (file.ReadAt(uint64_t{*offset} + MetadataHashSize, hashes.data(), hashes.size()) !=
      hashes.size()) {
    return false;
  }
  const Bytes::ByteReader stored(hashes);
  std::string chunk;
  for (uint64_t i = 0; i < chunks; ++i) {
    const uint64_t start = i * ChunkSize;
    chunk.resize(static_cast<size_t>(std::min<uint64_t>(ChunkSize, *offset - start)));
    if (file.ReadAt(start, chunk.data(), chunk.size()) != chunk.size()) {
      return false;
    }
    if (stored.BE16(i * ChunkHashSize) != static_cast<uint16_t>(MozillaHash(chunk))) return false;
  }
  return true;
}

std::vector<ReadResult> ReadEntryFiles(const Platform::OpenFolder& entries,
                                       const std::vector<std::string>& names) {
  std::vector<ReadResult> read(names.size());
  // Each thread fills only the places it takes, so the results need no lock.
  ParallelRead::ForEach(
      names.size(),
      [&](size_t i, std::vector<std::byte>& buffer) {
        read[i] = ReadEntryFile(entries, names[i], buffer);
      },
      [&](size_t i) {
        read[i] = {nullptr, true};
      });
  return read;
}

}  // namespace MozillaCache2
