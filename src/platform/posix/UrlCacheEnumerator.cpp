#include <algorithm>
#include <new>

#include "platform/UrlCache.h"
#include "platform/posix/UrlCacheSearch.h"

namespace Platform {

UrlCacheEnumerator::UrlCacheEnumerator() = default;
UrlCacheEnumerator::~UrlCacheEnumerator() = default;

bool UrlCacheEnumerator::OpenIndex(const std::string& folder) {
  Close();
  Search = UrlCacheSearch::Open(folder);
  return Search != nullptr;
}

const UrlCacheItem* UrlCacheEnumerator::First() {
  Close();
  if (!Search) return nullptr;
  Search->Restart();
  Searching = true;
  return Fetch(FirstRequestSize);
}

const UrlCacheItem* UrlCacheEnumerator::Next() {
  if (!Searching) return nullptr;
  return Fetch(BufferBytes);
}

void UrlCacheEnumerator::Close() {
  Searching = false;
}

void UrlCacheEnumerator::PrepareBuffer(size_t requestedSize) {
  if (BufferBytes < requestedSize) {
    Buffer = std::make_unique<std::byte[]>(requestedSize);
    BufferBytes = requestedSize;
  }
  std::fill_n(Buffer.get(), BufferBytes, std::byte{0});
}

const UrlCacheItem* UrlCacheEnumerator::Fetch(size_t requestedSize) {
  // The size an item asks for is exact, so one retry suffices; the bound only
  // guards against a search that keeps changing its mind.
  for (int attempt = 0; attempt < 3; ++attempt) {
    PrepareBuffer(requestedSize);
    size_t size = requestedSize;
    switch (Search->Next(Buffer.get(), size)) {
      case UrlCacheSearch::Result::Item:
        return std::launder(reinterpret_cast<const UrlCacheItem*>(Buffer.get()));
      case UrlCacheSearch::Result::BufferTooSmall:
        requestedSize = size;
        continue;
      case UrlCacheSearch::Result::NoMoreItems:
        break;
    }
    break;
  }
  Searching = false;
  return nullptr;
}

}  // namespace Platform
