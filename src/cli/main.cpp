#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliApp.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return RunCli(arguments, stdout, stderr);
}
