#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/posix/LocalFolder.h"
#include "platform/posix/MountTable.h"
#include "support/TestSupport.h"

using Platform::LocalFolderTables;
using Platform::MountTable;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

namespace {

const char* const SampleMountInfo =
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw,discard\n"
    "30 27 0:27 / /tmp rw,nosuid,nodev shared:5 - tmpfs tmpfs rw,size=8g\n"
    "41 27 8:17 / /media/usb\\040stick rw,relatime shared:40 master:3 - vfat /dev/sdb1 rw\n"
    "52 27 0:51 / /home/ann/remote\\040files rw,nosuid,nodev,relatime - fuse.sshfs ann@host:/srv "
    "rw,user_id=1000\n"
    "53 27 0:52 / /mnt/nas rw,relatime - nfs4 nas:/export rw,vers=4.2\n"
    "54 27 0:53 / /mnt/data rw - btrfs /dev/sda2 rw\n"
    "55 54 0:54 / /mnt/data rw - tmpfs tmpfs rw\n"  // mounted over the btrfs one
    "this line is not a mount\n"
    "60 27 8:1 / relative rw - ext4 /dev/sda1 rw\n"                    // mount point not absolute
    "61 27 x:1 / /bad rw - ext4 /dev/sda1 rw\n"                        // device number
    "62 27 8:1 / /nosep rw shared:1 ext4 /dev/sda1 rw extra fields\n"  // no separator
    "63 27 8:1 / /short rw - ext4\n";                                  // fields missing

TEST(MountTable, ParsesMountInfoLines) {
  const MountTable table = MountTable::Parse(SampleMountInfo);
  ASSERT_EQ(table.Entries().size(), 7u);
  const auto& stick = table.Entries()[2];
  EXPECT_EQ(stick.MountPoint, "/media/usb stick");
  EXPECT_EQ(stick.Type, "vfat");
  EXPECT_EQ(stick.Source, "/dev/sdb1");
  EXPECT_EQ(stick.Major, 8u);
  EXPECT_EQ(stick.Minor, 17u);
  const auto& remote = table.Entries()[3];
  EXPECT_EQ(remote.MountPoint, "/home/ann/remote files");
  EXPECT_EQ(remote.Type, "fuse.sshfs");
  EXPECT_EQ(remote.Source, "ann@host:/srv");
  EXPECT_EQ(table.Entries()[0].Major, 254u);

  // Tab, newline and backslash escapes; a lone backslash stays as it is.
  const MountTable odd =
      MountTable::Parse("1 0 8:2 / /a\\011b\\012c\\134d\\x rw - ext4 /dev/sda2 rw");
  ASSERT_EQ(odd.Entries().size(), 1u);
  EXPECT_EQ(odd.Entries()[0].MountPoint, "/a\tb\nc\\d\\x");
  EXPECT_TRUE(MountTable::Parse("").Entries().empty());
}

TEST(MountTable, FindsTheLongestWholeComponentMatch) {
  const MountTable table = MountTable::Parse(SampleMountInfo);
  const struct {
    const char* path;
    const char* mountPoint;
    const char* type;
  } cases[] = {
      {"/", "/", "ext4"},
      {"/home/ann/docs", "/", "ext4"},
      {"/tmp", "/tmp", "tmpfs"},
      {"/tmp/a/b", "/tmp", "tmpfs"},
      {"/tmpfiles", "/", "ext4"},  // not under /tmp
      {"/media/usb stick/photos", "/media/usb stick", "vfat"},
      {"/media/usb", "/", "ext4"},
      {"/home/ann/remote files/x", "/home/ann/remote files", "fuse.sshfs"},
      {"/mnt/nas", "/mnt/nas", "nfs4"},
      {"/mnt/data/x", "/mnt/data", "tmpfs"},  // the mount on top wins
  };
  for (const auto& c : cases) {
    const Platform::MountEntry* mount = table.Find(c.path);
    ASSERT_NE(mount, nullptr) << c.path;
    EXPECT_EQ(mount->MountPoint, c.mountPoint) << c.path;
    EXPECT_EQ(mount->Type, c.type) << c.path;
  }
  EXPECT_EQ(MountTable::Parse("").Find("/x"), nullptr);
}

TEST(MountTable, TellsNetworkFileSystems) {
  const struct {
    const char* type;
    const char* source;
    bool network;
  } cases[] = {
      {"ext4", "/dev/sda1", false},
      {"btrfs", "/dev/sda2", false},
      {"tmpfs", "tmpfs", false},
      {"overlay", "overlay", false},
      {"vfat", "/dev/sdb1", false},
      {"fuseblk", "/dev/sdb1", false},  // ntfs-3g on a local disk
      {"fuse.portal", "portal", false},
      {"fuse.gocryptfs", "/home/ann/.secret", false},
      {"nfs", "nas:/export", true},
      {"nfs4", "nas:/export", true},
      {"cifs", "//server/share", true},
      {"smb3", "//server/share", true},
      {"afs", "AFS", true},
      {"ceph", "mon:/", true},
      {"9p", "host", true},
      {"fuse.sshfs", "ann@host:/srv", true},
      {"fuse.rclone", "drive:", true},
      {"fuse.s3fs", "s3fs", true},
      {"fuse.davfs", "https://dav.example/", true},
      {"fuse.gvfsd-fuse", "gvfsd-fuse", true},
      {"fuse.curlftpfs", "ftp://host/", true},
      {"fuse", "sshfs#ann@host:/srv", true},  // older FUSE: client named in the source
      {"fuse", "ann@host:/srv", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MountTable::IsNetworkType(c.type, c.source), c.network) << c.type << " " << c.source;
  }
}

// A fabricated /sys with a fixed disk sda (partition sda1) and a removable disk
// sdb (partition sdb1), linked from dev/block the way the kernel does.
std::string FabricatedSys(const TempDir& dir) {
  namespace fs = std::filesystem;
  const std::string root = dir / "sys";
  const std::string disks = root + "/devices/pci0000:00/block";
  WriteFile(disks + "/sda/removable", "0\n");
  WriteFile(disks + "/sda/sda1/partition", "1\n");
  WriteFile(disks + "/sdb/removable", "1\n");
  WriteFile(disks + "/sdb/sdb1/partition", "1\n");
  WriteFile(disks + "/sr0/removable", "1\n");
  fs::create_directories(root + "/dev/block");
  fs::create_directory_symlink("../../devices/pci0000:00/block/sda", root + "/dev/block/8:0");
  fs::create_directory_symlink("../../devices/pci0000:00/block/sda/sda1", root + "/dev/block/8:1");
  fs::create_directory_symlink("../../devices/pci0000:00/block/sdb", root + "/dev/block/8:16");
  fs::create_directory_symlink("../../devices/pci0000:00/block/sdb/sdb1", root + "/dev/block/8:17");
  fs::create_directory_symlink("../../devices/pci0000:00/block/sr0", root + "/dev/block/11:0");
  return root;
}

TEST(LocalFolder, RemovableDevicesAndTheirPartitions) {
  TempDir dir;
  const std::string sys = FabricatedSys(dir);
  EXPECT_FALSE(Platform::IsRemovableBlockDevice(sys, 8, 0));
  EXPECT_FALSE(Platform::IsRemovableBlockDevice(sys, 8, 1));
  EXPECT_TRUE(Platform::IsRemovableBlockDevice(sys, 8, 16));
  EXPECT_TRUE(Platform::IsRemovableBlockDevice(sys, 8, 17));
  EXPECT_TRUE(Platform::IsRemovableBlockDevice(sys, 11, 0));
  EXPECT_FALSE(Platform::IsRemovableBlockDevice(sys, 8, 32));  // unknown device
}

TEST(LocalFolder, PathShapes) {
  TempDir dir;
  const struct {
    std::string path;
    bool local;
  } cases[] = {
      {"", false},
      {"/", false},
      {"///", false},
      {"relative/x", false},
      {"./x", false},
      {"~user/x", false},
      {std::string("/tmp/a\0b", 8), false},
      {dir.Path() + "/..", true},  // the temporary folder's parent
      {"~/x", true},               // the sandboxed home lies on a local disk
      {"~", true},
      {dir / "not/yet/made/deep", true},
      {dir.Path() + "//", true},
  };
  for (const auto& c : cases) EXPECT_EQ(Platform::IsLocalFolderPath(c.path), c.local) << c.path;
  // A path that names the root through "..".
  EXPECT_FALSE(Platform::IsLocalFolderPath("/tmp/.."));
  EXPECT_FALSE(Platform::IsLocalFolderPath("/tmp/../"));
  EXPECT_TRUE(Platform::IsLocalFolderPath("/tmp/../vorlane-nonexistent-folder"));
}

TEST(LocalFolder, MountTableDecidesForTheNearestExistingFolder) {
  TempDir dir;
  const std::string sys = FabricatedSys(dir);
  const std::string folder = std::filesystem::canonical(dir.Path()).string() + "/out";
  ASSERT_TRUE(Platform::CreateFolder(folder));
  const struct {
    const char* what;
    std::string line;
    bool local;
  } cases[] = {
      {"sshfs", "0:51 / " + folder + " rw - fuse.sshfs ann@host:/srv rw", false},
      {"nfs", "0:52 / " + folder + " rw - nfs4 nas:/export rw", false},
      {"tmpfs", "0:27 / " + folder + " rw - tmpfs tmpfs rw", true},
      {"fixed disk", "8:1 / " + folder + " rw - ext4 /dev/vorlane-none rw", true},
      {"removable partition", "8:17 / " + folder + " rw - vfat /dev/vorlane-none rw", false},
      {"removable disk", "8:16 / " + folder + " rw - ext4 /dev/vorlane-none rw", false},
  };
  for (const auto& c : cases) {
    const std::string mountInfo = dir / "mountinfo";
    WriteFile(mountInfo, "1 0 8:0 / / rw - ext4 /dev/vorlane-none rw\n5 1 " + c.line + "\n");
    const LocalFolderTables tables{mountInfo, sys};
    EXPECT_EQ(Platform::IsLocalFolderPathIn(folder + "/not/made/yet", tables), c.local) << c.what;
    EXPECT_EQ(Platform::IsLocalFolderPathIn(folder, tables), c.local) << c.what;
    // The folder beside it is on the root mount, a fixed disk.
    EXPECT_TRUE(Platform::IsLocalFolderPathIn(folder + "-beside", tables)) << c.what;
  }
}

}  // namespace

