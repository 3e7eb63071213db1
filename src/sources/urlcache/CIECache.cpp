#include "sources/urlcache/CIECache.h"

#include <memory>

#include "base/ResponseHead.h"
#include "base/Text.h"
#include "platform/Paths.h"
#include "sources/ResponseFields.h"
#include "sources/urlcache/UrlCacheFolder.h"
#include "sources/urlcache/UrlCacheIndexReader.h"

namespace {

ResponseHead ParseHeaders(std::string_view headers) {
  // The URL cache keeps a last line without its end as a line.
  return ResponseHead::Parse(headers, ResponseHead::LineEnds::CrLfLenient);
}

}  // namespace

CIECache::~CIECache() = default;

std::string CIECache::GetEntryFile(const CCacheElement& entry) const {
  return entry.LocalFile;
}

std::string CIECache::ContentTypeFromHeaders(std::string_view headers) {
  return std::string(ParseHeaders(headers).First("Content-Type").value_or(""));
}

std::string CIECache::ContentEncodingFromHeaders(std::string_view headers) {
  return Text::ToLowerAscii(ParseHeaders(headers).First("Content-Encoding").value_or(""));
}

int64_t CIECache::TimeFromFileTime(uint64_t fileTime) {
  constexpr uint64_t TicksPerSecond = 10000000;
  constexpr uint64_t UnixEpoch = 116444736000000000;  // 1970-01-01 as a FILETIME
  if (fileTime <= UnixEpoch) return 0;
  return static_cast<int64_t>((fileTime - UnixEpoch) / TicksPerSecond);
}

void CIECache::Open() {
  Close();
  if (CachePath.empty()) {
    Enumerator = Platform::OpenSystemUrlCache();
    if (Enumerator) return;
  }
  std::string folder = CachePath;
  if (folder.empty()) {
    UrlCacheFolderSearch search = FindUrlCacheFolder();
    if (!search.Folder) throw CError(CError::IECache, CError::OpenFailed, search.LookedAt);
    folder = std::move(*search.Folder);
  }
  if (!Root.Open(folder)) {
    throw CError(CError::IECache, CError::OpenFailed, folder, Root.FailureText());
  }
  std::string failure;
  Enumerator = UrlCacheIndexEnumerator::Open(Root, &failure);
  if (!Enumerator) {
    const std::string index = Platform::JoinPath(folder, UrlCacheIndexEnumerator::IndexFileName);
    Close();
    throw CError(CError::IECache, CError::OpenFailed, index, failure);
  }
  RootPath = folder;
}

void CIECache::Close() {
  Enumerator.reset();
  Root.Close();
  RootPath.clear();
}

void CIECache::ReadEntries() {
  // A second listing walks the cache again.
  if (!Enumerator && Root.IsOpen()) Enumerator = UrlCacheIndexEnumerator::Open(Root);
  if (!Enumerator && !Root.IsOpen()) {
    try {
      Open();
    } catch (const CError&) {
      return;
    }
  }
  if (!Enumerator) return;
  constexpr uint32_t Skipped = Platform::CookieCacheEntry | Platform::UrlHistoryCacheEntry;
  while (std::optional<Platform::UrlCacheEntry> item = Enumerator->Next()) {
    if ((item->CacheEntryType & Skipped) != 0 || !item->HasHeaderInfo) continue;
    auto entry = std::make_unique<CIECacheElement>();
    entry->SourceUrl = std::move(item->SourceUrl);
    entry->RelativeFile = std::move(item->RelativeFile);
    entry->LocalFile = entry->RelativeFile.empty()
                           ? std::move(item->LocalFile)
                           : Platform::JoinPath(RootPath, entry->RelativeFile);
    entry->Size = item->Size;
    TakeResponseHead(ParseHeaders(item->HeaderInfo), *entry, HeaderChoice::First);
    // The URL cache's type is classified as stored: capitals name no kind.
    entry->Kind = Classify(entry->MimeType);
    entry->Time = TimeFromFileTime(item->LastSyncTime);
    AppendEntry(std::move(entry));
  }
  // One listing per open: the enumeration has been used up.
  Enumerator.reset();
}

std::optional<EntryContent> CIECache::OpenContent(const CCacheElement& entry) const {
  auto file = std::make_shared<Platform::ReadOnlyFile>();
  const auto* element = dynamic_cast<const CIECacheElement*>(&entry);
  bool opened = false;
  if (element && !element->RelativeFile.empty()) {
    opened = Root.IsOpen() && file->OpenIn(Root, element->RelativeFile);
    if (!opened && Root.IsOpen()) {
      const std::string wine = Text::Windows1252ToUtf8(element->RelativeFile);
      opened = wine != element->RelativeFile && file->OpenIn(Root, wine);
    }
  } else if (!entry.LocalFile.empty()) {
    opened = file->Open(entry.LocalFile);
  }
  if (!opened) return std::nullopt;
  const uint64_t size = file->Size();
  return EntryContent(std::move(file), 0, size);
}
