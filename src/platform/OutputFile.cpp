// The bookkeeping of captured files, the same on every system: temporaries' names, the
// retry of a name that is taken, what has been written and whether the file was
// committed. The writes, copies, links and renames themselves are the system's
// (NativeSteps.h). The named temporaries' names are the same on every system, so that a
// pass on one system clears what an interrupted pass on another left in a shared folder.
#include "platform/OutputFile.h"

#include <cstdio>
#include <random>
#include <vector>

#include "platform/CacheFiles.h"
#include "platform/Files.h"
#include "platform/NativeSteps.h"
#include "platform/Paths.h"
#include "platform/Processes.h"

namespace Platform {

const std::string_view OutputTemporaryPrefix = ".vorlane-";
const std::string_view OutputTemporarySuffix = ".part";

namespace {

// How many fresh temporary names a save tries before it gives up: a clash means another
// save picked the same random name at the same moment, so a few tries are plenty.
constexpr int kOutputNameAttempts = 16;

// A random name of the output temporaries' pattern, <prefix><pid>-<random><suffix>: the
// writer's id tells a later pass whether the file can still be in use.
std::string NewOutputTemporaryName() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char name[64];
  std::snprintf(name, sizeof name, "%.*s%lu-%016llx%.*s",
                static_cast<int>(OutputTemporaryPrefix.size()), OutputTemporaryPrefix.data(),
                static_cast<unsigned long>(CurrentProcessId()),
                static_cast<unsigned long long>(random()),
                static_cast<int>(OutputTemporarySuffix.size()), OutputTemporarySuffix.data());
  return name;
}

}  // namespace

bool IsOutputTemporaryName(std::string_view name) {
  return name.size() > OutputTemporaryPrefix.size() + OutputTemporarySuffix.size() &&
         name.starts_with(OutputTemporaryPrefix) && name.ends_with(OutputTemporarySuffix);
}

std::optional<uint32_t> OutputTemporaryWriter(std::string_view name) {
  if (!IsOutputTemporaryName(name)) return std::nullopt;
  name.remove_prefix(OutputTemporaryPrefix.size());
  const size_t dash = name.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 10) return std::nullopt;
  uint64_t id = 0;
  for (const char c : name.substr(0, dash)) {
    if (c < '0' || c > '9') return std::nullopt;
    id = id * 10 + static_cast<uint64_t>(c - '0');
  }
  if (id == 0 || id > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(id);
}

OutputFile::~OutputFile() {
  Discard();
}

bool OutputFile::Create(const std::string& folder) {
  Discard();
  Digest.reset();
  Folder = folder;
  switch (Native::CreateUnnamed(folder, Handle, Failure)) {
    case Native::Unnamed::Yes:
      Unnamed = true;
      CurrentPath = Native::UnnamedPath(Handle);
      return true;
    case Native::Unnamed::Failed:
      return false;
    case Native::Unnamed::Unsupported:
      break;
  }
  for (int attempt = 0; attempt < kOutputNameAttempts; ++attempt) {
    const std::string path = JoinPath(folder, NewOutputTemporaryName());
    switch (Native::CreateTemporary(path, Handle, Failure)) {
      case Native::Created::Yes:
        CurrentPath = path;
        return true;
      case Native::Created::NameTaken:
        continue;
      case Native::Created::Failed:
        return false;
    }
  }
  return false;
}

bool OutputFile::Write(std::span<const std::byte> bytes) {
  if (!Handle.Valid()) {
    Failure = Native::NotOpenText();
    return false;
  }
  if (!Native::WriteAll(Handle, bytes, Failure)) return false;
  Written += bytes.size();
  if (Digest) Digest->Update(bytes);
  return true;
}

std::optional<uint64_t> OutputFile::WrittenDigest() const {
  return Digest ? std::optional<uint64_t>(Digest->Finish()) : std::nullopt;
}

