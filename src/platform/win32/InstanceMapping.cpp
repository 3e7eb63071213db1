// The running tray program is marked by a named file mapping: a second start that
// creates the same name is told that it exists.
#include "platform/InstanceMapping.h"

#include "platform/win32/Handle.h"
#include "platform/win32/WideText.h"

namespace Platform {

InstanceMapping::Claim InstanceMapping::TryClaim(std::string_view name) {
  Release();
  const std::wstring wide = Win32::Wide(name);
  if (wide.empty()) return Claim::Unavailable;
  // One byte backed by the paging file: only the name matters. Without a prefix the
  // name lies in the session's own namespace, so other users' sessions do not count.
  Win32::Handle mapping(
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 1, wide.c_str()));
  const DWORD error = ::GetLastError();
  if (!mapping.Valid()) {
    // A different kind of object of that name: someone holds it all the same.
    return error == ERROR_INVALID_HANDLE ? Claim::HeldByOther : Claim::Unavailable;
  }
  if (error == ERROR_ALREADY_EXISTS) return Claim::HeldByOther;
  Mapping = Win32::Own(std::move(mapping));
  return Claim::Taken;
}

}  // namespace Platform
