#include "cli/CliOptions.h"

#include <charconv>
#include <cstdio>

#include "base/CivilTime.h"
#include "config/BrowserTable.h"
#include "sources/CacheFormats.h"

namespace {

std::string BrowserNames(const char* separator) {
  std::string names;
  for (const BrowserInfo& browser : Browsers()) {
    if (!names.empty()) names += separator;
    names += browser.CliName;
  }
  return names;
}

// What --cache takes, per format.
std::string NamedFolderHints() {
  std::string hints;
  for (const CacheFormat* format : CacheFormats()) {
    hints += "\n                    " + std::string(format->DisplayName) + ": " +
             std::string(format->NamedFolderHint) + ";";
  }
  return hints;
}

}  // namespace

std::string CliUsage() {
  const std::string names = BrowserNames("|");
  return "Usage:\n"
         "  vorlane-cli list BROWSER [--cache DIR] [--format tsv|csv|json]\n"
         "  vorlane-cli capture BROWSER [--cache DIR] [--filters FILE] [--since TIME]\n"
         "              [--one-copy|--no-one-copy] [--skip-duplicates|--no-skip-duplicates]\n"
         "              [--raw] [--server-time] [--live] [--dry-run] [--report FILE] [--quiet]\n"
         "  vorlane-cli watch BROWSER [--cache DIR] [--filters FILE] [--one-copy|--no-one-copy]\n"
         "              [--skip-duplicates|--no-skip-duplicates] [--raw] [--server-time]\n"
         "              [--dry-run] [--report FILE] [--quiet] [--once] [--interval MS]\n"
         "              (the capture options but --since and --live: a watch captures what\n"
         "              was cached while the browser ran, after it closed)\n"
         "  vorlane-cli --help | --version\n"
         "\n"
         "list      prints one row per cache entry: index kind size time mime url file site\n"
         "          partition (site as %SITE% names it; partition as the cache keys it)\n"
         "capture   runs one capture through the filters and saves the matching files\n"
         "watch     waits for the browser to start and end, then captures what it cached\n"
         "          meanwhile (again at every closing, or once with --once)\n"
         "\n"
         "  BROWSER           " +
         names +
         "\n"
         "                    (any case; ie and maxthon share the URL cache, read under Wine)\n"
         "  --cache DIR       read this cache folder instead of the one found or set in Options:" +
         NamedFolderHints() +
         "\n"
         "                    a capture from a named folder is not refused while the browser runs\n"
         "  --format F        tsv (default, with a header line), csv or json; control characters\n"
         "                    in fields are written as \\xHH\n"
         "  --filters FILE    use this filter file instead of the one in the settings\n"
         "  --since TIME      only entries cached at or after TIME: seconds since 1970, or an\n"
         "                    ISO-8601 date/time in UTC such as 2026-12-06T09:30:00Z\n"
         "  --one-copy, --no-one-copy                  override the One Copy option\n"
         "  --skip-duplicates, --no-skip-duplicates    override the Skip Duplicates option\n"
         "  --raw             save compressed bodies (gzip, deflate, br, zstd) as stored\n"
         "  --server-time     give each saved file the response's Last-Modified time (else its\n"
         "                    Date, else the time it was cached)\n"
         "  --live            capture while the browser runs, for caches whose entries are\n"
         "                    files of their own (Firefox cache2, Chromium's simple cache); an\n"
         "                    entry being written meanwhile is skipped and counted, never saved\n"
         "                    half; other caches are still refused while their browser runs\n"
         "  --dry-run         print where each match would be saved; save nothing, make no folder\n"
         "  --report FILE     write one row per saved file and per entry skipped as a duplicate,\n"
         "                    unreadable or without a folder: URL, site, partition, saved path,\n"
         "                    kind, content type, stored\n"
         "                    encoding, stored and saved size, time, SHA-256 of the saved bytes;\n"
         "                    CSV, or JSON when FILE ends in .json\n"
         "  --quiet           do not list the saved files\n"
         "  --once            watch: end after the first capture (one that found no cache to\n"
         "                    open is reported and does not count)\n"
         "  --interval MS     watch: pause between two looks at the process list (default 2000)\n"
         "\n"
         "\n"
         "Filter folders may hold %DATE% (dd.mm.yyyy), %ISODATE% (yyyy-mm-dd), %TIME%, %SITE%\n"
         "(the entry's host without www.) and %BROWSER%; a file-name stem may hold %NAME% (the\n"
         "original file name: photo.jpg, then photo-1.jpg when taken).\n"
         "Settings are read from ~/.local/share/Vorlane/VOR.cfg and never changed by this tool.\n"
         "Cache entries that cannot be read are skipped and counted on standard error; a capture\n"
         "that saves nothing says why.\n"
         "Exit codes: 0 success (also with 0 files), 1 the browser is running, 2 usage error,\n"
         "3 the cache cannot be opened, 4 an output folder cannot be created or lies inside the\n"
         "cache (so does a report file), 5 a file could\n"
         "not be saved (no space, no permission...: the capture stops there, the files saved\n"
         "so far stay and are listed), 130 stopped by Ctrl-C, SIGTERM or SIGHUP (a capture\n"
         "stops between two files; the files saved so far are listed).\n";
}

