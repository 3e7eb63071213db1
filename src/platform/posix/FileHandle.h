#pragma once

#include <unistd.h>

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
