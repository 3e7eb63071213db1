#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Platform {

// Where the output-folder rule looks up the system's state; tests point these at
// fabricated files.
struct LocalFolderTables {
  std::string MountInfoPath = "/proc/self/mountinfo";
  std::string SysRoot = "/sys";
};

// IsLocalFolderPath with the system tables given.
bool IsLocalFolderPathIn(std::string_view path, const LocalFolderTables& tables);

// True when the block device major:minor has removable media, or is a partition
// of a disk that has.
bool IsRemovableBlockDevice(const std::string& sysRoot, uint32_t deviceMajor, uint32_t deviceMinor);

}  // namespace Platform
