#pragma once

// How a parser of a large file asks for its bytes: a callback that hands out exactly
// the bytes of one range, so a parser never needs a whole file (cache bodies run to
// gigabytes) and stays free of I/O. A reader backs it with a file, a test or a fuzz
// target with bytes in memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "base/ByteReader.h"

namespace Bytes {

// Exactly `length` bytes at `offset` of one file, or nullopt when they cannot be had
// (past the end, a failed read). The span stays valid until the next call on the same
// callback, so a parser copies what it keeps before it asks again.
using RangeFetch =
    std::function<std::optional<std::span<const std::byte>>(uint64_t offset, size_t length)>;

// The same over a set of files named relative to one folder ("index", "data_1",
// "f_00000b"); the span stays valid until the next call with any name.
using FileRangeFetch = std::function<std::optional<std::span<const std::byte>>(
    std::string_view file, uint64_t offset, size_t length)>;

// A fetch whose answer is not exactly the length asked for counts as failed, so a
// sloppy callback cannot make a parser read past what it was given.
inline std::optional<std::span<const std::byte>> Fetch(const RangeFetch& fetch, uint64_t offset,
                                                       size_t length) {
  if (!fetch) return std::nullopt;
  auto bytes = fetch(offset, length);
  if (!bytes || bytes->size() != length) return std::nullopt;
  return bytes;
}

inline std::optional<std::span<const std::byte>> Fetch(const FileRangeFetch& fetch,
                                                       std::string_view file, uint64_t offset,
                                                       size_t length) {
  if (!fetch) return std::nullopt;
  auto bytes = fetch(file, offset, length);
  if (!bytes || bytes->size() != length) return std::nullopt;
  return bytes;
}

// A fetch over one file held in memory; `file` must outlive the callback.
inline RangeFetch MemoryFetch(std::span<const std::byte> file) {
  return [file](uint64_t offset, size_t length) -> std::optional<std::span<const std::byte>> {
    return ByteReader(file).Sub(offset, length);
  };
}

}  // namespace Bytes
