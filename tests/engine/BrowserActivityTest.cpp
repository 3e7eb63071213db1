#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "config/BrowserTable.h"
#include "engine/CBrowserActivity.h"
#include "platform/Processes.h"
#include "platform/System.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

namespace {

using Closing = std::pair<int, int64_t>;  // browser code, since
using namespace std::chrono_literals;

// Records a watcher's looks and callbacks so tests wait for events rather than for time,
// and notes how many looks ever ran at the same moment (one thread per watcher).
class Recorder {
 public:
  // A process check answering `answer(index of this look)`.
  CBrowserActivity::ProcessCheck Check(std::function<bool(size_t)> answer) {
    return [this, answer](const std::vector<std::string>&) {
      size_t index = 0;
      {
        std::lock_guard<std::mutex> guard(Lock);
        index = Answers.size();
        MostInCheck = std::max(MostInCheck, ++InCheck);
      }
      const bool seen = answer(index);
      Update([&] { --InCheck, Answers.push_back(seen); });
      return seen;
    };
  }
  // A clock reading the index of the latest look, so a since time names a look.
  CBrowserActivity::TimeSource LookClock() {
    return [this] { return static_cast<int64_t>(Looks()) - 1; };
  }
  // Records each callback, then runs `inner`.
  CBrowserActivity::ClosedCallback Callback(std::function<void(int, int64_t)> inner = {}) {
    return [this, inner](int browser, int64_t since) {
      Update([&] { Calls.emplace_back(browser, since); });
      if (inner) inner(browser, since);
    };
  }

  void WaitForLooks(size_t count) {
    EXPECT_TRUE(WaitUntil([&] { return Answers.size() >= count; })) << count << " looks";
  }
  void WaitForCalls(size_t count) {
    EXPECT_TRUE(WaitUntil([&] { return Calls.size() >= count; })) << count << " callbacks";
  }
  void WaitForAnswer(bool seen) {
    const size_t from = Looks();
    EXPECT_TRUE(WaitUntil([&] {
      return std::find(Answers.begin() + static_cast<std::ptrdiff_t>(from), Answers.end(), seen) !=
             Answers.end();
    })) << "a look answering "
        << seen;
  }
  size_t Looks() {
    std::lock_guard<std::mutex> guard(Lock);
    return Answers.size();
  }
  std::vector<Closing> CallsMade() {
    std::lock_guard<std::mutex> guard(Lock);
    return Calls;
  }
  int MostAtOnce() {
    std::lock_guard<std::mutex> guard(Lock);
    return MostInCheck;
  }

 private:
  template <typename Change>
  void Update(Change change) {
    {
      std::lock_guard<std::mutex> guard(Lock);
      change();
    }
    Changed.notify_all();
  }
  template <typename Done>
  bool WaitUntil(Done done) {
    std::unique_lock<std::mutex> lock(Lock);
    return Changed.wait_for(lock, 20s, done);
  }

