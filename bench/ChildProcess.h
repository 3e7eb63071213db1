#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vorlane::bench {

struct ChildResult {
  int ExitCode = -1;       // the exit status, or 128 + signal
  std::string Output;      // everything the child wrote to its standard output
  double WallSeconds = 0;  // from just before the start to just after the end
  double CpuSeconds = 0;   // user and system time of the child
};

// Starts a program (looked up in PATH when the name has no '/') with its standard
// output in a pipe and its standard error shared with ours, and waits for it.
// Nothing when it cannot be started.
std::optional<ChildResult> RunChild(const std::vector<std::string>& arguments);

}  // namespace vorlane::bench