CopyResult OutputFile::CopyThrough(const ReadOnlyFile& source, uint64_t offset, uint64_t length) {
  // Kept from copy to copy: a fresh buffer would be cleared for every file.
  static thread_local std::vector<std::byte> buffer;
  buffer.resize(static_cast<size_t>(length));
  const std::optional<size_t> read = source.ReadAt(offset, buffer.data(), buffer.size());
  if (!read) {
    Failure = source.FailureText();
    return CopyResult::SourceFailed;
  }
  if (!Write(std::span<const std::byte>(buffer.data(), *read))) {
    return CopyResult::DestinationFailed;
  }
  return *read < length ? CopyResult::SourceEnded : CopyResult::Ok;
}

CopyResult OutputFile::CopyFrom(const ReadOnlyFile& source, uint64_t offset, uint64_t length) {
  if (!Handle.Valid() || !source.IsOpen()) {
    Failure = Native::NotOpenText();
    return Handle.Valid() ? CopyResult::SourceFailed : CopyResult::DestinationFailed;
  }
  if (Digest) {
    if (length <= DigestedCopyLimit) return CopyThrough(source, offset, length);
    Digest.reset();
  }
  const Native::Copied copied = Native::CopyRange(source.Handle, Handle, offset, length, Failure);
  Written += copied.Bytes;
  if (copied.Result == CopyResult::Ok && copied.Bytes < length) return CopyResult::SourceEnded;
  return copied.Result;
}

bool OutputFile::Restart() {
  if (!Handle.Valid()) {
    Failure = Native::NotOpenText();
    return false;
  }
  if (!Native::Truncate(Handle, Failure)) return false;
  Written = 0;
  if (Digest) Digest.emplace();
  return true;
}

bool OutputFile::Finish() {
  // A file without a name lives only while it is open.
  if (Unnamed) return Handle.Valid();
  if (!Handle.Valid()) return !CurrentPath.empty();
  return Native::CloseReporting(Handle, Failure);
}

CommitResult OutputFile::Commit(std::string_view name) {
  if (CurrentPath.empty() || Committed) {
    Failure = Native::OutOfOrderText();
    return CommitResult::Failed;
  }
  const std::string target = JoinPath(Folder, name);
  if (Unnamed) return CommitUnnamed(target);
  if (Handle.Valid() && !Finish()) return CommitResult::Failed;
  const CommitResult result = Native::RenameNoReplace(CurrentPath, target, Failure);
  if (result == CommitResult::Committed) {
    CurrentPath = target;
    Committed = true;
  }
  return result;
}

CommitResult OutputFile::CommitUnnamed(const std::string& target) {
  if (!Handle.Valid()) {
    Failure = Native::NotOpenText();
    return CommitResult::Failed;
  }
  const CommitResult result = Native::LinkUnnamed(Handle, target, Failure);
  if (result != CommitResult::Committed) return result;
  // What the file system deferred until the close fails the save; the name it got is
  // ours to take back.
  if (!Native::CloseReporting(Handle, Failure)) {
    DeleteFile(target);
    return CommitResult::Failed;
  }
  CurrentPath = target;
  Committed = true;
  return result;
}

bool OutputFile::SetModifiedTime(int64_t seconds) {
  return Native::SetModifiedTime(Handle, CurrentPath, seconds, Failure);
}

void OutputFile::Discard() {
  Handle.Reset();
  Digest.reset();
  if (!Committed && !Unnamed && !CurrentPath.empty()) DeleteFile(CurrentPath);
  CurrentPath.clear();
  Committed = false;
  Unnamed = false;
  Written = 0;
}

int RemoveStaleOutputTemporaries(const std::string& folder) {
  // Only files: a folder or link of that name is not ours. A name without a writer's
  // id cannot be proven stale and stays.
  const std::optional<std::vector<FolderItem>> files = ListFolderFiles(folder);
  if (!files) return 0;
  int removed = 0;
  for (const FolderItem& file : *files) {
    const std::optional<uint32_t> writer = OutputTemporaryWriter(file.Name);
    if (!writer || IsProcessAlive(*writer)) continue;
    if (DeleteFile(JoinPath(folder, file.Name))) ++removed;
  }
  return removed;
}

}  // namespace Platform
