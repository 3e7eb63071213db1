#pragma once

#include "platform/win32/WinApi.h"

namespace Platform::Win32 {

// Owns one kernel handle; closes it on every path. Both of Windows' "no handle"
// values (null and INVALID_HANDLE_VALUE) count as none.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : Value(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept : Value(other.Release()) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~Handle() { Reset(); }

  HANDLE Get() const { return Value; }
  bool Valid() const { return Value != nullptr && Value != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    HANDLE handle = Value;
    Value = nullptr;
    return handle;
  }
  void Reset(HANDLE handle = nullptr) {
    if (Valid()) ::CloseHandle(Value);
    Value = handle;
  }
  // Closes now and tells whether the system accepted the close.
  bool Close() {
    if (!Valid()) return true;
    const BOOL closed = ::CloseHandle(Value);
    Value = nullptr;
    return closed != FALSE;
  }

 private:
  HANDLE Value = nullptr;
};

// Writes every byte in pieces that one call always takes whole; false with the last
// error set.
bool WriteAll(HANDLE file, const char* data, size_t length);

}  // namespace Platform::Win32

#include "platform/Platform.h"

namespace Platform {

// What the platform's file objects hold here: one handle each. Every open below a
// folder goes through its handle, never through its path again.
struct OpenFolder::Native {
  Win32::Handle Folder;
};
struct ReadOnlyFile::Native {
  Win32::Handle File;
};
struct OutputFile::Native {
  Win32::Handle File;
};

}  // namespace Platform
