// The bookkeeping of the cache-file objects, the same on every system; the opens, lists
// and reads themselves are the system's (NativeSteps.h).
#include "platform/CacheFiles.h"

#include "platform/NativeSteps.h"

namespace Platform {

bool OpenFolder::Open(const std::string& path) {
  Close();
  Handle = Native::OpenNamedFolder(path, Failure);
  return Handle.Valid();
}

bool OpenFolder::OpenIn(const OpenFolder& parent, std::string_view relative) {
  Close();
  if (!parent.IsOpen()) {
    Failure = Native::NotOpenText();
    return false;
  }
  Handle = Native::OpenBelow(parent.Handle, relative, true, Failure);
  return Handle.Valid();
}

std::optional<std::vector<std::string>> OpenFolder::ListNames(bool folders) const {
  if (!IsOpen()) {
    Failure = Native::NotOpenText();
    return std::nullopt;
  }
  return Native::ListNames(Handle, folders, Failure);
}

std::optional<std::vector<std::string>> OpenFolder::ListFileNames() const {
  return ListNames(false);
}

std::optional<std::vector<std::string>> OpenFolder::ListFolderNames() const {
  return ListNames(true);
}

bool ReadOnlyFile::Open(const std::string& path) {
  Close();
  return Adopt(Native::OpenNamedFile(path, Failure));
}

bool ReadOnlyFile::OpenIn(const OpenFolder& folder, std::string_view relative) {
  Close();
  if (!folder.IsOpen()) {
    Failure = Native::NotOpenText();
    return false;
  }
  return Adopt(Native::OpenBelow(folder.Handle, relative, false, Failure));
}

bool ReadOnlyFile::Adopt(SystemHandle handle) {
  if (!handle.Valid()) return false;
  const std::optional<Native::FileFacts> facts = Native::RegularFileFacts(handle, Failure);
  if (!facts) return false;
  FileLength = facts->Size;
  Modified = facts->Modified;
  Id = facts->Identity;
  Handle = std::move(handle);
  return true;
}

void ReadOnlyFile::Close() {
  Handle.Reset();
  FileLength = 0;
  Modified = 0;
  Id = {};
}

std::optional<std::pair<uint64_t, int64_t>> ReadOnlyFile::CurrentSizeAndTime() const {
  if (!IsOpen()) return std::nullopt;
  std::string failure;
  const std::optional<Native::FileFacts> facts = Native::RegularFileFacts(Handle, failure);
  if (!facts) return std::nullopt;
  return std::pair<uint64_t, int64_t>{facts->Size, facts->Modified};
}

std::optional<size_t> ReadOnlyFile::ReadAt(uint64_t offset, void* buffer, size_t length) const {
  if (!IsOpen()) {
    Failure = Native::NotOpenText();
    return std::nullopt;
  }
  auto* out = static_cast<std::byte*>(buffer);
  size_t done = 0;
  while (done < length) {
    const std::optional<size_t> read =
        Native::ReadSome(Handle, offset + done, out + done, length - done, Failure);
    if (!read) return std::nullopt;
    if (*read == 0) break;
    done += *read;
  }
  return done;
}

}  // namespace Platform
