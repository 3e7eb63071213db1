#include "platform/win32/WinApi.h"
// WinApi.h first: the shell headers need windows.h.
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>

#include "platform/Paths.h"
#include "platform/win32/WideText.h"

namespace Platform {

const char PathSeparator = '\\';

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsDriveLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Length of the part of an absolute path that names its volume, separator included:
// "C:\" is 3, "\\server\share\" as long as it is; 0 for a path without one.
size_t RootLength(std::string_view path) {
  if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2])) {
    return 3;
  }
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // \\server\share\ : the server and the share belong to the root.
    size_t at = 2;
    for (int piece = 0; piece < 2; ++piece) {
      while (at < path.size() && !IsSeparator(path[at])) ++at;
      if (at < path.size()) ++at;
    }
    return at;
  }
  return 0;
}

std::optional<std::string> KnownFolder(REFKNOWNFOLDERID id) {
  wchar_t* path = nullptr;
  const HRESULT result = ::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path);
  std::optional<std::string> folder;
  if (SUCCEEDED(result) && path && path[0] != L'\0') folder = Win32::Utf8(path);
  ::CoTaskMemFree(path);
  return folder;
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && !IsSeparator(path.back())) path += PathSeparator;
  while (!name.empty() && IsSeparator(name.front()) && !path.empty()) name.remove_prefix(1);
  for (const char c : name) path += c == '/' ? PathSeparator : c;
  return path;
}

bool IsAbsolutePath(std::string_view path) {
  // "C:name" and "\name" depend on the current folder of a drive, or on the drive.
  return RootLength(path) != 0;
}

std::string ParentFolder(std::string_view path) {
  const size_t root = RootLength(path);
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string_view::npos) {
    // "C:name" lies in the current folder of drive C.
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
      return std::string(path.substr(0, 2));
    }
    return {};
  }
  if (slash < root) return std::string(path.substr(0, root));
  // "\name" lies on the current drive's root.
  if (slash == 0) return std::string(path.substr(0, 1));
  // Several separators in a row end the folder at the first of them.
  while (slash > root && IsSeparator(path[slash - 1])) --slash;
  if (slash <= root && root != 0) return std::string(path.substr(0, root));
  return std::string(path.substr(0, slash));
}

std::string FileName(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash != std::string_view::npos) return std::string(path.substr(slash + 1));
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
    return std::string(path.substr(2));
  }
  return std::string(path);
}

std::string WithoutTrailingSeparators(std::string_view path) {
  const size_t root = std::max<size_t>(RootLength(path), 1);
  while (path.size() > root && IsSeparator(path.back())) path.remove_suffix(1);
  return std::string(path);
}

std::optional<std::string> ExecutablePath() {
  // The buffer grows until the whole path fits (paths may be longer than MAX_PATH).
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    std::wstring buffer(size, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return std::nullopt;
    if (length < size) {
      buffer.resize(length);
      return Win32::Utf8(buffer);
    }
  }
  return std::nullopt;
}

std::optional<std::string> ProgramFolder() {
  // An installed program keeps Filters\, Langs\ and help\ beside its executable.
  const std::optional<std::string> executable = ExecutablePath();
  if (!executable) return std::nullopt;
  return JoinPath(ParentFolder(*executable), "");
}

std::optional<std::string> HomeFolder() {
  return KnownFolder(FOLDERID_Profile);
}

std::optional<std::string> LocalAppDataFolder() {
  return KnownFolder(FOLDERID_LocalAppData);
}
std::optional<std::string> UserCacheFolder() {
  return KnownFolder(FOLDERID_LocalAppData);
}
std::optional<std::string> UserConfigFolder() {
  return KnownFolder(FOLDERID_RoamingAppData);
}

std::vector<FirefoxProfileRoot> FirefoxProfileRoots(const BrowserPlaces& places) {
  // profiles.ini lies in the browser's roaming folder and names profiles as
  // "Profiles/<name>"; their caches lie at the same place under local app data. The
  // default profile is looked for first, then any profile with a cache.
  std::vector<FirefoxProfileRoot> roots;
  const std::optional<std::string> local = LocalAppDataFolder();
  const std::optional<std::string> roaming = UserConfigFolder();
  if (!local || places.WindowsFolder.empty()) return roots;
  const std::string caches = JoinPath(*local, places.WindowsFolder);
  const std::string ini = roaming && !places.WindowsRoamingFolder.empty()
                              ? JoinPath(*roaming, places.WindowsRoamingFolder)
                              : std::string();
  roots.push_back({caches, true, ini});
  roots.push_back({JoinPath(caches, "Profiles"), true, {}});
  return roots;
}

std::vector<ChromiumProfileRoot> ChromiumProfileRoots(const BrowserPlaces& places) {
  // Browsers keep "<folder>\User Data\<profile>" under local app data; apps built on
  // Chromium keep one profile, the folder itself, under the roaming one.
  std::vector<ChromiumProfileRoot> roots;
  const std::optional<std::string> local = LocalAppDataFolder();
  if (!places.WindowsFolder.empty() && local) {
    const std::string folder = JoinPath(JoinPath(*local, places.WindowsFolder), "User Data");
    roots.push_back({folder, folder, true});
  }
  const std::optional<std::string> roaming = UserConfigFolder();
  if (!places.WindowsRoamingFolder.empty() && roaming) {
    const std::string folder = JoinPath(*roaming, places.WindowsRoamingFolder);
    roots.push_back({folder, folder, false});
  }
  return roots;
}

}  // namespace Platform
