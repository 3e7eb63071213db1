#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/posix/ProcessMatch.h"
#include "platform/posix/Processes.h"
#include "support/TestSupport.h"

namespace {

using vorlane::test::TempDir;
using vorlane::test::WriteFile;

const std::vector<std::string> FirefoxNames = {"firefox.exe", "firefox", "firefox-esr",
                                               "firefox-bin"};

std::string Args(std::initializer_list<std::string_view> parts) {
  std::string line;
  for (std::string_view part : parts) {
    line.append(part);
    line.push_back('\0');
  }
  return line;
}

// One process folder of a fabricated /proc; a field left empty is not written.
struct FakeProcess {
  std::string Pid;
  std::string Comm;
  std::string CommandLine;
  std::string Stat;
};

void WriteProcess(const TempDir& proc, const FakeProcess& process) {
  const std::string folder = proc / process.Pid;
  Platform::CreateFolderTree(folder);
  if (!process.Comm.empty()) WriteFile(folder + "/comm", process.Comm);
  if (!process.CommandLine.empty()) WriteFile(folder + "/cmdline", process.CommandLine);
  if (!process.Stat.empty()) WriteFile(folder + "/stat", process.Stat);
}

struct MatchCase {
  const char* Label;
  std::string Comm;
  std::string CommandLine;
  std::string Executable;
  std::vector<std::string> Names;
  bool Expected;
};

TEST(ProcessMatch, ComparesCommArgumentAndExecutable) {
  const std::vector<std::string> ie = {"iexplore.exe"};
  const std::vector<std::string> longName = {"averylongbrowsername.exe"};
  const MatchCase cases[] = {
      {"comm", "firefox\n", "", "", FirefoxNames, true},
      {"comm ignores case", "FireFox-ESR\n", "", "", FirefoxNames, true},
      {"comm differs", "firefoxy\n", "", "", FirefoxNames, false},
      {"comm cut to 15 bytes", "averylongbrowse\n", "", "", longName, true},
      {"short comm is no cut name", "averylong\n", "", "", longName, false},
      {"argv[0] posix path", "Web Content\n", Args({"/usr/lib/firefox/firefox", "-contentproc"}),
       "", FirefoxNames, true},
      {"argv[0] Windows path", "wine64-preload\n",
       Args({"C:\\Program Files\\Mozilla Firefox\\firefox.exe", "-url"}), "", FirefoxNames, true},
      {"argv[0] upper case", "", Args({"C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE"}), "", ie, true},
      {"later argument is ignored", "bash\n", Args({"/bin/bash", "firefox"}), "", FirefoxNames,
       false},
      {"argv[0] without NUL", "", "/opt/firefox/firefox-bin", "", FirefoxNames, true},
      {"executable", "MainThread\n", Args({"browser"}), "/usr/lib/firefox-esr/firefox-esr",
       FirefoxNames, true},
      {"replaced executable", "", "", "/usr/lib/firefox/firefox (deleted)", FirefoxNames, true},
      {"folder named like the browser", "", Args({"/usr/lib/firefox/"}), "/usr/lib/firefox/",
       FirefoxNames, false},
      {"nothing readable", "", "", "", FirefoxNames, false},
      {"empty name never matches", "", Args({"/bin/"}), "", {""}, false},
  };
  for (const MatchCase& c : cases) {
    const Platform::ProcessMatch::ProcessIdentity identity{c.Comm, c.CommandLine, c.Executable};
    EXPECT_EQ(Platform::ProcessMatch::Matches(identity, c.Names), c.Expected) << c.Label;
  }
}

TEST(ProcessMatch, RecognisesEndedProcesses) {
  using Platform::ProcessMatch::IsEndedState;
  EXPECT_TRUE(IsEndedState("4242 (firefox) Z 1 4242 0"));
  EXPECT_TRUE(IsEndedState("4242 (firefox) X 1"));
  EXPECT_FALSE(IsEndedState("4242 (firefox) S 1 4242 0"));
  EXPECT_FALSE(IsEndedState("4242 (a) Z (b) R 1"));  // the name may hold ") Z"
  EXPECT_FALSE(IsEndedState("4242 (firefox)"));
  EXPECT_FALSE(IsEndedState(""));
}

TEST(ProcessScan, FindsLiveBrowsersInProcessTable) {
  TempDir proc;
  WriteProcess(proc, {"1", "systemd\n", Args({"/sbin/init"}), "1 (systemd) S 0"});
  WriteProcess(proc, {"77", "", "", ""});             // ended during the walk: nothing readable
  Platform::CreateFolderTree(proc / "78/comm");       // unreadable: comm is not a file
  WriteProcess(proc, {"self", "firefox\n", "", ""});  // not process folders
  WriteProcess(proc, {"9x", "firefox\n", "", ""});
  WriteProcess(proc, {"300", "iexplore.exe\n", "", "300 (iexplore.exe) Z 1 300"});  // zombie
  EXPECT_FALSE(Platform::IsProcessRunningIn(FirefoxNames, proc.Path()));
  EXPECT_FALSE(Platform::IsProcessRunningIn({"iexplore.exe"}, proc.Path()));

  WriteProcess(proc, {"4242", "wine64-preload\n",
                      Args({"C:\\Program Files\\Mozilla Firefox\\firefox.exe"}), "4242 (x) S 1"});
  WriteProcess(proc, {"301", "IEXPLORE.EXE\n", "", ""});  // no stat: counts as alive
  EXPECT_TRUE(Platform::IsProcessRunningIn(FirefoxNames, proc.Path()));
  EXPECT_TRUE(Platform::IsProcessRunningIn({"iexplore.exe"}, proc.Path()));
  EXPECT_FALSE(Platform::IsProcessRunningIn({"maxthon.exe"}, proc.Path()));
  EXPECT_FALSE(Platform::IsProcessRunningIn({}, proc.Path()));

  // A process table that cannot be read counts as "not seen".
  EXPECT_FALSE(Platform::IsProcessRunningIn(FirefoxNames, proc / "missing"));
  EXPECT_FALSE(Platform::IsProcessRunningIn(FirefoxNames, proc / "1/comm"));
}

TEST(ProcessScan, SeesItselfInRealProcessTable) {
  const std::string self = Platform::ExecutablePath().value_or(std::string());
  ASSERT_FALSE(self.empty());
  const std::string name(Platform::ProcessMatch::BaseName(self));
  EXPECT_TRUE(Platform::IsProcessRunning({name}));
  EXPECT_FALSE(Platform::IsProcessRunning({"absent-" + name}));
}

}  // namespace

// A reaped child is gone; this process and init (another user's) are alive.
TEST(ProcessAlive, TellsAGoneProcessFromARunningOne) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_FALSE(Platform::IsProcessAlive(static_cast<uint32_t>(child)));
  EXPECT_TRUE(Platform::IsProcessAlive(Platform::CurrentProcessId()));
  EXPECT_TRUE(Platform::IsProcessAlive(1));
  EXPECT_FALSE(Platform::IsProcessAlive(0));
}
