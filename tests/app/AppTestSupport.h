#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/CQuellbyMain.h"
#include "support/QuietEngine.h"
#include "support/TestSupport.h"

namespace apptest {

// Program places in a fresh folder holding copies of the shipped Filters/, Langs/ and
// help/; default settings with no browser watched; the English texts; the start-with-login
// entry as it was.
class AppTest : public testing::Test {
 protected:
  AppTest();
  ~AppTest() override;

  std::string Path(std::string_view name) const { return Dir / name; }
  // A filter file whose filters are told apart by their file-name stems, each saving
  // into out/<stem>; the settings name it as the file in use.
  std::string UseFilterFile(const std::string& name, const std::vector<std::string>& stems);
  vorlane::test::TempDir Dir;

 private:
  // Applied options write the start-with-login entry, which on Windows is the (test
  // prefix's) registry; a test leaves it as it found it.
  bool StartedWithLogin = false;
};

// An engine that never writes the settings and never sees a browser run.
using vorlane::test::MakeEngine;

// Waits (bounded) until `done` holds; the bound only keeps a broken test from hanging.
bool WaitUntil(const std::function<bool()>& done);

// Answers handed to a fake view's modal calls, in order; each call takes the next one of
// its kind. What no answer was given for fails the test.
template <typename T>
class Answers {
 public:
  void Add(T answer) { Queue.push_back(std::move(answer)); }
  bool Empty() const { return Queue.empty(); }
  size_t Left() const { return Queue.size(); }
  T Next(const std::string& what) {
    if (Queue.empty()) {
      ADD_FAILURE() << "no answer for " << what;
      return T{};
    }
    T answer = std::move(Queue.front());
    Queue.pop_front();
    return answer;
  }

 private:
  std::deque<T> Queue;
};

}  // namespace apptest