namespace {

bool ParseBrowser(const std::string& name, int& browser) {
  const BrowserInfo* found = FindBrowserByCliName(name);
  if (!found) return false;
  // A browser without a capture of its own (Maxthon) is captured through the one it
  // shares its cache with, as the main window does it.
  browser = found->Code;
  for (const BrowserInfo* sharer : CacheSharers(*found)) {
    if (sharer->CaptureCommand) {
      browser = sharer->Code;
      break;
    }
  }
  return true;
}

}  // namespace

std::optional<int64_t> ParseCliTime(const std::string& text) {
  if (text.empty()) return std::nullopt;
  if (text.find_first_not_of("0123456789") == std::string::npos) {
    if (text.size() > 18) return std::nullopt;
    return std::stoll(text);
  }
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &consumed) != 3 ||
      consumed != 10) {
    return std::nullopt;
  }
  std::string rest = text.substr(10);
  if (!rest.empty() && (rest[0] == 'T' || rest[0] == ' ')) {
    int used = 0;
    if (std::sscanf(rest.c_str() + 1, "%2d:%2d%n", &hour, &minute, &used) != 2 || used != 5) {
      return std::nullopt;
    }
    rest = rest.substr(6);
    if (!rest.empty() && rest[0] == ':') {
      if (std::sscanf(rest.c_str() + 1, "%2d%n", &second, &used) != 1 || used != 2) {
        return std::nullopt;
      }
      rest = rest.substr(3);
    }
  }
  if (rest == "Z") rest.clear();
  // A day the month does not have (2026-02-30) is no date, not the one after it.
  if (!rest.empty() || month < 1 || month > 12 || day < 1 ||
      static_cast<unsigned>(day) > CivilTime::DaysInMonth(year, static_cast<unsigned>(month)) ||
      hour > 23 || minute > 59 || second > 60) {
    return std::nullopt;
  }
  return CivilTime::ToUnixSeconds({year, static_cast<unsigned>(month), static_cast<unsigned>(day),
                                   static_cast<unsigned>(hour), static_cast<unsigned>(minute),
                                   static_cast<unsigned>(second)});
}

std::string FormatIsoTime(int64_t seconds) {
  const CivilTime::DateTime utc = CivilTime::FromUnixSeconds(seconds);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02u:%02u:%02uZ",
                static_cast<long long>(utc.Year), utc.Month, utc.Day, utc.Hour, utc.Minute,
                utc.Second);
  return buffer;
}

