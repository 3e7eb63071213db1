#pragma once

// What the tests need of the operating system beyond the program's own platform layer:
// environment variables, temporary folders, starting programs. One body per system
// (TestPlatformPosix.cpp, TestPlatformWindows.cpp); paths are UTF-8 as everywhere.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::test {

// A std::filesystem path from UTF-8 and back (a narrow string alone would be read in
// the ANSI code page on Windows).
std::filesystem::path PathOf(std::string_view utf8);
std::string Utf8Of(const std::filesystem::path& path);

void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);
std::optional<std::string> GetEnv(const std::string& name);

// The start-with-login entry as the system keeps it: the autostart file's text here,
// the Run value on Windows; "" when there is none.
std::string StartWithLoginText();

// Makes `link` a symbolic link to `target` where the system lets a user do so (not on
// Windows, where links need a privilege).
void MakeFileLink(const std::string& target, const std::string& link);

// Makes "link" (a symbolic link to `target`) and "fifo" (a named pipe) in `folder`
// where the system has both without privileges; nothing on Windows.
void MakeLinkAndPipe(const std::string& folder, const std::string& target);

// True under Wine, whose prefix (scripts/wine-run makes one per build folder) is the
// tests' own: only there may a test change the user's real folders wholesale.
bool RunningUnderWine();

// How many files (descriptors, handles) the test process holds open.
size_t OpenHandleCount();

// Creates a new folder "<stem><random>" in the system's temporary folder; "" on failure.
std::string MakeTemporaryFolder(std::string_view stem);

// Runs `program` with `arguments` (each passed as one argument, whatever it holds),
// standard input empty, standard output and error into the files given; returns its
// exit code, -1 when it could not start or was ended by a signal.
int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& outPath, const std::string& errPath);

// A program started in the background, ended (killed) and waited for at the latest
// when the object goes.
class BackgroundProgram {
 public:
  BackgroundProgram() = default;
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  bool Start(const std::string& program, const std::vector<std::string>& arguments);
  // Waits until the program has ended by itself.
  void Wait();
  void Kill();

 private:
  void* Process = nullptr;  // the process handle on Windows
  long long Id = 0;         // the process id elsewhere
};

// A program that only sleeps, copied into `folder` under `name` (a browser's process
// name) so that it stands in for the browser: sleep(1) here, a copy of the test binary
// on Windows (TestMain.cpp sleeps when given SleepArgument). Empty Program on failure.
struct StandIn {
  std::string Program;
  std::vector<std::string> Arguments;  // that make it sleep for the time asked
};
StandIn MakeStandIn(const std::string& folder, const std::string& name, int seconds);
inline constexpr std::string_view SleepArgument = "--vorlane-sleep-ms";
// Given this and a name, a test binary claims Platform::InstanceMapping under that name
// and exits with the claim's value, as a second program would see it.
inline constexpr std::string_view ClaimArgument = "--vorlane-claim-instance";

}  // namespace vorlane::test
