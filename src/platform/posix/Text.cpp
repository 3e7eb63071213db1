#include "platform/Text.h"

#include "base/Text.h"

namespace Platform {

std::string CacheBytesToUtf8(std::string_view bytes) {
  if (Text::IsValidUtf8(bytes)) return std::string(bytes);
  return Text::Windows1252ToUtf8(bytes);
}

}  // namespace Platform