namespace {

// The command word and the browser after it. False, with `error`, on a usage error;
// help and version need nothing more.
bool ParseCommand(const std::vector<std::string>& arguments, CliOptions& options,
                  std::string& error) {
  if (arguments.empty()) {
    error = "no command given";
    return false;
  }
  const std::string& command = arguments[0];
  if (command == "--help" || command == "-h" || command == "help") return true;
  if (command == "--version") {
    options.Action = CliOptions::Command::Version;
    return true;
  }
  if (command == "list") {
    options.Action = CliOptions::Command::List;
  } else if (command == "capture") {
    options.Action = CliOptions::Command::Capture;
  } else if (command == "watch") {
    options.Action = CliOptions::Command::Watch;
  } else {
    error = "unknown command '" + command + "'";
    return false;
  }
  if (arguments.size() < 2 || !ParseBrowser(arguments[1], options.Browser)) {
    error = (arguments.size() < 2 ? std::string("name the browser: ")
                                  : "unknown browser '" + arguments[1] + "'; known: ") +
            BrowserNames(", ");
    return false;
  }
  return true;
}

std::optional<CliOptions::Format> ParseFormat(const std::string& text) {
  if (text == "tsv") return CliOptions::Format::Tsv;
  if (text == "csv") return CliOptions::Format::Csv;
  if (text == "json") return CliOptions::Format::Json;
  return std::nullopt;
}

std::optional<uint32_t> ParseInterval(const std::string& text) {
  uint32_t interval = 0;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), interval);
  if (failure != std::errc() || end != text.data() + text.size() || interval < 10 ||
      interval > 3600000) {
    return std::nullopt;
  }
  return interval;
}

// The capture options that mean nothing for a watch, with the reason.
bool WatchRefuses(const std::string& option, std::string& error) {
  if (option == "--since") {
    error =
        "--since does not apply to watch: each capture takes what was cached while the "
        "browser ran";
  } else if (option == "--live") {
    error = "--live does not apply to watch: it captures once the browser has closed";
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments,
                                          std::string& error) {
  CliOptions options;
  if (!ParseCommand(arguments, options, error)) return std::nullopt;
  if (options.Action == CliOptions::Command::Help ||
      options.Action == CliOptions::Command::Version) {
    return options;
  }
  const bool watch = options.Action == CliOptions::Command::Watch;
  const bool capture = options.Action == CliOptions::Command::Capture || watch;
  for (size_t i = 2; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= arguments.size()) {
        error = option + " needs a value";
        return false;
      }
      out = arguments[++i];
      return true;
    };
    std::string text;
    if (option == "--help" || option == "-h") {
      options.Action = CliOptions::Command::Help;
      return options;
    } else if (option == "--cache") {
      if (!value(options.CacheFolder)) return std::nullopt;
    } else if (option == "--format" && !capture) {
      if (!value(text)) return std::nullopt;
      const std::optional<CliOptions::Format> format = ParseFormat(text);
      if (!format) {
        error = "unknown format '" + text + "'";
        return std::nullopt;
      }
      options.OutputFormat = *format;
    } else if (option == "--filters" && capture) {
      if (!value(options.FiltersFile)) return std::nullopt;
    } else if (watch && WatchRefuses(option, error)) {
      return std::nullopt;
    } else if (option == "--since" && capture) {
      if (!value(text)) return std::nullopt;
      options.Since = ParseCliTime(text);
      if (!options.Since) {
        error = "cannot read the time '" + text + "'";
        return std::nullopt;
      }
    } else if (option == "--one-copy" && capture) {
      options.OneCopy = true;
    } else if (option == "--no-one-copy" && capture) {
      options.OneCopy = false;
    } else if (option == "--skip-duplicates" && capture) {
      options.SkipDuplicates = true;
    } else if (option == "--no-skip-duplicates" && capture) {
      options.SkipDuplicates = false;
    } else if (option == "--raw" && capture) {
      options.Raw = true;
    } else if (option == "--server-time" && capture) {
      options.ServerTime = true;
    } else if (option == "--live" && capture) {
      options.Live = true;
    } else if (option == "--dry-run" && capture) {
      options.DryRun = true;
    } else if (option == "--report" && capture) {
      if (!value(options.ReportFile)) return std::nullopt;
    } else if (option == "--quiet" && capture) {
      options.Quiet = true;
    } else if (option == "--once" && watch) {
      options.Once = true;
    } else if (option == "--interval" && watch) {
      if (!value(text)) return std::nullopt;
      const std::optional<uint32_t> interval = ParseInterval(text);
      if (!interval) {
        error = "the interval is a number of milliseconds from 10 to 3600000";
        return std::nullopt;
      }
      options.IntervalMs = *interval;
    } else {
      error = "unknown option '" + option + "'";
      return std::nullopt;
    }
  }
  return options;
}
