#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/CBrowserActivity.h"

namespace vorlane::test::activity {

// Counts a watcher's looks at the process table so a test can wait for them instead of
// for time to pass, and notes how many looks ever ran at the same moment.
class LookCounter {
 public:
  // A process check that answers with `answer(index of this look)`.
  CBrowserActivity::ProcessCheck Wrap(std::function<bool(size_t look)> answer);
  // A clock that reads the index of the latest look, so a since time names a look.
  CBrowserActivity::TimeSource LookClock();

  // Waits until `count` looks have finished; fails the test after a generous timeout.
  void WaitForLooks(size_t count);
  // Waits until a finished look answered `seen`.
  void WaitForAnswer(bool seen);
  size_t Count() const;
  int MostAtOnce() const;
  // The distinct name lists that were looked for, in order of first use.
  std::vector<std::vector<std::string>> NamesSeen() const;

 private:
  mutable std::mutex Lock;
  std::condition_variable Changed;
  std::vector<bool> Answers;
  std::vector<std::vector<std::string>> Names;
  int InCheck = 0;
  int MostInCheck = 0;
};

using Closing = std::pair<int, int64_t>;  // browser code, since

// Records the watcher's callbacks (before running an optional inner callback).
class CallbackLog {
 public:
  CBrowserActivity::ClosedCallback Callback(std::function<void(int, int64_t)> inner = {});
  void WaitForCalls(size_t count);
  std::vector<Closing> Calls() const;

 private:
  mutable std::mutex Lock;
  std::condition_variable Changed;
  std::vector<Closing> Recorded;
};

}  // namespace vorlane::test::activity
