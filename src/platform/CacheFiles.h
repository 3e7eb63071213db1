#pragma once

// Reading caches. A cache folder may come from another machine or a disk image: nothing
// below it is followed when it is a link, only regular files are opened, and opening
// leaves even the access times unchanged where the system allows. Failures: actions
// return bool, queries return std::optional, and each object keeps the system's reason
// for its last failure in FailureText(); nothing throws.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/SystemHandle.h"

namespace Platform {

// Identity of an open file: equal for two opens of the same file.
struct FileIdentity {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// A folder held open, so the many files of one folder are listed and opened by name
// without resolving the whole path for each of them.
class OpenFolder {
 public:
  // Opens a cache's own folder; it may itself be reached through a link.
  bool Open(const std::string& path);
  // Opens `relative` ('/'-separated pieces; on Windows '\' separates them too) below
  // `parent`, following no link.
  bool OpenIn(const OpenFolder& parent, std::string_view relative);
  void Close() { Handle.Reset(); }
  bool IsOpen() const { return Handle.Valid(); }
  // Names of its regular files (links are not followed, so a link is never one), in
  // the order the system returns them; nullopt when the folder cannot be read.
  std::optional<std::vector<std::string>> ListFileNames() const;
  // Names of its sub-folders (no links).
  std::optional<std::vector<std::string>> ListFolderNames() const;
  const std::string& FailureText() const { return Failure; }

 private:
  friend class ReadOnlyFile;
  std::optional<std::vector<std::string>> ListNames(bool folders) const;

  SystemHandle Handle;
  mutable std::string Failure;
};

// A regular file opened read-only (browser caches are never changed). Reads are
// bounded by the caller's buffer; a short read reports how much there was.
class ReadOnlyFile {
 public:
  // Opens a regular file by its path (links followed: for files the user names).
  bool Open(const std::string& path);
  // Opens the regular file `relative` (pieces as for OpenFolder::OpenIn) below an open
  // folder, following no link on the way and not the file itself if it is one.
  bool OpenIn(const OpenFolder& folder, std::string_view relative);
  void Close();
  bool IsOpen() const { return Handle.Valid(); }
  // Size and modification time (seconds since 1970) at the time of opening.
  uint64_t Size() const { return FileLength; }
  int64_t ModifiedTime() const { return Modified; }
  FileIdentity Identity() const { return Id; }
  // Size and modification time as they are now.
  std::optional<std::pair<uint64_t, int64_t>> CurrentSizeAndTime() const;
  // Reads up to `length` bytes at `offset` into `buffer`; returns how many were read
  // (fewer at the end of the file), nullopt on a read error.
  std::optional<size_t> ReadAt(uint64_t offset, void* buffer, size_t length) const;
  const std::string& FailureText() const { return Failure; }

 private:
  friend class OutputFile;
  // Keeps `handle` when it is a regular file.
  bool Adopt(SystemHandle handle);

  SystemHandle Handle;
  uint64_t FileLength = 0;
  int64_t Modified = 0;
  FileIdentity Id;
  mutable std::string Failure;
};

}  // namespace Platform
