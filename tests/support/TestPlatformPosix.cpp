#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <random>

#include "platform/Autostart.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "support/TestPlatform.h"

extern char** environ;

namespace vorlane::test {

std::filesystem::path PathOf(std::string_view utf8) {
  return std::filesystem::path(std::string(utf8));
}

std::string Utf8Of(const std::filesystem::path& path) {
  return path.string();
}

void SetEnv(const std::string& name, const std::string& value) {
  ::setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnv(const std::string& name) {
  ::unsetenv(name.c_str());
}

std::optional<std::string> GetEnv(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

std::string StartWithLoginText() {
  const auto text =
      Platform::ReadWholeFile(Platform::StartWithLoginEntryPath().value_or(std::string()), 1 << 20);
  return text.value_or(std::string());
}

void MakeFileLink(const std::string& target, const std::string& link) {
  std::filesystem::create_symlink(target, link);
}

void MakeLinkAndPipe(const std::string& folder, const std::string& target) {
  std::filesystem::create_symlink(target, folder + "/link");
  EXPECT_EQ(::mkfifo((folder + "/fifo").c_str(), 0600), 0);
}

bool RunningUnderWine() {
  return false;
}

size_t OpenHandleCount() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& item : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

std::string MakeTemporaryFolder(std::string_view stem) {
  std::string pattern = Utf8Of(std::filesystem::temp_directory_path() / std::string(stem));
  pattern += "XXXXXX";
  const char* made = ::mkdtemp(pattern.data());
  return made ? std::string(made) : std::string();
}

namespace {

pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& outPath, const std::string& errPath) {
  std::vector<std::string> all{program};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  pid_t child = 0;
  const int started = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return started == 0 ? child : -1;
}

}  // namespace

int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& outPath, const std::string& errPath) {
  const pid_t child = Spawn(program, arguments, outPath, errPath);
  if (child < 0) return -1;
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

BackgroundProgram::~BackgroundProgram() {
  Kill();
}

bool BackgroundProgram::Start(const std::string& program,
                              const std::vector<std::string>& arguments) {
  Kill();
  const pid_t child = Spawn(program, arguments, "/dev/null", "/dev/null");
  Id = child > 0 ? child : 0;
  return Id != 0;
}

void BackgroundProgram::Wait() {
  if (Id == 0) return;
  ::waitpid(static_cast<pid_t>(Id), nullptr, 0);
  Id = 0;
}

void BackgroundProgram::Kill() {
  if (Id == 0) return;
  ::kill(static_cast<pid_t>(Id), SIGKILL);
  ::waitpid(static_cast<pid_t>(Id), nullptr, 0);
  Id = 0;
}

StandIn MakeStandIn(const std::string& folder, const std::string& name, int seconds) {
  const std::string program = Platform::JoinPath(folder, name);
  std::error_code error;
  std::filesystem::copy_file("/bin/sleep", program, error);
  if (error) return {};
  std::filesystem::permissions(program, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add, error);
  return {program, {std::to_string(seconds)}};
}

}  // namespace vorlane::test
