#include "platform/win32/WinInetEnumerator.h"

#include <wininet.h>

#include <cwchar>

#include "platform/win32/WideText.h"

namespace Platform::Win32 {

namespace {

// A record of the cache with its strings is a few kilobytes; one that asks for more
// than this is not read.
constexpr DWORD kMaxBuffer = 16u << 20;
// Far more entries than a URL cache holds; only guards against a runaway enumeration.
constexpr size_t kMaxEntries = size_t{10'000'000};
// A string outside the buffer (the system's own memory) is read up to this length.
constexpr size_t kMaxOutsideString = 1u << 20;

uint64_t Ticks(const FILETIME& time) {
  return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

}  // namespace

WinInetEnumerator::WinInetEnumerator(uint32_t initialBuffer)
    : Buffer(std::max<size_t>(initialBuffer, sizeof(INTERNET_CACHE_ENTRY_INFOW)) /
                 sizeof(uint64_t) +
             1) {}

WinInetEnumerator::~WinInetEnumerator() {
  if (Find) ::FindCloseUrlCache(Find);
}

bool WinInetEnumerator::Fetch() {
  for (int attempt = 0; attempt < 8; ++attempt) {
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(Buffer.data());
    DWORD size = static_cast<DWORD>(Buffer.size() * sizeof(uint64_t));
    bool found;
    if (!Started) {
      // No pattern: the entries of the content container (no cookies, no history).
      HANDLE find = ::FindFirstUrlCacheEntryW(nullptr, info, &size);
      found = find != nullptr;
      if (found) {
        Find = find;
        Started = true;
      }
    } else {
      found = ::FindNextUrlCacheEntryW(Find, info, &size) != FALSE;
    }
    if (found) return true;
    // The enumeration stays where it was; the same entry comes again into more room.
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size > kMaxBuffer) return false;
    const size_t wanted = std::max<size_t>(size, Buffer.size() * sizeof(uint64_t) * 2);
    Buffer.assign(std::min<size_t>(wanted, kMaxBuffer) / sizeof(uint64_t) + 1, 0);
    ++Growths;
  }
  return false;
}

UrlCacheEntry WinInetEnumerator::Convert() const {
  const auto* info = reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOW*>(Buffer.data());
  const auto* begin = reinterpret_cast<const wchar_t*>(Buffer.data());
  const auto* end = begin + Buffer.size() * sizeof(uint64_t) / sizeof(wchar_t);
  // The strings lie in the buffer behind the record, ending in a NUL; none is read
  // past the buffer's end.
  const auto text = [&](const wchar_t* string, size_t limit) -> std::wstring_view {
    if (!string) return {};
    const bool inside = string >= begin && string < end;
    const size_t room = inside ? static_cast<size_t>(end - string) : kMaxOutsideString;
    return std::wstring_view(string, wcsnlen(string, std::min(room, limit)));
  };
  UrlCacheEntry entry;
  entry.SourceUrl = Utf8(text(info->lpszSourceUrlName, SIZE_MAX));
  entry.LocalFile = Utf8(text(info->lpszLocalFileName, SIZE_MAX));
  entry.HasHeaderInfo = info->lpHeaderInfo != nullptr;
  // dwHeaderInfoSize counts characters; the NUL may come earlier.
  if (entry.HasHeaderInfo) {
    entry.HeaderInfo = Utf8(text(info->lpHeaderInfo, info->dwHeaderInfoSize));
  }
  entry.CacheEntryType = info->CacheEntryType;
  entry.Size = (uint64_t{info->dwSizeHigh} << 32) | info->dwSizeLow;
  entry.LastModifiedTime = Ticks(info->LastModifiedTime);
  entry.ExpireTime = Ticks(info->ExpireTime);
  entry.LastAccessTime = Ticks(info->LastAccessTime);
  entry.LastSyncTime = Ticks(info->LastSyncTime);
  return entry;
}

std::optional<UrlCacheEntry> WinInetEnumerator::Next() {
  if (Ended || Count >= kMaxEntries || !Fetch()) {
    Ended = true;
    return std::nullopt;
  }
  ++Count;
  return Convert();
}

}  // namespace Platform::Win32
