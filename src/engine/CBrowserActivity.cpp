#include "engine/CBrowserActivity.h"

#include <chrono>
#include <system_error>
#include <utility>

#include "platform/Clock.h"
#include "platform/Processes.h"

namespace {

bool ScanSystemProcesses(const std::vector<std::string>& names) {
  return Platform::IsProcessRunning(names);
}

int64_t SystemTime() {
  return Platform::CurrentTime();
}

}  // namespace

CBrowserActivity::CBrowserActivity() : CBrowserActivity(ProcessCheck{}, TimeSource{}) {}

CBrowserActivity::CBrowserActivity(ProcessCheck check, TimeSource clock)
    : Check(check ? std::move(check) : ProcessCheck(ScanSystemProcesses)),
      Clock(clock ? std::move(clock) : TimeSource(SystemTime)) {}

CBrowserActivity::~CBrowserActivity() {
  Stop();
  std::thread worker;
  {
    std::lock_guard<std::mutex> guard(Lock);
    worker = std::move(Worker);
  }
  if (!worker.joinable()) return;
  if (worker.get_id() == std::this_thread::get_id()) {
    // Destroyed from its own callback: the thread cannot wait for itself.
    worker.detach();
    return;
  }
  worker.join();
}

bool CBrowserActivity::IsRunning(const std::vector<std::string>& names) {
  return ScanProcesses(names);
}

bool CBrowserActivity::ScanProcesses(const std::vector<std::string>& names) {
  const bool seen = Check(names);
  Seen.store(seen);
  return seen;
}

bool CBrowserActivity::Start(const std::vector<std::string>& names, ClosedCallback callback,
                             int browserCode) {
  std::lock_guard<std::mutex> guard(Lock);
  if (Running.load()) return false;
  Target = names;
  Callback = std::move(callback);
  Browser = browserCode;
  ++Generation;
  if (ThreadActive) {
    // The old thread has not ended yet (it sleeps or runs a callback): it goes on.
    Running.store(true);
    Wake.notify_all();
    return true;
  }
  // A thread that decided to end did so under this lock and touches nothing after it,
  // so waiting for it here cannot block.
  if (Worker.joinable()) Worker.join();
  Running.store(true);
  ThreadActive = true;
  try {
    Worker = std::thread(&CBrowserActivity::WatchThread, this);
  } catch (const std::system_error&) {
    Running.store(false);
    ThreadActive = false;
    return false;
  }
  return true;
}

void CBrowserActivity::Stop() {
  {
    std::lock_guard<std::mutex> guard(Lock);
    Running.store(false);
  }
  Wake.notify_all();
}

void CBrowserActivity::WatchThread() {
  std::unique_lock<std::mutex> lock(Lock);
  uint64_t generation = Generation - 1;
  bool wasSeen = false;
  int64_t startedAt = 0;
  for (;;) {
    if (!Running.load()) {
      ThreadActive = false;
      return;
    }
    if (generation != Generation) {
      generation = Generation;
      wasSeen = false;
      startedAt = 0;
    }
    const std::vector<std::string> names = Target;
    lock.unlock();

    const bool seen = ScanProcesses(names);
    bool closed = false;
    if (seen && !wasSeen) {
      startedAt = Clock();
    } else if (!seen && wasSeen) {
      closed = true;
    }
    wasSeen = seen;

    lock.lock();
    // A Stop (or Stop and Start) during the look cancels what it found.
    if (closed && Running.load() && generation == Generation) {
      const ClosedCallback callback = Callback;
      const int browser = Browser;
      lock.unlock();
      if (callback) callback(browser, startedAt);
      lock.lock();
    }
    Wake.wait_for(lock, std::chrono::milliseconds(IntervalMs.load()),
                  [&] { return !Running.load() || generation != Generation; });
  }
}
