// Kernel handles and the system's error texts.
#include "platform/SystemHandle.h"

#include "platform/NativeSteps.h"
#include "platform/win32/WideText.h"

namespace Platform {

bool SystemHandle::Close() {
  if (!Valid()) return true;
  return ::CloseHandle(reinterpret_cast<HANDLE>(Release())) != FALSE;
}

namespace Native {

std::string NotOpenText() {
  return Win32::ErrorText(ERROR_INVALID_HANDLE);
}

std::string OutOfOrderText() {
  return Win32::ErrorText(ERROR_INVALID_FUNCTION);
}

}  // namespace Native

}  // namespace Platform
