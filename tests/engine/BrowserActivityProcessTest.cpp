// The watcher against real processes: a copy of sleep(1) named like the browser stands in.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "ActivityTestHelpers.h"
#include "engine/CBrowserActivity.h"
#include "platform/Platform.h"
#include "support/TestSupport.h"

extern char** environ;

namespace {

using vorlane::test::TempDir;
using vorlane::test::activity::CallbackLog;
using vorlane::test::activity::LookCounter;

// Processes of a program copied under the browser's name; every one still alive is
// killed and reaped when the object goes.
class StandInBrowser {
 public:
  explicit StandInBrowser(const std::string& name) : Program(Folder / name), Name(name) {
    std::error_code error;
    std::filesystem::copy_file("/bin/sleep", Program, error);
    Usable = !error;
  }
  ~StandInBrowser() {
    for (pid_t pid : Alive) Reap(pid);
  }
  bool IsUsable() const { return Usable; }

  pid_t Launch() {
    std::string arg0 = Name;
    std::string seconds = "600";
    char* argv[] = {arg0.data(), seconds.data(), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, Program.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    Alive.push_back(pid);
    return pid;
  }

  // Kills and reaps one instance, so it is gone from the process table on return.
  void End(pid_t pid) {
    std::erase(Alive, pid);
    Reap(pid);
  }

 private:
  static void Reap(pid_t pid) {
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }

  TempDir Folder;
  std::string Program;
  std::string Name;
  bool Usable = false;
  std::vector<pid_t> Alive;
};

class BrowserActivityProcess : public testing::Test {
 protected:
  void SetUp() override {
    if (!Firefox.IsUsable()) GTEST_SKIP() << "no /bin/sleep to stand in for a browser";
    if (Platform::IsProcessRunning(FirefoxNames)) GTEST_SKIP() << "a real Firefox runs here";
  }

  const std::vector<std::string> FirefoxNames = CBrowserActivity::ProcessNames(0);
  StandInBrowser Firefox{"firefox"};
};

TEST_F(BrowserActivityProcess, IsRunningWhileTheBrowserLives) {
  CBrowserActivity activity;
  EXPECT_FALSE(activity.IsRunning(FirefoxNames));
  const pid_t pid = Firefox.Launch();
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(activity.IsRunning(FirefoxNames));
  EXPECT_TRUE(activity.LastSeen());
  EXPECT_FALSE(activity.IsRunning(CBrowserActivity::ProcessNames(1)));
  Firefox.End(pid);
  EXPECT_FALSE(activity.IsRunning(FirefoxNames));
  EXPECT_FALSE(activity.LastSeen());
}

TEST_F(BrowserActivityProcess, WatcherCapturesOnceAfterBrowserCloses) {
  LookCounter looks;
  CallbackLog log;
  CBrowserActivity watcher(
      looks.Wrap([this](size_t) { return Platform::IsProcessRunning(FirefoxNames); }));
  watcher.SetIntervalMs(50);
  ASSERT_TRUE(watcher.Start(FirefoxNames, log.Callback(), 0));
  looks.WaitForLooks(1);

  const int64_t before = static_cast<int64_t>(std::time(nullptr));
  const pid_t pid = Firefox.Launch();
  ASSERT_GT(pid, 0);
  looks.WaitForAnswer(true);
  Firefox.End(pid);
  log.WaitForCalls(1);
  const int64_t after = static_cast<int64_t>(std::time(nullptr));
  looks.WaitForLooks(looks.Count() + 3);
  watcher.Stop();

  const auto calls = log.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].first, 0);
  EXPECT_GE(calls[0].second, before);
  EXPECT_LE(calls[0].second, after);
}

TEST_F(BrowserActivityProcess, TwoInstancesCaptureOnlyAfterTheLastEnds) {
  LookCounter looks;
  CallbackLog log;
  CBrowserActivity watcher(
      looks.Wrap([this](size_t) { return Platform::IsProcessRunning(FirefoxNames); }));
  watcher.SetIntervalMs(50);
  const pid_t first = Firefox.Launch();
  const pid_t second = Firefox.Launch();
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  ASSERT_TRUE(watcher.Start(FirefoxNames, log.Callback(), 0));
  looks.WaitForAnswer(true);

  Firefox.End(first);
  looks.WaitForLooks(looks.Count() + 3);
  EXPECT_TRUE(log.Calls().empty());
  EXPECT_TRUE(watcher.LastSeen());

  Firefox.End(second);
  log.WaitForCalls(1);
  watcher.Stop();
  EXPECT_EQ(log.Calls().size(), 1u);
}

}  // namespace
