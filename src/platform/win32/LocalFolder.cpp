// The output-folder rule: fixed local disks only, as GetDriveTypeW tells them.
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/win32/WideText.h"

namespace Platform {

namespace {

// The path itself when it exists, else its nearest existing ancestor ("" when not
// even the root exists).
std::string NearestExisting(std::string path) {
  // Each pass removes one piece, so the loop ends at the root.
  while (!path.empty() && !PathExists(path)) {
    const std::string parent = ParentFolder(path);
    if (parent == path) return {};
    path = parent;
  }
  return path;
}

// The path with "." and ".." pieces resolved, as the system will read it.
std::string FullPath(const std::string& path) {
  const std::wstring wide = Win32::WidePath(path);
  const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return {};
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return {};
  full.resize(length);
  return Win32::Utf8(full);
}

}  // namespace

bool IsLocalFolderPath(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return false;
  const std::string expanded = ExpandHome(path);
  if (!IsAbsolutePath(expanded)) return false;
  // "C:\Temp\.." and the like name the root itself.
  const std::string folder = WithoutTrailingSeparators(FullPath(expanded));
  if (!IsAbsolutePath(folder)) return false;
  // A drive's root (and a share's) is refused, as "/" is elsewhere.
  if (ParentFolder(folder) == folder) return false;
  const std::string nearest = NearestExisting(folder);
  if (nearest.empty()) return false;
  // The volume holding it: a drive's root, or the folder a volume is mounted on.
  const std::wstring wide = Win32::WidePath(nearest);
  std::wstring volume(wide.size() + 2, L'\0');
  if (!::GetVolumePathNameW(wide.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) {
    return false;
  }
  return ::GetDriveTypeW(volume.c_str()) == DRIVE_FIXED;
}

}  // namespace Platform
