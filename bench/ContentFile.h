#pragma once

#include <cstdint>
#include <string>

#include "SyntheticPlan.h"

namespace vorlane::bench {

// Writes an entry's bytes into a new file at `path`, creating its folders, a piece at
// a time. False when the file cannot be written completely.
bool WriteContentFile(const std::string& path, const PlannedEntry& entry, uint64_t planSeed);

}  // namespace vorlane::bench
