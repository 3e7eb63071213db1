#pragma once

// Entries of the system's own URL cache (WinINet) that a test commits itself; built on
// Windows only (SystemUrlCacheWindows.cpp).

#include <string>
#include <string_view>
#include <vector>

namespace vorlane::test {

class SystemUrlCacheEntries {
 public:
  SystemUrlCacheEntries() = default;
  // Deletes every entry it committed.
  ~SystemUrlCacheEntries();
  SystemUrlCacheEntries(const SystemUrlCacheEntries&) = delete;
  SystemUrlCacheEntries& operator=(const SystemUrlCacheEntries&) = delete;

  // Commits `url` (UTF-8) with `body` as its cached file and `headers` (lines ending in
  // CR LF) as its stored response head; returns the cached file's full path, "" when
  // the cache refused.
  std::string Commit(const std::string& url, std::string_view body, const std::string& headers,
                     const std::string& extension);

 private:
  std::vector<std::string> Urls;
};

}  // namespace vorlane::test
