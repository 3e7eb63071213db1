#pragma once

// The native calls that each system's bodies (posix/, win32/) give the OS-neutral code
// of this folder, which keeps the objects' bookkeeping once for both. Nothing outside
// src/platform includes this. Failures: a step that fails returns false, nullopt or an
// invalid handle and puts the system's reason into `failure`.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CacheFiles.h"
#include "platform/OutputFile.h"
#include "platform/SystemHandle.h"

namespace Platform::Native {

// The system's reason for a call on an object that holds no open file, and for a call
// that comes out of order (a commit without a finished temporary).
std::string NotOpenText();
std::string OutOfOrderText();

// ---- Files -------------------------------------------------------------------------

enum class Created { Yes, NameTaken, Failed };
// Creates a new file at `path`, exclusively, open for writing. A POSIX body gives it the
// permissions of the file at `like` when there is one, so a replacement keeps them.
Created CreateNewFile(const std::string& path, const std::string& like, SystemHandle& file,
                      std::string& failure);
bool WriteAll(const SystemHandle& file, std::span<const std::byte> bytes, std::string& failure);
// Has the system write what it holds of an open file to the disk.
bool FlushToDisk(const SystemHandle& file);
// Gives `from` the name `to`, replacing a file of that name in one step.
bool RenameReplacing(const std::string& from, const std::string& to);

// ---- Cache files -------------------------------------------------------------------

// Opens a folder, or a file, by a path the user or a table names (links followed).
SystemHandle OpenNamedFolder(const std::string& path, std::string& failure);
SystemHandle OpenNamedFile(const std::string& path, std::string& failure);
// Opens `relative` below the open `folder` following no link; the last piece is a
// folder when `wantFolder`, else a file.
SystemHandle OpenBelow(const SystemHandle& folder, std::string_view relative, bool wantFolder,
                       std::string& failure);
// Names of the regular files (or the sub-folders) of an open folder; no links.
std::optional<std::vector<std::string>> ListNames(const SystemHandle& folder, bool folders,
                                                  std::string& failure);

struct FileFacts {
  uint64_t Size = 0;
  int64_t Modified = 0;  // seconds since 1970
  FileIdentity Identity;
};
// Size, time and identity of an open file; fails for anything but a regular file.
std::optional<FileFacts> RegularFileFacts(const SystemHandle& file, std::string& failure);
// Reads what one call of the system gives at `offset`: 0 at the end of the file.
std::optional<size_t> ReadSome(const SystemHandle& file, uint64_t offset, std::byte* buffer,
                               size_t length, std::string& failure);

// ---- Output files ------------------------------------------------------------------

// Creates a new hidden temporary at `path`, exclusively, open for reading and writing.
Created CreateTemporary(const std::string& path, SystemHandle& file, std::string& failure);

enum class Unnamed { Yes, Unsupported, Failed };
// Creates a file without a name in `folder`, open for reading and writing; it vanishes
// when closed unless LinkUnnamed names it. Unsupported where the system or the folder's
// file system cannot, and there the caller makes a named temporary.
Unnamed CreateUnnamed(const std::string& folder, SystemHandle& file, std::string& failure);
// A path that opens the open unnamed file again (for readers that take a path).
std::string UnnamedPath(const SystemHandle& file);
// Gives the open unnamed file the name `to` unless that name is taken.
CommitResult LinkUnnamed(const SystemHandle& file, const std::string& to, std::string& failure);

struct Copied {
  CopyResult Result = CopyResult::Ok;  // Ok also when the source ended early
  uint64_t Bytes = 0;
};
// Copies `length` bytes of `from` at `offset` to the end of `to`.
Copied CopyRange(const SystemHandle& from, const SystemHandle& to, uint64_t offset, uint64_t length,
                 std::string& failure);
// Empties an open file and writes from its start again.
bool Truncate(const SystemHandle& file, std::string& failure);
// Closes, reporting what the file system deferred until the close.
bool CloseReporting(SystemHandle& file, std::string& failure);
// Gives the closed temporary `from` the name `to` unless that name is taken.
CommitResult RenameNoReplace(const std::string& from, const std::string& to, std::string& failure);
// Sets the modification time through `file` when it is open, else through `path`.
bool SetModifiedTime(const SystemHandle& file, const std::string& path, int64_t seconds,
                     std::string& failure);

// ---- Clock -------------------------------------------------------------------------

// The local calendar time of `when`.
std::optional<std::tm> LocalCalendar(std::time_t when);

}  // namespace Platform::Native
