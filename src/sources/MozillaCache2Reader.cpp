#include "sources/MozillaCache2Reader.h"

#include <algorithm>
#include <array>

#include "platform/Platform.h"
#include "sources/MozillaCache2.h"

namespace MozillaCache2 {

bool ListEntryFiles(const std::string& entriesFolder, std::vector<std::string>& names) {
  std::vector<Platform::FolderItem> files;
  if (!Platform::ListFolderFiles(entriesFolder, files)) return false;
  names.clear();
  names.reserve(files.size());
  for (Platform::FolderItem& file : files) names.push_back(std::move(file.Name));
  std::sort(names.begin(), names.end());
  return true;
}

std::unique_ptr<CMozillaCache::CMozillaCacheElement> ReadEntryFile(const std::string& path,
                                                                   std::vector<std::byte>& buffer) {
  Platform::ReadOnlyFile file;
  if (!file.Open(path)) return nullptr;
  const uint64_t size = file.Size();
  if (size < TrailerSize) return nullptr;
  std::array<std::byte, TrailerSize> trailer{};
  if (file.ReadAt(size - TrailerSize, trailer.data(), trailer.size()) !=
      static_cast<int64_t>(trailer.size())) {
    return nullptr;
  }
  const std::optional<uint32_t> offset = ParseMetadataOffset(trailer, size);
  if (!offset) return nullptr;
  // The trailer of an interrupted write can point anywhere; never read more than a
  // sound entry's metadata could take.
  const uint64_t length = size - TrailerSize - *offset;
  if (length > MaxMetadataLength(*offset)) return nullptr;
  buffer.resize(static_cast<size_t>(length));
  if (file.ReadAt(*offset, buffer.data(), buffer.size()) != static_cast<int64_t>(buffer.size())) {
    return nullptr;
  }
  const std::optional<EntryMetadata> metadata = ParseMetadata(buffer, *offset);
  if (!metadata) return nullptr;
  auto entry = std::make_unique<CMozillaCache::CMozillaCacheElement>();
  if (!FillEntry(*metadata, *offset, *entry)) return nullptr;
  return entry;
}

}  // namespace MozillaCache2
