// Captured files: written into a file without a name and linked under their name, or
// where the file system cannot, under a hidden temporary name and renamed; neither ever
// replaces a file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/NativeSteps.h"
#include "platform/posix/Posix.h"

namespace Platform::Native {

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
CommitResult Rename(const std::string& from, const std::string& to, int& error) {
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
  SystemHandle placeholder(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
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

// Unnamed files are reopened and linked through /proc; without it (a bare chroot) they
// are not used at all.
bool HaveProcFds() {
  static const bool have = ::access("/proc/self/fd", X_OK) == 0;
  return have;
}

// File systems without unnamed files refuse with one of these (old kernels take the
// flag for O_DIRECTORY and answer EISDIR).
bool MeansUnsupported(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOSYS;
}

}  // namespace

Unnamed CreateUnnamed(const std::string& folder, SystemHandle& file, std::string& failure) {
  if (!HaveProcFds()) return Unnamed::Unsupported;
  file.Reset(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644));
  if (file.Valid()) return Unnamed::Yes;
  const int error = errno;
  if (MeansUnsupported(error)) return Unnamed::Unsupported;
  failure = Posix::ErrorText(error);
  return Unnamed::Failed;
}

std::string UnnamedPath(const SystemHandle& file) {
  return "/proc/self/fd/" + std::to_string(Posix::Fd(file));
}

CommitResult LinkUnnamed(const SystemHandle& file, const std::string& to, std::string& failure) {
  // linkat never replaces a name. The /proc path needs no privilege; the empty path
  // is the fallback where /proc refuses (it may need CAP_DAC_READ_SEARCH).
  if (::linkat(AT_FDCWD, UnnamedPath(file).c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return CommitResult::Committed;
  }
  int error = errno;
  if (error == EEXIST) return CommitResult::NameTaken;
  if (error == ENOENT || error == EPERM || error == EACCES || error == EXDEV) {
    if (::linkat(Posix::Fd(file), "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0) {
      return CommitResult::Committed;
    }
    if (errno == EEXIST) return CommitResult::NameTaken;
    if (errno != EPERM && errno != ENOENT) error = errno;
  }
  failure = Posix::ErrorText(error);
  return CommitResult::Failed;
}

Created CreateTemporary(const std::string& path, SystemHandle& file, std::string& failure) {
  // The leading dot of the name hides it here.
  file.Reset(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (file.Valid()) return Created::Yes;
  const int error = errno;
  failure = Posix::ErrorText(error);
  return error == EEXIST ? Created::NameTaken : Created::Failed;
}

Copied CopyRange(const SystemHandle& from, const SystemHandle& to, uint64_t offset, uint64_t length,
                 std::string& failure) {
  const int in = Posix::Fd(from);
  const int out = Posix::Fd(to);
  Copied copied;
  auto position = static_cast<off_t>(offset);
  bool kernelCopy = true;
  while (copied.Bytes < length) {
    const uint64_t want = std::min<uint64_t>(length - copied.Bytes, uint64_t{1} << 30);
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
        failure = Posix::ErrorText(errno);
        copied.Result = CopyResult::DestinationFailed;
        return copied;
      }
    } else {
      char buffer[1 << 16];
      n = ::pread(in, buffer, static_cast<size_t>(std::min<uint64_t>(want, sizeof buffer)),
                  position);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        failure = Posix::ErrorText(errno);
        copied.Result = CopyResult::SourceFailed;
        return copied;
      }
      if (n > 0) {
        if (!Posix::WriteAll(out, buffer, static_cast<size_t>(n))) {
          failure = Posix::ErrorText(errno);
          copied.Result = CopyResult::DestinationFailed;
          return copied;
        }
        position += n;
      }
    }
    if (n == 0) break;  // the source ended early
    copied.Bytes += static_cast<uint64_t>(n);
  }
  return copied;
}

bool Truncate(const SystemHandle& file, std::string& failure) {
  if (::ftruncate(Posix::Fd(file), 0) != 0 || ::lseek(Posix::Fd(file), 0, SEEK_SET) != 0) {
    failure = Posix::ErrorText(errno);
    return false;
  }
  return true;
}

bool CloseReporting(SystemHandle& file, std::string& failure) {
  // Writes are not buffered here; close reports what the file system deferred.
  if (file.Close()) return true;
  failure = Posix::ErrorText(errno);
  return false;
}

CommitResult RenameNoReplace(const std::string& from, const std::string& to, std::string& failure) {
  int error = 0;
  const CommitResult result = Rename(from, to, error);
  if (result == CommitResult::Failed) failure = Posix::ErrorText(error);
  return result;
}

bool SetModifiedTime(const SystemHandle& file, const std::string& path, int64_t seconds,
                     std::string& failure) {
  const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
  const int result = file.Valid() ? ::futimens(Posix::Fd(file), times)
                                  : ::utimensat(AT_FDCWD, path.c_str(), times, 0);
  if (result != 0) failure = Posix::ErrorText(errno);
  return result == 0;
}

}  // namespace Platform::Native
