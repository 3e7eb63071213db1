#include "platform/posix/LocalFolder.h"

#include <limits.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/posix/MountTable.h"

namespace Platform {

namespace {

// statfs f_type values of network file systems (from linux/magic.h and the
// file systems' own headers).
constexpr uint64_t NetworkMagics[] = {
    0x6969,      // NFS
    0x517B,      // SMB
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x5346414F,  // AFS (OpenAFS)
    0x6B414653,  // kAFS
    0x00C36400,  // Ceph
    0x01021997,  // 9p
    0x73757245,  // Coda
    0x564C,      // NCP
    0x0BD00BD0,  // Lustre
    0x47504653,  // GPFS
    0x19830326,  // BeeGFS
};
constexpr uint64_t FuseMagic = 0x65735546;

// The path itself when it exists, else its nearest existing ancestor ("/" at worst).
std::string NearestExisting(std::string path) {
  struct stat info {};
  // Each pass removes one component, so the loop ends at "/".
  while (path.size() > 1 && ::stat(path.c_str(), &info) != 0) {
    const size_t slash = path.find_last_of('/');
    path.resize(slash == 0 ? 1 : slash);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
  }
  return path;
}

std::string Resolve(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                       &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

bool ReadsOne(const std::string& path) {
  const std::optional<std::string> text = ReadWholeFile(path, 64);
  return text && !text->empty() && text->front() == '1';
}

// The block device behind a mount: the source's device node when there is one
// (btrfs and others report an anonymous device number in mountinfo), else the
// device number the mount reports.
std::optional<dev_t> MountDevice(const MountEntry* mount, dev_t fileDevice) {
  if (mount) {
    struct stat node {};
    if (mount->Source.starts_with("/dev/") && ::stat(mount->Source.c_str(), &node) == 0 &&
        S_ISBLK(node.st_mode)) {
      return node.st_rdev;
    }
    if (mount->Major != 0) return makedev(mount->Major, mount->Minor);
    return std::nullopt;
  }
  if (major(fileDevice) != 0) return fileDevice;
  return std::nullopt;
}

}  // namespace

bool IsRemovableBlockDevice(const std::string& sysRoot, uint32_t deviceMajor,
                            uint32_t deviceMinor) {
  const std::string device =
      sysRoot + "/dev/block/" + std::to_string(deviceMajor) + ":" + std::to_string(deviceMinor);
  if (ReadsOne(device + "/removable")) return true;
  // A partition has no flag of its own; its disk is the folder above it (the
  // kernel resolves ".." after the symbolic link).
  return FileExists(device + "/partition") && ReadsOne(device + "/../removable");
}

bool IsLocalFolderPathIn(std::string_view path, const LocalFolderTables& tables) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return false;
  // Checked as it will be used: "/x/nonexistent/../../.." is the root, whatever exists.
  const std::string expanded = LexicallyNormal(ExpandHome(path));
  if (expanded.empty() || expanded.front() != '/') return false;
  if (expanded.find_first_not_of('/') == std::string::npos) return false;

  std::string folder = expanded;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::string nearest = NearestExisting(folder);
  const std::string ancestor = Resolve(nearest);
  if (ancestor.empty()) return false;
  // "/tmp/.." and the like name the root itself.
  if (ancestor == "/" && nearest == folder) return false;

  struct statfs fileSystem {};
  struct stat info {};
  if (::statfs(ancestor.c_str(), &fileSystem) != 0 || ::stat(ancestor.c_str(), &info) != 0) {
    return false;
  }
  const auto magic = static_cast<uint64_t>(static_cast<uint32_t>(fileSystem.f_type));
  if (std::find(std::begin(NetworkMagics), std::end(NetworkMagics), magic) !=
      std::end(NetworkMagics)) {
    return false;
  }

  const std::optional<MountTable> mounts = MountTable::Load(tables.MountInfoPath);
  // Without the mount table a FUSE mount cannot be told from a network client.
  if (!mounts && magic == FuseMagic) return false;
  const MountEntry* mount = mounts ? mounts->Find(ancestor) : nullptr;
  if (mount && MountTable::IsNetworkType(mount->Type, mount->Source)) return false;

  if (const std::optional<dev_t> device = MountDevice(mount, info.st_dev)) {
    if (IsRemovableBlockDevice(tables.SysRoot, major(*device), minor(*device))) return false;
  }
  return true;
}

bool IsLocalFolderPath(std::string_view path) {
  return IsLocalFolderPathIn(path, {});
}

}  // namespace Platform
