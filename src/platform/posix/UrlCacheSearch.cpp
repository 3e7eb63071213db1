#include "platform/posix/UrlCacheSearch.h"

#include <cstring>
#include <new>
#include <span>

#include "platform/Platform.h"

namespace Platform {

namespace {

constexpr const char* IndexFileName = "index.dat";

// Copies `text` and its NUL to `place`; returns where the next string goes.
std::byte* PlaceString(std::byte* place, const std::string& text, const char*& out) {
  std::memcpy(place, text.data(), text.size());
  place[text.size()] = std::byte{0};
  out = reinterpret_cast<const char*>(place);
  return place + text.size() + 1;
}

}  // namespace

std::unique_ptr<UrlCacheSearch> UrlCacheSearch::Open(const std::string& folder) {
  const std::string path = JoinPath(folder, IndexFileName);
  // Only a regular file: opening a pipe of that name would wait for a writer.
  if (!FileExists(path)) return nullptr;
  std::optional<std::string> bytes = ReadWholeFile(path, UrlCacheIndex::MaxFileSize);
  if (!bytes) return nullptr;
  std::unique_ptr<UrlCacheSearch> search(new UrlCacheSearch());
  search->Folder = folder;
  // The index keeps a view of these bytes: they must not move after this.
  search->Bytes = std::move(*bytes);
  search->Index = UrlCacheIndex::Parse(std::as_bytes(std::span(search->Bytes)));
  if (!search->Index) return nullptr;
  return search;
}

void UrlCacheSearch::Restart() {
  Current.reset();
  Index->Rewind();
}

UrlCacheSearch::Pending UrlCacheSearch::Prepare(const UrlCacheRecord& record) const {
  Pending item;
  item.SourceUrlName = CacheBytesToUtf8(record.Url);
  if (record.HasHeaderInfo) item.HeaderInfo = CacheBytesToUtf8(record.HeaderInfo);

  // A record without a usable directory has no file we could reach.
  if (IsPlainName(record.FileName)) {
    const std::string name = CacheBytesToUtf8(record.FileName);
    const auto& directories = Index->Directories();
    if (record.DirectoryIndex == UrlCacheIndex::NoSubdirectory) {
      item.LocalFileName = JoinPath(Folder, name);
    } else if (record.DirectoryIndex < directories.size() &&
               !directories[record.DirectoryIndex].empty()) {
      const std::string directory = CacheBytesToUtf8(directories[record.DirectoryIndex]);
      item.LocalFileName = JoinPath(JoinPath(Folder, directory), name);
    }
  }

  UrlCacheItem& numbers = item.Numbers;
  numbers.CacheEntryType = record.EntryType;
  numbers.SizeLow = static_cast<uint32_t>(record.Size);
  numbers.SizeHigh = static_cast<uint32_t>(record.Size >> 32);
  numbers.LastModifiedTime = record.LastModifiedTime;
  numbers.ExpireTime = record.ExpireTime;
  numbers.LastAccessTime = record.LastAccessTime;
  numbers.LastSyncTime = record.LastSyncTime;
  return item;
}

UrlCacheSearch::Result UrlCacheSearch::Next(std::byte* buffer, size_t& size) {
  if (!Current) {
    std::optional<UrlCacheRecord> record = Index->NextRecord();
    if (!record) return Result::NoMoreItems;
    Current = Prepare(*record);
  }
  const Pending& item = *Current;
  size_t needed = sizeof(UrlCacheItem) + item.SourceUrlName.size() + 1;
  if (item.LocalFileName) needed += item.LocalFileName->size() + 1;
  if (item.HeaderInfo) needed += item.HeaderInfo->size() + 1;
  if (needed > size) {
    size = needed;
    return Result::BufferTooSmall;
  }

  auto* out = new (buffer) UrlCacheItem(item.Numbers);
  std::byte* place = buffer + sizeof(UrlCacheItem);
  place = PlaceString(place, item.SourceUrlName, out->SourceUrlName);
  if (item.LocalFileName) place = PlaceString(place, *item.LocalFileName, out->LocalFileName);
  if (item.HeaderInfo) {
    PlaceString(place, *item.HeaderInfo, out->HeaderInfo);
    out->HeaderInfoSize = static_cast<uint32_t>(item.HeaderInfo->size());
  }
  size = needed;
  Current.reset();
  return Result::Item;
}

}  // namespace Platform
