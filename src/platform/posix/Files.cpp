#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/Files.h"
#include "platform/NativeSteps.h"
#include "platform/posix/Posix.h"

namespace Platform {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Opens without blocking, so a FIFO or device standing where a file was expected
// cannot stall the caller before its type is checked.
int OpenForReading(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}

// Opens a folder for listing without moving its access time (a browser's cache folder
// is listed so, and is never to change); the system refuses that for folders of other
// owners, and they are opened plainly.
DirHandle OpenFolderForListing(const std::string& folder) {
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  int fd = ::open(folder.c_str(), kFlags | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = ::open(folder.c_str(), kFlags);
  if (fd < 0) return nullptr;
  DirHandle dir(::fdopendir(fd));
  if (!dir) ::close(fd);
  return dir;
}

}  // namespace

std::optional<std::vector<FolderItem>> ListFolderFiles(const std::string& folder) {
  DirHandle dir(OpenFolderForListing(folder));
  if (!dir) return std::nullopt;
  std::vector<FolderItem> out;
  const int dirFd = dirfd(dir.get());
  while (const dirent* item = readdir(dir.get())) {
    const std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (fstatat(dirFd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode)) continue;
    out.push_back({std::string(name), static_cast<uint64_t>(info.st_size)});
  }
  return out;
}

std::optional<std::vector<std::string>> ListSubFolders(const std::string& folder) {
  DirHandle dir(OpenFolderForListing(folder));
  if (!dir) return std::nullopt;
  std::vector<std::string> out;
  const int dirFd = dirfd(dir.get());
  while (const dirent* item = readdir(dir.get())) {
    const std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (fstatat(dirFd, item->d_name, &info, 0) != 0 || !S_ISDIR(info.st_mode)) continue;
    out.emplace_back(name);
  }
  return out;
}

std::optional<uint64_t> FreeSpace(const std::string& folder) {
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
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
  std::string reason;
  return CreateFolderTree(path, reason);
}

bool CreateFolderTree(const std::string& path, std::string& reason) {
  if (path.empty()) {
    reason = Posix::ErrorText(ENOENT);
    return false;
  }
  auto make = [&](const std::string& part) {
    if (FolderExists(part) || ::mkdir(part.c_str(), 0755) == 0) return true;
    const int error = errno;
    if (error == EEXIST && FolderExists(part)) return true;
    // Something that is no folder stands where one is needed.
    reason = Posix::ErrorText(error == EEXIST ? ENOTDIR : error);
    return false;
  };
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (!make(path.substr(0, slash))) return false;
  }
  return make(path);
}

bool RemoveEmptyFolder(const std::string& path) {
  return !path.empty() && ::rmdir(path.c_str()) == 0;
}

bool IsOnReadOnlyFileSystem(const std::string& path) {
  std::string folder = path;
  while (!folder.empty() && !PathExists(folder)) {
    const size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos) return false;
    folder = slash == 0 ? "/" : folder.substr(0, slash);
    if (folder == "/") break;
  }
  struct statvfs info {};
  return !folder.empty() && ::statvfs(folder.c_str(), &info) == 0 && (info.f_flag & ST_RDONLY) != 0;
}

bool DeleteFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t limit) {
  SystemHandle in(OpenForReading(path));
  if (!in.Valid()) return std::nullopt;
  struct stat info {};
  if (::fstat(Posix::Fd(in), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (static_cast<uint64_t>(info.st_size) > limit) return std::nullopt;
  std::string content;
  content.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::read(Posix::Fd(in), content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  content.resize(done);
  return content;
}

namespace Posix {

bool WriteAll(int fd, const char* data, size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace Posix

namespace Native {

Created CreateNewFile(const std::string& path, const std::string& like, SystemHandle& file,
                      std::string& failure) {
  mode_t mode = 0644;
  struct stat info {};
  if (!like.empty() && ::stat(like.c_str(), &info) == 0) mode = info.st_mode & 07777;
  file.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (file.Valid()) return Created::Yes;
  const int error = errno;
  failure = Posix::ErrorText(error);
  return error == EEXIST ? Created::NameTaken : Created::Failed;
}

bool WriteAll(const SystemHandle& file, std::span<const std::byte> bytes, std::string& failure) {
  if (Posix::WriteAll(Posix::Fd(file), reinterpret_cast<const char*>(bytes.data()), bytes.size())) {
    return true;
  }
  failure = Posix::ErrorText(errno);
  return false;
}

bool FlushToDisk(const SystemHandle& file) {
  return ::fsync(Posix::Fd(file)) == 0;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace Native

}  // namespace Platform
