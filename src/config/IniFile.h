#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/IniDocument.h"

// Profile (INI) files on disk, read and written with the conventions of IniDocument;
// files are UTF-8, a UTF-8 or UTF-16 byte-order mark is honoured on read, and every
// write replaces the file atomically.

// Reads and parses a file. A missing file gives an empty document; a file that exists
// but cannot be read (no permission, too large, not a regular file) gives nothing, so
// that a caller never overwrites what it could not read.
std::optional<IniDocument> LoadIniDocument(const std::string& path);
// Replaces the file atomically with the document; false when it could not be written.
bool SaveIniDocument(const IniDocument& document, const std::string& path);

// The value of `key` in `section`, or "" when the file, section or key is missing.
std::string ReadIniValue(const std::string& path, std::string_view section, std::string_view key);

// Sets one value, creating the file, section or key when missing and keeping every
// other line exactly. The file is replaced atomically; false when nothing was written.
bool WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value);
