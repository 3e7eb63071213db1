#include "sources/mozilla/CMozillaCache.h"

#include <algorithm>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/Paths.h"
#include "sources/mozilla/MozillaCache2Reader.h"
#include "sources/mozilla/MozillaCacheFolder.h"
#include "sources/mozilla/MozillaMap.h"
#include "sources/mozilla/MozillaMetadata.h"

namespace {

// The largest metadata a block location can hold: four blocks of block file 3.
constexpr size_t kMaxBlockMetadata = 4 * 4096;
// Large metadata lie in a file of their own; keys and heads are never near this.
constexpr uint64_t kMaxSeparateMetadata = uint64_t{1} << 20;

// Large metadata lie in a file of their own: its first bytes, up to the cap, all there.
bool ReadSeparateMetadata(const Platform::OpenFolder& root, const std::string& name,
                          std::vector<std::byte>& buffer) {
  Platform::ReadOnlyFile file;
  if (!file.OpenIn(root, name)) return false;
  buffer.resize(static_cast<size_t>(std::min(file.Size(), kMaxSeparateMetadata)));
  return file.ReadAt(0, buffer.data(), buffer.size()) == buffer.size();
}

}  // namespace

CMozillaCache::CMozillaCache(Platform::BrowserPlaces places) : Places(places) {}

CMozillaCache::~CMozillaCache() = default;

std::string CMozillaCache::GetEntryFile(const CCacheElement& entry) const {
  return Platform::JoinPath(CachePath, entry.LocalFile);
}

std::optional<EntryContent> CMozillaCache::OpenContent(const CCacheElement& entry) const {
  if (!Opened) return std::nullopt;
  const auto* mozilla = dynamic_cast<const CMozillaCacheElement*>(&entry);
  if (mozilla && mozilla->DataFile != 0) {
    if (mozilla->DataFile < 1 || mozilla->DataFile > 3 || !Files[mozilla->DataFile]) {
      return std::nullopt;
    }
    const auto& file = Files[mozilla->DataFile];
    if (mozilla->DataOffset >= file->Size()) return std::nullopt;
    // Never more than the blocks allotted; fewer when the block file ends early.
    return EntryContent(file, mozilla->DataOffset, std::min(entry.Size, mozilla->DataLength));
  }
  if (entry.LocalFile.empty()) return std::nullopt;
  auto file = std::make_shared<Platform::ReadOnlyFile>();
  if (!file->OpenIn(Root, entry.LocalFile)) return std::nullopt;
  // An entry the running browser has not finished does not match its chunk hashes.
  if (VerifyWhileReading && OpenFormat == Format::Cache2 &&
      !MozillaCache2::ChunkHashesMatch(*file)) {
    return std::nullopt;
  }
  return EntryContent(std::move(file), 0, entry.Size);
}

void CMozillaCache::Close() {
  for (auto& file : Files) file.reset();
  Cache2Entries.Close();
  Root.Close();
  Opened = false;
  OpenFormat = Format::None;
}

