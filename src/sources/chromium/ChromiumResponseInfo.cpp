#include "sources/chromium/ChromiumResponseInfo.h"

#include "base/ByteReader.h"
#include "base/ResponseHead.h"
#include "base/Text.h"

namespace Chromium {

namespace {

constexpr size_t kPickleHeaderSize = 4;
constexpr int64_t kMicrosPerSecond = 1000000;

}  // namespace

std::optional<int64_t> ResponseInfo::ResponseTimeSeconds() const {
  if (ResponseTime == 0) return std::nullopt;
  return WindowsMicrosToUnixSeconds(ResponseTime);
}

std::optional<int64_t> WindowsMicrosToUnixSeconds(int64_t micros) {
  const int64_t seconds = micros / kMicrosPerSecond;  // never below 0 once checked
  if (micros < 0 || seconds < WindowsToUnixEpochSeconds) return std::nullopt;
  return seconds - WindowsToUnixEpochSeconds;
}

std::optional<ResponseInfo> ParseResponseInfo(std::span<const std::byte> stream0) {
  const Bytes::ByteReader whole(stream0);
  const auto payloadSize = whole.LE32(0);
  if (!payloadSize || !whole.Has(kPickleHeaderSize, *payloadSize)) return std::nullopt;
  // Offsets count from the payload's start, which is where the pickle aligns its fields.
  Bytes::ByteCursor cursor(whole.Clip(kPickleHeaderSize, *payloadSize));
  ResponseInfo info;
  info.Flags = cursor.LE32();
  if (!cursor.Ok() || info.Version() == 0 || info.Version() > ResponseInfoMaxVersion) {
    return std::nullopt;
  }
  // Before version 3 the top bit meant nothing; no such flag was ever written there.
  if (info.Version() >= 3 && (info.Flags & ResponseInfoHasExtraFlags) != 0) {
    info.ExtraFlags = cursor.LE32();
  }
  info.RequestTime = static_cast<int64_t>(cursor.LE64());
  info.ResponseTime = static_cast<int64_t>(cursor.LE64());
  if (info.ExtraFlags && (*info.ExtraFlags & ResponseInfoExtraOriginalTime) != 0) {
    info.OriginalResponseTime = static_cast<int64_t>(cursor.LE64());
  }
  const auto length = static_cast<int32_t>(cursor.LE32());
  if (!cursor.Ok() || length < 0) return std::nullopt;
  info.Headers = cursor.Text(static_cast<uint64_t>(length));
  if (!cursor.Ok()) return std::nullopt;
  return info;
}

std::optional<uint64_t> FullBodyLength(const ResponseHead& head) {
  uint64_t value = 0;
  if (const auto range = head.First("Content-Range")) {
    const size_t slash = range->rfind('/');
    if (Text::StartsWithIgnoringAsciiCase(*range, "bytes") && slash != std::string_view::npos &&
        Text::ParseUnsigned(Text::TrimBlanks(range->substr(slash + 1)), value)) {
      return value;
    }
  }
  if (const auto length = head.First("Content-Length")) {
    if (Text::ParseUnsigned(*length, value)) return value;
  }
  return std::nullopt;
}

}  // namespace Chromium
