#pragma once

#include <functional>

#include "platform/InstanceMapping.h"
#include "win32/Window.h"

// One running tray program per session: the named mapping "VORLANE" marks it, and a
// hidden message-only window of a class of its own takes a later start's "Close", and a
// later plain start's request to bring the main window to the front.
class RunningInstance : public Window {
 public:
  // How long a "Close" start waits for the running program to end.
  static constexpr DWORD CloseWaitMs = 60000;
  enum class Start { Run, End };

  RunningInstance() = default;
  ~RunningInstance() override;

  // Decides a start. The mark taken: Run, or End with `close`. Held by another program:
  // End, after asking it to close (and waiting for its end) when `close` is given, else
  // after asking it to show its window.
  // Without a mark to take the program runs unguarded.
  Start Claim(bool close);
  // After Run: a later "Close" start runs `onClose`, a later plain start `onShow`, on
  // this (the UI) thread.
  bool Listen(std::function<void()> onClose, std::function<void()> onShow = nullptr);
  void Release();

  // Asks the program that runs to close; waits for its end unless it is this process.
  // False when no running program could be asked.
  static bool CloseOther(DWORD waitMs);
  // Asks the program that runs to bring its window to the front, letting it take the
  // foreground that this (just started) process holds.
  static bool ShowOther();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  Platform::InstanceMapping Mapping;
  std::function<void()> OnClose;
  std::function<void()> OnShow;
};
