// Stopping the command-line program between two files: Ctrl-C, Ctrl-Break and the
// closing of its console reach a console control handler, which the system calls on
// a thread of its own.
#include "platform/win32/WinApi.h"
// WinApi.h first: shellapi.h needs windows.h.
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/Console.h"
#include "platform/win32/WideText.h"

namespace Platform {

namespace {

// After a close, logoff or shutdown the system ends the process once the handler
// returns (and after 5 s in any case); the handler waits that long for the pass to stop.
constexpr auto kCloseGrace = std::chrono::milliseconds(4500);

class ConsoleStop;

std::mutex g_lock;
std::condition_variable g_changed;
ConsoleStop* g_current = nullptr;
int g_active = 0;     // handlers running the callback
bool g_ended = true;  // the current object has gone

BOOL WINAPI OnConsoleEvent(DWORD event);

class ConsoleStop : public StopRequests {
 public:
  explicit ConsoleStop(std::function<void()> onStop) : OnStop(std::move(onStop)) {
    {
      std::lock_guard guard(g_lock);
      g_current = this;
      g_ended = false;
    }
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  }
  ConsoleStop(const ConsoleStop&) = delete;
  ConsoleStop& operator=(const ConsoleStop&) = delete;
  ~ConsoleStop() override {
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    std::unique_lock lock(g_lock);
    g_current = nullptr;
    g_ended = true;
    g_changed.notify_all();
    // No callback may run once the object is gone.
    g_changed.wait(lock, [] { return g_active == 0; });
  }

  bool WasRequested() const override { return Requested; }

  std::function<void()> OnStop;
  std::atomic<bool> Requested{false};
};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  std::unique_lock lock(g_lock);
  ConsoleStop* current = g_current;
  if (!current) return FALSE;
  ++g_active;
  current->Requested = true;
  lock.unlock();
  if (current->OnStop) current->OnStop();
  lock.lock();
  const bool ending =
      event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
  if (ending) g_changed.wait_for(lock, kCloseGrace, [] { return g_ended; });
  --g_active;
  g_changed.notify_all();
  return TRUE;
}

}  // namespace

std::unique_ptr<StopRequests> CatchStopRequests(std::function<void()> onStop) {
  return std::make_unique<ConsoleStop>(std::move(onStop));
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!wide) {
    // Without the wide command line, the narrow one is all there is.
    if (argc <= 1 || argv == nullptr) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
  }
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Win32::Utf8(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

Utf8ConsoleOutput::Utf8ConsoleOutput() : Previous(::GetConsoleOutputCP()) {
  // 0: no console; the bytes go to a file or pipe as they are.
  if (Previous != 0 && Previous != CP_UTF8) ::SetConsoleOutputCP(CP_UTF8);
}

Utf8ConsoleOutput::~Utf8ConsoleOutput() {
  if (Previous != 0 && Previous != CP_UTF8) ::SetConsoleOutputCP(Previous);
}

}  // namespace Platform
