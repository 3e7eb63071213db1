#include "ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "Figures.h"

extern char** environ;

namespace vorlane::bench {

namespace {

// Closes a descriptor once, whichever way the function is left.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : Fd(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }
  int Get() const { return Fd; }
  void Close() {
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
  }

 private:
  int Fd;
};

}  // namespace

std::optional<ChildResult> RunChild(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return std::nullopt;
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  Descriptor readEnd(fds[0]);
  Descriptor writeEnd(fds[1]);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDOUT_FILENO);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  writeEnd.Close();
  if (spawned != 0) return std::nullopt;

  ChildResult result;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(readEnd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    result.Output.append(buffer, static_cast<size_t>(n));
  }
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  result.WallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.CpuSeconds = SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace vorlane::bench
