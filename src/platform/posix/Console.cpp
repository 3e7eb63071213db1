// Stopping the command-line program between two files: the stop signals are blocked in
// every thread and taken by a waiting thread of their own.
#include "platform/Console.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace Platform {

namespace {

class SignalStop : public StopRequests {
 public:
  explicit SignalStop(std::function<void()> onStop) : OnStop(std::move(onStop)) {
    sigemptyset(&Signals);
    sigaddset(&Signals, SIGINT);
    sigaddset(&Signals, SIGTERM);
    // A closed terminal or a logout: stop as cleanly as on Ctrl-C.
    sigaddset(&Signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &Signals, &Previous);
    Waiter = std::thread([this] {
      const timespec step{0, 100'000'000};
      while (!Done) {
        if (sigtimedwait(&Signals, nullptr, &step) > 0) {
          Requested = true;
          if (OnStop) OnStop();
        }
      }
    });
  }
  SignalStop(const SignalStop&) = delete;
  SignalStop& operator=(const SignalStop&) = delete;
  ~SignalStop() override {
    Done = true;
    if (Waiter.joinable()) Waiter.join();
    // A signal that came after the wait ended still counts, and must not end us later.
    const timespec now{0, 0};
    while (sigtimedwait(&Signals, nullptr, &now) > 0) Requested = true;
    pthread_sigmask(SIG_SETMASK, &Previous, nullptr);
  }

  bool WasRequested() const override { return Requested; }

 private:
  std::function<void()> OnStop;
  sigset_t Signals{};
  sigset_t Previous{};
  std::atomic<bool> Done{false};
  std::atomic<bool> Requested{false};
  std::thread Waiter;
};

}  // namespace

std::unique_ptr<StopRequests> CatchStopRequests(std::function<void()> onStop) {
  return std::make_unique<SignalStop>(std::move(onStop));
}

bool StandardErrorIsTerminal() {
  return isatty(fileno(stderr)) != 0;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  if (argc <= 1 || argv == nullptr) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

// Terminals here take UTF-8 as it is.
Utf8ConsoleOutput::Utf8ConsoleOutput() = default;
Utf8ConsoleOutput::~Utf8ConsoleOutput() = default;

}  // namespace Platform
