#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/CaptureNotice.h"

// Exit codes of vorlane-cli.
enum CliExitCode : int {
  CliSuccess = 0,
  CliBrowserRunning = 1,
  CliUsageError = 2,
  CliCacheUnreadable = 3,
  CliFolderFailed = 4,
  CliSaveFailed = 5,
  // 128 + SIGINT, as shells report a program ended by Ctrl-C.
  CliInterrupted = 130,
};

// Runs vorlane-cli with the arguments after the program name.
int RunCli(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);