void CMozillaCache::Open() {
  if (Opened) return;
  if (CachePath.empty()) CachePath = FindCacheFolder(Places);
  // An empty folder would make the names relative to the working directory.
  if (CachePath.empty()) {
    throw CError(CError::MozillaCache, CError::OpenFailed, FirefoxProfilesLookedAt(Places));
  }
  if (!Root.Open(CachePath)) {
    throw CError(CError::MozillaCache, CError::OpenFailed, CachePath, Root.FailureText());
  }
  Platform::ReadOnlyFile map;
  const bool hasMap = map.OpenIn(Root, MozillaV1::CacheFileName(0));
  if (!hasMap && Cache2Entries.OpenIn(Root, MozillaCache2::EntriesFolder)) {
    OpenFormat = Format::Cache2;
    Opened = true;
    return;
  }
  for (uint32_t i = 0; i < Files.size(); ++i) {
    auto file = std::make_shared<Platform::ReadOnlyFile>();
    if (i == 0 && hasMap) {
      *file = std::move(map);
    } else if (!file->OpenIn(Root, MozillaV1::CacheFileName(i))) {
      const std::string reason = file->FailureText();
      Close();
      throw CError(CError::MozillaCache, CError::OpenFailed,
                   Platform::JoinPath(CachePath, MozillaV1::CacheFileName(i)), reason);
    }
    Files[i] = std::move(file);
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
  std::vector<MozillaCache2::ReadResult> read = MozillaCache2::ReadEntryFiles(Cache2Entries, names);
  for (size_t i = 0; i < names.size(); ++i) {
    if (read[i].Damaged) NoteSkipped();
    if (!read[i].Entry) continue;
    read[i].Entry->LocalFile = Platform::JoinPath(MozillaCache2::EntriesFolder, names[i]);
    AppendEntry(std::move(read[i].Entry));
  }
}

std::optional<std::span<const std::byte>> CMozillaCache::ReadMetadata(
    const MozillaV1::MapRecord& record, std::vector<std::byte>& blockBuffer,
    std::vector<std::byte>& fileBuffer) const {
  using namespace MozillaV1;
  const Location meta = DecodeLocation(record.MetaLocation);
  if (meta.File == 0) {
    const std::string name = SeparateFileName(MapVersion, record.Hash, 'm', meta.Generation);
    if (!ReadSeparateMetadata(Root, name, fileBuffer)) return std::nullopt;
    return std::span<const std::byte>(fileBuffer);
  }
  const auto range = BlockRange(MapVersion, meta);
  if (!range || range->Length > blockBuffer.size()) return std::nullopt;
  const std::optional<size_t> n = Files[meta.File]->ReadAt(range->Offset, blockBuffer.data(),
                                                           static_cast<size_t>(range->Length));
  if (!n) return std::nullopt;
  const auto block = std::span<const std::byte>(blockBuffer).first(*n);
  // The last block of a file may end early; the metadata themselves must be there.
  const uint64_t extent = MetadataExtent(block);
  if (extent == 0 || (extent <= range->Length && extent > block.size())) return std::nullopt;
  return block;
}

void CMozillaCache::ReadMapEntries() {
  using namespace MozillaV1;
  const Platform::ReadOnlyFile& map = *Files[0];
  const uint64_t wanted = std::min<uint64_t>(map.Size(), MapHeaderSize + MaxMapRecordBytes);
  std::vector<std::byte> mapBytes(static_cast<size_t>(wanted));
  const std::optional<size_t> got = map.ReadAt(0, mapBytes.data(), mapBytes.size());
  if (!got) return;
  mapBytes.resize(*got);
  const auto header = ParseMapHeader(mapBytes);
  if (!header) return;
  MapVersion = header->Version;
  const std::span<const std::byte> records =
      std::span<const std::byte>(mapBytes).subspan(MapHeaderSize);
  const std::vector<MapRecord> live = LiveRecords(*header, records);
  mapBytes = {};

  std::vector<std::byte> blockBuffer(kMaxBlockMetadata);
  std::vector<std::byte> fileBuffer;
  // Each metadata place belongs to one listed entry: records of a damaged map that point
  // at one place would each hold its key and head, memory no longer bound by the cache.
  // A place is claimed when its entry is listed, so a record refused for other damage
  // takes nothing from a sound one.
  std::set<std::string> claimed;
  for (const MapRecord& record : live) {
    const Location meta = DecodeLocation(record.MetaLocation);
    const Location data = DecodeLocation(record.DataLocation);
    std::string place = meta.File != 0
                            ? std::to_string(meta.File) + ":" + std::to_string(meta.FirstBlock)
                            : SeparateFileName(MapVersion, record.Hash, 'm', meta.Generation);
    const std::optional<std::span<const std::byte>> block =
        claimed.contains(place) ? std::nullopt : ReadMetadata(record, blockBuffer, fileBuffer);
    if (!block) {
      NoteSkipped();
      continue;
    }

    auto entry = std::make_unique<CMozillaCacheElement>();
    entry->MetaFile = static_cast<int32_t>(meta.File);
    if (!ParseMetadata(*block, *entry)) {
      NoteSkipped();
      continue;
    }
    // Entries without a URL or data (redirects, doomed records) are not files to save.
    if (entry->SourceUrl.empty() || entry->EntryHeader[6] == 0 || entry->Size == 0) continue;

    entry->DataFile = static_cast<int32_t>(data.File);
    if (data.File != 0) {
      const auto range = BlockRange(MapVersion, data);
      if (!range) {
        NoteSkipped();
        continue;
      }
      entry->LocalFile = CacheFileName(data.File);
      entry->DataOffset = range->Offset;
      entry->DataLength = range->Length;
    } else {
      entry->LocalFile = SeparateFileName(MapVersion, record.Hash, 'd', data.Generation);
    }
    claimed.insert(std::move(place));
    AppendEntry(std::move(entry));
  }
}
