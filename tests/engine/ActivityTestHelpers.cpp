#include "ActivityTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace vorlane::test::activity {

namespace {
constexpr auto WaitLimit = std::chrono::seconds(20);
}

CBrowserActivity::ProcessCheck LookCounter::Wrap(std::function<bool(size_t look)> answer) {
  return [this, answer](const std::vector<std::string>& names) {
    size_t index = 0;
    {
      std::lock_guard<std::mutex> guard(Lock);
      index = Answers.size();
      MostInCheck = std::max(MostInCheck, ++InCheck);
      if (std::find(Names.begin(), Names.end(), names) == Names.end()) Names.push_back(names);
    }
    const bool seen = answer(index);
    {
      std::lock_guard<std::mutex> guard(Lock);
      --InCheck;
      Answers.push_back(seen);
    }
    Changed.notify_all();
    return seen;
  };
}

CBrowserActivity::TimeSource LookCounter::LookClock() {
  return [this] {
    std::lock_guard<std::mutex> guard(Lock);
    return static_cast<int64_t>(Answers.size()) - 1;
  };
}

void LookCounter::WaitForLooks(size_t count) {
  std::unique_lock<std::mutex> lock(Lock);
  EXPECT_TRUE(Changed.wait_for(lock, WaitLimit, [&] { return Answers.size() >= count; }))
      << "only " << Answers.size() << " of " << count << " looks happened";
}

void LookCounter::WaitForAnswer(bool seen) {
  std::unique_lock<std::mutex> lock(Lock);
  const size_t from = Answers.size();
  EXPECT_TRUE(Changed.wait_for(lock, WaitLimit,
                               [&] {
                                 return std::find(
                                            Answers.begin() + static_cast<std::ptrdiff_t>(from),
                                            Answers.end(), seen) != Answers.end();
                               }))
      << "no look answered " << seen;
}

size_t LookCounter::Count() const {
  std::lock_guard<std::mutex> guard(Lock);
  return Answers.size();
}

int LookCounter::MostAtOnce() const {
  std::lock_guard<std::mutex> guard(Lock);
  return MostInCheck;
}

std::vector<std::vector<std::string>> LookCounter::NamesSeen() const {
  std::lock_guard<std::mutex> guard(Lock);
  return Names;
}

CBrowserActivity::ClosedCallback CallbackLog::Callback(std::function<void(int, int64_t)> inner) {
  return [this, inner](int browser, int64_t since) {
    {
      std::lock_guard<std::mutex> guard(Lock);
      Recorded.emplace_back(browser, since);
    }
    Changed.notify_all();
    if (inner) inner(browser, since);
  };
}

void CallbackLog::WaitForCalls(size_t count) {
  std::unique_lock<std::mutex> lock(Lock);
  EXPECT_TRUE(Changed.wait_for(lock, WaitLimit, [&] { return Recorded.size() >= count; }))
      << "only " << Recorded.size() << " of " << count << " callbacks arrived";
}

std::vector<Closing> CallbackLog::Calls() const {
  std::lock_guard<std::mutex> guard(Lock);
  return Recorded;
}

}  // namespace vorlane::test::activity
