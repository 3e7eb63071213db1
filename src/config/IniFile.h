#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Profile (INI) files, read and written key by key with the Windows private-profile
// conventions: section and key names match without regard to case, blanks around
// names and values are ignored, a value in matching double quotes is read without
// them, ';' starts a comment line, the first of duplicate sections or keys wins,
// lines without '=' are ignored, LF or CRLF line ends, a UTF-8 or UTF-16LE byte-order
// mark is honoured on read, files are written as UTF-8.

// Longest value text a read returns; longer values are cut.
inline constexpr size_t MaxIniValueLength = 2598;

// The value of `key` in `section`, or "" when the file, section or key is missing.
std::string ReadIniValue(const std::string& path, std::string_view section, std::string_view key);

// Sets one value, creating the file, section or key when missing and keeping every
// other line exactly. The file is replaced atomically; a failure changes nothing and
// is not reported.
void WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value);

// Integer value of a profile text the way the C library reads one (wcstol): leading
// blanks, an optional sign, decimal digits up to the first other character; no digits
// give 0. Out-of-range values saturate at the 32-bit limits.
int32_t IniValueToInt32(std::string_view text);
