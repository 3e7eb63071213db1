#pragma once

// Plain files and folders the program reads and writes by path: settings, filter and
// language files, output folders. Failures: actions return bool, queries return
// std::optional (nullopt when the system cannot tell); nothing throws.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

struct FolderItem {
  std::string Name;
  uint64_t Size = 0;
};

// Regular files of a folder (no sub-folders, no links), in the order the system
// returns them.
std::optional<std::vector<FolderItem>> ListFolderFiles(const std::string& folder);
// Sub-folder names of a folder, in the order the system returns them.
std::optional<std::vector<std::string>> ListSubFolders(const std::string& folder);

bool FileExists(const std::string& path);
// True when anything at all is at `path`, a dangling link included.
bool PathExists(const std::string& path);
bool FolderExists(const std::string& path);
std::optional<uint64_t> FileSize(const std::string& path);

// Creates one folder; an existing folder counts as success.
bool CreateFolder(const std::string& path);
// Creates a folder and every missing parent.
bool CreateFolderTree(const std::string& path);
// The same; on failure `reason` says why in the system's words (a read-only file
// system, no permission, a file in the way, a drive that does not exist).
bool CreateFolderTree(const std::string& path, std::string& reason);
// Removes a folder that is empty; false when it is not, or cannot be removed.
bool RemoveEmptyFolder(const std::string& path);
// Whether the file system that holds `path` (or its nearest existing ancestor) is
// mounted read-only; false when that cannot be told.
bool IsOnReadOnlyFileSystem(const std::string& path);

bool DeleteFile(const std::string& path);

// Bytes this process may still write to the file system of `folder`; nullopt when the
// system cannot tell.
std::optional<uint64_t> FreeSpace(const std::string& folder);

// Replaces `path` with `content` atomically: a sibling temporary file is written,
// synced and renamed over the target, so a reader sees the old or the new file, never
// a half-written one. On failure nothing changes and the temporary file is removed.
bool ReplaceFileAtomically(const std::string& path, std::string_view content);

// Reads a whole regular file, refusing files larger than `limit` bytes.
std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t limit);

// Copies a regular file to a destination that must not exist yet (settings, filter
// files); false on any failure, with nothing left at the destination.
bool CopyToNewFile(const std::string& source, const std::string& destination);

}  // namespace Platform
