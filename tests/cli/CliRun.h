#pragma once

// Runs the built vorlane-cli as a user or a script would, and the caches and filter
// files its tests give it.

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace vorlane::test {

struct CliRun {
  int Code = -1;
  std::string Out;
  std::string Err;
};

// Runs vorlane-cli with its output in files (so neither stream is a terminal). Line
// ends come back as '\n' (the tool writes text streams, CR LF on Windows).
CliRun RunCli(const std::vector<std::string>& arguments);

// A cache2 cache of plain-text entries: body i is `bodies[i]`.
std::string TextCache(const TempDir& dir, const std::vector<std::string>& bodies);
// The Firefox cache of the samples folder.
std::string Sample();
// A filter file that saves every entry into `folder`, named file<n>.
std::string CatchAll(const TempDir& dir, const std::string& folder);
// Where the settings file would be for the sandboxed user.
std::string ProgramLikeSettingsPath();
size_t Lines(const std::string& text);

}  // namespace vorlane::test
