#pragma once

#include <atomic>
#include <functional>

#include "win32/Window.h"

// Carries work from other threads (capture jobs, browser watchers) to the UI thread:
// a message-only window of the UI thread receives each piece as a sent message, so the
// calling thread waits until the UI thread has done it. On the UI thread itself the work
// runs at once; a wait there could never end.
class UiThreadBridge : public Window {
 public:
  UiThreadBridge() = default;

  // Makes the window on the calling thread, which becomes the UI thread.
  bool Create();
  // Runs `work` on the UI thread and returns when it is done. False (and nothing runs)
  // once the bridge is closed.
  bool Run(const std::function<void()>& work);
  // From now on Run does nothing: at exit, jobs that still call back must not wait for
  // windows that are going away.
  void Close() { Closed = true; }
  bool IsUiThread() const;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  DWORD UiThread = 0;
  std::atomic<bool> Closed{false};
};
