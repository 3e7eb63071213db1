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

#include "platform/Platform.h"
#include "platform/posix/FileHandle.h"

namespace Platform {

namespace {

// openat2's resolution is the kernel's own guarantee (Linux 5.6 on); where it is
// missing or filtered, the path is walked one piece at a time with O_NOFOLLOW.
std::atomic<bool> g_noOpenat2{false};

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

// Opens `relative` below `folder` following no link, with `flags` for the last piece.
int OpenBeneath(int folder, std::string_view relative, int flags) {
  if (relative.empty() || relative.front() == '/' ||
      relative.find('\0') != std::string_view::npos) {
    errno = EINVAL;
    return -1;
  }
  for (size_t start = 0; start <= relative.size();) {
    const size_t slash = relative.find('/', start);
    const std::string_view piece = relative.substr(
        start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (!IsPlainPiece(piece)) {
      errno = EINVAL;
      return -1;
    }
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  const std::string path(relative);
  if (!g_noOpenat2.load(std::memory_order_relaxed)) {
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
  }
  FileHandle current;
  int at = folder;
  for (size_t start = 0;;) {
    const size_t slash = path.find('/', start);
    if (slash == std::string::npos) {
      return OpenNoAtime(at, path.c_str() + start, flags | O_NOFOLLOW);
    }
    const std::string piece = path.substr(start, slash - start);
    FileHandle next(
        OpenNoAtime(at, piece.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.Valid()) return -1;
    current = std::move(next);
    at = current.Get();
    start = slash + 1;
  }
}

bool ListNames(int fd, bool wantFolders, std::vector<std::string>& names, std::string& failure) {
  names.clear();
  if (fd < 0) {
    failure = Posix::ErrorText(EBADF);
    return false;
  }
  // The directory stream takes over the descriptor it is given; ours stays open.
  const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (own < 0) {
    failure = Posix::ErrorText(errno);
    return false;
  }
  std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(own), closedir);
  if (!dir) {
    failure = Posix::ErrorText(errno);
    ::close(own);
    return false;
  }
  rewinddir(dir.get());
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
    if (type == (wantFolders ? DT_DIR : DT_REG)) names.emplace_back(name);
  }
  return true;
}

// Takes a descriptor only when it is a regular file; fills size, time and identity.
bool AdoptRegularFile(FileHandle in, FileHandle& fd, uint64_t& length, int64_t& modified,
                      FileIdentity& id, std::string& failure) {
  if (!in.Valid()) {
    failure = Posix::ErrorText(errno);
    return false;
  }
  struct stat info {};
  if (::fstat(in.Get(), &info) != 0) {
    failure = Posix::ErrorText(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    failure = Posix::ErrorText(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    return false;
  }
  length = static_cast<uint64_t>(info.st_size);
  modified = static_cast<int64_t>(info.st_mtim.tv_sec);
  id = {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  fd = std::move(in);
  return true;
}

constexpr int kFileFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

}  // namespace

OpenFolder::OpenFolder() : Handle(std::make_unique<Native>()) {}
OpenFolder::OpenFolder(OpenFolder&& other) noexcept = default;
OpenFolder& OpenFolder::operator=(OpenFolder&& other) noexcept = default;
OpenFolder::~OpenFolder() = default;

bool OpenFolder::Open(const std::string& path) {
  Close();
  if (!Handle) Handle = std::make_unique<Native>();
  Handle->Fd.Reset(OpenNoAtime(AT_FDCWD, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!Handle->Fd.Valid()) Failure = Posix::ErrorText(errno);
  return Handle->Fd.Valid();
}

bool OpenFolder::OpenIn(const OpenFolder& parent, std::string_view relative) {
  Close();
  if (!Handle) Handle = std::make_unique<Native>();
  if (!parent.IsOpen()) {
    Failure = Posix::ErrorText(EBADF);
    return false;
  }
  Handle->Fd.Reset(
      OpenBeneath(parent.Handle->Fd.Get(), relative, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!Handle->Fd.Valid()) Failure = Posix::ErrorText(errno);
  return Handle->Fd.Valid();
}

void OpenFolder::Close() {
  if (Handle) Handle->Fd.Reset();
}

bool OpenFolder::IsOpen() const {
  return Handle && Handle->Fd.Valid();
}

bool OpenFolder::ListFileNames(std::vector<std::string>& names) const {
  return ListNames(IsOpen() ? Handle->Fd.Get() : -1, false, names, Failure);
}

bool OpenFolder::ListFolderNames(std::vector<std::string>& names) const {
  return ListNames(IsOpen() ? Handle->Fd.Get() : -1, true, names, Failure);
}

ReadOnlyFile::ReadOnlyFile() : Handle(std::make_unique<Native>()) {}
ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept = default;
ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept = default;
ReadOnlyFile::~ReadOnlyFile() = default;

bool ReadOnlyFile::Open(const std::string& path) {
  Close();
  return AdoptRegularFile(FileHandle(OpenNoAtime(AT_FDCWD, path.c_str(), kFileFlags)), Handle->Fd,
                          FileLength, Modified, Id, Failure);
}

bool ReadOnlyFile::OpenIn(const OpenFolder& folder, std::string_view relative) {
  Close();
  if (!folder.IsOpen()) {
    Failure = Posix::ErrorText(EBADF);
    return false;
  }
  return AdoptRegularFile(FileHandle(OpenBeneath(folder.Handle->Fd.Get(), relative, kFileFlags)),
                          Handle->Fd, FileLength, Modified, Id, Failure);
}

void ReadOnlyFile::Close() {
  if (!Handle) Handle = std::make_unique<Native>();
  Handle->Fd.Reset();
  FileLength = 0;
  Modified = 0;
  Id = {};
}

bool ReadOnlyFile::IsOpen() const {
  return Handle && Handle->Fd.Valid();
}

std::optional<std::pair<uint64_t, int64_t>> ReadOnlyFile::CurrentSizeAndTime() const {
  struct stat info {};
  if (!IsOpen() || ::fstat(Handle->Fd.Get(), &info) != 0) return std::nullopt;
  return std::pair<uint64_t, int64_t>{static_cast<uint64_t>(info.st_size),
                                      static_cast<int64_t>(info.st_mtim.tv_sec)};
}

int64_t ReadOnlyFile::ReadAt(uint64_t offset, void* buffer, size_t length) const {
  if (!IsOpen()) {
    Failure = Posix::ErrorText(EBADF);
    return -1;
  }
  size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < length) {
    const ssize_t n =
        ::pread(Handle->Fd.Get(), out + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Failure = Posix::ErrorText(errno);
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

}  // namespace Platform
