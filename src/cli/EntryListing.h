#pragma once

#include <cstdio>
#include <string>

#include "cli/CliOptions.h"
#include "sources/CCacheBrowser.h"

// Fields of the listings and reports: control characters written as \xHH (TSV, CSV),
// CSV quoting, JSON strings.
std::string TsvField(const std::string& text);
std::string CsvField(const std::string& text);
std::string JsonString(const std::string& text);

// Prints a loaded source's entries, one row each: index kind size time mime url file site
// (as %SITE% names it) partition (as the cache keys it).
void PrintEntries(const CCacheBrowser& source, CliOptions::Format format, std::FILE* out);
