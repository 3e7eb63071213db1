#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>

#include "platform/Platform.h"
#include "platform/posix/FileHandle.h"

namespace Platform {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool WriteAll(int fd, const char* data, size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

// Copies up to `length` bytes from `in` (at `offset`) to `out`, preferring the
// kernel-side copy and falling back to read/write where it is not supported.
bool CopyRange(int in, uint64_t offset, uint64_t length, int out, uint64_t& copied) {
  copied = 0;
  auto position = static_cast<off_t>(offset);
  bool kernelCopy = true;
  while (copied < length) {
    const uint64_t want = std::min<uint64_t>(length - copied, uint64_t{1} << 30);
    ssize_t n;
    if (kernelCopy) {
      n = ::copy_file_range(in, &position, out, nullptr, static_cast<size_t>(want), 0);
      if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                    errno == EPERM)) {
        kernelCopy = false;
        continue;
      }
    } else {
      char buffer[1 << 16];
      n = ::pread(in, buffer, static_cast<size_t>(std::min<uint64_t>(want, sizeof buffer)),
                  position);
      if (n > 0) {
        if (!WriteAll(out, buffer, static_cast<size_t>(n))) return false;
        position += n;
      }
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;  // the source ended early
    copied += static_cast<uint64_t>(n);
  }
  return true;
}

// Opens without blocking, so a FIFO or device standing where a file was expected
// cannot stall the caller before its type is checked.
int OpenForReading(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}

int OpenDestination(const std::string& destination, bool failIfExists, FileHandle& out) {
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
  out.Reset(::open(destination.c_str(), flags, 0644));
  return out.Valid() ? 0 : errno;
}

}  // namespace

bool ListFolderFiles(const std::string& folder, std::vector<FolderItem>& out) {
  out.clear();
  DirHandle dir(opendir(folder.c_str()));
  if (!dir) return false;
  const int dirFd = dirfd(dir.get());
  while (const dirent* item = readdir(dir.get())) {
    const std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (fstatat(dirFd, item->d_name, &info, 0) != 0) continue;
    if (!S_ISREG(info.st_mode)) continue;
    out.push_back({std::string(name), static_cast<uint64_t>(info.st_size)});
  }
  return true;
}

