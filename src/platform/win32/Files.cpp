#include "platform/Files.h"

#include "platform/NativeSteps.h"
#include "platform/Paths.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WideText.h"

namespace Platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Writes and reads go in pieces that one call always takes whole.
constexpr size_t kMaxPiece = size_t{1} << 30;

// Attributes of whatever is at `path` (a link itself, not what it names).
std::optional<WIN32_FILE_ATTRIBUTE_DATA> Attributes(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() ||
      !::GetFileAttributesExW(Win32::WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  return data;
}

bool IsFolder(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsLink(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Calls `visit` with every item of a folder but "." and "..".
template <typename Visit>
bool ForEachItem(const std::string& folder, Visit visit) {
  if (folder.empty()) return false;
  WIN32_FIND_DATAW item{};
  HANDLE find =
      ::FindFirstFileExW(Win32::WidePath(JoinPath(folder, "*")).c_str(), FindExInfoBasic, &item,
                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring_view name = item.cFileName;
    if (name == L"." || name == L"..") continue;
    visit(item);
  } while (::FindNextFileW(find, &item));
  ::FindClose(find);
  return true;
}

}  // namespace

std::optional<std::vector<FolderItem>> ListFolderFiles(const std::string& folder) {
  std::vector<FolderItem> out;
  const bool listed = ForEachItem(folder, [&](const WIN32_FIND_DATAW& item) {
    if (IsFolder(item.dwFileAttributes) || IsLink(item.dwFileAttributes)) return;
    const uint64_t size = (uint64_t{item.nFileSizeHigh} << 32) | item.nFileSizeLow;
    out.push_back({Win32::Utf8(item.cFileName), size});
  });
  if (!listed) return std::nullopt;
  return out;
}

std::optional<std::vector<std::string>> ListSubFolders(const std::string& folder) {
  std::vector<std::string> out;
  // A link to a folder counts, as on other systems.
  const bool listed = ForEachItem(folder, [&](const WIN32_FIND_DATAW& item) {
    if (IsFolder(item.dwFileAttributes)) out.push_back(Win32::Utf8(item.cFileName));
  });
  if (!listed) return std::nullopt;
  return out;
}

std::optional<uint64_t> FreeSpace(const std::string& folder) {
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(Win32::WidePath(folder).c_str(), &available, nullptr, nullptr)) {
    return std::nullopt;
  }
  return static_cast<uint64_t>(available.QuadPart);
}

bool FileExists(const std::string& path) {
  const auto data = Attributes(path);
  return data && !IsFolder(data->dwFileAttributes);
}

bool PathExists(const std::string& path) {
  return Attributes(path).has_value();
}

bool FolderExists(const std::string& path) {
  const auto data = Attributes(path);
  return data && IsFolder(data->dwFileAttributes);
}

std::optional<uint64_t> FileSize(const std::string& path) {
  const auto data = Attributes(path);
  if (!data || IsFolder(data->dwFileAttributes)) return std::nullopt;
  return (uint64_t{data->nFileSizeHigh} << 32) | data->nFileSizeLow;
}

bool CreateFolder(const std::string& path) {
  if (path.empty()) return false;
  if (::CreateDirectoryW(Win32::WidePath(path).c_str(), nullptr)) return true;
  const DWORD error = ::GetLastError();
  return (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) && FolderExists(path);
}

bool CreateFolderTree(const std::string& path) {
  std::string reason;
  return CreateFolderTree(path, reason);
}

bool CreateFolderTree(const std::string& path, std::string& reason) {
  reason = Win32::ErrorText(ERROR_PATH_NOT_FOUND);
  if (path.empty()) return false;
  // "Q:\..." on a machine without drive Q: says so, not "path not found".
  if (path.size() >= 3 && path[1] == ':') {
    const std::wstring root = Win32::Wide(path.substr(0, 2) + "\\");
    if (::GetDriveTypeW(root.c_str()) == DRIVE_NO_ROOT_DIR) {
      reason = "no such drive";
      return false;
    }
  }
  auto make = [&](const std::string& part) {
    if (FolderExists(part) || CreateFolder(part)) return true;
    const DWORD error = ::GetLastError();
    // Something that is no folder stands where one is needed.
    reason = Win32::ErrorText(PathExists(part) ? ERROR_DIRECTORY : error);
    return false;
  };
  // The volume's own part ("C:\", "\\server\share\") is never created.
  size_t start = 1;
  if (path.size() >= 3 && path[1] == ':') {
    start = 3;
  } else if (path.starts_with("\\\\") || path.starts_with("//")) {
    start = path.find_first_of("\\/", 2);
    start = start == std::string::npos ? path.size() : path.find_first_of("\\/", start + 1);
    if (start == std::string::npos) return FolderExists(path);
  }
  for (size_t slash = path.find_first_of("\\/", start); slash != std::string::npos;
       slash = path.find_first_of("\\/", slash + 1)) {
    if (!make(path.substr(0, slash))) return false;
  }
  return make(path);
}

bool RemoveEmptyFolder(const std::string& path) {
  return !path.empty() && ::RemoveDirectoryW(Win32::WidePath(path).c_str());
}

bool IsOnReadOnlyFileSystem(const std::string& path) {
  std::string folder = path;
  while (!folder.empty() && !PathExists(folder)) {
    const std::string parent = ParentFolder(folder);
    if (parent == folder) return false;
    folder = parent;
  }
  if (folder.empty()) return false;
  std::wstring volume(folder.size() + 8, L'\0');
  if (!::GetVolumePathNameW(Win32::WidePath(folder).c_str(), volume.data(),
                            static_cast<DWORD>(volume.size()))) {
    return false;
  }
  DWORD flags = 0;
  if (!::GetVolumeInformationW(volume.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) {
    return false;
  }
  return (flags & FILE_READ_ONLY_VOLUME) != 0;
}

bool DeleteFile(const std::string& path) {
  return !path.empty() && ::DeleteFileW(Win32::WidePath(path).c_str());
}

std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t limit) {
  if (path.empty()) return std::nullopt;
  Win32::Handle in(::CreateFileW(Win32::WidePath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  // Only files on a disk: a device or pipe of that name is not one.
  if (!in.Valid() || ::GetFileType(in.Get()) != FILE_TYPE_DISK) return std::nullopt;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(in.Get(), &size) || size.QuadPart < 0 ||
      static_cast<uint64_t>(size.QuadPart) > limit) {
    return std::nullopt;
  }
  std::string content(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < content.size()) {
    DWORD read = 0;
    const auto piece = static_cast<DWORD>(std::min(content.size() - done, kMaxPiece));
    if (!::ReadFile(in.Get(), content.data() + done, piece, &read, nullptr)) return std::nullopt;
    if (read == 0) break;
    done += read;
  }
  content.resize(done);
  return content;
}

namespace Win32 {

bool WriteAll(HANDLE file, const char* data, size_t length) {
  while (length > 0) {
    DWORD written = 0;
    const auto piece = static_cast<DWORD>(std::min(length, kMaxPiece));
    if (!::WriteFile(file, data, piece, &written, nullptr)) return false;
    if (written == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    data += written;
    length -= written;
  }
  return true;
}

}  // namespace Win32

namespace Native {

Created CreateNewFile(const std::string& path, const std::string&, SystemHandle& file,
                      std::string& failure) {
  // A new file takes the permissions of its folder here, a replacement included.
  file = Win32::Own(::CreateFileW(Win32::WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Valid()) return Created::Yes;
  const DWORD error = ::GetLastError();
  failure = Win32::ErrorText(error);
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Created::NameTaken
                                                                     : Created::Failed;
}

bool WriteAll(const SystemHandle& file, std::span<const std::byte> bytes, std::string& failure) {
  if (Win32::WriteAll(Win32::Raw(file), reinterpret_cast<const char*>(bytes.data()),
                      bytes.size())) {
    return true;
  }
  failure = Win32::ErrorText(::GetLastError());
  return false;
}

bool FlushToDisk(const SystemHandle& file) {
  return ::FlushFileBuffers(Win32::Raw(file)) != FALSE;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  return ::MoveFileExW(Win32::WidePath(from).c_str(), Win32::WidePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace Native

}  // namespace Platform
