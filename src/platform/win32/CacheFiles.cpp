// Opening cache files: read-only, regular files only, no link followed below the
// cache folder, access times left alone. Every piece below a held folder is opened
// through the handle of the piece before it (NtCreateFile with a root directory), so
// the path is never resolved again, and with FILE_OPEN_REPARSE_POINT, so a link
// (symbolic link, junction, any reparse point) is opened as itself and then refused.
#include "platform/win32/WinApi.h"
// WinApi.h first: winternl.h needs windows.h.
#include <winternl.h>

#include <cstring>
#include <memory>

#include "platform/NativeSteps.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WideText.h"

namespace Platform::Native {

namespace {

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ACCESS_MASK kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr ACCESS_MASK kFileAccess = FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// The longest name one piece may have in a UNICODE_STRING (a length in bytes).
constexpr size_t kMaxPieceLength = 32767;
// One listing call fills this much; a folder of any size takes several calls.
constexpr size_t kListBufferBytes = 64 * 1024;

// The system keeps the access time of what is read through `handle` as it is
// (FILETIME 0xFFFFFFFF'FFFFFFFF means "do not update"). Needs FILE_WRITE_ATTRIBUTES; a
// handle opened without it just lets the system do what it does.
void KeepAccessTime(HANDLE handle) {
  FILETIME keep;
  keep.dwLowDateTime = 0xFFFFFFFF;
  keep.dwHighDateTime = 0xFFFFFFFF;
  ::SetFileTime(handle, nullptr, &keep, nullptr);
}

// A piece that stays inside its folder: not empty, no "." or "..", no separator and
// no ':' (which would name a stream of a file).
bool IsPlainPiece(std::wstring_view piece) {
  return !piece.empty() && piece != L"." && piece != L".." && piece.size() <= kMaxPieceLength &&
         piece.find_first_of(L"\\/:") == std::wstring_view::npos &&
         piece.find(L'\0') == std::wstring_view::npos;
}

// Opens `name` inside the folder `parent`, not following it if it is a link. First
// with the right to keep its access time, then without it (a read-only volume, or a
// file the user may only read).
NTSTATUS OpenPiece(HANDLE parent, std::wstring_view name, bool folder, Win32::Handle& out) {
  UNICODE_STRING text;
  text.Buffer = const_cast<wchar_t*>(name.data());
  text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  text.MaximumLength = text.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, parent, nullptr);
  const ACCESS_MASK access = folder ? kFolderAccess : kFileAccess;
  const ULONG options = FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT |
                        (folder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE);
  NTSTATUS status = 0;
  for (const ACCESS_MASK extra : {ACCESS_MASK{FILE_WRITE_ATTRIBUTES}, ACCESS_MASK{0}}) {
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    status = ::NtCreateFile(&handle, access | extra, &attributes, &io, nullptr, 0, kShareAll,
                            FILE_OPEN, options, nullptr, 0);
    if (NT_SUCCESS(status)) {
      out.Reset(handle);
      if (extra != 0) KeepAccessTime(handle);
      return status;
    }
  }
  return status;
}

// Opens a path the user named (links followed), first with the right to keep the
// access time, then without it.
Win32::Handle OpenNamed(const std::string& path, DWORD access, DWORD flags) {
  const std::wstring wide = Win32::WidePath(path);
  for (const DWORD extra : {DWORD{FILE_WRITE_ATTRIBUTES}, DWORD{0}}) {
    Win32::Handle handle(::CreateFileW(wide.c_str(), access | extra, kShareAll, nullptr,
                                       OPEN_EXISTING, flags, nullptr));
    if (handle.Valid()) {
      if (extra != 0) KeepAccessTime(handle.Get());
      return handle;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) break;
  }
  return Win32::Handle();
}

// Opens `relative` ('/'-separated pieces) below `folder`, each piece through the one
// before it, refusing any piece that is a link. `failure` is set on every failure.
Win32::Handle OpenRelative(HANDLE folder, std::string_view relative, bool wantFolder,
                           std::string& failure) {
  const std::wstring wide = Win32::Wide(relative);
  if (relative.empty() || wide.empty()) {
    failure = Win32::ErrorText(ERROR_INVALID_NAME);
    return Win32::Handle();
  }
  Win32::Handle current;
  HANDLE at = folder;
  for (size_t start = 0;;) {
    // Relative names built with the platform's separator come here as well.
    const size_t slash = wide.find_first_of(L"/\\", start);
    const bool last = slash == std::wstring::npos;
    const std::wstring_view piece =
        std::wstring_view(wide).substr(start, last ? std::wstring::npos : slash - start);
    if (!IsPlainPiece(piece)) {
      failure = Win32::ErrorText(ERROR_INVALID_NAME);
      return Win32::Handle();
    }
    Win32::Handle next;
    const NTSTATUS status = OpenPiece(at, piece, !last || wantFolder, next);
    if (!NT_SUCCESS(status)) {
      failure = Win32::ErrorText(::RtlNtStatusToDosError(status));
      return Win32::Handle();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(next.Get(), &info)) {
      failure = Win32::ErrorText(::GetLastError());
      return Win32::Handle();
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      failure = Win32::ErrorText(ERROR_CANT_ACCESS_FILE);
      return Win32::Handle();
    }
    current = std::move(next);
    if (last) return current;
    at = current.Get();
    start = slash + 1;
  }
}

}  // namespace

