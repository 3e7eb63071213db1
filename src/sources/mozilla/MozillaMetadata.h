#pragma once

// An entry's metadata as the Firefox disk cache stores it: nine big-endian header
// words, the key and its NUL, then NUL-terminated name/value strings, one of which
// is the stored HTTP response head. Pure functions over bytes: no I/O.

#include <cstddef>
#include <span>

#include "sources/mozilla/CMozillaCacheElement.h"

namespace MozillaV1 {

inline constexpr size_t EntryHeaderSize = 36;

// Bytes the entry header says the metadata occupy (header, key, strings); 0 when the
// block is too short to hold a header.
uint64_t MetadataExtent(std::span<const std::byte> block);

// Fills the entry from a metadata block: header words, key lead byte, SourceUrl (from
// an "HTTP:" key), the response-head fields, Time (word 4) and Size (word 6). Nothing
// is read past the block, nor past the extent its header gives when that fits inside
// the block (what follows there is left over from earlier entries). False when the
// block cannot hold the header.
bool ParseMetadata(std::span<const std::byte> block, CMozillaCacheElement& entry);

// Takes Server, Content-Type (MimeType, and Kind from its lower-cased text),
// Accept-Ranges, ETag and Content-Encoding (lower-cased) from a stored response head. Names match
// in any case, the value starts after the blanks that follow the colon, and only lines closed by a
// line end are taken. The head ends at its NUL or at the end of the span.
void ParseResponseHead(std::span<const std::byte> head, CMozillaCacheElement& entry);

}  // namespace MozillaV1
