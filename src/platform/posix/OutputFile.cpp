// Captured files: written under a hidden temporary name, committed by a rename that
// never replaces.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/OutputNames.h"
#include "platform/Platform.h"
#include "platform/posix/FileHandle.h"

namespace Platform {

namespace {

// The errors of a copy that lie with the destination, as far as the kernel's copy
// tells them apart; anything else is taken as the source's.
bool IsDestinationError(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case EROFS:
      return true;
    default:
      return false;
  }
}

// Gives `from` the name `to` unless `to` exists. renameat2 does it in one step; file
// systems without it get link and unlink, and those without links (FAT) an exclusive
// placeholder that the rename then replaces (it is our own).
CommitResult RenameNoReplace(const std::string& from, const std::string& to, int& error) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return CommitResult::Committed;
  }
  error = errno;
  if (error == EEXIST) return CommitResult::NameTaken;
  if (error != EINVAL && error != ENOSYS && error != ENOTSUP) return CommitResult::Failed;
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return CommitResult::Committed;
  }
  error = errno;
  if (error == EEXIST) return CommitResult::NameTaken;
  if (error != EPERM && error != ENOTSUP && error != EMLINK) return CommitResult::Failed;
  FileHandle placeholder(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (!placeholder.Valid()) {
    error = errno;
    return error == EEXIST ? CommitResult::NameTaken : CommitResult::Failed;
  }
  placeholder.Reset();
  if (::rename(from.c_str(), to.c_str()) == 0) return CommitResult::Committed;
  error = errno;
  ::unlink(to.c_str());
  return CommitResult::Failed;
}

}  // namespace

OutputFile::OutputFile() : Handle(std::make_unique<Native>()) {}

OutputFile::~OutputFile() {
  Discard();
}

bool OutputFile::Create(const std::string& folder) {
  Discard();
  Folder = folder;
  Written = 0;
  Committed = false;
  for (int attempt = 0; attempt < kOutputNameAttempts; ++attempt) {
    const std::string path = JoinPath(folder, NewOutputTemporaryName());
    Handle->Fd.Reset(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (Handle->Fd.Valid()) {
      CurrentPath = path;
      return true;
    }
    if (errno != EEXIST) break;
  }
  Failure = Posix::ErrorText(errno);
  return false;
}

bool OutputFile::Write(std::span<const std::byte> bytes) {
  if (!Handle->Fd.Valid()) {
    Failure = Posix::ErrorText(EBADF);
    return false;
  }
  if (!Posix::WriteAll(Handle->Fd.Get(), reinterpret_cast<const char*>(bytes.data()),
                       bytes.size())) {
    Failure = Posix::ErrorText(errno);
    return false;
  }
  Written += bytes.size();
  return true;
}

CopyResult OutputFile::CopyFrom(const ReadOnlyFile& source, uint64_t offset, uint64_t length,
                                uint64_t& copied) {
  copied = 0;
  if (!Handle->Fd.Valid() || !source.IsOpen()) {
    Failure = Posix::ErrorText(EBADF);
    return Handle->Fd.Valid() ? CopyResult::SourceFailed : CopyResult::DestinationFailed;
  }
  const int in = source.Handle->Fd.Get();
  const int out = Handle->Fd.Get();
  auto position = static_cast<off_t>(offset);
  bool kernelCopy = true;
  while (copied < length) {
    const uint64_t want = std::min<uint64_t>(length - copied, uint64_t{1} << 30);
    ssize_t n;
    if (kernelCopy) {
      n = ::copy_file_range(in, &position, out, nullptr, static_cast<size_t>(want), 0);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && !IsDestinationError(errno)) {
        // Not supported here, or a failure the plain copy can tell apart.
        kernelCopy = false;
        continue;
      }
      if (n < 0) {
        Failure = Posix::ErrorText(errno);
        return CopyResult::DestinationFailed;
      }
    } else {
      char buffer[1 << 16];
      n = ::pread(in, buffer, static_cast<size_t>(std::min<uint64_t>(want, sizeof buffer)),
                  position);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        Failure = Posix::ErrorText(errno);
        return CopyResult::SourceFailed;
      }
      if (n > 0) {
        if (!Posix::WriteAll(out, buffer, static_cast<size_t>(n))) {
          Failure = Posix::ErrorText(errno);
          return CopyResult::DestinationFailed;
        }
        position += n;
      }
    }
    if (n == 0) break;  // the source ended early
    copied += static_cast<uint64_t>(n);
    Written += static_cast<uint64_t>(n);
  }
  return CopyResult::Ok;
}

bool OutputFile::Restart() {
  if (!Handle->Fd.Valid() || ::ftruncate(Handle->Fd.Get(), 0) != 0 ||
      ::lseek(Handle->Fd.Get(), 0, SEEK_SET) != 0) {
    Failure = Posix::ErrorText(Handle->Fd.Valid() ? errno : EBADF);
    return false;
  }
  Written = 0;
  return true;
}

bool OutputFile::Finish() {
  if (!Handle->Fd.Valid()) return !CurrentPath.empty();
  // Writes are not buffered here; close reports what the file system deferred.
  if (::close(Handle->Fd.Release()) != 0) {
    Failure = Posix::ErrorText(errno);
    return false;
  }
  return true;
}

CommitResult OutputFile::Commit(std::string_view name) {
  if (CurrentPath.empty() || Committed) {
    Failure = Posix::ErrorText(EINVAL);
    return CommitResult::Failed;
  }
  if (Handle->Fd.Valid() && !Finish()) return CommitResult::Failed;
  const std::string target = JoinPath(Folder, name);
  int error = 0;
  const CommitResult result = RenameNoReplace(CurrentPath, target, error);
  if (result == CommitResult::Committed) {
    CurrentPath = target;
    Committed = true;
  } else if (result == CommitResult::Failed) {
    Failure = Posix::ErrorText(error);
  }
  return result;
}

bool OutputFile::SetModifiedTime(int64_t seconds) {
  const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
  const int result = Handle->Fd.Valid() ? ::futimens(Handle->Fd.Get(), times)
                                        : ::utimensat(AT_FDCWD, CurrentPath.c_str(), times, 0);
  if (result != 0) Failure = Posix::ErrorText(errno);
  return result == 0;
}

void OutputFile::Discard() {
  Handle->Fd.Reset();
  if (!Committed && !CurrentPath.empty()) ::unlink(CurrentPath.c_str());
  CurrentPath.clear();
  Committed = false;
  Written = 0;
}

int RemoveOutputTemporaries(const std::string& folder) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), closedir);
  if (!dir) return 0;
  int removed = 0;
  const int fd = ::dirfd(dir.get());
  while (const dirent* item = ::readdir(dir.get())) {
    if (!IsOutputTemporaryName(item->d_name)) continue;
    struct stat info {};
    // Only files: a folder or link of that name is not ours.
    if (::fstatat(fd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) {
      continue;
    }
    if (::unlinkat(fd, item->d_name, 0) == 0) ++removed;
  }
  return removed;
}

}  // namespace Platform