SystemHandle OpenNamedFolder(const std::string& path, std::string& failure) {
  // FILE_FLAG_BACKUP_SEMANTICS is what lets CreateFileW open a folder.
  Win32::Handle folder = OpenNamed(path, kFolderAccess, FILE_FLAG_BACKUP_SEMANTICS);
  if (!folder.Valid()) {
    failure = Win32::ErrorText(path.empty() ? ERROR_PATH_NOT_FOUND : ::GetLastError());
    return SystemHandle();
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(folder.Get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    failure = Win32::ErrorText(ERROR_DIRECTORY);
    return SystemHandle();
  }
  return Win32::Own(std::move(folder));
}

SystemHandle OpenNamedFile(const std::string& path, std::string& failure) {
  Win32::Handle file = OpenNamed(path, kFileAccess, FILE_ATTRIBUTE_NORMAL);
  if (!file.Valid()) {
    failure = Win32::ErrorText(path.empty() ? ERROR_FILE_NOT_FOUND : ::GetLastError());
  }
  return Win32::Own(std::move(file));
}

SystemHandle OpenBelow(const SystemHandle& folder, std::string_view relative, bool wantFolder,
                       std::string& failure) {
  return Win32::Own(OpenRelative(Win32::Raw(folder), relative, wantFolder, failure));
}

std::optional<std::vector<std::string>> ListNames(const SystemHandle& folder, bool folders,
                                                  std::string& failure) {
  // 8-byte elements: the records hold 64-bit fields and must be aligned.
  std::vector<uint64_t> buffer(kListBufferBytes / sizeof(uint64_t));
  const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
  const size_t size = buffer.size() * sizeof(uint64_t);
  std::vector<std::string> names;
  // The first call starts the listing over, so a folder can be listed again.
  FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;
  while (true) {
    if (!::GetFileInformationByHandleEx(Win32::Raw(folder), kind, buffer.data(),
                                        static_cast<DWORD>(size))) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_NO_MORE_FILES) return names;
      failure = Win32::ErrorText(error);
      return std::nullopt;
    }
    kind = FileFullDirectoryInfo;
    constexpr size_t kNameAt = offsetof(FILE_FULL_DIR_INFO, FileName);
    for (size_t at = 0; at + kNameAt <= size;) {
      FILE_FULL_DIR_INFO item;
      std::memcpy(&item, bytes + at, kNameAt);
      const size_t nameBytes = item.FileNameLength;
      if (nameBytes > size - at - kNameAt) break;
      std::wstring name(nameBytes / sizeof(wchar_t), L'\0');
      std::memcpy(name.data(), bytes + at + kNameAt, name.size() * sizeof(wchar_t));
      const bool isFolder = (item.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      const bool isLink = (item.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (name != L"." && name != L".." && !isLink && isFolder == folders) {
        names.push_back(Win32::Utf8(name));
      }
      if (item.NextEntryOffset == 0) break;
      at += item.NextEntryOffset;
    }
  }
}

std::optional<FileFacts> RegularFileFacts(const SystemHandle& file, std::string& failure) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(Win32::Raw(file)) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandle(Win32::Raw(file), &info)) {
    failure = Win32::ErrorText(::GetLastError());
    return std::nullopt;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    failure = Win32::ErrorText(ERROR_DIRECTORY);
    return std::nullopt;
  }
  return FileFacts{
      (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
      Win32::FileTimeToUnix(info.ftLastWriteTime),
      {info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow}};
}

std::optional<size_t> ReadSome(const SystemHandle& file, uint64_t offset, std::byte* buffer,
                               size_t length, std::string& failure) {
  // The offset goes with each read, so reads from several threads do not meet.
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  const auto piece = static_cast<DWORD>(std::min<size_t>(length, size_t{1} << 30));
  DWORD read = 0;
  if (!::ReadFile(Win32::Raw(file), buffer, piece, &read, &at)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_HANDLE_EOF) return 0;
    failure = Win32::ErrorText(error);
    return std::nullopt;
  }
  return static_cast<size_t>(read);
}

}  // namespace Platform::Native