// A folder that cannot be made says why in the system's words; one made and left empty
// goes again; ".." is resolved by the text before anything is checked.
TEST(LocalFolder, FolderTreesWithReasonsAndNormalPaths) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  const struct {
    std::string Path;
    bool Made;
    const char* Reason;
  } cases[] = {
      {dir / "a/b/c", true, ""},
      {dir / "file/below", false, "Not a directory"},
      {"/proc/vorlane-cannot-be-here", false, "No such file or directory"},
  };
  for (const auto& c : cases) {
    std::string reason;
    EXPECT_EQ(Platform::CreateFolderTree(c.Path, reason), c.Made) << c.Path;
    if (!c.Made) {
      EXPECT_EQ(reason, c.Reason) << c.Path;
    }
  }
  EXPECT_FALSE(Platform::RemoveEmptyFolder(dir / "a/b"));  // not empty
  EXPECT_TRUE(Platform::RemoveEmptyFolder(dir / "a/b/c"));
  EXPECT_FALSE(Platform::IsOnReadOnlyFileSystem(dir / "a/not/yet"));
  for (const auto& [text, normal] :
       std::vector<std::pair<std::string, std::string>>{{"/x/nonexistent/../../..", "/"},
                                                        {"/a/./b/../c/", "/a/c"},
                                                        {"/a/b/..", "/a"},
                                                        {"/a//b", "/a/b"}}) {
    EXPECT_EQ(Platform::LexicallyNormal(text), normal) << text;
  }
  EXPECT_FALSE(Platform::IsLocalFolderPath("/x/nonexistent/../../.."));
}
