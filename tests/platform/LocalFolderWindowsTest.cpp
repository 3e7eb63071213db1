#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Paths.h"
#include "support/TestSupport.h"

// Output folders must lie on a fixed local disk: the temporary folder does, roots,
// relative paths and network shares do not.
TEST(WindowsLocalFolder, FixedDisksOnly) {
  vorlane::test::TempDir dir;
  const struct {
    std::string Path;
    bool Local;
  } cases[] = {
      {dir.Path(), true},
      {dir / "not/yet/made", true},
      {dir.Path() + "\\", true},
      {"C:\\", false},
      {"C:", false},
      {dir / "..\\..\\..\\..\\..\\..\\..\\..", false},  // the root, however it is spelled
      {"relative\\folder", false},
      {"\\\\server\\share\\saves", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(Platform::IsLocalFolderPath(c.Path), c.Local) << c.Path;
}

// Every drive of another type is refused: scripts/wine-run gives its Wine prefix an
// empty CD-ROM drive R: for this.
TEST(WindowsLocalFolder, OtherDrivesAreRefused) {
  int others = 0;
  const DWORD drives = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if ((drives & (1u << letter)) == 0) continue;
    const std::wstring root = {static_cast<wchar_t>(L'A' + letter), L':', L'\\'};
    const UINT type = ::GetDriveTypeW(root.c_str());
    if (type == DRIVE_FIXED || type == DRIVE_NO_ROOT_DIR) continue;
    ++others;
    const std::string folder = std::string(1, static_cast<char>('A' + letter)) + ":\\Saves";
    EXPECT_FALSE(Platform::IsLocalFolderPath(folder)) << folder << " of type " << type;
  }
  if (others == 0) GTEST_SKIP() << "no drive here is anything but a fixed disk";
}
