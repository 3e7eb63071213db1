#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Replaces a file that a capture has just written with its decoded content, when the
// stored body carried a Content-Encoding this program can undo. The decoded bytes go
// into a sibling temporary file created exclusively in the same folder, which is then
// renamed over the file; on any failure the temporary file is removed and the file
// stays as it was stored. Only ever used on a file the same pass created.
// Returns the decoded size, or nullopt when the file was left unchanged.
std::optional<uint64_t> DecodeSavedFile(const std::string& path, std::string_view contentEncoding);

enum class DecodeToFileResult { Decoded, DestinationExists, Failed };

// Decodes `length` bytes of `source` from `offset` (a body as the cache stores it)
// straight into `destination`, created exclusively with failIfExists. On Failed the
// destination this call created is removed again (one that existed and was
// truncated is left empty); on success `decoded` holds the decoded size.
DecodeToFileResult DecodeRangeToFile(const std::string& source, uint64_t offset, uint64_t length,
                                     std::string_view contentEncoding,
                                     const std::string& destination, bool failIfExists,
                                     uint64_t& decoded);
