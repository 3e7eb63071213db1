#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

// One mount as /proc/self/mountinfo describes it.
struct MountEntry {
  uint32_t Major = 0;
  uint32_t Minor = 0;
  std::string MountPoint;  // with the kernel's octal escapes ("\040") undone
  std::string Type;        // "ext4", "nfs4", "fuse.sshfs"...
  std::string Source;      // "/dev/sda1", "server:/export", "sshfs#host:"...
};

// The system's mounts, read from mountinfo text.
class MountTable {
 public:
  // Lines that do not have the mountinfo shape are skipped.
  static MountTable Parse(std::string_view text);
  // Reads and parses a mountinfo file; nothing when it cannot be read.
  static std::optional<MountTable> Load(const std::string& path = "/proc/self/mountinfo");

  // The mount that holds `path` (absolute, symbolic links resolved): the longest
  // mount point that is a whole-component prefix of it; of equal ones the last,
  // which is mounted on top of the others. Null when nothing matches.
  const MountEntry* Find(std::string_view path) const;

  const std::vector<MountEntry>& Entries() const { return Mounts; }

  // True for network file systems: NFS, SMB/CIFS, AFS, Ceph, 9p and the like, and
  // FUSE mounts whose subtype is a network client (sshfs, rclone, s3fs, davfs...).
  static bool IsNetworkType(std::string_view type, std::string_view source = {});

 private:
  std::vector<MountEntry> Mounts;
};

}  // namespace Platform
