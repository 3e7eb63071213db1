#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/UrlCache.h"

namespace Platform {

namespace {

// Where Wine keeps the cache inside a user folder: current versions first.
constexpr std::array<std::string_view, 2> CacheFolders{
    "AppData/Local/Microsoft/Windows/INetCache/Content.IE5",
    "Local Settings/Temporary Internet Files/Content.IE5",
};

std::optional<std::string> WinePrefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix && prefix[0] != '\0') return prefix;
  const std::optional<std::string> home = HomeFolder();
  if (!home) return std::nullopt;
  return JoinPath(*home, ".wine");
}

}  // namespace

std::unique_ptr<UrlCacheEnumerator> OpenSystemUrlCache() {
  return nullptr;
}

UrlCacheFolderSearch FindUrlCacheFolder() {
  UrlCacheFolderSearch search;
  const std::optional<std::string> prefix = WinePrefix();
  if (!prefix) return search;
  const std::string users = JoinPath(*prefix, "drive_c/users");
  search.LookedAt = JoinPath(users, "*/" + std::string(CacheFolders[0]));
  std::optional<std::vector<std::string>> names = ListSubFolders(users);
  if (!names) return search;
  // The system lists folders in no particular order; sorting keeps the choice the
  // same from one capture to the next.
  std::sort(names->begin(), names->end());
  for (const std::string& name : *names) {
    for (std::string_view relative : CacheFolders) {
      const std::string folder = JoinPath(JoinPath(users, name), relative);
      if (FileExists(JoinPath(folder, "index.dat"))) {
        search.Folder = folder;
        return search;
      }
    }
  }
  return search;
}

}  // namespace Platform
