#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sources/CCacheBrowser.h"

// The cache source of Internet Explorer and Maxthon, which share the URL cache.
// It enumerates the cache through the platform layer, keeps one entry per usable
// item, and copies an entry's cached file when a filter matches it. CachePath, when
// set, names the folder that holds the cache's index file; empty means the
// platform's default cache.
class CIECache : public CCacheBrowser {
 public:
  std::string GetEntryFile(const CCacheElement& entry) const override;
  void ReadEntries() override;
  // The whole cached file, as CopyEntry copies it.
  std::optional<EntryBytes> LocateEntryBytes(const CCacheElement& entry) const override;
  bool CopyEntry(const CCacheElement& entry, const std::string& destination, bool failIfExists,
                 CopyOutcome& outcome) override;

  // The value of the Content-Type line of stored response headers, letters as
  // stored; empty when there is none.
  static std::string ContentTypeFromHeaders(std::string_view headers);
  // The value of the Content-Encoding line, lower-cased; empty when there is none.
  static std::string ContentEncodingFromHeaders(std::string_view headers);
  // A FILETIME (100 ns since 1601, UTC) as seconds since 1970; 0 for a zero time
  // or one before 1970.
  static int64_t TimeFromFileTime(uint64_t fileTime);
};
