#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Platform.h"

namespace Platform {

namespace {

std::optional<std::string> XdgFolder(const char* variable, const char* fallback) {
  // The XDG rules ignore a relative value.
  const char* value = std::getenv(variable);
  if (value && value[0] == '/') return std::string(value);
  std::string home = HomeFolder();
  if (home.empty()) return std::nullopt;
  return JoinPath(home, fallback);
}

std::string ParentFolder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != PathSeparator) path += PathSeparator;
  while (!name.empty() && name.front() == PathSeparator && !path.empty()) name.remove_prefix(1);
  path += name;
  return path;
}

std::string ExecutablePath() {
  std::string buffer(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) return {};
  buffer.resize(static_cast<size_t>(length));
  return buffer;
}

std::string ProgramFolder() {
  const std::string executableFolder = ParentFolder(ExecutablePath());
  if (executableFolder.empty()) return {};
  if (FolderExists(executableFolder + "Langs")) return executableFolder;
  // An installed build: <prefix>/bin/vorlane with <prefix>/share/vorlane/Langs.
  std::string prefix = executableFolder.substr(0, executableFolder.size() - 1);
  prefix = ParentFolder(prefix);
  if (!prefix.empty()) {
    const std::string shared = prefix + "share/vorlane/";
    if (FolderExists(shared + "Langs")) return shared;
  }
  return executableFolder;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  const passwd* entry = getpwuid(getuid());
  if (entry && entry->pw_dir) return entry->pw_dir;
  return {};
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

std::string ExpandHome(std::string_view path) {
  if (path == "~") return HomeFolder();
  if (path.size() >= 2 && path[0] == '~' && path[1] == '/') {
    const std::string home = HomeFolder();
    if (!home.empty()) return JoinPath(home, path.substr(2));
  }
  return std::string(path);
}

}  // namespace Platform
