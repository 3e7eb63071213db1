#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "platform/UrlCache.h"

namespace Platform {

namespace {

// Where Wine keeps the cache inside a user folder: current versions first.
constexpr std::array<std::string_view, 2> CacheFolders{
    "AppData/Local/Microsoft/Windows/INetCache/Content.IE5",
    "Local Settings/Temporary Internet Files/Content.IE5",
};

std::string WinePrefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix && prefix[0] != '\0') return prefix;
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : JoinPath(home, ".wine");
}

}  // namespace

std::unique_ptr<UrlCacheEnumerator> OpenSystemUrlCache() {
  return nullptr;
}

std::string FindUrlCacheFolder(std::string* looked) {
  const std::string prefix = WinePrefix();
  if (prefix.empty()) return {};
  const std::string users = JoinPath(prefix, "drive_c/users");
  if (looked) *looked = JoinPath(users, "*/" + std::string(CacheFolders[0]));
  std::vector<std::string> names;
  if (!ListSubFolders(users, names)) return {};
  // The system lists folders in no particular order; sorting keeps the choice the
  // same from one capture to the next.
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    for (std::string_view relative : CacheFolders) {
      const std::string folder = JoinPath(JoinPath(users, name), relative);
      if (FileExists(JoinPath(folder, "index.dat"))) return folder;
    }
  }
  return {};
}

}  // namespace Platform