  std::mutex Lock;
  std::condition_variable Changed;
  std::vector<bool> Answers;
  std::vector<Closing> Calls;
  int InCheck = 0;
  int MostInCheck = 0;
};

const std::vector<std::string> Names = {"firefox"};

// Notes the end of the thread it belongs to (as a thread_local, it goes when the thread
// does), so a test knows a thread is gone without waiting for time to pass.
struct ThreadEndNote {
  std::atomic<bool>* Ended = nullptr;
  ~ThreadEndNote() {
    if (Ended) *Ended = true;
  }
};

// A browser that runs during the looks marked 'X'; after the script the last state stays.
CBrowserActivity::ProcessCheck Scripted(Recorder& recorder, std::string script) {
  return recorder.Check([script](size_t look) {
    return !script.empty() && script[std::min(look, script.size() - 1)] == 'X';
  });
}

TEST(BrowserActivity, CallsBackOncePerClosingWithFirstLookThatSawIt) {
  const std::pair<std::string, std::vector<int64_t>> cases[] = {
      {"....", {}},   {"..XXX..", {2}},
      {"XXX..", {0}},  // already running when the watcher starts: stamped at the first look
      {".X.", {1}},   {"X.X.XX.", {0, 2, 4}},
      {"..XXXX", {}},  // still running
  };
  for (const auto& [script, since] : cases) {
    Recorder recorder;
    {
      CBrowserActivity watcher(Scripted(recorder, script), recorder.LookClock());
      watcher.SetIntervalMs(1);
      ASSERT_TRUE(watcher.Start(Names, recorder.Callback(), 5));
      // A callback runs right after the look that found the browser gone, before the next.
      recorder.WaitForLooks(script.size() + 2);
    }
    std::vector<Closing> expected;
    for (int64_t look : since) expected.emplace_back(5, look);
    EXPECT_EQ(recorder.CallsMade(), expected) << script;
  }
}

TEST(BrowserActivity, StartIsRefusedWhileWatching) {
  Recorder recorder;
  CBrowserActivity watcher(Scripted(recorder, "X."), recorder.LookClock());
  watcher.SetIntervalMs(1);
  ASSERT_TRUE(watcher.Start(Names, recorder.Callback(), 1));
  EXPECT_FALSE(watcher.Start({"other"}, recorder.Callback(), 2));
  recorder.WaitForCalls(1);
  watcher.Stop();
  EXPECT_FALSE(watcher.IsWatching());
  EXPECT_EQ(recorder.CallsMade(), (std::vector<Closing>{{1, 0}}));
}

TEST(BrowserActivity, StopEndsLongSleepAtOnceAndStartBeginsAfresh) {
  Recorder recorder;
  const auto begin = std::chrono::steady_clock::now();
  {
    CBrowserActivity watcher(Scripted(recorder, "X."), recorder.LookClock());
    watcher.SetIntervalMs(3'600'000);
    ASSERT_TRUE(watcher.Start(Names, recorder.Callback(), 0));
    recorder.WaitForLooks(1);  // saw the browser
    watcher.Stop();
    // A new start looks at once, and the browser seen before the stop does not count as
    // one that has now closed.
    ASSERT_TRUE(watcher.Start(Names, recorder.Callback(), 0));
    recorder.WaitForLooks(2);
    watcher.Stop();
  }  // the destructor joins: sleeping out the hour would hang here
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 30s);
  EXPECT_TRUE(recorder.CallsMade().empty());
  EXPECT_EQ(recorder.Looks(), 2u);
}

TEST(BrowserActivity, RepeatedStopAndStartNeverRunsTwoThreads) {
  Recorder recorder;
  CBrowserActivity watcher(recorder.Check([](size_t) {
    std::this_thread::sleep_for(200us);
    return false;
  }));
  watcher.SetIntervalMs(1);
  for (int round = 0; round < 200; ++round) {
    ASSERT_TRUE(watcher.Start(Names, recorder.Callback(), 0)) << round;
    if (round % 3 == 0) std::this_thread::sleep_for(300us);
    watcher.Stop();
  }
  ASSERT_TRUE(watcher.Start(Names, recorder.Callback(), 0));
  recorder.WaitForLooks(recorder.Looks() + 5);
  watcher.Stop();
  EXPECT_EQ(recorder.MostAtOnce(), 1);
}

TEST(BrowserActivity, CallbackMayStopOrRestartItsOwnWatcher) {
  {
    Recorder recorder;
    CBrowserActivity watcher(Scripted(recorder, "X.X.X."), recorder.LookClock());
    watcher.SetIntervalMs(1);
    std::promise<void> stopped;
    ASSERT_TRUE(watcher.Start(Names, recorder.Callback([&](int, int64_t) {
      watcher.Stop();
      stopped.set_value();
    }),
                              3));
    // Stop takes effect at once: no look and no callback come after it.
    ASSERT_EQ(stopped.get_future().wait_for(20s), std::future_status::ready);
    EXPECT_FALSE(watcher.IsWatching());
    EXPECT_EQ(recorder.CallsMade(), (std::vector<Closing>{{3, 0}}));
  }
  {
    // Stop and Start from the callback: the watcher goes on with the new browser code.
    Recorder recorder;
    CBrowserActivity watcher(Scripted(recorder, "X.X."), recorder.LookClock());
    watcher.SetIntervalMs(1);
    std::function<void(int, int64_t)> restart = [&](int browser, int64_t) {
      if (browser != 1) return;
      watcher.Stop();
      EXPECT_TRUE(watcher.Start(Names, recorder.Callback(restart), 2));
    };
    ASSERT_TRUE(watcher.Start(Names, recorder.Callback(restart), 1));
    recorder.WaitForCalls(2);
    watcher.Stop();
    EXPECT_EQ(recorder.CallsMade(), (std::vector<Closing>{{1, 0}, {2, 2}}));
    EXPECT_EQ(recorder.MostAtOnce(), 1);
  }
}

