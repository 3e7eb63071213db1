#pragma once

// Undoes the Content-Encoding of a stored HTTP body. Browsers keep bodies as they came
// over the wire, so a gzip, deflate, br or zstd body is compressed in the cache. Pure
// streaming: bytes come from a reader and go to a writer, a bounded buffer at a time,
// and the decoded size is capped against decompression bombs.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace ContentDecoder {

enum class Coding { Identity, Gzip, Deflate, Brotli, Zstd };

enum class Result {
  Ok,           // the whole body was decoded and written
  Failed,       // damaged, truncated, over the cap, or a read or write failed
  Unsupported,  // a coding this decoder does not know, or more than one coding
  NothingToDo   // no coding, or only "identity"
};

// Fills the buffer from the front; returns the bytes given, 0 at the end of the input
// and a negative number on a read error.
using Reader = std::function<int64_t(std::span<std::byte> buffer)>;
// Takes the next decoded bytes; false stops the decoding as failed.
using Writer = std::function<bool(std::span<const std::byte> bytes)>;

// The coding a Content-Encoding value asks for: names in any case, blanks ignored,
// "x-gzip" is gzip and "identity" entries are dropped. A list of two or more real
// codings gives nullopt: decoding them in reverse order is not attempted, since a
// server that stacks codings is rare and a half-decoded file helps nobody.
std::optional<Coding> ParseCoding(std::string_view contentEncoding);

// Decoded bytes allowed for a stored body: 64 times the stored size, at least 64 MiB
// and at most 1 GiB.
uint64_t DecodedSizeCap(uint64_t storedSize);

// Decodes the input through the writer. Nothing beyond `cap` bytes is ever written:
// a body that would decode to more fails. After a complete gzip, zlib or zstd stream,
// further bytes are ignored (servers pad), except that gzip members and zstd frames
// that follow one another are all decoded. Brotli and deflate without its zlib
// wrapper carry no check of their own, so they must end exactly at the end of the
// input: otherwise a body stored already decoded could pass for a short stream.
// `decodedBytes` receives what was written.
Result Decode(Coding coding, const Reader& input, const Writer& output, uint64_t cap,
              uint64_t* decodedBytes = nullptr);
Result Decode(std::string_view contentEncoding, const Reader& input, const Writer& output,
              uint64_t cap, uint64_t* decodedBytes = nullptr);

}  // namespace ContentDecoder
