#pragma once

// The time of day. Failures: queries return std::optional (nullopt when the system
// cannot tell); nothing throws.

#include <cstdint>
#include <optional>

#include "base/CivilTime.h"

namespace Platform {

// Seconds since 1970, UTC.
int64_t CurrentTime();

// A time (seconds since 1970) as the user's local date and time of day.
std::optional<CivilTime::DateTime> ToLocalTime(int64_t seconds);

}  // namespace Platform