TEST(BrowserActivity, DestructorWaitsForCallbackInProgress) {
  Recorder recorder;
  std::atomic<bool> finished{false};
  std::atomic<bool> threadEnded{false};
  const CBrowserActivity::ProcessCheck check = Scripted(recorder, "X.");
  auto watcher = std::make_unique<CBrowserActivity>([&](const std::vector<std::string>& names) {
    thread_local ThreadEndNote note;
    note.Ended = &threadEnded;
    return check(names);
  });
  watcher->SetIntervalMs(1);
  ASSERT_TRUE(watcher->Start(Names, recorder.Callback([&](int, int64_t) {
    std::this_thread::sleep_for(100ms);
    finished = true;
  }),
                             0));
  recorder.WaitForCalls(1);
  watcher.reset();
  EXPECT_TRUE(finished);
  // The polling thread has ended, not only stopped looking: no look can come after.
  // (Windows' thread library may run a thread's thread_local destructors after a join
  // has returned, so the note is only read where that order is guaranteed.)
  if (!Platform::RunningOnWindows) {
    EXPECT_TRUE(threadEnded);
  }
}

// Real processes: a program that sleeps, named as Firefox's process is here, stands in
// for the browser. Every instance still alive is killed and waited for at the end.
class BrowserActivityProcess : public testing::Test {
 protected:
  void SetUp() override {
    Program = vorlane::test::MakeStandIn(Folder.Path(), FirefoxNames.front(), 600);
    if (Program.Program.empty()) GTEST_SKIP() << "no program to stand in for a browser";
    if (Platform::IsProcessRunning(FirefoxNames)) GTEST_SKIP() << "a real Firefox runs here";
  }

  // The index of the instance started, -1 when it could not start.
  int Launch() {
    auto instance = std::make_unique<vorlane::test::BackgroundProgram>();
    if (!instance->Start(Program.Program, Program.Arguments)) return -1;
    Alive.push_back(std::move(instance));
    return static_cast<int>(Alive.size()) - 1;
  }
  // Gone from the process table on return.
  void End(int instance) { Alive[static_cast<size_t>(instance)]->Kill(); }
  CBrowserActivity::ProcessCheck RealCheck(Recorder& recorder) {
    return recorder.Check([this](size_t) { return Platform::IsProcessRunning(FirefoxNames); });
  }

  const std::vector<std::string> FirefoxNames = ProcessNamesOf(Browsers()[Firefox]);
  vorlane::test::TempDir Folder;
  vorlane::test::StandIn Program;
  std::vector<std::unique_ptr<vorlane::test::BackgroundProgram>> Alive;
};

TEST_F(BrowserActivityProcess, IsRunningWhileTheBrowserLives) {
  CBrowserActivity activity;
  EXPECT_FALSE(activity.IsRunning(FirefoxNames));
  const int pid = Launch();
  ASSERT_GE(pid, 0);
  EXPECT_TRUE(activity.IsRunning(FirefoxNames));
  EXPECT_TRUE(activity.LastSeen());
  EXPECT_FALSE(activity.IsRunning(ProcessNamesOf(Browsers()[InternetExplorer])));
  End(pid);
  EXPECT_FALSE(activity.IsRunning(FirefoxNames));
}

TEST_F(BrowserActivityProcess, WatcherCapturesOnceAfterBrowserCloses) {
  Recorder recorder;
  CBrowserActivity watcher(RealCheck(recorder));
  watcher.SetIntervalMs(50);
  ASSERT_TRUE(watcher.Start(FirefoxNames, recorder.Callback(), 0));
  recorder.WaitForLooks(1);

  const auto before = static_cast<int64_t>(std::time(nullptr));
  const int pid = Launch();
  ASSERT_GE(pid, 0);
  recorder.WaitForAnswer(true);
  End(pid);
  recorder.WaitForCalls(1);
  const auto after = static_cast<int64_t>(std::time(nullptr));
  recorder.WaitForLooks(recorder.Looks() + 3);
  watcher.Stop();

  const auto calls = recorder.CallsMade();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].first, 0);
  EXPECT_GE(calls[0].second, before);
  EXPECT_LE(calls[0].second, after);
}

TEST_F(BrowserActivityProcess, TwoInstancesCaptureOnlyAfterTheLastEnds) {
  Recorder recorder;
  CBrowserActivity watcher(RealCheck(recorder));
  watcher.SetIntervalMs(50);
  const int first = Launch();
  const int second = Launch();
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  ASSERT_TRUE(watcher.Start(FirefoxNames, recorder.Callback(), 0));
  recorder.WaitForAnswer(true);

  End(first);
  recorder.WaitForLooks(recorder.Looks() + 3);
  EXPECT_TRUE(recorder.CallsMade().empty());

  End(second);
  recorder.WaitForCalls(1);
  watcher.Stop();
  EXPECT_EQ(recorder.CallsMade().size(), 1u);
}

}  // namespace
