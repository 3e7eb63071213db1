#include "platform/win32/WinApi.h"
// WinApi.h first: the shell headers need windows.h.
#include <knownfolders.h>
#include <shlobj.h>

#include <array>

#include "platform/Paths.h"
#include "platform/UrlCache.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinInetEnumerator.h"

namespace Platform {

namespace {

// The URL cache's folders below the user's Internet cache folder, in the order of the
// Windows versions that keep one there.
constexpr std::array<std::string_view, 3> kCacheFolders{"Content.IE5", "Low/Content.IE5", "IE"};

}  // namespace

std::unique_ptr<UrlCacheEnumerator> OpenSystemUrlCache() {
  return std::make_unique<Win32::WinInetEnumerator>();
}

UrlCacheFolderPlaces UrlCacheFolders() {
  UrlCacheFolderPlaces places;
  wchar_t* path = nullptr;
  std::string cache;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_InternetCache, KF_FLAG_DEFAULT, nullptr, &path)) &&
      path) {
    cache = Win32::Utf8(path);
  }
  ::CoTaskMemFree(path);
  if (cache.empty()) return places;
  places.LookedAt = JoinPath(cache, kCacheFolders[0]);
  for (std::string_view relative : kCacheFolders)
    places.Folders.push_back(JoinPath(cache, relative));
  return places;
}

}  // namespace Platform
