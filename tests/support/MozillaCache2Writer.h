#pragma once

// Builds Firefox cache2 folders byte by byte, the way the browser lays them out, so
// tests and benchmarks can pin every rule of the reader without shipping caches.
// Deliberately independent of the reader's own code.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlane::test {

inline constexpr uint32_t kCache2ChunkSize = 256 * 1024;
// What Firefox writes today; version 4 kept the version-3 layout.
inline constexpr uint32_t kCache2CurrentVersion = 4;

// SHA-1 of the key in upper-case hex: the name the browser gives the entry's file.
std::string MozillaCache2FileName(std::string_view key);

// A key: every tag ("a", "~1533107208", "O^partitionKey=...") ends with a comma, a
// comma inside a tag is doubled, and ':' plus the URL follow the last tag.
std::string MozillaCache2Key(std::string_view url, const std::vector<std::string>& tags = {});

// The "alt-data" element value for alternative data that begin at `offset`.
std::string MozillaCache2AltData(uint64_t offset, std::string_view type);

// A body compressed as a server sends it for a Content-Encoding: "gzip" (also
// "x-gzip"), "deflate" (zlib wrapper), "deflate-raw" (no wrapper, as some servers
// send "deflate"), "br" or "zstd".
std::string CompressBody(std::string_view encoding, std::string_view body);

struct MozillaCache2Item {
  MozillaCache2Item() = default;
  MozillaCache2Item(std::string url, std::string data)
      : Url(std::move(url)), Data(std::move(data)) {}

  MozillaCache2Item& WithTags(std::vector<std::string> tags) {
    return Tags = std::move(tags), *this;
  }
  MozillaCache2Item& WithKey(std::string key) { return Key = std::move(key), *this; }
  MozillaCache2Item& WithHead(std::string head) { return ResponseHead = std::move(head), *this; }
  MozillaCache2Item& WithVersion(uint32_t version) { return Version = version, *this; }
  MozillaCache2Item& WithTimes(uint32_t lastFetched, uint32_t lastModified) {
    LastFetched = lastFetched;
    LastModified = lastModified;
    return *this;
  }
  MozillaCache2Item& WithElement(std::string name, std::string value) {
    Elements.emplace_back(std::move(name), std::move(value));
    return *this;
  }
  // Alternative data after the body, announced by an "alt-data" element.
  MozillaCache2Item& WithAltData(std::string bytes, std::string type = "javascript/moz-bytecode") {
    AltData = std::move(bytes);
    AltDataType = std::move(type);
    return *this;
  }
  MozillaCache2Item& WithKeySize(uint32_t size) { return KeySize = size, *this; }
  MozillaCache2Item& WithTrailer(uint32_t offset) { return Trailer = offset, *this; }

  std::string Url;
  std::vector<std::string> Tags;
  std::optional<std::string> Key;  // unless given, MozillaCache2Key(Url, Tags)
  std::string Data;
  std::string RequestMethod = "GET";                          // empty: no request-method element
  std::string ResponseHead = "HTTP/1.1 200 OK\r\n";           // empty: no response-head element
  std::vector<std::pair<std::string, std::string>> Elements;  // after the response head
  std::optional<std::string> AltData;
  std::string AltDataType;
  uint32_t Version = kCache2CurrentVersion;
  uint32_t FetchCount = 1;
  uint32_t LastFetched = 0;
  uint32_t LastModified = 0;
  uint32_t Frecency = 0;
  uint32_t ExpirationTime = 0xFFFFFFFF;
  uint32_t Flags = 0;
  std::optional<uint32_t> KeySize;  // header word; default the key's length
  std::optional<uint32_t> Trailer;  // last four bytes; default the data length
  // Bytes between the elements and the trailer, outside the metadata hash: Firefox 153
  // writes a 4-byte word there.
  std::string UnhashedTail;
};

class MozillaCache2Writer {
 public:
  // Data (and alternative data), metadata hash, chunk hashes, header, key, elements
  // and the trailing offset: one entry file.
  static std::string EntryBytes(const MozillaCache2Item& item);
  // The key the item is stored under.
  static std::string KeyOf(const MozillaCache2Item& item);

  // Adds an entry file under entries/; returns its name.
  std::string Add(const MozillaCache2Item& item);
  // Any file, by its path relative to the cache folder ("entries/x", "doomed/1").
  void Put(std::string relativePath, std::string bytes);

  // Writes every file into `folder` (entries/ is created even when empty). False when
  // a file cannot be written.
  bool Write(const std::string& folder) const;

 private:
  std::map<std::string, std::string> Files;
};

}  // namespace vorlane::test
