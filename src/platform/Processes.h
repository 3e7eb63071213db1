#pragma once

// Other programs of the system. Failures: a process table that cannot be read counts as
// "not seen"; nothing throws.

#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

// True when any process of the system (any user) matches one of `names`, compared
// ASCII-case-insensitively with its image name (and, on Linux, comm, argv[0] and the
// executable's name, also after a '\' for programs under Wine).
bool IsProcessRunning(const std::vector<std::string>& names);

// This process's id.
uint32_t CurrentProcessId();
// False only when the system says no process of that id exists: a process it cannot
// tell about (another user's, a table it cannot read) counts as alive.
bool IsProcessAlive(uint32_t id);

}  // namespace Platform
