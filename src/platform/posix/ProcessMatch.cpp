#include "platform/posix/ProcessMatch.h"

#include "base/Text.h"

namespace Platform::ProcessMatch {

namespace {

std::string_view StripLineEnd(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.remove_suffix(1);
  return text;
}

bool CommMatches(std::string_view comm, std::string_view name) {
  if (comm.empty()) return false;
  if (EqualsIgnoringAsciiCase(comm, name)) return true;
  // A long name only ever shows its first bytes in comm.
  return comm.size() == CommLength && name.size() > CommLength &&
         EqualsIgnoringAsciiCase(comm, name.substr(0, CommLength));
}

bool NameMatches(std::string_view candidate, const std::vector<std::string>& names) {
  if (candidate.empty()) return false;
  for (const std::string& name : names) {
    if (EqualsIgnoringAsciiCase(candidate, name)) return true;
  }
  return false;
}

}  // namespace

std::string_view BaseName(std::string_view path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string_view FirstArgument(std::string_view commandLine) {
  const size_t end = commandLine.find('\0');
  return end == std::string_view::npos ? commandLine : commandLine.substr(0, end);
}

std::string_view ExecutableName(std::string_view executable) {
  constexpr std::string_view deleted = " (deleted)";
  if (executable.size() > deleted.size() &&
      executable.substr(executable.size() - deleted.size()) == deleted) {
    executable.remove_suffix(deleted.size());
  }
  return BaseName(executable);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return Text::EqualsIgnoringAsciiCase(a, b);
}

bool Matches(const ProcessIdentity& process, const std::vector<std::string>& names) {
  const std::string_view comm = StripLineEnd(process.Comm);
  for (const std::string& name : names) {
    if (!name.empty() && CommMatches(comm, name)) return true;
  }
  if (NameMatches(BaseName(FirstArgument(process.CommandLine)), names)) return true;
  return NameMatches(ExecutableName(process.Executable), names);
}

bool IsEndedState(std::string_view stat) {
  // The name in parentheses may itself hold ") ", so the state follows the last ')'.
  const size_t close = stat.rfind(')');
  if (close == std::string_view::npos || close + 2 >= stat.size()) return false;
  const char state = stat[close + 2];
  return state == 'Z' || state == 'X' || state == 'x';
}

}  // namespace Platform::ProcessMatch
