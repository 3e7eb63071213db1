// Descriptors and the system's error texts.
#include "platform/SystemHandle.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/NativeSteps.h"
#include "platform/posix/Posix.h"

namespace Platform {

bool SystemHandle::Close() {
  if (!Valid()) return true;
  return ::close(static_cast<int>(Release())) == 0;
}

namespace Native {

std::string NotOpenText() {
  return Posix::ErrorText(EBADF);
}

std::string OutOfOrderText() {
  return Posix::ErrorText(EINVAL);
}

}  // namespace Native

namespace Posix {

std::string ErrorText(int error) {
  char buffer[256] = {};
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(error, buffer, sizeof buffer);
  return text ? std::string(text) : std::string();
}

}  // namespace Posix

}  // namespace Platform
