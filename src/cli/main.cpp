#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "platform/Console.h"

int main(int argc, char** argv) {
  // UTF-8 in, UTF-8 out, whatever code page the system's console uses.
  const Platform::Utf8ConsoleOutput console;
  return RunCli(Platform::CommandLineArguments(argc, argv), stdout, stderr);
}
