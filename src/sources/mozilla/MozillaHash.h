#pragma once

#include <cstdint>
#include <string_view>

// The hash Firefox's disk cache uses for its keys and for cache2's chunk hashes (Bob
// Jenkins' 1996 hash over the bytes, initial value 0).
uint32_t MozillaHash(std::string_view bytes);
