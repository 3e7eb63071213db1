#include "platform/posix/MountTable.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "platform/posix/Posix.h"

namespace Platform {

namespace {

// mountinfo grows with the number of mounts; hosts with thousands of container
// mounts stay well below these bounds.
constexpr size_t MaxMountInfoBytes = 16 * 1024 * 1024;
constexpr size_t MaxMounts = 100000;

// The kernel writes space, tab, newline and backslash in paths as \ooo.
std::string Unescape(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string_view digits = field.substr(i + 1, 3);
      if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        const int value = (digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0');
        if (value <= 0xFF) {
          out += static_cast<char>(value);
          i += 3;
          continue;
        }
      }
    }
    out += field[i];
  }
  return out;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start < line.size()) {
    const size_t end = std::min(line.find(' ', start), line.size());
    if (end > start) fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

bool ParseNumber(std::string_view text, uint32_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::optional<MountEntry> ParseLine(std::string_view line) {
  // id parent major:minor root mount-point options [optional fields...] - type source super-options
  const std::vector<std::string_view> fields = SplitFields(line);
  if (fields.size() < 10) return std::nullopt;
  const auto separator = std::find(fields.begin() + 6, fields.end(), "-");
  if (separator == fields.end() || fields.end() - separator < 3) return std::nullopt;

  MountEntry entry;
  const std::string_view device = fields[2];
  const size_t colon = device.find(':');
  if (colon == std::string_view::npos || !ParseNumber(device.substr(0, colon), entry.Major) ||
      !ParseNumber(device.substr(colon + 1), entry.Minor)) {
    return std::nullopt;
  }
  entry.MountPoint = Unescape(fields[4]);
  if (entry.MountPoint.empty() || entry.MountPoint.front() != '/') return std::nullopt;
  entry.Type = Unescape(separator[1]);
  entry.Source = Unescape(separator[2]);
  return entry;
}

bool IsUnder(std::string_view path, std::string_view mountPoint) {
  if (mountPoint == "/") return !path.empty() && path.front() == '/';
  if (!path.starts_with(mountPoint)) return false;
  return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

}  // namespace

MountTable MountTable::Parse(std::string_view text) {
  MountTable table;
  size_t start = 0;
  while (start < text.size() && table.Mounts.size() < MaxMounts) {
    const size_t end = std::min(text.find('\n', start), text.size());
    if (auto entry = ParseLine(text.substr(start, end - start))) {
      table.Mounts.push_back(std::move(*entry));
    }
    start = end + 1;
  }
  return table;
}

std::optional<MountTable> MountTable::Load(const std::string& path) {
  // Files under /proc report a size of 0, so read until the end.
  SystemHandle in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.Valid()) return std::nullopt;
  std::string text;
  char buffer[16384];
  while (true) {
    const ssize_t n = ::read(Posix::Fd(in), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    if (text.size() + static_cast<size_t>(n) > MaxMountInfoBytes) return std::nullopt;
    text.append(buffer, static_cast<size_t>(n));
  }
  return Parse(text);
}

const MountEntry* MountTable::Find(std::string_view path) const {
  const MountEntry* best = nullptr;
  for (const MountEntry& entry : Mounts) {
    if (IsUnder(path, entry.MountPoint) &&
        (!best || entry.MountPoint.size() >= best->MountPoint.size())) {
      best = &entry;
    }
  }
  return best;
}

bool MountTable::IsNetworkType(std::string_view type, std::string_view source) {
  static constexpr std::string_view kernelTypes[] = {
      "nfs", "nfs4", "cifs",   "smb3", "smbfs",    "smb2",  "ncpfs", "ncp",    "afs",      "ceph",
      "9p",  "coda", "lustre", "gpfs", "orangefs", "pvfs2", "davfs", "beegfs", "glusterfs"};
  static constexpr std::string_view fuseClients[] = {
      "sshfs",     "rclone",  "s3fs",      "davfs",     "davfs2",        "gvfsd-fuse",
      "curlftpfs", "gcsfuse", "goofys",    "smbnetfs",  "glusterfs",     "ceph-fuse",
      "cephfs",    "afpfs",   "httpfs",    "httpfs2",   "ftpfs",         "blobfuse",
      "blobfuse2", "juicefs", "seaweedfs", "onedriver", "mountpoint-s3", "google-drive-ocamlfuse",
      "s3backer",  "nfs",     "cifs"};
  const auto listed = [](std::string_view name, const auto& names) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
  };
  if (listed(type, kernelTypes)) return true;
  std::string_view subtype;
  if (type.starts_with("fuse.") || type.starts_with("fuseblk.")) {
    subtype = type.substr(type.find('.') + 1);
  } else if (type == "fuse" || type == "fuseblk") {
    // Older FUSE mounts name their client in the source instead: "sshfs#host:/path".
    const size_t hash = source.find('#');
    if (hash != std::string_view::npos) subtype = source.substr(0, hash);
  }
  return !subtype.empty() && listed(subtype, fuseClients);
}

}  // namespace Platform
