#include "platform/Processes.h"
#include "platform/posix/Processes.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>

#include "platform/posix/Posix.h"
#include "platform/posix/ProcessMatch.h"

namespace Platform {

namespace {

// argv[0] of any real program fits well within this; the rest of the command line
// is never needed.
constexpr size_t CommandLineLimit = 4096;
constexpr size_t CommFileLimit = 64;
constexpr size_t StatLimit = 1024;
// More entries than any pid_max allows; only guards against a runaway listing.
constexpr size_t EntryLimit = size_t{1} << 23;

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool IsProcessFolderName(const char* name) {
  if (*name == '\0') return false;
  size_t length = 0;
  for (; name[length] != '\0'; ++length) {
    if (name[length] < '0' || name[length] > '9' || length >= 10) return false;
  }
  return true;
}

// Reads at most `limit` bytes of a file relative to `folder`; empty when unreadable.
// procfs files report no size, so the read loops until the end or the limit.
std::string ReadBounded(int folder, const std::string& relative, size_t limit) {
  SystemHandle file(::openat(folder, relative.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (!file.Valid()) return {};
  std::string content(limit, '\0');
  size_t used = 0;
  while (used < limit) {
    const ssize_t n = ::read(Posix::Fd(file), content.data() + used, limit - used);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    used += static_cast<size_t>(n);
  }
  content.resize(used);
  return content;
}

std::string ReadLinkAt(int folder, const std::string& relative) {
  char target[PATH_MAX];
  const ssize_t n = ::readlinkat(folder, relative.c_str(), target, sizeof target);
  if (n <= 0) return {};
  return std::string(target, static_cast<size_t>(n));
}

bool ProcessFolderMatches(int proc, const std::string& pid, const std::vector<std::string>& names) {
  // The cheap comm comes first; the command line and the link only when it did not match.
  const std::string comm = ReadBounded(proc, pid + "/comm", CommFileLimit);
  ProcessMatch::ProcessIdentity identity{comm, {}, {}};
  bool matched = ProcessMatch::Matches(identity, names);
  std::string commandLine;
  std::string executable;
  if (!matched) {
    commandLine = ReadBounded(proc, pid + "/cmdline", CommandLineLimit);
    identity.CommandLine = commandLine;
    matched = ProcessMatch::Matches(identity, names);
  }
  if (!matched) {
    // Unreadable for other users' processes; comm and cmdline still are.
    executable = ReadLinkAt(proc, pid + "/exe");
    identity.Executable = executable;
    matched = ProcessMatch::Matches(identity, names);
  }
  if (!matched) return false;
  // A browser that has ended but was not yet reaped by its parent holds no cache files.
  return !ProcessMatch::IsEndedState(ReadBounded(proc, pid + "/stat", StatLimit));
}

}  // namespace

bool IsProcessRunningIn(const std::vector<std::string>& names, const std::string& procRoot) {
  if (names.empty()) return false;
  DirHandle folder(::opendir(procRoot.c_str()));
  if (!folder) return false;
  const int proc = ::dirfd(folder.get());
  size_t examined = 0;
  while (examined < EntryLimit) {
    const dirent* entry = ::readdir(folder.get());
    if (!entry) break;
    ++examined;
    if (!IsProcessFolderName(entry->d_name)) continue;
    // A process that ends during the walk simply reads as empty and does not match.
    if (ProcessFolderMatches(proc, entry->d_name, names)) return true;
  }
  return false;
}

bool IsProcessRunning(const std::vector<std::string>& names) {
  return IsProcessRunningIn(names, "/proc");
}

uint32_t CurrentProcessId() {
  return static_cast<uint32_t>(::getpid());
}

bool IsProcessAlive(uint32_t id) {
  // Signal 0 checks without sending; EPERM means it exists under another user.
  if (id == 0 || id > static_cast<uint32_t>(INT_MAX)) return false;
  return ::kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH;
}

}  // namespace Platform
