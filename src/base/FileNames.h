#pragma once

// Names of saved files made from what a server or URL says: percent-decoding, the
// file name of a Content-Disposition header, and the rules a name must keep on disk.

#include <string>
#include <string_view>

namespace FileNames {

// %XX sequences decoded (malformed ones kept as written); '+' is kept.
std::string PercentDecode(std::string_view text);

// The file name a Content-Disposition value gives: `filename*=` (charset'language'
// percent-encoded) first, then `filename=` (quoted or not); "" when it gives none.
std::string DispositionFileName(std::string_view contentDisposition);

// The last segment of a URL's path (no query, no fragment), percent-decoded.
std::string UrlFileName(std::string_view url);

// A name safe to create: no '/' or '\\' or control characters, no leading dot, not "."
// or "..", at most `maxBytes` bytes without cutting a UTF-8 sequence; for Windows also
// none of : * ? " < > |, no trailing dots or blanks, and no device name (CON, NUL,
// COM1...). "" when nothing is left.
std::string SafeFileName(std::string_view name, bool forWindows, size_t maxBytes = 200);

// The name without its last extension ("photo.large.jpg" -> "photo.large").
std::string WithoutExtension(std::string_view name);

}  // namespace FileNames
