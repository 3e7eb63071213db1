#pragma once

// Stream 0 of a Chromium HTTP cache entry: the response info as a base::Pickle (a
// 32-bit payload size, then fields aligned to 4 bytes, little-endian). Only the leading
// fields are read, which every version (1 to 3) lays out alike: the flags word (its low
// byte is the version), from version 3 an extra flags word when bit 31 says so, the
// request and response times and the raw headers. Pure: no I/O.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

class ResponseHead;

namespace Chromium {

inline constexpr uint32_t ResponseInfoVersionMask = 0xFF;
inline constexpr uint32_t ResponseInfoTruncated = 1u << 12;
inline constexpr uint32_t ResponseInfoHasExtraFlags = 1u << 31;
inline constexpr uint32_t ResponseInfoExtraOriginalTime = 1u << 2;
// The last version whose layout is known; later ones are refused, as the browser does.
inline constexpr uint32_t ResponseInfoMaxVersion = 3;
// Seconds between 1601-01-01 and 1970-01-01, the epochs of Chromium's and Unix time.
inline constexpr int64_t WindowsToUnixEpochSeconds = 11644473600;

struct ResponseInfo {
  uint32_t Flags = 0;
  std::optional<uint32_t> ExtraFlags;
  int64_t RequestTime = 0;  // microseconds since 1601-01-01 UTC
  int64_t ResponseTime = 0;
  std::optional<int64_t> OriginalResponseTime;
  // Status line and "Name: value" lines, each ended by a NUL, then one more NUL: input
  // for ResponseHead::Parse(Headers, ResponseHead::LineEnds::Nul). A view into the
  // bytes given to ParseResponseInfo.
  std::string_view Headers;

  uint32_t Version() const { return Flags & ResponseInfoVersionMask; }
  // The body was cut short when stored (a download that was stopped).
  bool Truncated() const { return (Flags & ResponseInfoTruncated) != 0; }
  // The response time in seconds since 1970; nullopt when not set or before 1970.
  std::optional<int64_t> ResponseTimeSeconds() const;
};

// nullopt when the bytes are not such a pickle: too short, a payload size past the end,
// version 0 or later than the last known, a field or the headers past the payload.
// Bytes after the payload are ignored.
std::optional<ResponseInfo> ParseResponseInfo(std::span<const std::byte> stream0);

// Microseconds since 1601 as seconds since 1970 (rounded down); nullopt before 1970.
std::optional<int64_t> WindowsMicrosToUnixSeconds(int64_t micros);

// The full length of a body that was stored in ranges: the total of a
// "Content-Range: bytes a-b/TOTAL" header, else Content-Length (a range entry's head
// keeps the first 206's Content-Range, but Chromium rewrites Content-Length to the full
// length). nullopt when neither gives a number.
std::optional<uint64_t> FullBodyLength(const ResponseHead& head);

}  // namespace Chromium
