#include "sources/mozilla/MozillaCacheFolder.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "base/IniDocument.h"
#include "base/Text.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

// profiles.ini and installs.ini are a few hundred bytes; anything far larger is not
// Firefox's.
constexpr uint64_t kMaxIniBytes = 256 * 1024;

IniDocument ReadIni(const std::string& path) {
  const auto content = Platform::ReadWholeFile(path, kMaxIniBytes);
  return content ? IniDocument::Parse(*content) : IniDocument();
}

// A profile path relative to the profiles folder; absolute paths and paths that climb
// out of the folder name no profile in a root.
std::optional<std::string> RelativeProfile(std::string_view path, std::string_view isRelative) {
  if (path.empty() || Platform::IsAbsolutePath(path) || path.front() == '/' || isRelative == "0") {
    return std::nullopt;
  }
  for (std::string_view piece : Text::Split(path, '/')) {
    if (piece == "..") return std::nullopt;
  }
  return std::string(path);
}

// The profile the browser starts with: the default of an installation (installs.ini,
// then the [Install...] sections of profiles.ini), else the profile marked Default=1.
std::optional<std::string> DefaultProfile(const std::string& firefox) {
  if (firefox.empty()) return std::nullopt;
  const IniDocument installs = ReadIni(Platform::JoinPath(firefox, "installs.ini"));
  for (size_t i = 0; i < installs.SectionCount(); ++i) {
    if (auto path = RelativeProfile(installs.GetAt(i, "Default"), {})) return path;
  }
  const IniDocument profiles = ReadIni(Platform::JoinPath(firefox, "profiles.ini"));
  for (size_t i = 0; i < profiles.SectionCount(); ++i) {
    if (!Text::StartsWithIgnoringAsciiCase(profiles.SectionName(i), "Install")) continue;
    if (auto path = RelativeProfile(profiles.GetAt(i, "Default"), {})) return path;
  }
  for (size_t i = 0; i < profiles.SectionCount(); ++i) {
    if (!Text::StartsWithIgnoringAsciiCase(profiles.SectionName(i), "Profile") ||
        profiles.GetAt(i, "Default") != "1") {
      continue;
    }
    if (auto path = RelativeProfile(profiles.GetAt(i, "Path"), profiles.GetAt(i, "IsRelative"))) {
      return path;
    }
  }
  return std::nullopt;
}

// Today's cache when the profile holds one, else the old one (which may not exist).
std::string CacheFolderOf(const std::string& profileFolder) {
  const std::string cache2 = Platform::JoinPath(profileFolder, "cache2");
  if (Platform::FolderExists(Platform::JoinPath(cache2, "entries"))) return cache2;
  return Platform::JoinPath(profileFolder, "Cache");
}

bool HasCacheFolder(const Platform::FirefoxProfileRoot& root, const std::string& profile) {
  const std::string folder = Platform::JoinPath(root.Folder, profile);
  return Platform::FolderExists(root.CacheMustExist ? CacheFolderOf(folder) : folder);
}

// The default profile when it has a cache in this root, else the first profile in
// name order (the system's directory order means nothing).
std::optional<std::string> ChooseProfile(const Platform::FirefoxProfileRoot& root,
                                         const std::optional<std::string>& preferred) {
  if (preferred && HasCacheFolder(root, *preferred)) return preferred;
  std::optional<std::vector<std::string>> names = Platform::ListSubFolders(root.Folder);
  if (!names) return std::nullopt;
  std::sort(names->begin(), names->end());
  for (const std::string& name : *names) {
    if (HasCacheFolder(root, name)) return name;
  }
  return std::nullopt;
}

}  // namespace

std::string FindCacheFolder(const Platform::BrowserPlaces& places) {
  for (const Platform::FirefoxProfileRoot& root : Platform::FirefoxProfileRoots(places)) {
    if (const auto profile = ChooseProfile(root, DefaultProfile(root.IniFolder))) {
      return CacheFolderOf(Platform::JoinPath(root.Folder, *profile));
    }
  }
  return {};
}

std::string FirefoxProfilesLookedAt(const Platform::BrowserPlaces& places) {
  std::string text;
  for (const Platform::FirefoxProfileRoot& root : Platform::FirefoxProfileRoots(places)) {
    if (!text.empty()) text += ", ";
    text += root.Folder;
  }
  return text;
}
