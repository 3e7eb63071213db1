// What the paths interface says the same way on every system; the syntax itself (the
// separator, roots, drive letters) is the system's.
#include "platform/Paths.h"

#include <exception>
#include <filesystem>

namespace Platform {

std::string ExpandHome(std::string_view path) {
  // "~\" counts on Windows, where '\' is the separator.
  const bool underHome =
      path.size() >= 2 && path[0] == '~' && (path[1] == '/' || path[1] == PathSeparator);
  if (path != "~" && !underHome) return std::string(path);
  const std::optional<std::string> home = HomeFolder();
  if (!home) return std::string(path);
  return path == "~" ? *home : JoinPath(*home, path.substr(2));
}

bool NamesTheRoot(std::string_view path) {
  // std::filesystem reads the path in this system's own syntax; from char8_t it takes
  // the text as UTF-8 on every system.
  try {
    const std::filesystem::path normal =
        std::filesystem::path(std::u8string(path.begin(), path.end())).lexically_normal();
    return normal == normal.root_path();
  } catch (const std::exception&) {
    // Text that is no path of this system names no root either.
    return false;
  }
}

std::string LexicallyNormal(std::string_view path) {
  try {
    const std::u8string normal = std::filesystem::path(std::u8string(path.begin(), path.end()))
                                     .lexically_normal()
                                     .u8string();
    std::string text(normal.begin(), normal.end());
    // "/a/b/.." becomes "/a/": the separator at its end carries no meaning.
    return text.size() > 1 && !NamesTheRoot(text) ? WithoutTrailingSeparators(text) : text;
  } catch (const std::exception&) {
    return std::string(path);
  }
}

}  // namespace Platform
