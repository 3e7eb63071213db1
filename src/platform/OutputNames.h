#pragma once

#include <string>

namespace Platform {

// How many fresh temporary names a save tries before it gives up: a clash means another
// save picked the same random name at the same moment, so a few tries are plenty.
inline constexpr int kOutputNameAttempts = 16;

// A random name of the output temporaries' pattern (IsOutputTemporaryName holds for it).
std::string NewOutputTemporaryName();

}  // namespace Platform
