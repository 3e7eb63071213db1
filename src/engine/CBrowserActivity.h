#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Finds out whether a browser runs by looking for its processes: once (IsRunning, the
// check before a capture on command) or over and over on a polling thread of its own
// (a browser watcher, Start/Stop). A watcher remembers the moment it first saw the
// browser and, once every process of it has gone, calls back with that moment so the
// entries cached since then can be captured.
//
// One watcher never owns more than one polling thread. Stop takes effect at once, also
// from inside the callback; the destructor stops the watcher and waits for its thread,
// including a callback in progress. The callback must not destroy its own watcher.
class CBrowserActivity {
 public:
  // Called on the polling thread when the watched browser has closed, with the browser
  // code given to Start and the time (seconds since 1970) of the first look that saw
  // it running. It may take long: the capture job runs inside it.
  using ClosedCallback = std::function<void(int browser, int64_t since)>;
  // One look at the process table: whether any process has one of the names.
  using ProcessCheck = std::function<bool(const std::vector<std::string>& names)>;
  // Current time in seconds since 1970.
  using TimeSource = std::function<int64_t()>;

  static constexpr uint32_t DefaultIntervalMs = 2000;

  CBrowserActivity();
  // For tests: another process check and clock (empty ones fall back to the real ones).
  explicit CBrowserActivity(ProcessCheck check, TimeSource clock = {});
  virtual ~CBrowserActivity();
  CBrowserActivity(const CBrowserActivity&) = delete;
  CBrowserActivity& operator=(const CBrowserActivity&) = delete;

  // One look: whether a process with one of `names` runs now.
  bool IsRunning(const std::vector<std::string>& names);

  // Starts polling for `names`. False when the watcher already runs (nothing changes)
  // or its thread cannot be created. A watcher stopped but whose thread has not ended
  // yet goes on with that same thread, starting over with the new names.
  bool Start(const std::vector<std::string>& names, ClosedCallback callback, int browserCode);

  // Ends the polling at once; a callback in progress is finished, no new one begins.
  void Stop();

  // Whether the watcher polls (Start called and not yet stopped).
  bool IsWatching() const { return Running.load(); }
  // Whether the last look found the browser.
  bool LastSeen() const { return Seen.load(); }

  void SetIntervalMs(uint32_t milliseconds) { IntervalMs.store(milliseconds); }
  uint32_t GetIntervalMs() const { return IntervalMs.load(); }

 private:
  void WatchThread();
  bool ScanProcesses(const std::vector<std::string>& names);

  const ProcessCheck Check;
  const TimeSource Clock;

  std::atomic<bool> Seen{false};
  std::atomic<bool> Running{false};
  std::atomic<uint32_t> IntervalMs{DefaultIntervalMs};

  // Guards everything below and every change of Running, so a wait never misses a wake-up.
  std::mutex Lock;
  std::condition_variable Wake;
  std::vector<std::string> Target;
  ClosedCallback Callback;
  int Browser = -1;
  // Raised by every Start, so a thread that goes on after Stop and Start starts over.
  uint64_t Generation = 0;
  // The polling thread exists and has not decided to end.
  bool ThreadActive = false;
  std::thread Worker;
};
