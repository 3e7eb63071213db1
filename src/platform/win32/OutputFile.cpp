// Captured files: written under a hidden temporary name, committed by a rename that
// never replaces.
#include "platform/OutputNames.h"
#include "platform/Platform.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WideText.h"

namespace Platform {

namespace {

constexpr size_t kCopyBuffer = 256 * 1024;

}  // namespace

OutputFile::OutputFile() : Handle(std::make_unique<Native>()) {}

OutputFile::~OutputFile() {
  Discard();
}

bool OutputFile::Create(const std::string& folder) {
  Discard();
  Folder = folder;
  Written = 0;
  Committed = false;
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < kOutputNameAttempts; ++attempt) {
    const std::string path = JoinPath(folder, NewOutputTemporaryName());
    // Hidden, since a leading dot hides nothing here; the attribute goes before the
    // file gets its final name.
    Handle->File.Reset(::CreateFileW(Win32::WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN,
                                     nullptr));
    if (Handle->File.Valid()) {
      CurrentPath = path;
      return true;
    }
    error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  Failure = Win32::ErrorText(error);
  return false;
}

bool OutputFile::Write(std::span<const std::byte> bytes) {
  if (!Handle->File.Valid()) {
    Failure = Win32::ErrorText(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!Win32::WriteAll(Handle->File.Get(), reinterpret_cast<const char*>(bytes.data()),
                       bytes.size())) {
    Failure = Win32::ErrorText(::GetLastError());
    return false;
  }
  Written += bytes.size();
  return true;
}

CopyResult OutputFile::CopyFrom(const ReadOnlyFile& source, uint64_t offset, uint64_t length,
                                uint64_t& copied) {
  copied = 0;
  if (!Handle->File.Valid() || !source.IsOpen()) {
    Failure = Win32::ErrorText(ERROR_INVALID_HANDLE);
    return Handle->File.Valid() ? CopyResult::SourceFailed : CopyResult::DestinationFailed;
  }
  // Windows copies only whole files in the kernel; a range goes through a buffer.
  std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(kCopyBuffer, length)));
  while (copied < length) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(length - copied, buffer.size()));
    const int64_t read = source.ReadAt(offset + copied, buffer.data(), want);
    if (read < 0) {
      Failure = source.FailureText();
      return CopyResult::SourceFailed;
    }
    if (read == 0) break;  // the source ended early
    if (!Win32::WriteAll(Handle->File.Get(), buffer.data(), static_cast<size_t>(read))) {
      Failure = Win32::ErrorText(::GetLastError());
      return CopyResult::DestinationFailed;
    }
    copied += static_cast<uint64_t>(read);
    Written += static_cast<uint64_t>(read);
  }
  return CopyResult::Ok;
}

bool OutputFile::Restart() {
  LARGE_INTEGER start{};
  if (!Handle->File.Valid() ||
      !::SetFilePointerEx(Handle->File.Get(), start, nullptr, FILE_BEGIN) ||
      !::SetEndOfFile(Handle->File.Get())) {
    Failure = Win32::ErrorText(Handle->File.Valid() ? ::GetLastError() : ERROR_INVALID_HANDLE);
    return false;
  }
  Written = 0;
  return true;
}

bool OutputFile::Finish() {
  if (!Handle->File.Valid()) return !CurrentPath.empty();
  // Writes are not buffered here; the close reports what the file system deferred.
  if (!Handle->File.Close()) {
    Failure = Win32::ErrorText(::GetLastError());
    return false;
  }
  return true;
}

CommitResult OutputFile::Commit(std::string_view name) {
  if (CurrentPath.empty() || Committed) {
    Failure = Win32::ErrorText(ERROR_INVALID_FUNCTION);
    return CommitResult::Failed;
  }
  if (Handle->File.Valid() && !Finish()) return CommitResult::Failed;
  const std::string target = JoinPath(Folder, name);
  const std::wstring from = Win32::WidePath(CurrentPath);
  // The saved file is an ordinary one; only the temporary is hidden.
  ::SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_NORMAL);
  // Without MOVEFILE_REPLACE_EXISTING the rename fails when the name is taken, in one
  // step of the file system.
  if (::MoveFileExW(from.c_str(), Win32::WidePath(target).c_str(), 0)) {
    CurrentPath = target;
    Committed = true;
    return CommitResult::Committed;
  }
  const DWORD error = ::GetLastError();
  ::SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_HIDDEN);
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return CommitResult::NameTaken;
  Failure = Win32::ErrorText(error);
  return CommitResult::Failed;
}

bool OutputFile::SetModifiedTime(int64_t seconds) {
  const FILETIME time = Win32::UnixToFileTime(seconds);
  Win32::Handle opened;
  HANDLE file = Handle->File.Get();
  if (!Handle->File.Valid()) {
    opened.Reset(::CreateFileW(Win32::WidePath(CurrentPath).c_str(), FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    file = opened.Get();
  }
  if (file == nullptr || file == INVALID_HANDLE_VALUE ||
      !::SetFileTime(file, nullptr, nullptr, &time)) {
    Failure = Win32::ErrorText(::GetLastError());
    return false;
  }
  return true;
}

void OutputFile::Discard() {
  Handle->File.Reset();
  if (!Committed && !CurrentPath.empty()) ::DeleteFileW(Win32::WidePath(CurrentPath).c_str());
  CurrentPath.clear();
  Committed = false;
  Written = 0;
}

int RemoveOutputTemporaries(const std::string& folder) {
  if (folder.empty()) return 0;
  WIN32_FIND_DATAW item{};
  HANDLE find = ::FindFirstFileExW(Win32::WidePath(JoinPath(folder, "*")).c_str(), FindExInfoBasic,
                                   &item, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int removed = 0;
  do {
    // Only files: a folder or link of that name is not ours.
    if ((item.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
      continue;
    }
    const std::string name = Win32::Utf8(item.cFileName);
    if (!IsOutputTemporaryName(name)) continue;
    if (::DeleteFileW(Win32::WidePath(JoinPath(folder, name)).c_str())) ++removed;
  } while (::FindNextFileW(find, &item));
  ::FindClose(find);
  return removed;
}

}  // namespace Platform
