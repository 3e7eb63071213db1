#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "win32/CSystemTray.h"
#include "win32/OwnedHandle.h"
#include "win32/WinHeaders.h"

namespace win32test {

// Serves this thread's messages until `done` is true or `timeoutMs` has passed;
// whether `done` came true. Waits for messages (and for `wake`, a process or event
// whose end may make `done` true), never sleeps: whatever makes `done` true must come
// with a message or with `wake`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000, HANDLE wake = nullptr);
// Serves the messages already waiting (posted ones included), without waiting.
void ServePendingMessages();

// Answers the modal dialogs that open on this thread while it lives, one step each, in
// the order they open. A step runs from a timer inside the dialog's own loop, once the
// dialog is up (a message box included).
class ModalScript {
 public:
  using Step = std::function<void(HWND dialog)>;
  explicit ModalScript(std::vector<Step> steps);
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;
  // Steps that never met their dialog.
  size_t Pending() const { return Steps.size(); }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK Fire(HWND dialog, UINT message, UINT_PTR timer, DWORD time);

  HookHandle CbtHook;
  std::deque<Step> Steps;
  std::vector<HWND> Seen;
};

// A step that presses a button of the dialog (IDOK, IDYES...), first keeping the
// dialog's text (a message box's) in `text` when given.
ModalScript::Step Press(int button, std::string* text = nullptr);

// Stands in for the shell's notification call and keeps every call it gets.
class NotifyRecorder {
 public:
  struct Call {
    DWORD Action;
    NOTIFYICONDATAW Data;
  };
  CSystemTray::NotifyFunction Function();
  // Whether the shell takes a call of this kind (all by default).
  std::function<bool(DWORD action)> Accept = [](DWORD) { return true; };
  std::vector<Call> Calls;
};

// The text of a window, UTF-8.
std::string TextOf(HWND window);
// A window's outer size in pixels.
SIZE SizeOf(HWND window);

}  // namespace win32test
