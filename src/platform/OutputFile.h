#pragma once

// Writing captured files. A saved file is whole or absent: its bytes go into a file
// without a name in the destination folder (nothing is left of it when the program is
// killed), and only a finished file gets its name, by a link that never replaces an
// existing file. Where the file system has no such files, a hidden temporary named
// with the writer's process id is created exclusively and renamed, never replacing.
// Failures: actions return bool, and a result enum where callers must tell outcomes
// apart (CopyResult, CommitResult); the object keeps the system's reason for its last
// failure in FailureText(); nothing throws.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/ContentDigest.h"
#include "platform/SystemHandle.h"

namespace Platform {

class ReadOnlyFile;

// Names of the named temporaries begin with this; a pass removes those that an
// interrupted earlier pass left behind (RemoveStaleOutputTemporaries).
extern const std::string_view OutputTemporaryPrefix;
extern const std::string_view OutputTemporarySuffix;
bool IsOutputTemporaryName(std::string_view name);
// The id of the process that writes the named temporary `name`; nullopt for a name
// that carries none.
std::optional<uint32_t> OutputTemporaryWriter(std::string_view name);

enum class CopyResult {
  Ok,
  SourceEnded,        // the cache side ended early; what there was is copied
  SourceFailed,       // the cache side could not be read
  DestinationFailed,  // the output side could not be written (no space, I/O error...)
};

enum class CommitResult {
  Committed,
  NameTaken,  // a file of that name exists; nothing was replaced
  Failed,     // the name cannot be given (too long, not allowed, I/O error...)
};

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Removes the temporary unless it was committed.
  ~OutputFile();

  // Creates a new temporary in `folder`; false (with FailureText) when it cannot.
  bool Create(const std::string& folder);
  // A path that opens the temporary while it is open or finished (of a file without a
  // name, one through the open handle), of the saved file after Commit.
  const std::string& Path() const { return CurrentPath; }
  // The folder given to Create.
  const std::string& FolderPath() const { return Folder; }
  // True while the temporary is a file without a name.
  bool IsUnnamed() const { return Unnamed && !Committed; }

  // From now until Create or Discard, keeps a ContentDigest of the bytes written while
  // they pass through this process: Write, and copies of at most DigestedCopyLimit bytes,
  // which are then read and written here instead of copied by the kernel (a larger copy
  // ends the digest). Spares the duplicate test a second read of the saved file.
  static constexpr uint64_t DigestedCopyLimit = 64 * 1024;
  void DigestWrites() { Digest.emplace(); }
  // The digest of every byte written, when all of them passed by.
  std::optional<uint64_t> WrittenDigest() const;

  bool Write(std::span<const std::byte> bytes);
  // Copies `length` bytes of `source` from `offset` (kernel-side where the system can).
  CopyResult CopyFrom(const ReadOnlyFile& source, uint64_t offset, uint64_t length);
  uint64_t BytesWritten() const { return Written; }
  // Empties the temporary for a second attempt (a body that failed to decode).
  bool Restart();

  // Writes out what is buffered and closes a named temporary (a file without a name
  // stays open until Commit); false when the bytes did not all reach the file.
  bool Finish();
  // Gives the finished temporary the name `name` in its folder, never replacing a file.
  CommitResult Commit(std::string_view name);
  // Sets the saved file's modification time (seconds since 1970).
  bool SetModifiedTime(int64_t seconds);
  // Removes the temporary (or nothing, after Commit).
  void Discard();

  const std::string& FailureText() const { return Failure; }

 private:
  CommitResult CommitUnnamed(const std::string& target);
  CopyResult CopyThrough(const ReadOnlyFile& source, uint64_t offset, uint64_t length);

  SystemHandle Handle;
  std::string Folder;
  std::string CurrentPath;
  uint64_t Written = 0;
  bool Committed = false;
  bool Unnamed = false;
  std::optional<ContentDigest> Digest;
  std::string Failure;
};

// Removes the named temporaries of a folder whose writer is gone (a process that
// runs, this one included, may still be writing its own); returns how many.
int RemoveStaleOutputTemporaries(const std::string& folder);

}  // namespace Platform
