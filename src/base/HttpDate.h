#pragma once

// The dates of HTTP headers (Last-Modified, Date) as seconds since 1970: the fixed form
// "Sun, 06 Nov 1994 08:49:37 GMT", the obsolete RFC 850 form "Sunday, 06-Nov-94 08:49:37
// GMT" and asctime's "Sun Nov  6 08:49:37 1994". Day names are not checked.

#include <cstdint>
#include <optional>
#include <string_view>

std::optional<int64_t> ParseHttpDate(std::string_view text);
