#pragma once

// Pure matching of one process against a browser's process names, over the bytes that
// /proc offers for it. No I/O here, so the rules can be tested and fuzzed on their own.

#include <string>
#include <string_view>
#include <vector>

namespace Platform::ProcessMatch {

// What /proc tells about one process. Any part may be empty when it could not be read.
struct ProcessIdentity {
  std::string_view Comm;         // contents of comm (kernel-truncated name, may end in '\n')
  std::string_view CommandLine;  // raw cmdline: NUL-separated arguments
  std::string_view Executable;   // target of the exe link
};

// The kernel keeps at most this many bytes of a process name in comm.
inline constexpr size_t CommLength = 15;

// The part after the last '/' or '\' (programs under Wine show Windows paths).
std::string_view BaseName(std::string_view path);

// argv[0]: the command line up to its first NUL.
std::string_view FirstArgument(std::string_view commandLine);

// The exe link's target without the " (deleted)" the kernel appends once the file
// was replaced, as happens when a browser is updated while it runs.
std::string_view ExecutableName(std::string_view executable);

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// True when the comm (also against a name cut to the comm length), the base name of
// argv[0] or the base name of the executable equals one of `names`, ignoring ASCII case.
bool Matches(const ProcessIdentity& process, const std::vector<std::string>& names);

// True when a stat line ("pid (comm) S ...") says the process has ended and only
// waits to be reaped (zombie or dead); such a process holds no files any more.
bool IsEndedState(std::string_view stat);

}  // namespace Platform::ProcessMatch
