// Opening cache files: read-only, regular files only, no link followed below the
// cache folder, access times left alone.
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>

#include "platform/NativeSteps.h"
#include "platform/posix/Posix.h"

namespace Platform::Native {

namespace {

// openat2's resolution is the kernel's own guarantee (Linux 5.6 on); where it is
// missing or filtered, the path is walked one piece at a time with O_NOFOLLOW.
std::atomic<bool> g_noOpenat2{false};

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
constexpr int kFileFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

// O_NOATIME is refused (EPERM) for files of other owners; then the open is repeated
// without it.
int OpenNoAtime(int folder, const char* name, int flags) {
  int fd = ::openat(folder, name, flags | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = ::openat(folder, name, flags);
  return fd;
}

bool IsPlainPiece(std::string_view piece) {
  return !piece.empty() && piece != "." && piece != "..";
}

bool IsPlainRelative(std::string_view relative) {
  if (relative.empty() || relative.front() == '/' ||
      relative.find('\0') != std::string_view::npos) {
    return false;
  }
  for (size_t start = 0; start <= relative.size();) {
    const size_t slash = relative.find('/', start);
    const std::string_view piece = relative.substr(
        start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (!IsPlainPiece(piece)) return false;
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return true;
}

// openat2 confined below `folder`; -1 with errno ENOSYS when the kernel cannot.
int OpenWithOpenat2(int folder, const std::string& path, int flags) {
  open_how how{};
  how.flags = static_cast<uint64_t>(flags | O_NOATIME);
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  long fd = ::syscall(SYS_openat2, folder, path.c_str(), &how, sizeof how);
  if (fd < 0 && errno == EPERM) {
    how.flags = static_cast<uint64_t>(flags);
    fd = ::syscall(SYS_openat2, folder, path.c_str(), &how, sizeof how);
  }
  if (fd >= 0) return static_cast<int>(fd);
  // ENOSYS: an older kernel; EPERM can also come from a seccomp filter.
  if (errno != ENOSYS && errno != EPERM && errno != E2BIG) return -1;
  g_noOpenat2.store(true, std::memory_order_relaxed);
  errno = ENOSYS;
  return -1;
}

// Opens `relative` below `folder` following no link, with `flags` for the last piece.
int OpenBeneath(int folder, std::string_view relative, int flags) {
  if (!IsPlainRelative(relative)) {
    errno = EINVAL;
    return -1;
  }
  const std::string path(relative);
  if (!g_noOpenat2.load(std::memory_order_relaxed)) {
    const int fd = OpenWithOpenat2(folder, path, flags);
    if (fd >= 0 || errno != ENOSYS) return fd;
  }
  SystemHandle current;
  int at = folder;
  for (size_t start = 0;;) {
    const size_t slash = path.find('/', start);
    if (slash == std::string::npos) {
      return OpenNoAtime(at, path.c_str() + start, flags | O_NOFOLLOW);
    }
    const std::string piece = path.substr(start, slash - start);
    SystemHandle next(OpenNoAtime(at, piece.c_str(), kFolderFlags | O_NOFOLLOW));
    if (!next.Valid()) return -1;
    current = std::move(next);
    at = Posix::Fd(current);
    start = slash + 1;
  }
}

// A handle of a descriptor, with the reason in `failure` when there is none.
SystemHandle Opened(int fd, std::string& failure) {
  if (fd < 0) failure = Posix::ErrorText(errno);
  return SystemHandle(fd);
}

}  // namespace

SystemHandle OpenNamedFolder(const std::string& path, std::string& failure) {
  return Opened(OpenNoAtime(AT_FDCWD, path.c_str(), kFolderFlags), failure);
}

SystemHandle OpenNamedFile(const std::string& path, std::string& failure) {
  return Opened(OpenNoAtime(AT_FDCWD, path.c_str(), kFileFlags), failure);
}

SystemHandle OpenBelow(const SystemHandle& folder, std::string_view relative, bool wantFolder,
                       std::string& failure) {
  return Opened(OpenBeneath(Posix::Fd(folder), relative, wantFolder ? kFolderFlags : kFileFlags),
                failure);
}

std::optional<std::vector<std::string>> ListNames(const SystemHandle& folder, bool folders,
                                                  std::string& failure) {
  const int fd = Posix::Fd(folder);
  // The directory stream takes over the descriptor it is given; ours stays open.
  const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (own < 0) {
    failure = Posix::ErrorText(errno);
    return std::nullopt;
  }
  std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(own), closedir);
  if (!dir) {
    failure = Posix::ErrorText(errno);
    ::close(own);
    return std::nullopt;
  }
  rewinddir(dir.get());
  std::vector<std::string> names;
  while (const dirent* item = readdir(dir.get())) {
    const std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    // The type usually comes with the name; a link is never taken for what it names.
    unsigned char type = item->d_type;
    if (type == DT_UNKNOWN) {
      struct stat info {};
      if (fstatat(fd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
    }
    if (type == (folders ? DT_DIR : DT_REG)) names.emplace_back(name);
  }
  return names;
}

std::optional<FileFacts> RegularFileFacts(const SystemHandle& file, std::string& failure) {
  struct stat info {};
  if (::fstat(Posix::Fd(file), &info) != 0) {
    failure = Posix::ErrorText(errno);
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode)) {
    failure = Posix::ErrorText(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    return std::nullopt;
  }
  return FileFacts{static_cast<uint64_t>(info.st_size),
                   static_cast<int64_t>(info.st_mtim.tv_sec),
                   {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)}};
}

std::optional<size_t> ReadSome(const SystemHandle& file, uint64_t offset, std::byte* buffer,
                               size_t length, std::string& failure) {
  for (;;) {
    const ssize_t n = ::pread(Posix::Fd(file), buffer, length, static_cast<off_t>(offset));
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) {
      failure = Posix::ErrorText(errno);
      return std::nullopt;
    }
  }
}

}  // namespace Platform::Native
