#pragma once

// The command-line program's console: stop requests, the terminal, the arguments and the
// text written to it. Nothing here can fail in a way a caller acts on: where the system
// offers less (no console, no wide command line), these fall back to what there is.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Platform {

// Makes Ctrl-C, SIGTERM and SIGHUP (console close on Windows) ask `onStop` to run
// instead of ending the process; the handler runs on a thread of its own. Undone when
// the returned object goes. Must be made before other threads are started.
class StopRequests {
 public:
  virtual ~StopRequests() = default;
  virtual bool WasRequested() const = 0;
};
std::unique_ptr<StopRequests> CatchStopRequests(std::function<void()> onStop);

// Whether the standard error stream is a terminal (a progress bar is drawn only there).
bool StandardErrorIsTerminal();

// The arguments of a command-line program after its own name, as UTF-8. On Windows
// they come from the wide command line (argv holds them in the ANSI code page, which
// loses what it cannot spell); elsewhere they are argv as it is.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// While it lives, a console shows the UTF-8 that the program writes (a Windows console
// reads output in its own code page otherwise, and gets the previous one back after);
// nothing to do where terminals take UTF-8.
class Utf8ConsoleOutput {
 public:
  Utf8ConsoleOutput();
  ~Utf8ConsoleOutput();
  Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
  Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

 private:
  unsigned Previous = 0;
};

}  // namespace Platform
