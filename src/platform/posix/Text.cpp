#include <cerrno>
#include <cstring>

#include "base/Text.h"
#include "platform/Platform.h"
#include "platform/posix/FileHandle.h"

namespace Platform {

std::string CacheBytesToUtf8(std::string_view bytes) {
  if (Text::IsValidUtf8(bytes)) return std::string(bytes);
  return Text::Windows1252ToUtf8(bytes);
}

namespace Posix {

std::string ErrorText(int error) {
  char buffer[256] = {};
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(error, buffer, sizeof buffer);
  return text ? std::string(text) : std::string();
}

}  // namespace Posix

}  // namespace Platform
