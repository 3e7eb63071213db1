#pragma once

// What the POSIX bodies share: descriptors held in the platform's SystemHandle, the
// system's error texts, and writes that go on after short writes.

#include <cstddef>
#include <string>

#include "platform/SystemHandle.h"

namespace Platform::Posix {

// The descriptor a SystemHandle holds here (-1 when none).
inline int Fd(const SystemHandle& handle) {
  return static_cast<int>(handle.Get());
}

// The system's description of an error number.
std::string ErrorText(int error);

// Writes every byte, going on after short writes and interruptions; false with errno set.
bool WriteAll(int fd, const char* data, size_t length);

}  // namespace Platform::Posix
