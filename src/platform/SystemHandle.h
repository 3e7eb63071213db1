#pragma once

// One handle of the system, owned and closed on every path: a file descriptor here, a
// kernel HANDLE on Windows. It is kept as an integer so that the OS-neutral file objects
// hold one without knowing which; only the bodies in posix/ and win32/ make one or look
// inside. Failures: Close returns false when the system reports one.

#include <cstdint>

namespace Platform {

class SystemHandle {
 public:
  using Value = std::intptr_t;
  // No handle. A Windows body turns the system's other "no handle" value (null) into it.
  static constexpr Value None = -1;

  SystemHandle() = default;
  explicit SystemHandle(Value value) : Raw(value) {}
  SystemHandle(const SystemHandle&) = delete;
  SystemHandle& operator=(const SystemHandle&) = delete;
  SystemHandle(SystemHandle&& other) noexcept : Raw(other.Release()) {}
  SystemHandle& operator=(SystemHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~SystemHandle() { Reset(); }

  bool Valid() const { return Raw != None; }
  Value Get() const { return Raw; }
  Value Release() {
    const Value value = Raw;
    Raw = None;
    return value;
  }
  void Reset(Value value = None) {
    if (Valid()) Close();
    Raw = value;
  }
  // Closes now; false when the system reports a failure (the handle is gone either way).
  bool Close();

 private:
  Value Raw = None;
};

}  // namespace Platform
