#include "platform/win32/WinApi.h"
// WinApi.h first: the shell headers need windows.h.
#include <knownfolders.h>
#include <shlobj.h>

#include <array>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/UrlCache.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinInetEnumerator.h"

namespace Platform {

namespace {

// Where the index file lies below the user's Internet cache folder, in the order of
// the Windows versions that keep one there.
constexpr std::array<std::string_view, 3> kIndexFolders{"Content.IE5", "Low/Content.IE5", "IE"};

}  // namespace

std::unique_ptr<UrlCacheEnumerator> OpenSystemUrlCache() {
  return std::make_unique<Win32::WinInetEnumerator>();
}

UrlCacheFolderSearch FindUrlCacheFolder() {
  UrlCacheFolderSearch search;
  wchar_t* path = nullptr;
  std::string cache;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_InternetCache, KF_FLAG_DEFAULT, nullptr, &path)) &&
      path) {
    cache = Win32::Utf8(path);
  }
  ::CoTaskMemFree(path);
  if (cache.empty()) return search;
  search.LookedAt = JoinPath(cache, kIndexFolders[0]);
  for (std::string_view relative : kIndexFolders) {
    const std::string folder = JoinPath(cache, relative);
    if (FileExists(JoinPath(folder, "index.dat"))) {
      search.Folder = folder;
      return search;
    }
  }
  return search;
}

}  // namespace Platform
