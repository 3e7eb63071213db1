#pragma once

#include "platform/SystemHandle.h"
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

// A kernel handle held in the platform's SystemHandle, and the handle a SystemHandle
// holds: both "no handle" values of Windows become SystemHandle::None.
inline SystemHandle Own(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return SystemHandle();
  return SystemHandle(reinterpret_cast<SystemHandle::Value>(handle));
}
inline SystemHandle Own(Handle&& handle) {
  return Own(handle.Release());
}
inline HANDLE Raw(const SystemHandle& handle) {
  return handle.Valid() ? reinterpret_cast<HANDLE>(handle.Get()) : nullptr;
}

// Writes every byte in pieces that one call always takes whole; false with the last
// error set.
bool WriteAll(HANDLE file, const char* data, size_t length);

}  // namespace Platform::Win32
