#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// A size as a person types it into the filter editor: a number with an optional unit.
// KB, MB and GB (and K, M, G) are decimal (1000, 1000000...); KiB, MiB and GiB are binary
// (1024, 1048576...); B, byte or bytes and no unit mean bytes. Letters may be of either
// case, blanks may stand around the number and the unit, and a decimal part may follow
// a point or a comma ("1.5 MB", "1,5 MB"). Empty text is 0. Returns the bytes, rounded to
// the nearest byte, or nothing for other text, a negative size, a fraction of a byte or a
// size above 2147483647 bytes (the largest a filter file holds).
std::optional<int32_t> ParseSizeText(std::string_view text);
