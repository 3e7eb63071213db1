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
