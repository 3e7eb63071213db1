#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: wininet.h needs it.
#include <wininet.h>

#include <fstream>

#include "support/SystemUrlCache.h"
#include "support/TestPlatform.h"

namespace vorlane::test {

namespace {

std::wstring Wide(const std::string& utf8) {
  return PathOf(utf8).wstring();
}

}  // namespace

SystemUrlCacheEntries::~SystemUrlCacheEntries() {
  for (const std::string& url : Urls) ::DeleteUrlCacheEntryW(Wide(url).c_str());
}

std::string SystemUrlCacheEntries::Commit(const std::string& url, std::string_view body,
                                          const std::string& headers,
                                          const std::string& extension) {
  const std::wstring wideUrl = Wide(url);
  wchar_t file[MAX_PATH + 1] = {};
  if (!::CreateUrlCacheEntryW(wideUrl.c_str(), static_cast<DWORD>(body.size()),
                              Wide(extension).c_str(), file, 0)) {
    return {};
  }
  {
    std::ofstream out(std::filesystem::path(file), std::ios::binary | std::ios::trunc);
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    if (!out.good()) return {};
  }
  std::wstring wideHeaders = Wide(headers);
  const FILETIME never{};
  if (!::CommitUrlCacheEntryW(wideUrl.c_str(), file, never, never, NORMAL_CACHE_ENTRY,
                              wideHeaders.data(), static_cast<DWORD>(wideHeaders.size()), nullptr,
                              nullptr)) {
    return {};
  }
  Urls.push_back(url);
  return Utf8Of(std::filesystem::path(file));
}

}  // namespace vorlane::test
