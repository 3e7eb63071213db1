#include "sources/urlcache/UrlCacheIndexReader.h"

#include <span>

#include "platform/Text.h"

std::unique_ptr<UrlCacheIndexEnumerator> UrlCacheIndexEnumerator::Open(
    const Platform::OpenFolder& folder, std::string* failure) {
  Platform::ReadOnlyFile file;
  if (!file.OpenIn(folder, IndexFileName)) {
    if (failure) *failure = file.FailureText();
    return nullptr;
  }
  if (file.Size() > UrlCacheIndex::MaxFileSize) {
    if (failure) *failure = "the index is too large";
    return nullptr;
  }
  std::string bytes(static_cast<size_t>(file.Size()), '\0');
  if (file.ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) {
    if (failure) *failure = file.FailureText();
    return nullptr;
  }
  auto enumerator = FromBytes(std::move(bytes));
  if (!enumerator && failure) *failure = "not a URL cache index";
  return enumerator;
}

std::unique_ptr<UrlCacheIndexEnumerator> UrlCacheIndexEnumerator::FromBytes(std::string bytes) {
  std::unique_ptr<UrlCacheIndexEnumerator> enumerator(new UrlCacheIndexEnumerator());
  // The index keeps a view of these bytes: they must not move after this.
  enumerator->Bytes = std::move(bytes);
  enumerator->Index = UrlCacheIndex::Parse(std::as_bytes(std::span(enumerator->Bytes)));
  if (!enumerator->Index) return nullptr;
  return enumerator;
}

Platform::UrlCacheEntry UrlCacheIndexEnumerator::Prepare(const UrlCacheRecord& record) const {
  Platform::UrlCacheEntry entry;
  entry.SourceUrl = Platform::CacheBytesToUtf8(record.Url);
  entry.HasHeaderInfo = record.HasHeaderInfo;
  if (record.HasHeaderInfo) entry.HeaderInfo = Platform::CacheBytesToUtf8(record.HeaderInfo);

  // A record without a usable directory has no file we could reach.
  if (IsPlainName(record.FileName)) {
    const std::string name = Platform::CacheBytesToUtf8(record.FileName);
    const auto& directories = Index->Directories();
    if (record.DirectoryIndex == UrlCacheIndex::NoSubdirectory) {
      entry.RelativeFile = name;
    } else if (record.DirectoryIndex < directories.size() &&
               !directories[record.DirectoryIndex].empty()) {
      entry.RelativeFile =
          Platform::CacheBytesToUtf8(directories[record.DirectoryIndex]) + "/" + name;
    }
  }
  entry.CacheEntryType = record.EntryType;
  entry.Size = record.Size;
  entry.LastModifiedTime = record.LastModifiedTime;
  entry.ExpireTime = record.ExpireTime;
  entry.LastAccessTime = record.LastAccessTime;
  entry.LastSyncTime = record.LastSyncTime;
  return entry;
}

std::optional<Platform::UrlCacheEntry> UrlCacheIndexEnumerator::Next() {
  std::optional<UrlCacheRecord> record = Index->NextRecord();
  if (!record) return std::nullopt;
  return Prepare(*record);
}
