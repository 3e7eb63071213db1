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

// Opens without blocking, so a FIFO or device standing where a file was expected
// cannot stall the caller before its type is checked.
int OpenForReading(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
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
    if (fstatat(dirFd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
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
      Posix::WriteAll(out.Get(), content.data(), content.size()) && ::fsync(out.Get()) == 0;
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

bool CopyToNewFile(const std::string& source, const std::string& destination) {
  constexpr uint64_t kLimit = uint64_t{64} << 20;
  const std::optional<std::string> content = ReadWholeFile(source, kLimit);
  if (!content) return false;
  FileHandle out(::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (!out.Valid()) return false;
  if (!Posix::WriteAll(out.Get(), content->data(), content->size()) ||
      ::close(out.Release()) != 0) {
    ::unlink(destination.c_str());
    return false;
  }
  return true;
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

}  // namespace Platform
