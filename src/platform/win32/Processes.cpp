// Process checks: a Toolhelp snapshot of every process, compared by image name.
#include "platform/win32/WinApi.h"
// WinApi.h first: tlhelp32.h needs windows.h.
#include <tlhelp32.h>

#include "base/Text.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WideText.h"

namespace Platform {

namespace {

// Far more processes than any system runs; only guards against a runaway snapshot.
constexpr size_t kEntryLimit = size_t{1} << 20;

}  // namespace

bool IsProcessRunning(const std::vector<std::string>& names) {
  if (names.empty()) return false;
  Win32::Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  size_t examined = 0;
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more && examined < kEntryLimit;
       more = ::Process32NextW(snapshot.Get(), &entry), ++examined) {
    // szExeFile is the image's file name; a folder before it is never part of a name.
    const std::string image = FileName(Win32::Utf8(entry.szExeFile));
    for (const std::string& name : names) {
      if (Text::EqualsIgnoringAsciiCase(image, name)) return true;
    }
  }
  return false;
}

uint32_t CurrentProcessId() {
  return static_cast<uint32_t>(::GetCurrentProcessId());
}

bool IsProcessAlive(uint32_t id) {
  if (id == 0) return false;
  Win32::Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  if (!process.Valid()) return ::GetLastError() != ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  return !::GetExitCodeProcess(process.Get(), &code) || code == STILL_ACTIVE;
}

}  // namespace Platform
