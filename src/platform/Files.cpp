// What the files interface does the same way on every system: the temporary and the
// rename of an atomic replacement, and a copy to a new file. Creating, writing and
// renaming are the system's (NativeSteps.h).
#include "platform/Files.h"

#include <cstdio>
#include <random>
#include <span>

#include "platform/NativeSteps.h"
#include "platform/SystemHandle.h"

namespace Platform {

namespace {

// A clash of the random names means another writer picked the same one at the same
// moment; a few tries are plenty.
constexpr int kTemporaryAttempts = 16;
// Settings and filter files are far smaller; a larger file is not one of them.
constexpr uint64_t kCopyLimit = uint64_t{64} << 20;

std::span<const std::byte> BytesOf(std::string_view text) {
  return std::as_bytes(std::span(text.data(), text.size()));
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view content) {
  if (path.empty()) return false;
  static thread_local std::mt19937_64 random{std::random_device{}()};
  std::string temporary;
  SystemHandle out;
  std::string failure;
  for (int attempt = 0; attempt < kTemporaryAttempts && !out.Valid(); ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random()));
    temporary = path + suffix;
    if (Native::CreateNewFile(temporary, path, out, failure) == Native::Created::Failed) {
      return false;
    }
  }
  if (!out.Valid()) return false;
  const bool written = Native::WriteAll(out, BytesOf(content), failure) && Native::FlushToDisk(out);
  const bool closed = out.Close();
  if (!written || !closed || !Native::RenameReplacing(temporary, path)) {
    DeleteFile(temporary);
    return false;
  }
  return true;
}

bool CopyToNewFile(const std::string& source, const std::string& destination) {
  const std::optional<std::string> content = ReadWholeFile(source, kCopyLimit);
  if (!content || destination.empty()) return false;
  SystemHandle out;
  std::string failure;
  if (Native::CreateNewFile(destination, {}, out, failure) != Native::Created::Yes) return false;
  const bool written = Native::WriteAll(out, BytesOf(*content), failure);
  if (!out.Close() || !written) {
    DeleteFile(destination);
    return false;
  }
  return true;
}

}  // namespace Platform
