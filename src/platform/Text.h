#pragma once

// Text as the system's browsers store it. Nothing here can fail: bytes that cannot be
// read otherwise are read as Windows-1252.

#include <string>
#include <string_view>

namespace Platform {

// Cache bytes to UTF-8: bytes that are valid UTF-8 are kept as they are; anything else
// is read in the system's own code page (Windows-1252 where there is none) and converted.
std::string CacheBytesToUtf8(std::string_view bytes);

}  // namespace Platform