bool ListSubFolders(const std::string& folder, std::vector<std::string>& out) {
  out.clear();
  DirHandle dir(opendir(folder.c_str()));
  if (!dir) return false;
  const int dirFd = dirfd(dir.get());
  while (const dirent* item = readdir(dir.get())) {
    const std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (fstatat(dirFd, item->d_name, &info, 0) != 0 || !S_ISDIR(info.st_mode)) continue;
    out.emplace_back(name);
  }
  return true;
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<uint64_t> FileSize(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

bool CreateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  return errno == EEXIST && FolderExists(path);
}

bool CreateFolderTree(const std::string& path) {
  if (path.empty()) return false;
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (!FolderExists(part) && ::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return CreateFolder(path);
}

bool DeleteFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view content) {
  // Keep the permissions of the file being replaced.
  mode_t mode = 0644;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) mode = info.st_mode & 07777;

  static thread_local std::mt19937_64 random{std::random_device{}()};
  std::string temporary;
  FileHandle out;
  for (int attempt = 0; attempt < 16 && !out.Valid(); ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random()));
    temporary = path + suffix;
    out.Reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (!out.Valid() && errno != EEXIST) return false;
  }
  if (!out.Valid()) return false;
  const bool written =
      WriteAll(out.Get(), content.data(), content.size()) && ::fsync(out.Get()) == 0;
  const int closed = ::close(out.Release());
  if (!written || closed != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t limit) {
  FileHandle in(OpenForReading(path));
  if (!in.Valid()) return std::nullopt;
  struct stat info {};
  if (::fstat(in.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (static_cast<uint64_t>(info.st_size) > limit) return std::nullopt;
  std::string content;
  content.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::read(in.Get(), content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  content.resize(done);
  return content;
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : Fd(other.Fd), FileLength(other.FileLength) {
  other.Fd = -1;
  other.FileLength = 0;
}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
  if (this != &other) {
    Close();
    Fd = other.Fd;
    FileLength = other.FileLength;
    other.Fd = -1;
    other.FileLength = 0;
  }
  return *this;
}

ReadOnlyFile::~ReadOnlyFile() {
  Close();
}

OpenFolder::~OpenFolder() {
  Close();
}

bool OpenFolder::Open(const std::string& path) {
  Close();
  Fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return Fd >= 0;
}

void OpenFolder::Close() {
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
}

bool OpenFolder::ListFileNames(std::vector<std::string>& names) const {
  names.clear();
  if (Fd < 0) {
    errno = EBADF;
    return false;
  }
  // The directory stream takes over the descriptor it is given; ours stays open.
  const int own = ::fcntl(Fd, F_DUPFD_CLOEXEC, 0);
  if (own < 0) return false;
  DirHandle dir(fdopendir(own));
  if (!dir) {
    ::close(own);
    return false;
  }
  rewinddir(dir.get());
  while (const dirent* item = readdir(dir.get())) {
    const std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    // The entry's type usually comes with the name; only links and file systems
    // that do not report types need a stat.
    bool regular = item->d_type == DT_REG;
    if (item->d_type == DT_UNKNOWN || item->d_type == DT_LNK) {
      struct stat info {};
      regular = fstatat(Fd, item->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
    }
    if (regular) names.emplace_back(name);
  }
  return true;
}

namespace {

bool AdoptRegularFile(FileHandle in, int& fd, uint64_t& length) {
  if (!in.Valid()) return false;
  struct stat info {};
  if (::fstat(in.Get(), &info) != 0) return false;
  if (!S_ISREG(info.st_mode)) {
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  length = static_cast<uint64_t>(info.st_size);
  fd = in.Release();
  return true;
}

}  // namespace

bool ReadOnlyFile::OpenIn(const OpenFolder& folder, const std::string& name) {
  Close();
  if (!folder.IsOpen() || name.empty() || name == "." || name == ".." ||
      name.find('/') != std::string::npos) {
    errno = EINVAL;
    return false;
  }
  return AdoptRegularFile(FileHandle(::openat(folder.NativeHandle(), name.c_str(),
                                              O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)),
                          Fd, FileLength);
}

bool ReadOnlyFile::Open(const std::string& path) {
  Close();
  return AdoptRegularFile(FileHandle(OpenForReading(path)), Fd, FileLength);
}

void ReadOnlyFile::Close() {
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
  FileLength = 0;
}

int64_t ReadOnlyFile::ReadAt(uint64_t offset, void* buffer, size_t length) const {
  if (Fd < 0) {
    errno = EBADF;
    return -1;
  }
  size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < length) {
    const ssize_t n = ::pread(Fd, out + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

int CopyOpenFileRegion(const ReadOnlyFile& source, uint64_t offset, uint64_t length,
                       const std::string& destination, bool failIfExists, uint64_t* written) {
  if (written) *written = 0;
  if (!source.IsOpen()) return EBADF;
  FileHandle out;
  if (const int error = OpenDestination(destination, failIfExists, out)) return error;
  uint64_t copied = 0;
  if (!CopyRange(source.NativeHandle(), offset, length, out.Get(), copied)) {
    const int error = errno;
    ::unlink(destination.c_str());
    return error ? error : EIO;
  }
  if (::close(out.Release()) != 0) {
    const int error = errno;
    ::unlink(destination.c_str());
    return error;
  }
  if (written) *written = copied;
  return 0;
}

int CopyFileRegion(const std::string& source, uint64_t offset, uint64_t length,
                   const std::string& destination, bool failIfExists, uint64_t* written) {
  if (written) *written = 0;
  ReadOnlyFile in;
  if (!in.Open(source)) return errno;
  return CopyOpenFileRegion(in, offset, length, destination, failIfExists, written);
}

int CopyWholeFile(const std::string& source, const std::string& destination, bool failIfExists,
                  uint64_t* written) {
  return CopyFileRegion(source, 0, UINT64_MAX, destination, failIfExists, written);
}

int WriteNewFile(const std::string& destination, std::string_view data, bool failIfExists) {
  FileHandle out;
  if (const int error = OpenDestination(destination, failIfExists, out)) return error;
  if (!WriteAll(out.Get(), data.data(), data.size()) || ::close(out.Release()) != 0) {
    const int error = errno;
    ::unlink(destination.c_str());
    return error ? error : EIO;
  }
  return 0;
}

}  // namespace Platform
