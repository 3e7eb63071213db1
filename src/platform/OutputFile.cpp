// The bookkeeping of captured files, the same on every system: temporaries' names, the
// retry of a name that is taken, what has been written and whether the file was
// committed. The writes, copies and renames themselves are the system's (NativeSteps.h).
// The temporaries' names are the same on every system, so that a pass on one system
// clears what an interrupted pass on another left in a shared folder.
#include "platform/OutputFile.h"

#include <cstdio>
#include <random>

#include "platform/CacheFiles.h"
#include "platform/Files.h"
#include "platform/NativeSteps.h"
#include "platform/Paths.h"

namespace Platform {

const std::string_view OutputTemporaryPrefix = ".vorlane-";
const std::string_view OutputTemporarySuffix = ".part";

namespace {

// How many fresh temporary names a save tries before it gives up: a clash means another
// save picked the same random name at the same moment, so a few tries are plenty.
constexpr int kOutputNameAttempts = 16;

// A random name of the output temporaries' pattern (IsOutputTemporaryName holds for it).
std::string NewOutputTemporaryName() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char name[48];
  std::snprintf(name, sizeof name, "%.*s%016llx%.*s",
                static_cast<int>(OutputTemporaryPrefix.size()), OutputTemporaryPrefix.data(),
                static_cast<unsigned long long>(random()),
                static_cast<int>(OutputTemporarySuffix.size()), OutputTemporarySuffix.data());
  return name;
}

}  // namespace

bool IsOutputTemporaryName(std::string_view name) {
  return name.size() > OutputTemporaryPrefix.size() + OutputTemporarySuffix.size() &&
         name.starts_with(OutputTemporaryPrefix) && name.ends_with(OutputTemporarySuffix);
}

OutputFile::~OutputFile() {
  Discard();
}

bool OutputFile::Create(const std::string& folder) {
  Discard();
  Folder = folder;
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
  return true;
}

CopyResult OutputFile::CopyFrom(const ReadOnlyFile& source, uint64_t offset, uint64_t length) {
  if (!Handle.Valid() || !source.IsOpen()) {
    Failure = Native::NotOpenText();
    return Handle.Valid() ? CopyResult::SourceFailed : CopyResult::DestinationFailed;
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
  return true;
}

bool OutputFile::Finish() {
  if (!Handle.Valid()) return !CurrentPath.empty();
  return Native::CloseReporting(Handle, Failure);
}

CommitResult OutputFile::Commit(std::string_view name) {
  if (CurrentPath.empty() || Committed) {
    Failure = Native::OutOfOrderText();
    return CommitResult::Failed;
  }
  if (Handle.Valid() && !Finish()) return CommitResult::Failed;
  const std::string target = JoinPath(Folder, name);
  const CommitResult result = Native::RenameNoReplace(CurrentPath, target, Failure);
  if (result == CommitResult::Committed) {
    CurrentPath = target;
    Committed = true;
  }
  return result;
}

bool OutputFile::SetModifiedTime(int64_t seconds) {
  return Native::SetModifiedTime(Handle, CurrentPath, seconds, Failure);
}

void OutputFile::Discard() {
  Handle.Reset();
  if (!Committed && !CurrentPath.empty()) DeleteFile(CurrentPath);
  CurrentPath.clear();
  Committed = false;
  Written = 0;
}

int RemoveOutputTemporaries(const std::string& folder) {
  // Only files: a folder or link of that name is not ours.
  const std::optional<std::vector<FolderItem>> files = ListFolderFiles(folder);
  if (!files) return 0;
  int removed = 0;
  for (const FolderItem& file : *files) {
    if (IsOutputTemporaryName(file.Name) && DeleteFile(JoinPath(folder, file.Name))) ++removed;
  }
  return removed;
}

}  // namespace Platform
