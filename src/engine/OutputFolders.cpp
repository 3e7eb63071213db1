#include "engine/OutputFolders.h"

#include <algorithm>
#include <cstdio>

#include "base/CivilTime.h"
#include "base/FileNames.h"
#include "base/Text.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/OutputFile.h"
#include "platform/Paths.h"
#include "platform/System.h"

namespace {

// Folder names made of outside text (a host, a browser's name) are cut to this length.
constexpr size_t kMaxFolderName = 200;

std::string TwoDigits(unsigned value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02u", value);
  return buffer;
}

void ReplaceFirst(std::string& text, std::string_view token, const std::string& value) {
  const size_t at = text.find(token);
  if (at != std::string::npos) text.replace(at, token.size(), value);
}

}  // namespace

std::string ExpandTokens(std::string text, int64_t now) {
  // UTC only when the system cannot convert the time.
  const CivilTime::DateTime local =
      Platform::ToLocalTime(now).value_or(CivilTime::FromUnixSeconds(now));
  ReplaceFirst(
      text, "%DATE%",
      TwoDigits(local.Day) + "." + TwoDigits(local.Month) + "." + std::to_string(local.Year));
  ReplaceFirst(
      text, "%TIME%",
      TwoDigits(local.Hour) + " " + TwoDigits(local.Minute) + " " + TwoDigits(local.Second));
  ReplaceFirst(
      text, "%ISODATE%",
      std::to_string(local.Year) + "-" + TwoDigits(local.Month) + "-" + TwoDigits(local.Day));
  return text;
}

std::string ResolveDirectory(const std::string& directory) {
  const std::string expanded =
      Platform::ExpandHome(ExpandTokens(directory, Platform::CurrentTime()));
  // The folder rule is checked on the folder that is used: the two never differ by a "..".
  return Platform::IsAbsolutePath(expanded) ? Platform::LexicallyNormal(expanded) : expanded;
}

std::string ExpandBrowserToken(std::string resolved, std::string_view browserName) {
  ReplaceFirst(resolved, "%BROWSER%",
               FileNames::SafeFileName(browserName, Platform::RunningOnWindows, kMaxFolderName));
  return resolved;
}

std::string ExpandSiteToken(std::string resolved, std::string_view url) {
  ReplaceFirst(resolved, kSiteToken, SiteFolderName(url));
  return resolved;
}

std::string SiteFolderName(std::string_view url) {
  const size_t scheme = url.find("://");
  std::string_view host = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
  host = host.substr(0, host.find_first_of("/?#"));
  if (const size_t at = host.rfind('@'); at != std::string_view::npos) host.remove_prefix(at + 1);
  // The port goes; an IPv6 address keeps its brackets.
  host =
      host.starts_with('[') ? host.substr(0, host.find(']') + 1) : host.substr(0, host.find(':'));
  std::string name = Text::ToLowerAscii(host);
  if (name.starts_with("www.")) name.erase(0, 4);
  name = FileNames::SafeFileName(name, Platform::RunningOnWindows, kMaxFolderName);
  return name.empty() ? "unknown-site" : name;
}

std::string FolderAboveEntryTokens(const std::string& resolved) {
  size_t cut = std::string::npos;
  for (const std::string_view token : {kSiteToken, std::string_view("%BROWSER%")}) {
    cut = std::min(cut, resolved.find(token));
  }
  if (cut == std::string::npos) return resolved;
  // A stand-in for the token keeps "pics-%SITE%" from naming "pics-" as a folder.
  return Platform::ParentFolder(resolved.substr(0, cut) + "x");
}

bool LiesInside(const std::string& path, const std::string& folder) {
  if (path.empty() || folder.empty()) return false;
  auto comparable = [](const std::string& text) {
    std::string normal = Platform::LexicallyNormal(Platform::ExpandHome(text));
    if (Platform::RunningOnWindows) {
      std::replace(normal.begin(), normal.end(), '\\', '/');
      normal = Text::ToLowerAscii(normal);
    }
    return normal;
  };
  const std::string inner = comparable(path);
  std::string outer = comparable(folder);
  if (inner == outer) return true;
  if (!outer.ends_with('/')) outer += '/';
  return inner.starts_with(outer);
}

bool CreateFolderPath(const std::string& path) {
  std::string reason;
  return CreateFolderPath(path, reason);
}

bool CreateFolderPath(const std::string& path, std::string& reason) {
  if (!Platform::IsLocalFolderPath(path)) return false;
  const std::string folder = Platform::WithoutTrailingSeparators(Platform::ExpandHome(path));
  // A folder that cannot be made is reported here, not left to fail every copy.
  return Platform::CreateFolderTree(folder, reason) && Platform::FolderExists(folder);
}

std::vector<KnownFile> ListFolder(const std::string& path) {
  std::optional<std::vector<Platform::FolderItem>> items = Platform::ListFolderFiles(path);
  std::vector<KnownFile> files;
  if (!items) return files;
  files.reserve(items->size());
  for (auto& item : *items) {
    if (Platform::IsOutputTemporaryName(item.Name)) continue;
    files.push_back({std::move(item.Name), item.Size});
  }
  return files;
}
