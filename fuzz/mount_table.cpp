#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/posix/MountTable.h"

// Any text: parsing never fails loudly, every entry has an absolute mount point,
// and finding a path returns one of the entries.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Platform::MountTable table = Platform::MountTable::Parse(text);
  for (const Platform::MountEntry& entry : table.Entries()) {
    if (entry.MountPoint.empty() || entry.MountPoint.front() != '/') std::abort();
    Platform::MountTable::IsNetworkType(entry.Type, entry.Source);
    if (table.Find(entry.MountPoint) == nullptr) std::abort();
  }
  return 0;
}
