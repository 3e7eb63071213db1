#pragma once

#include <cstdio>

#include "cli/CliOptions.h"
#include "sources/CCacheBrowser.h"

// Prints a loaded source's entries, one row each: index kind size time mime url file.
void PrintEntries(const CCacheBrowser& source, CliOptions::Format format, std::FILE* out);
