#include "sources/urlcache/UrlCacheFolder.h"

#include <utility>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/UrlCache.h"
#include "sources/urlcache/UrlCacheIndexReader.h"

UrlCacheFolderSearch FindUrlCacheFolder() {
  Platform::UrlCacheFolderPlaces places = Platform::UrlCacheFolders();
  UrlCacheFolderSearch search;
  search.LookedAt = std::move(places.LookedAt);
  for (std::string& folder : places.Folders) {
    if (Platform::FileExists(Platform::JoinPath(folder, UrlCacheIndexEnumerator::IndexFileName))) {
      search.Folder = std::move(folder);
      break;
    }
  }
  return search;
}
