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

UrlCacheFolderPlaces UrlCacheFolders() {
  UrlCacheFolderPlaces places;
  const std::optional<std::string> prefix = WinePrefix();
  if (!prefix) return places;
  const std::string users = JoinPath(*prefix, "drive_c/users");
  places.LookedAt = JoinPath(users, "*/" + std::string(CacheFolders[0]));
  std::optional<std::vector<std::string>> names = ListSubFolders(users);
  if (!names) return places;
  // The system lists folders in no particular order; sorting keeps the choice the
  // same from one capture to the next.
  std::sort(names->begin(), names->end());
  for (const std::string& name : *names) {
    for (std::string_view relative : CacheFolders) {
      places.Folders.push_back(JoinPath(JoinPath(users, name), relative));
    }
  }
  return places;
}

}  // namespace Platform
