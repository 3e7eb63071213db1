#pragma once

// Builds stream 0 of a Chromium cache entry (the response info pickle) the way the
// browser writes it, for tests of both disk backends. Independent of the reader.

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlane::test {

struct ChromiumResponse {
  // The head with lines ended by '\n'; stored with NUL ends and one more NUL.
  std::string Head = "HTTP/1.1 200 OK\nContent-Type: text/html\n";
  uint32_t Version = 3;
  // Flag bits above the version byte (bit 31 adds the extra flags word from version 3).
  uint32_t Flags = 0x80040000;
  uint32_t ExtraFlags = 6;
  int64_t RequestTime = 13416000000000000;  // microseconds since 1601
  int64_t ResponseTime = 13416000001000000;
};

// Payload size, fields, the raw headers and, as Chromium does, a socket address after.
std::string ChromiumResponseInfo(const ChromiumResponse& response = {});

// Little-endian words, shared by the cache writers.
void AppendLe32(std::string& out, uint32_t value);
void AppendLe64(std::string& out, uint64_t value);
void PutLe32(std::string& out, size_t offset, uint32_t value);
uint32_t ZlibCrc32(std::string_view bytes);

}  // namespace vorlane::test
