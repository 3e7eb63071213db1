#include "sources/CIECache.h"

#include <cerrno>
#include <memory>

#include "platform/Platform.h"
#include "platform/UrlCache.h"
#include "sources/CError.h"

namespace {

bool EqualsIgnoringAsciiCase(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

// The value of the first line that starts with `name` (upper case, colon included),
// in any case. Only a name at the start of a line counts, so that a header such as
// X-Original-Content-Type cannot stand in for the real one.
std::string_view HeaderValue(std::string_view headers, std::string_view name) {
  for (size_t line = 0; line < headers.size();) {
    size_t end = headers.find('\n', line);
    if (end == std::string_view::npos) end = headers.size();
    std::string_view text = headers.substr(line, end - line);
    if (text.size() >= name.size() && EqualsIgnoringAsciiCase(text.substr(0, name.size()), name)) {
      text.remove_prefix(name.size());
      // Servers write one blank, several or none; lines end in CR LF or LF alone.
      while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
      while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
      }
      return text;
    }
    line = end + 1;
  }
  return {};
}

}  // namespace

std::string CIECache::GetEntryFile(const CCacheElement& entry) const {
  return entry.LocalFile;
}

std::string CIECache::ContentTypeFromHeaders(std::string_view headers) {
  return std::string(HeaderValue(headers, "CONTENT-TYPE:"));
}

std::string CIECache::ContentEncodingFromHeaders(std::string_view headers) {
  std::string value(HeaderValue(headers, "CONTENT-ENCODING:"));
  for (char& c : value) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return value;
}

int64_t CIECache::TimeFromFileTime(uint64_t fileTime) {
  constexpr uint64_t TicksPerSecond = 10000000;
  constexpr uint64_t UnixEpoch = 116444736000000000;  // 1970-01-01 as a FILETIME
  if (fileTime <= UnixEpoch) return 0;
  return static_cast<int64_t>((fileTime - UnixEpoch) / TicksPerSecond);
}

void CIECache::ReadEntries() {
  const std::string folder = CachePath.empty() ? Platform::FindUrlCacheFolder() : CachePath;
  if (folder.empty()) return;
  Platform::UrlCacheEnumerator enumerator;
  if (!enumerator.OpenIndex(folder)) return;

  constexpr uint32_t Skipped = Platform::CookieCacheEntry | Platform::UrlHistoryCacheEntry;
  for (const Platform::UrlCacheItem* item = enumerator.First(); item; item = enumerator.Next()) {
    if ((item->CacheEntryType & Skipped) != 0 || item->HeaderInfo == nullptr) continue;
    auto entry = std::make_unique<CCacheElement>();
    entry->SourceUrl = item->SourceUrlName ? item->SourceUrlName : "";
    entry->LocalFile = item->LocalFileName ? item->LocalFileName : "";
    // The entry's size is 32-bit; larger files keep their low half.
    entry->Size = static_cast<int32_t>(item->SizeLow);
    const std::string_view headers(item->HeaderInfo, item->HeaderInfoSize);
    entry->MimeType = ContentTypeFromHeaders(headers);
    entry->ContentEncoding = ContentEncodingFromHeaders(headers);
    entry->Kind = Classify(entry->MimeType);
    entry->Time = TimeFromFileTime(item->LastSyncTime);
    AppendEntry(std::move(entry));
  }
  enumerator.Close();
}

std::optional<CCacheBrowser::EntryBytes> CIECache::LocateEntryBytes(
    const CCacheElement& entry) const {
  const std::optional<uint64_t> size = Platform::FileSize(entry.LocalFile);
  if (!size) return std::nullopt;
  return EntryBytes{entry.LocalFile, 0, *size};
}

bool CIECache::CopyEntry(const CCacheElement& entry, const std::string& destination,
                         bool failIfExists, CopyOutcome& outcome) {
  // Only a regular file is copied: a name in the index could point at a pipe or
  // a device, and opening one of those may never return.
  int error = Platform::FileExists(entry.LocalFile) ? 0 : ENOENT;
  uint64_t written = 0;
  if (error == 0)
    error = Platform::CopyWholeFile(entry.LocalFile, destination, failIfExists, &written);
  if (error != 0) {
    outcome.DestinationExisted = failIfExists && error == EEXIST;
    throw CError(CError::IECache, CError::CopyFailed, entry.LocalFile, destination, error);
  }
  outcome.BytesWritten = written;
  return true;
}
