#include "sources/CMozillaCache.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <span>
#include <vector>

#include "sources/CError.h"
#include "sources/MozillaCache2Reader.h"
#include "sources/MozillaCacheFolder.h"
#include "sources/MozillaMap.h"
#include "sources/MozillaMetadata.h"

namespace {

// The largest metadata a block location can hold: four blocks of block file 3.
constexpr size_t kMaxBlockMetadata = 4 * 4096;
// Large metadata lie in a file of their own; keys and heads are never near this.
constexpr uint64_t kMaxSeparateMetadata = uint64_t{1} << 20;

// A destination that cannot be made at all is an open error; anything after that is
// a write error.
int CopyErrorCode(int error) {
  switch (error) {
    case EEXIST:
    case ENOENT:
    case ENOTDIR:
    case EISDIR:
    case EACCES:
    case EPERM:
    case EROFS:
    case ENAMETOOLONG:
      return CError::OpenFailed;
    default:
      return CError::WriteFailed;
  }
}

}  // namespace

CMozillaCache::~CMozillaCache() = default;

bool CMozillaCache::IsPacked(const CCacheElement& entry) const {
  return entry.LocalFile.starts_with("_CACHE") ||
         entry.LocalFile.starts_with(Platform::JoinPath(MozillaCache2::EntriesFolder, ""));
}

std::string CMozillaCache::GetEntryFile(const CCacheElement& entry) const {
  return Platform::JoinPath(CachePath, entry.LocalFile);
}

std::optional<CCacheBrowser::EntryBytes> CMozillaCache::LocateEntryBytes(
    const CCacheElement& entry) const {
  if (entry.Size < 0) return std::nullopt;
  const auto size = static_cast<uint64_t>(entry.Size);
  const auto* mozilla = dynamic_cast<const CMozillaCacheElement*>(&entry);
  if (mozilla && mozilla->DataFile != 0) {
    if (mozilla->DataFile < 1 || mozilla->DataFile > 3 || !Files[mozilla->DataFile].IsOpen() ||
        mozilla->DataOffset < 0 || mozilla->DataLength < 0) {
      return std::nullopt;
    }
    const uint64_t fileSize = Files[mozilla->DataFile].Size();
    const auto offset = static_cast<uint64_t>(mozilla->DataOffset);
    if (offset >= fileSize) return std::nullopt;
    // As CopyPacked: within the allotted blocks, and no further than the file goes.
    const uint64_t length =
        std::min({size, static_cast<uint64_t>(mozilla->DataLength), fileSize - offset});
    return EntryBytes{GetEntryFile(entry), offset, length};
  }
  if (entry.LocalFile.empty()) return std::nullopt;
  const std::string path = GetEntryFile(entry);
  const std::optional<uint64_t> fileSize = Platform::FileSize(path);
  if (!fileSize) return std::nullopt;
  return EntryBytes{path, 0, std::min(size, *fileSize)};
}

void CMozillaCache::Close() {
  for (Platform::ReadOnlyFile& file : Files) file.Close();
  Cache2Entries.Close();
  Opened = false;
  OpenFormat = Format::None;
}

void CMozillaCache::Open() {
  if (Opened) return;
  if (CachePath.empty()) CachePath = FindCacheFolder();
  // An empty folder would make the names relative to the working directory.
  if (CachePath.empty()) {
    throw CError(CError::MozillaCache, CError::OpenFailed, MozillaV1::CacheFileName(0), {}, ENOENT);
  }
  const std::string entries = Platform::JoinPath(CachePath, MozillaCache2::EntriesFolder);
  if (Platform::FolderExists(entries) &&
      !Platform::FileExists(Platform::JoinPath(CachePath, MozillaV1::CacheFileName(0)))) {
    if (!Cache2Entries.Open(entries)) {
      throw CError(CError::MozillaCache, CError::OpenFailed, entries);
    }
    OpenFormat = Format::Cache2;
    Opened = true;
    return;
  }
  for (uint32_t i = 0; i < Files.size(); ++i) {
    const std::string path = Platform::JoinPath(CachePath, MozillaV1::CacheFileName(i));
    if (!Files[i].Open(path)) throw CError(CError::MozillaCache, CError::OpenFailed, path);
  }
  OpenFormat = Format::MapAndBlocks;
  Opened = true;
}

void CMozillaCache::ReadEntries() {
  if (!Opened) return;
  if (OpenFormat == Format::Cache2) {
    ReadCache2Entries();
  } else {
    ReadMapEntries();
  }
}

void CMozillaCache::ReadCache2Entries() {
  std::vector<std::string> names;
  if (!MozillaCache2::ListEntryFiles(Cache2Entries, names)) return;
  std::vector<std::unique_ptr<CMozillaCacheElement>> read =
      MozillaCache2::ReadEntryFiles(Cache2Entries, names);
  for (size_t i = 0; i < names.size(); ++i) {
    if (!read[i]) continue;
    read[i]->LocalFile = Platform::JoinPath(MozillaCache2::EntriesFolder, names[i]);
    AppendEntry(std::move(read[i]));
  }
}

