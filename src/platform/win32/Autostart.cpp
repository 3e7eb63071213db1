// Start with login: the value "Vorlane" under the current user's Run key.
#include "platform/Autostart.h"

#include "platform/Paths.h"
#include "platform/win32/WideText.h"

namespace Platform {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kValueName[] = L"Vorlane";
// A command line of a program is far shorter; a longer value is not ours.
constexpr DWORD kMaxValueBytes = 64 * 1024;

// The value as Windows starts it: the path in quotes, since it may hold blanks.
std::wstring CommandOf(const std::string& executable) {
  return L"\"" + Win32::Wide(executable) + L"\"";
}

std::optional<std::wstring> ReadValue() {
  DWORD bytes = 0;
  if (::RegGetValueW(HKEY_CURRENT_USER, kRunKey, kValueName, RRF_RT_REG_SZ, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS ||
      bytes > kMaxValueBytes) {
    return std::nullopt;
  }
  std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (::RegGetValueW(HKEY_CURRENT_USER, kRunKey, kValueName, RRF_RT_REG_SZ, nullptr, value.data(),
                     &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.resize(wcsnlen(value.c_str(), value.size()));
  return value;
}

}  // namespace

std::optional<std::string> StartWithLoginEntryPath() {
  return "HKEY_CURRENT_USER\\" + Win32::Utf8(kRunKey) + "\\" + Win32::Utf8(kValueName);
}

bool StartsWithLogin() {
  return ReadValue().has_value();
}

bool SetStartWithLogin(bool enable, const std::string& executable) {
  if (!enable) {
    const LSTATUS removed = ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kValueName);
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
  }
  // Only an absolute path starts from the Run key whatever the current folder is.
  if (!IsAbsolutePath(executable)) return false;
  const std::wstring command = CommandOf(executable);
  // Every start asks for the value; an unchanged value is not rewritten.
  if (ReadValue() == command) return true;
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LSTATUS written =
      ::RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
  return written == ERROR_SUCCESS;
}

}  // namespace Platform
