#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ActivityTestHelpers.h"
#include "engine/CBrowserActivity.h"
#include "support/TestSupport.h"

namespace {

using vorlane::test::activity::CallbackLog;
using vorlane::test::activity::Closing;
using vorlane::test::activity::LookCounter;

// A browser that runs during the looks marked 'X'; after the script the last state stays.
bool ScriptSays(const std::string& script, size_t look) {
  if (script.empty()) return false;
  return script[std::min(look, script.size() - 1)] == 'X';
}

const std::vector<std::string> Names = {"firefox"};

struct ScriptCase {
  const char* Script;
  std::vector<int64_t> Since;  // one callback per closing, stamped with the look index
};

TEST(BrowserActivity, CallsBackOncePerClosingWithFirstLookThatSawIt) {
  const ScriptCase cases[] = {
      {"....", {}},   {"..XXX..", {2}},
      {"XXX..", {0}},  // already running when the watcher starts: stamped at the first look
      {".X.", {1}},   {"X.X.XX.", {0, 2, 4}},
      {"..XXXX", {}},  // still running
  };
  for (const ScriptCase& c : cases) {
    const std::string script = c.Script;
    LookCounter looks;
    CallbackLog log;
    {
      CBrowserActivity watcher(
          looks.Wrap([script](size_t look) { return ScriptSays(script, look); }),
          looks.LookClock());
      watcher.SetIntervalMs(1);
      ASSERT_TRUE(watcher.Start(Names, log.Callback(), 5));
      // A callback runs right after the look that found the browser gone, before the next.
      looks.WaitForLooks(script.size() + 2);
    }
    std::vector<Closing> expected;
    for (int64_t since : c.Since) expected.push_back({5, since});
    EXPECT_EQ(log.Calls(), expected) << c.Script;
    EXPECT_EQ(looks.MostAtOnce(), 1) << c.Script;
  }
}

TEST(BrowserActivity, StartIsRefusedWhileWatching) {
  LookCounter looks;
  CallbackLog log;
  CBrowserActivity watcher(looks.Wrap([](size_t look) { return look == 0; }), looks.LookClock());
  watcher.SetIntervalMs(1);
  ASSERT_TRUE(watcher.Start(Names, log.Callback(), 1));
  EXPECT_FALSE(watcher.Start({"other"}, log.Callback(), 2));
  EXPECT_TRUE(watcher.IsWatching());
  log.WaitForCalls(1);
  watcher.Stop();
  EXPECT_FALSE(watcher.IsWatching());
  EXPECT_EQ(log.Calls(), (std::vector<Closing>{{1, 0}}));
  EXPECT_EQ(looks.NamesSeen(), (std::vector<std::vector<std::string>>{Names}));
}

TEST(BrowserActivity, StopEndsLongSleepAtOnceAndStartBeginsAfresh) {
  LookCounter looks;
  CallbackLog log;
  const auto begin = std::chrono::steady_clock::now();
  {
    CBrowserActivity watcher(looks.Wrap([](size_t look) { return look == 0; }), looks.LookClock());
    watcher.SetIntervalMs(3'600'000);
    ASSERT_TRUE(watcher.Start(Names, log.Callback(), 0));
    looks.WaitForLooks(1);  // saw the browser
    watcher.Stop();
    // A new start looks at once, without waiting out the hour, and does not treat the
    // browser seen before the stop as one that has now closed.
    ASSERT_TRUE(watcher.Start(Names, log.Callback(), 0));
    looks.WaitForLooks(2);
    watcher.Stop();
  }  // the destructor joins: an hour-long sleep here would hang the test
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(30));
  EXPECT_TRUE(log.Calls().empty());
  EXPECT_EQ(looks.Count(), 2u);
}

TEST(BrowserActivity, RepeatedStopAndStartNeverRunsTwoThreads) {
  LookCounter looks;
  CallbackLog log;
  CBrowserActivity watcher(looks.Wrap([](size_t) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    return false;
  }));
  watcher.SetIntervalMs(1);
  for (int round = 0; round < 200; ++round) {
    ASSERT_TRUE(watcher.Start(Names, log.Callback(), 0)) << round;
    if (round % 3 == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
    watcher.Stop();
  }
  ASSERT_TRUE(watcher.Start(Names, log.Callback(), 0));
  looks.WaitForLooks(looks.Count() + 5);
  watcher.Stop();
  EXPECT_EQ(looks.MostAtOnce(), 1);
}

TEST(BrowserActivity, CallbackMayStopOrRestartItsOwnWatcher) {
  // Stop from inside the callback: no deadlock, no further callback.
  {
    LookCounter looks;
    CallbackLog log;
    CBrowserActivity watcher(looks.Wrap([](size_t look) { return look % 2 == 0; }),
                             looks.LookClock());
    watcher.SetIntervalMs(1);
    ASSERT_TRUE(watcher.Start(Names, log.Callback([&](int, int64_t) { watcher.Stop(); }), 3));
    log.WaitForCalls(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(watcher.IsWatching());
    EXPECT_EQ(log.Calls(), (std::vector<Closing>{{3, 0}}));
  }
  // Stop and Start from inside the callback: the same thread goes on with the new code.
  {
    LookCounter looks;
    CallbackLog log;
    CBrowserActivity watcher(looks.Wrap([](size_t look) { return look == 0 || look == 2; }),
                             looks.LookClock());
    watcher.SetIntervalMs(1);
    std::function<void(int, int64_t)> restart = [&](int browser, int64_t) {
      if (browser != 1) return;
      watcher.Stop();
      EXPECT_TRUE(watcher.Start(Names, log.Callback(restart), 2));
    };
    ASSERT_TRUE(watcher.Start(Names, log.Callback(restart), 1));
    log.WaitForCalls(2);
    watcher.Stop();
    EXPECT_EQ(log.Calls(), (std::vector<Closing>{{1, 0}, {2, 2}}));
    EXPECT_EQ(looks.MostAtOnce(), 1);
  }
}

TEST(BrowserActivity, DestructorWaitsForCallbackInProgress) {
  LookCounter looks;
  CallbackLog log;
  std::atomic<bool> finished{false};
  auto watcher = std::make_unique<CBrowserActivity>(
      looks.Wrap([](size_t look) { return look == 0; }), looks.LookClock());
  watcher->SetIntervalMs(1);
  ASSERT_TRUE(watcher->Start(Names, log.Callback([&](int, int64_t) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    finished = true;
  }),
                             0));
  log.WaitForCalls(1);
  watcher.reset();
  EXPECT_TRUE(finished);
  const size_t looksAtEnd = looks.Count();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(looks.Count(), looksAtEnd);
}

}  // namespace
