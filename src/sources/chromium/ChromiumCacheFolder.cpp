#include "sources/chromium/ChromiumCacheFolder.h"

#include <algorithm>
#include <optional>

#include "base/Text.h"
#include "platform/CacheFiles.h"
#include "platform/Files.h"

namespace {

// "Local State" holds far less; a larger file is not one.
constexpr uint64_t kMaxLocalStateBytes = 16u << 20;
constexpr size_t kMaxProfiles = 1024;
constexpr int kMaxDepth = 64;

// A tiny bounded reader of the JSON that "Local State" is: enough to walk objects and
// skip values.
class JsonScanner {
 public:
  explicit JsonScanner(std::string_view text) : Text(text) {}

  bool AtEnd() {
    SkipSpace();
    return Pos >= Text.size();
  }
  bool Take(char c) {
    SkipSpace();
    if (Pos < Text.size() && Text[Pos] == c) {
      ++Pos;
      return true;
    }
    return false;
  }
  // A string; escapes other than \" and \\ are kept as written (profile names are
  // plain folder names).
  std::optional<std::string> String() {
    if (!Take('"')) return std::nullopt;
    std::string out;
    while (Pos < Text.size()) {
      const char c = Text[Pos++];
      if (c == '"') return out;
      if (c == '\\' && Pos < Text.size()) {
        const char next = Text[Pos++];
        if (next == '"' || next == '\\' || next == '/') {
          out += next;
        } else {
          out += '\\';
          out += next;
        }
        continue;
      }
      out += c;
    }
    return std::nullopt;
  }
  // Skips one value of any kind.
  bool SkipValue(int depth = 0) {
    if (depth > kMaxDepth) return false;
    SkipSpace();
    if (Pos >= Text.size()) return false;
    const char c = Text[Pos];
    if (c == '"') return String().has_value();
    if (c == '{' || c == '[') {
      const char close = c == '{' ? '}' : ']';
      ++Pos;
      if (Take(close)) return true;
      while (true) {
        if (c == '{' && (!String() || !Take(':'))) return false;
        if (!SkipValue(depth + 1)) return false;
        if (Take(close)) return true;
        if (!Take(',')) return false;
      }
    }
    // A number, true, false or null.
    const size_t start = Pos;
    while (Pos < Text.size() &&
           std::string_view(",}] \t\r\n").find(Text[Pos]) == std::string_view::npos) {
      ++Pos;
    }
    return Pos > start;
  }
  // Enters the object value of `key` in the object that starts here.
  bool EnterMember(std::string_view key) {
    if (!Take('{')) return false;
    if (Take('}')) return false;
    while (true) {
      const std::optional<std::string> name = String();
      if (!name || !Take(':')) return false;
      if (*name == key) return true;
      if (!SkipValue()) return false;
      if (!Take(',')) return false;
    }
  }

 private:
  void SkipSpace() {
    while (Pos < Text.size() &&
           (Text[Pos] == ' ' || Text[Pos] == '\t' || Text[Pos] == '\r' || Text[Pos] == '\n')) {
      ++Pos;
    }
  }

  std::string_view Text;
  size_t Pos = 0;
};

// Sorts Default first, Profile N by number, the rest by name.
bool ProfileBefore(const std::string& a, const std::string& b) {
  const auto rank = [](const std::string& name) -> std::pair<int, uint64_t> {
    if (name == "Default") return {0, 0};
    uint64_t number = 0;
    if (name.starts_with("Profile ") && Text::ParseUnsigned(name.substr(8), number)) {
      return {1, number};
    }
    return {2, 0};
  };
  const auto ra = rank(a);
  const auto rb = rank(b);
  if (ra != rb) return ra < rb;
  return a < b;
}

bool IsPlainFolderName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string::npos;
}

// The cache folder of one profile folder: Cache/Cache_Data today, Cache itself in older
// builds.
std::optional<std::string> CacheOfProfile(const std::string& profile) {
  for (const char* relative : {"Cache/Cache_Data", "Cache"}) {
    const std::string folder = Platform::JoinPath(profile, relative);
    if (IsChromiumCacheFolder(folder)) return folder;
  }
  return std::nullopt;
}

}  // namespace

bool IsChromiumCacheFolder(const std::string& folder) {
  if (!Platform::FolderExists(folder)) return false;
  if (Platform::FileExists(Platform::JoinPath(folder, "index")) &&
      (Platform::FileExists(Platform::JoinPath(folder, "data_1")) ||
       Platform::FolderExists(Platform::JoinPath(folder, "index-dir")))) {
    return true;
  }
  // Without an index-dir the entry files' names tell it; the names alone, as the cache
  // reader lists them (no access time moved, nothing stat'ed per file).
  Platform::OpenFolder opened;
  if (!opened.Open(folder)) return false;
  const std::optional<std::vector<std::string>> files = opened.ListFileNames();
  if (!files) return false;
  return std::any_of(files->begin(), files->end(), [](const std::string& name) {
    return name.size() == 18 && name.ends_with("_0") &&
           name.find_first_not_of("0123456789abcdef") == 16;
  });
}

std::string ResolveChromiumCacheFolder(const std::string& named) {
  if (IsChromiumCacheFolder(named)) return named;
  const std::string data = Platform::JoinPath(named, "Cache_Data");
  if (IsChromiumCacheFolder(data)) return data;
  return CacheOfProfile(named).value_or(std::string());
}

std::vector<std::string> ProfileNamesFromLocalState(std::string_view json) {
  JsonScanner scanner(json);
  std::vector<std::string> names;
  if (!scanner.EnterMember("profile") || !scanner.EnterMember("info_cache")) return names;
  if (!scanner.Take('{') || scanner.Take('}')) return names;
  while (names.size() < kMaxProfiles) {
    std::optional<std::string> name = scanner.String();
    if (!name || !scanner.Take(':') || !scanner.SkipValue()) break;
    if (IsPlainFolderName(*name)) names.push_back(std::move(*name));
    if (!scanner.Take(',')) break;
  }
  return names;
}

std::vector<std::string> FindChromiumCacheFolders(const Platform::BrowserPlaces& places) {
  std::vector<std::string> found;
  for (const Platform::ChromiumProfileRoot& root : Platform::ChromiumProfileRoots(places)) {
    // An app, or a browser with one profile (Opera), keeps its cache in the root.
    if (const auto own = CacheOfProfile(root.CacheRoot)) {
      found.push_back(*own);
      if (!root.ProfilesInside) continue;
    }
    if (!root.ProfilesInside) continue;
    std::vector<std::string> profiles;
    const auto localState = Platform::ReadWholeFile(
        Platform::JoinPath(root.ConfigRoot, "Local State"), kMaxLocalStateBytes);
    if (localState) profiles = ProfileNamesFromLocalState(*localState);
    if (profiles.empty()) {
      profiles = Platform::ListSubFolders(root.CacheRoot).value_or(std::vector<std::string>());
    }
    std::sort(profiles.begin(), profiles.end(), ProfileBefore);
    for (const std::string& profile : profiles) {
      if (!IsPlainFolderName(profile)) continue;
      if (const auto cache = CacheOfProfile(Platform::JoinPath(root.CacheRoot, profile))) {
        if (std::find(found.begin(), found.end(), *cache) == found.end()) found.push_back(*cache);
      }
    }
  }
  return found;
}

std::string ChromiumPlacesLookedAt(const Platform::BrowserPlaces& places) {
  std::string text;
  for (const Platform::ChromiumProfileRoot& root : Platform::ChromiumProfileRoots(places)) {
    if (!text.empty()) text += ", ";
    text += root.CacheRoot;
  }
  return text;
}