void CMozillaCache::ReadMapEntries() {
  using namespace MozillaV1;
  const Platform::ReadOnlyFile& map = Files[0];
  const uint64_t wanted = std::min<uint64_t>(map.Size(), MapHeaderSize + MaxMapRecordBytes);
  std::vector<std::byte> mapBytes(static_cast<size_t>(wanted));
  const int64_t got = map.ReadAt(0, mapBytes.data(), mapBytes.size());
  if (got < 0) return;
  mapBytes.resize(static_cast<size_t>(got));
  const auto header = ParseMapHeader(mapBytes);
  if (!header) return;
  MapVersion = header->Version;
  const std::span<const std::byte> records =
      std::span<const std::byte>(mapBytes).subspan(MapHeaderSize);
  const std::vector<MapRecord> live = LiveRecords(*header, records);
  mapBytes = {};

  std::vector<std::byte> blockBuffer(kMaxBlockMetadata);
  std::vector<std::byte> fileBuffer;
  for (const MapRecord& record : live) {
    const Location meta = DecodeLocation(record.MetaLocation);
    const Location data = DecodeLocation(record.DataLocation);
    std::span<const std::byte> block;
    if (meta.File != 0) {
      const auto range = BlockRange(MapVersion, meta);
      if (!range || range->Length > blockBuffer.size()) continue;
      const int64_t n = Files[meta.File].ReadAt(range->Offset, blockBuffer.data(),
                                                static_cast<size_t>(range->Length));
      if (n < 0) continue;
      block = std::span<const std::byte>(blockBuffer).first(static_cast<size_t>(n));
      // The last block of a file may end early; the metadata themselves must be there.
      const uint64_t extent = MetadataExtent(block);
      if (extent == 0 || (extent <= range->Length && extent > block.size())) continue;
    } else {
      Platform::ReadOnlyFile metaFile;
      const std::string name = SeparateFileName(MapVersion, record.Hash, 'm', meta.Generation);
      if (!metaFile.Open(Platform::JoinPath(CachePath, name))) continue;
      fileBuffer.resize(static_cast<size_t>(std::min(metaFile.Size(), kMaxSeparateMetadata)));
      const int64_t n = metaFile.ReadAt(0, fileBuffer.data(), fileBuffer.size());
      if (n != static_cast<int64_t>(fileBuffer.size())) continue;
      block = fileBuffer;
    }

    auto entry = std::make_unique<CMozillaCacheElement>();
    entry->MetaFile = static_cast<int32_t>(meta.File);
    if (!ParseMetadata(block, *entry)) continue;
    if (entry->SourceUrl.empty() || entry->EntryHeader[6] == 0 || entry->Size <= 0) continue;

    entry->DataFile = static_cast<int32_t>(data.File);
    if (data.File != 0) {
      const auto range = BlockRange(MapVersion, data);
      if (!range) continue;
      entry->LocalFile = CacheFileName(data.File);
      // BlockRange keeps both within the reach of the bitmap, far below 2 GiB.
      entry->DataOffset = static_cast<int32_t>(range->Offset);
      entry->DataLength = static_cast<int32_t>(range->Length);
    } else {
      entry->LocalFile = SeparateFileName(MapVersion, record.Hash, 'd', data.Generation);
    }
    AppendEntry(std::move(entry));
  }
}

bool CMozillaCache::CopyEntry(const CCacheElement& entry, const std::string& destination,
                              bool failIfExists, CopyOutcome& outcome) {
  outcome = {};
  const auto* mozilla = dynamic_cast<const CMozillaCacheElement*>(&entry);
  if (mozilla && mozilla->DataFile != 0) {
    return CopyPacked(*mozilla, destination, failIfExists, outcome);
  }
  return CopySeparate(entry, destination, failIfExists, outcome);
}

bool CMozillaCache::CopyPacked(const CMozillaCacheElement& entry, const std::string& destination,
                               bool failIfExists, CopyOutcome& outcome) {
  if (entry.DataFile < 1 || entry.DataFile > 3 || !Files[entry.DataFile].IsOpen() ||
      entry.DataOffset < 0 || entry.DataLength < 0 || entry.Size < 0) {
    throw CError(CError::MozillaCache, CError::ReadFailed, destination, {}, EBADF);
  }
  const Platform::ReadOnlyFile& file = Files[entry.DataFile];
  const auto offset = static_cast<uint64_t>(entry.DataOffset);
  if (offset >= file.Size()) {
    throw CError(CError::MozillaCache, CError::ReadFailed, destination, {}, EIO);
  }
  // Never more than the blocks allotted; fewer when the block file ends early.
  const uint64_t length = std::min<uint64_t>(static_cast<uint64_t>(entry.Size),
                                             static_cast<uint64_t>(entry.DataLength));
  uint64_t written = 0;
  const int error =
      Platform::CopyOpenFileRegion(file, offset, length, destination, failIfExists, &written);
  outcome.BytesWritten = written;
  if (error != 0) {
    outcome.DestinationExisted = failIfExists && error == EEXIST;
    throw CError(CError::MozillaCache, CopyErrorCode(error), destination, {}, error);
  }
  return true;
}

bool CMozillaCache::CopySeparate(const CCacheElement& entry, const std::string& destination,
                                 bool failIfExists, CopyOutcome& outcome) {
  const std::string source = GetEntryFile(entry);
  Platform::ReadOnlyFile in;
  if (entry.LocalFile.empty() || !in.Open(source)) {
    throw CError(CError::MozillaCache, CError::CopyFailed, source, destination);
  }
  // The browser pre-allocates separate files; only the first Size bytes are the entry.
  const uint64_t length = entry.Size > 0 ? static_cast<uint64_t>(entry.Size) : 0;
  uint64_t written = 0;
  const int error =
      Platform::CopyOpenFileRegion(in, 0, length, destination, failIfExists, &written);
  outcome.BytesWritten = written;
  if (error != 0) {
    outcome.DestinationExisted = failIfExists && error == EEXIST;
    throw CError(CError::MozillaCache, CError::CopyFailed, source, destination, error);
  }
  return true;
}
