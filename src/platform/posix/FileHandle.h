#pragma once

#include <unistd.h>

#include <string>

// Owns one file descriptor; closes it on every path.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : Fd(fd) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle(FileHandle&& other) noexcept : Fd(other.Release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~FileHandle() { Reset(); }

  int Get() const { return Fd; }
  bool Valid() const { return Fd >= 0; }
  int Release() {
    const int fd = Fd;
    Fd = -1;
    return fd;
  }
  void Reset(int fd = -1) {
    if (Fd >= 0) ::close(Fd);
    Fd = fd;
  }

 private:
  int Fd = -1;
};

namespace Platform::Posix {

// The system's description of an error number.
std::string ErrorText(int error);

// Writes every byte, going on after short writes and interruptions; false with errno set.
bool WriteAll(int fd, const char* data, size_t length);

}  // namespace Platform::Posix

#include "platform/Platform.h"

namespace Platform {

// What the platform's file objects hold here: one descriptor each.
struct OpenFolder::Native {
  FileHandle Fd;
};
struct ReadOnlyFile::Native {
  FileHandle Fd;
};
struct OutputFile::Native {
  FileHandle Fd;
};

}  // namespace Platform
