#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The command line of vorlane-cli, parsed without side effects.
struct CliOptions {
  enum class Command { Help, Version, List, Capture, Watch };
  enum class Format { Tsv, Csv, Json };

  Command Action = Command::Help;
  int Browser = 0;  // a code of the browser table
  std::string CacheFolder;
  std::string FiltersFile;
  std::optional<int64_t> Since;
  std::optional<bool> OneCopy;
  std::optional<bool> SkipDuplicates;
  bool Raw = false;         // save bodies as stored, without decoding
  bool ServerTime = false;  // saved files get the server's time
  bool Live = false;        // capture while the browser runs, where that is safe
  bool DryRun = false;      // say where files would be saved; write nothing
  std::string ReportFile;   // one row per saved or skipped entry (.csv or .json)
  Format OutputFormat = Format::Tsv;
  bool Quiet = false;
  bool Once = false;           // watch: end after the first capture
  uint32_t IntervalMs = 2000;  // watch: pause between two looks
};

// Parses the arguments after the program name; on a usage error returns nothing and
// fills `error`.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments,
                                          std::string& error);
// A time given on the command line: seconds since 1970, or an ISO-8601 date with an
// optional time ("2026-12-06", "2026-12-06T09:30", "2026-12-06T09:30:15Z"), read as UTC.
std::optional<int64_t> ParseCliTime(const std::string& text);
// Seconds since 1970 as ISO-8601 UTC ("2026-12-06T09:30:15Z").
std::string FormatIsoTime(int64_t seconds);

// The help text, with the browser names of the table.
std::string CliUsage();
