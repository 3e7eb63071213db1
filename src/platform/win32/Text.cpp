#include "platform/Text.h"

#include <climits>

#include "base/Text.h"
#include "platform/win32/WideText.h"

namespace Platform {

std::string CacheBytesToUtf8(std::string_view bytes) {
  if (Text::IsValidUtf8(bytes)) return std::string(bytes);
  // Bytes that are not UTF-8 were written in the system's own code page, which is
  // how the browsers of this system store them.
  if (bytes.size() > INT_MAX) return Text::Windows1252ToUtf8(bytes);
  const int length = static_cast<int>(bytes.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return Text::Windows1252ToUtf8(bytes);
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), needed);
  return Win32::Utf8(wide);
}

}  // namespace Platform
