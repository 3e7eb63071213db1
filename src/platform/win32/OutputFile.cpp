// Captured files: written under a hidden temporary name, committed by a rename that
// never replaces.
#include <algorithm>
#include <vector>

#include "platform/NativeSteps.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WideText.h"

namespace Platform::Native {

namespace {

constexpr size_t kCopyBuffer = 256 * 1024;

}  // namespace

Created CreateTemporary(const std::string& path, SystemHandle& file, std::string& failure) {
  // Hidden, since a leading dot hides nothing here; the attribute goes before the file
  // gets its final name.
  file = Win32::Own(::CreateFileW(Win32::WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN,
                                  nullptr));
  if (file.Valid()) return Created::Yes;
  const DWORD error = ::GetLastError();
  failure = Win32::ErrorText(error);
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Created::NameTaken
                                                                     : Created::Failed;
}

Unnamed CreateUnnamed(const std::string&, SystemHandle&, std::string&) {
  // A file without a name cannot be given one later here: named temporaries it is.
  return Unnamed::Unsupported;
}

std::string UnnamedPath(const SystemHandle&) {
  return {};
}

CommitResult LinkUnnamed(const SystemHandle&, const std::string&, std::string& failure) {
  failure = OutOfOrderText();
  return CommitResult::Failed;
}

Copied CopyRange(const SystemHandle& from, const SystemHandle& to, uint64_t offset, uint64_t length,
                 std::string& failure) {
  // Windows copies only whole files in the kernel; a range goes through a buffer.
  std::vector<std::byte> buffer(static_cast<size_t>(std::min<uint64_t>(kCopyBuffer, length)));
  Copied copied;
  while (copied.Bytes < length) {
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(length - copied.Bytes, buffer.size()));
    const std::optional<size_t> read =
        ReadSome(from, offset + copied.Bytes, buffer.data(), want, failure);
    if (!read) {
      copied.Result = CopyResult::SourceFailed;
      return copied;
    }
    if (*read == 0) break;  // the source ended early
    if (!WriteAll(to, std::span<const std::byte>(buffer.data(), *read), failure)) {
      copied.Result = CopyResult::DestinationFailed;
      return copied;
    }
    copied.Bytes += *read;
  }
  return copied;
}

bool Truncate(const SystemHandle& file, std::string& failure) {
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(Win32::Raw(file), start, nullptr, FILE_BEGIN) ||
      !::SetEndOfFile(Win32::Raw(file))) {
    failure = Win32::ErrorText(::GetLastError());
    return false;
  }
  return true;
}

bool CloseReporting(SystemHandle& file, std::string& failure) {
  // Writes are not buffered here; the close reports what the file system deferred.
  if (file.Close()) return true;
  failure = Win32::ErrorText(::GetLastError());
  return false;
}

CommitResult RenameNoReplace(const std::string& from, const std::string& to, std::string& failure) {
  const std::wstring source = Win32::WidePath(from);
  // The saved file is an ordinary one; only the temporary is hidden.
  ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
  // Without MOVEFILE_REPLACE_EXISTING the rename fails when the name is taken, in one
  // step of the file system.
  if (::MoveFileExW(source.c_str(), Win32::WidePath(to).c_str(), 0)) {
    return CommitResult::Committed;
  }
  const DWORD error = ::GetLastError();
  ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_HIDDEN);
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return CommitResult::NameTaken;
  failure = Win32::ErrorText(error);
  return CommitResult::Failed;
}

bool SetModifiedTime(const SystemHandle& file, const std::string& path, int64_t seconds,
                     std::string& failure) {
  const FILETIME time = Win32::UnixToFileTime(seconds);
  Win32::Handle opened;
  HANDLE target = Win32::Raw(file);
  if (!file.Valid()) {
    opened.Reset(::CreateFileW(Win32::WidePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    target = opened.Get();
  }
  if (target == nullptr || target == INVALID_HANDLE_VALUE ||
      !::SetFileTime(target, nullptr, nullptr, &time)) {
    failure = Win32::ErrorText(::GetLastError());
    return false;
  }
  return true;
}

}  // namespace Platform::Native
