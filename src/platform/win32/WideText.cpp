#include "platform/win32/WideText.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace Platform::Win32 {

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kEpochSeconds = 11'644'473'600;  // 1601-01-01 to 1970-01-01

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

}  // namespace

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > INT_MAX) return {};
  const int length = static_cast<int>(utf8.size());
  const int needed = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int length = static_cast<int>(wide.size());
  const int needed =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string utf8(static_cast<size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
  return utf8;
}

std::wstring WidePath(std::string_view utf8) {
  std::wstring path = Wide(utf8);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  // Folders are limited 12 characters below MAX_PATH (room for an 8.3 name in them).
  if (path.size() < MAX_PATH - 12 || path.starts_with(L"\\\\?\\")) return path;
  const bool drive = path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]);
  const bool unc = path.starts_with(L"\\\\");
  if (!drive && !unc) return path;
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  if (unc) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string ErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring_view text(buffer ? buffer : L"", buffer ? length : 0);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.remove_suffix(1);
  }
  std::string result = Utf8(text);
  if (buffer) ::LocalFree(buffer);
  if (result.empty()) result = "Windows error " + std::to_string(error);
  return result;
}

int64_t FileTimeToUnix(const FILETIME& time) {
  const uint64_t ticks = (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
  return static_cast<int64_t>(ticks / kTicksPerSecond) - kEpochSeconds;
}

FILETIME UnixToFileTime(int64_t seconds) {
  // FILETIME starts in 1601 and ends in 30828; times outside are clamped.
  constexpr int64_t kLast = INT64_MAX / kTicksPerSecond - kEpochSeconds;
  const int64_t clamped = std::clamp<int64_t>(seconds, -kEpochSeconds, kLast);
  const auto ticks = static_cast<uint64_t>((clamped + kEpochSeconds) * kTicksPerSecond);
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

}  // namespace Platform::Win32
