#include "sources/MozillaCacheFolder.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace {

// profiles.ini and installs.ini are a few hundred bytes; anything far larger is not
// Firefox's.
constexpr uint64_t kMaxIniBytes = 256 * 1024;

// A folder that holds one folder per profile, and where the cache lies inside one.
struct ProfileRoot {
  std::string Folder;
  // A profile counts in this root only when its folder holds the cache folder: the
  // profiles folder itself also holds "Crash Reports" and the like.
  bool CacheMustExist = false;
};

std::string FirefoxHome() {
  const std::string home = Platform::HomeFolder();
  return home.empty() ? std::string() : Platform::JoinPath(home, ".mozilla/firefox");
}

// Where profile caches live, in the order they are searched.
std::vector<ProfileRoot> ProfileRoots() {
  std::vector<ProfileRoot> roots;
  if (const auto cache = Platform::UserCacheFolder()) {
    roots.push_back({Platform::JoinPath(*cache, "mozilla/firefox"), false});
  }
  if (const std::string firefox = FirefoxHome(); !firefox.empty()) {
    roots.push_back({firefox, true});
  }
  return roots;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

struct IniSection {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Values;

  std::string_view Get(std::string_view key) const {
    for (const auto& [name, value] : Values) {
      if (EqualsIgnoringCase(name, key)) return value;
    }
    return {};
  }
};

// Sections with their key=value lines; comments and stray lines are ignored.
std::vector<IniSection> ReadIni(const std::string& path) {
  std::vector<IniSection> sections;
  const auto content = Platform::ReadWholeFile(path, kMaxIniBytes);
  if (!content) return sections;
  std::string_view text = *content;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      if (close != std::string_view::npos)
        sections.push_back({std::string(line.substr(1, close - 1)), {}});
      continue;
    }
    const size_t equals = line.find('=');
    if (sections.empty() || equals == std::string_view::npos) continue;
    sections.back().Values.emplace_back(std::string(Trim(line.substr(0, equals))),
                                        std::string(Trim(line.substr(equals + 1))));
  }
  return sections;
}

// A profile path relative to the profiles folder; absolute paths and paths that climb
// out of the folder name no profile in a root.
std::optional<std::string> RelativeProfile(std::string_view path, std::string_view isRelative) {
  if (path.empty() || path.front() == '/' || isRelative == "0") return std::nullopt;
  if (path == ".." || path.starts_with("../") || path.find("/../") != std::string_view::npos ||
      path.ends_with("/..")) {
    return std::nullopt;
  }
  return std::string(path);
}

// The profile the browser starts with: the default of an installation (installs.ini,
// then the [Install...] sections of profiles.ini), else the profile marked Default=1.
std::optional<std::string> DefaultProfile() {
  const std::string firefox = FirefoxHome();
  if (firefox.empty()) return std::nullopt;
  for (const IniSection& section : ReadIni(Platform::JoinPath(firefox, "installs.ini"))) {
    if (auto path = RelativeProfile(section.Get("Default"), {})) return path;
  }
  const std::vector<IniSection> profiles = ReadIni(Platform::JoinPath(firefox, "profiles.ini"));
  for (const IniSection& section : profiles) {
    if (!StartsWithIgnoringCase(section.Name, "Install")) continue;
    if (auto path = RelativeProfile(section.Get("Default"), {})) return path;
  }
  for (const IniSection& section : profiles) {
    if (!StartsWithIgnoringCase(section.Name, "Profile") || section.Get("Default") != "1") continue;
    if (auto path = RelativeProfile(section.Get("Path"), section.Get("IsRelative"))) return path;
  }
  return std::nullopt;
}

bool HasCacheFolder(const ProfileRoot& root, const std::string& profile) {
  const std::string folder = Platform::JoinPath(root.Folder, profile);
  return Platform::FolderExists(root.CacheMustExist ? Platform::JoinPath(folder, "Cache") : folder);
}

// The default profile when it has a cache in this root, else the first profile in
// name order (the system's directory order means nothing).
std::optional<std::string> ChooseProfile(const ProfileRoot& root,
                                         const std::optional<std::string>& preferred) {
  if (preferred && HasCacheFolder(root, *preferred)) return preferred;
  std::vector<std::string> names;
  if (!Platform::ListSubFolders(root.Folder, names)) return std::nullopt;
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    if (HasCacheFolder(root, name)) return name;
  }
  return std::nullopt;
}

}  // namespace

std::string FindCacheFolder() {
  const std::optional<std::string> preferred = DefaultProfile();
  for (const ProfileRoot& root : ProfileRoots()) {
    if (const auto profile = ChooseProfile(root, preferred)) {
      return Platform::JoinPath(Platform::JoinPath(root.Folder, *profile), "Cache");
    }
  }
  return {};
}
