#include "app/ProgramInfo.h"

#include "config/Settings.h"

namespace ProgramInfo {

namespace {

bool KeptInUrl(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~' || c == '/' || c == ':';
}

}  // namespace

std::string SitePage() {
  return ProgramPlaces().HelpFilePath;
}

std::string DownloadPage() {
  // A file path cannot carry a fragment, so the section is reached through a file URL.
  return FileUrl(ProgramPlaces().HelpFilePath) + "#install";
}

std::string FileUrl(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  // A drive letter path ("C:/...") needs the third slash before it, as a POSIX path has.
  std::string url = !path.empty() && path[0] == '/' ? "file://" : "file:///";
  for (const char raw : path) {
    const auto c = static_cast<unsigned char>(raw == '\\' ? '/' : raw);
    if (KeptInUrl(c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 0xF];
    }
  }
  return url;
}

}  // namespace ProgramInfo
