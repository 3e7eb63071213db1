#pragma once

// UTF-8 (the core's strings) and UTF-16 (every wide Windows call) meet here and
// nowhere else. The ANSI code page is never used for a path.

#include <string>
#include <string_view>

#include "platform/win32/WinApi.h"

namespace Platform::Win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// A path for the wide file calls: '/' becomes '\', and a long absolute path gets the
// "\\?\" form, which lifts the MAX_PATH limit (the path is made full first, since
// that form takes every piece literally).
std::wstring WidePath(std::string_view utf8);

// The system's description of an error code (GetLastError, or an NTSTATUS mapped to
// one), without the line end FormatMessageW appends.
std::string ErrorText(DWORD error);

// A FILETIME (100 ns since 1601) as seconds since 1970, and back.
int64_t FileTimeToUnix(const FILETIME& time);
FILETIME UnixToFileTime(int64_t seconds);

}  // namespace Platform::Win32
