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

#include "platform/Platform.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WideText.h"

namespace Platform {

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
NTSTATUS OpenBelow(HANDLE parent, std::wstring_view name, bool folder, Win32::Handle& out) {
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
    const NTSTATUS status = OpenBelow(at, piece, !last || wantFolder, next);
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

bool ListNames(HANDLE folder, bool wantFolders, std::vector<std::string>& names,
               std::string& failure) {
  names.clear();
  if (folder == nullptr) {
    failure = Win32::ErrorText(ERROR_INVALID_HANDLE);
    return false;
  }
  // 8-byte elements: the records hold 64-bit fields and must be aligned.
  std::vector<uint64_t> buffer(kListBufferBytes / sizeof(uint64_t));
  const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
  const size_t size = buffer.size() * sizeof(uint64_t);
  // The first call starts the listing over, so a folder can be listed again.
  FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;
  while (true) {
    if (!::GetFileInformationByHandleEx(folder, kind, buffer.data(), static_cast<DWORD>(size))) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_NO_MORE_FILES) return true;
      failure = Win32::ErrorText(error);
      return false;
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
      if (name != L"." && name != L".." && !isLink && isFolder == wantFolders) {
        names.push_back(Win32::Utf8(name));
      }
      if (item.NextEntryOffset == 0) break;
      at += item.NextEntryOffset;
    }
  }
}

// Takes a handle only when it is a regular file; fills size, time and identity.
bool AdoptRegularFile(Win32::Handle in, Win32::Handle& file, uint64_t& length, int64_t& modified,
                      FileIdentity& id, std::string& failure) {
  if (!in.Valid()) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(in.Get()) != FILE_TYPE_DISK || !::GetFileInformationByHandle(in.Get(), &info)) {
    failure = Win32::ErrorText(::GetLastError());
    return false;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    failure = Win32::ErrorText(ERROR_DIRECTORY);
    return false;
  }
  length = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  modified = Win32::FileTimeToUnix(info.ftLastWriteTime);
  id = {info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  file = std::move(in);
  return true;
}

}  // namespace

OpenFolder::OpenFolder() : Handle(std::make_unique<Native>()) {}
OpenFolder::OpenFolder(OpenFolder&& other) noexcept = default;
OpenFolder& OpenFolder::operator=(OpenFolder&& other) noexcept = default;
OpenFolder::~OpenFolder() = default;

bool OpenFolder::Open(const std::string& path) {
  Close();
  if (!Handle) Handle = std::make_unique<Native>();
  // FILE_FLAG_BACKUP_SEMANTICS is what lets CreateFileW open a folder.
  Win32::Handle folder = OpenNamed(path, kFolderAccess, FILE_FLAG_BACKUP_SEMANTICS);
  if (!folder.Valid()) {
    Failure = Win32::ErrorText(path.empty() ? ERROR_PATH_NOT_FOUND : ::GetLastError());
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(folder.Get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    Failure = Win32::ErrorText(ERROR_DIRECTORY);
    return false;
  }
  Handle->Folder = std::move(folder);
  return true;
}

bool OpenFolder::OpenIn(const OpenFolder& parent, std::string_view relative) {
  Close();
  if (!Handle) Handle = std::make_unique<Native>();
  if (!parent.IsOpen()) {
    Failure = Win32::ErrorText(ERROR_INVALID_HANDLE);
    return false;
  }
  Handle->Folder = OpenRelative(parent.Handle->Folder.Get(), relative, true, Failure);
  return Handle->Folder.Valid();
}

void OpenFolder::Close() {
  if (Handle) Handle->Folder.Reset();
}

bool OpenFolder::IsOpen() const {
  return Handle && Handle->Folder.Valid();
}

bool OpenFolder::ListFileNames(std::vector<std::string>& names) const {
  return ListNames(IsOpen() ? Handle->Folder.Get() : nullptr, false, names, Failure);
}

bool OpenFolder::ListFolderNames(std::vector<std::string>& names) const {
  return ListNames(IsOpen() ? Handle->Folder.Get() : nullptr, true, names, Failure);
}

ReadOnlyFile::ReadOnlyFile() : Handle(std::make_unique<Native>()) {}
ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept = default;
ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept = default;
ReadOnlyFile::~ReadOnlyFile() = default;

bool ReadOnlyFile::Open(const std::string& path) {
  Close();
  Win32::Handle file = OpenNamed(path, kFileAccess, FILE_ATTRIBUTE_NORMAL);
  if (!file.Valid()) {
    Failure = Win32::ErrorText(path.empty() ? ERROR_FILE_NOT_FOUND : ::GetLastError());
    return false;
  }
  return AdoptRegularFile(std::move(file), Handle->File, FileLength, Modified, Id, Failure);
}

bool ReadOnlyFile::OpenIn(const OpenFolder& folder, std::string_view relative) {
  Close();
  if (!folder.IsOpen()) {
    Failure = Win32::ErrorText(ERROR_INVALID_HANDLE);
    return false;
  }
  Win32::Handle file = OpenRelative(folder.Handle->Folder.Get(), relative, false, Failure);
  return AdoptRegularFile(std::move(file), Handle->File, FileLength, Modified, Id, Failure);
}

void ReadOnlyFile::Close() {
  if (!Handle) Handle = std::make_unique<Native>();
  Handle->File.Reset();
  FileLength = 0;
  Modified = 0;
  Id = {};
}

bool ReadOnlyFile::IsOpen() const {
  return Handle && Handle->File.Valid();
}

std::optional<std::pair<uint64_t, int64_t>> ReadOnlyFile::CurrentSizeAndTime() const {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!IsOpen() || !::GetFileInformationByHandle(Handle->File.Get(), &info)) return std::nullopt;
  return std::pair<uint64_t, int64_t>{(uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
                                      Win32::FileTimeToUnix(info.ftLastWriteTime)};
}

int64_t ReadOnlyFile::ReadAt(uint64_t offset, void* buffer, size_t length) const {
  if (!IsOpen()) {
    Failure = Win32::ErrorText(ERROR_INVALID_HANDLE);
    return -1;
  }
  size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < length) {
    // The offset goes with each read, so reads from several threads do not meet.
    OVERLAPPED at{};
    const uint64_t position = offset + done;
    at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    const auto piece = static_cast<DWORD>(std::min<size_t>(length - done, size_t{1} << 30));
    DWORD read = 0;
    if (!::ReadFile(Handle->File.Get(), out + done, piece, &read, &at)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_HANDLE_EOF) break;
      Failure = Win32::ErrorText(error);
      return -1;
    }
    if (read == 0) break;
    done += read;
  }
  return static_cast<int64_t>(done);
}

}  // namespace Platform
