#pragma once

#include <string>
#include <vector>

namespace Platform {

// IsProcessRunning over a process table at `procRoot` (tests point it at a fabricated
// /proc).
bool IsProcessRunningIn(const std::vector<std::string>& names, const std::string& procRoot);

}  // namespace Platform
