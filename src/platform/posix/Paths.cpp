#include "platform/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Files.h"

namespace Platform {

const char PathSeparator = '/';

namespace {

std::optional<std::string> XdgFolder(const char* variable, const char* fallback) {
  // The XDG rules ignore a relative value.
  const char* value = std::getenv(variable);
  if (value && value[0] == '/') return std::string(value);
  const std::optional<std::string> home = HomeFolder();
  if (!home) return std::nullopt;
  return JoinPath(*home, fallback);
}

// A path below the home folder; "" without one, which no root below is then kept under.
std::string HomeJoin(std::string_view relative) {
  const std::optional<std::string> home = HomeFolder();
  return home ? JoinPath(*home, relative) : std::string();
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != PathSeparator) path += PathSeparator;
  while (!name.empty() && name.front() == PathSeparator && !path.empty()) name.remove_prefix(1);
  path += name;
  return path;
}

bool IsAbsolutePath(std::string_view path) {
  return !path.empty() && path.front() == '/';
}

std::string ParentFolder(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string FileName(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string WithoutTrailingSeparators(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return std::string(path);
}

std::optional<std::string> ExecutablePath() {
  std::string buffer(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) return std::nullopt;
  buffer.resize(static_cast<size_t>(length));
  return buffer;
}

std::optional<std::string> ProgramFolder() {
  const std::optional<std::string> executable = ExecutablePath();
  if (!executable) return std::nullopt;
  const std::string executableFolder = ParentFolder(*executable) + "/";
  if (FolderExists(executableFolder + "Langs")) return executableFolder;
  // An installed build: <prefix>/bin/vorlane with <prefix>/share/vorlane/Langs.
  const std::string prefix = ParentFolder(ParentFolder(*executable));
  if (!prefix.empty()) {
    const std::string shared = JoinPath(prefix, "share/vorlane/");
    if (FolderExists(shared + "Langs")) return shared;
  }
  return executableFolder;
}

std::optional<std::string> HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  const passwd* entry = getpwuid(getuid());
  if (entry && entry->pw_dir && entry->pw_dir[0] != '\0') return entry->pw_dir;
  return std::nullopt;
}

std::optional<std::string> LocalAppDataFolder() {
  return XdgFolder("XDG_DATA_HOME", ".local/share");
}
std::optional<std::string> UserCacheFolder() {
  return XdgFolder("XDG_CACHE_HOME", ".cache");
}
std::optional<std::string> UserConfigFolder() {
  return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::vector<FirefoxProfileRoot> FirefoxProfileRoots(const BrowserPlaces& places) {
  // The XDG cache root, the old profiles folder, then the snap and flatpak packages'
  // own cache roots.
  std::vector<FirefoxProfileRoot> roots;
  if (places.LinuxFolder.empty() || places.LinuxHomeFolder.empty()) return roots;
  const std::string profiles = HomeJoin(places.LinuxHomeFolder);
  if (const auto cache = UserCacheFolder()) {
    roots.push_back({JoinPath(*cache, places.LinuxFolder), false, profiles});
  }
  if (profiles.empty()) return roots;
  roots.push_back({profiles, true, profiles});
  if (!places.SnapName.empty()) {
    const std::string common = HomeJoin(JoinPath(JoinPath("snap", places.SnapName), "common"));
    roots.push_back({JoinPath(JoinPath(common, ".cache"), places.LinuxFolder), false,
                     JoinPath(common, places.LinuxHomeFolder)});
  }
  if (!places.FlatpakId.empty()) {
    const std::string app = HomeJoin(JoinPath(".var/app", places.FlatpakId));
    roots.push_back({JoinPath(JoinPath(app, "cache"), places.LinuxFolder), false,
                     JoinPath(app, places.LinuxHomeFolder)});
  }
  return roots;
}

std::vector<ChromiumProfileRoot> ChromiumProfileRoots(const BrowserPlaces& places) {
  std::vector<ChromiumProfileRoot> roots;
  const std::optional<std::string> cache = UserCacheFolder();
  const std::optional<std::string> config = UserConfigFolder();
  for (const std::string_view folder : {places.LinuxFolder, places.LinuxAltFolder}) {
    if (!folder.empty() && cache && config) {
      roots.push_back({JoinPath(*cache, folder), JoinPath(*config, folder), true});
    }
  }
  if (!places.LinuxConfigOnly.empty() && config) {
    const std::string folder = JoinPath(*config, places.LinuxConfigOnly);
    roots.push_back({folder, folder, false});
  }
  if (!places.FlatpakId.empty() && !places.LinuxFolder.empty()) {
    const std::string app = HomeJoin(JoinPath(".var/app", places.FlatpakId));
    if (!app.empty()) {
      roots.push_back({JoinPath(JoinPath(app, "cache"), places.LinuxFolder),
                       JoinPath(JoinPath(app, "config"), places.LinuxFolder), true});
    }
  }
  if (!places.SnapName.empty() && !places.LinuxFolder.empty()) {
    const std::string snap = HomeJoin(JoinPath("snap", places.SnapName));
    if (!snap.empty()) {
      roots.push_back({JoinPath(JoinPath(snap, "common/.cache"), places.LinuxFolder),
                       JoinPath(JoinPath(snap, "common"), places.LinuxFolder), true});
    }
  }
  return roots;
}

}  // namespace Platform
