// vorlane_bench: builds synthetic browser caches and measures how fast Vorlane lists
// and captures them. `run` drives everything; the other commands are the steps it
// starts as child processes, so each measured capture is a process of its own.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "BenchRunner.h"
#include "CacheFormat.h"
#include "CaptureRun.h"
#include "FilterFileBench.h"
#include "SyntheticPlan.h"
#include "platform/Paths.h"

namespace {

using namespace vorlane::bench;

constexpr const char* kUsage =
    "usage: vorlane_bench run --format NAME [--entries N] [--repeat R] [--seed S]\n"
    "                         [--work DIR] [--doubling] [--keep]\n"
    "       vorlane_bench generate --format NAME --entries N [--seed S] --out DIR\n"
    "       vorlane_bench capture --format NAME --cache DIR --out DIR [--decode on|off]\n"
    "       vorlane_bench list --format NAME --cache DIR\n"
    "       vorlane_bench filters [--count N] [--work DIR]\n"
    "       vorlane_bench formats\n";

struct Arguments {
  std::string Command;
  std::map<std::string, std::string> Values;
  std::map<std::string, bool> Flags;

  std::string Get(const std::string& key, const std::string& fallback = {}) const {
    const auto found = Values.find(key);
    return found == Values.end() ? fallback : found->second;
  }
  std::optional<uint64_t> Number(const std::string& key, uint64_t fallback) const {
    const std::string text = Get(key, std::to_string(fallback));
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || text[0] == '-') return std::nullopt;
    return value;
  }
};

std::optional<Arguments> Parse(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  Arguments arguments;
  arguments.Command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--doubling" || name == "--keep") {
      arguments.Flags[name] = true;
    } else if (name.starts_with("--") && i + 1 < argc) {
      arguments.Values[name] = argv[++i];
    } else {
      return std::nullopt;
    }
  }
  return arguments;
}

// Output folders must be absolute; relative ones are taken from the working folder.
std::string Absolute(const std::string& path) {
  std::error_code error;
  return path.empty() ? path : std::filesystem::absolute(path, error).string();
}

const CacheFormat* FormatOf(const Arguments& arguments) {
  const CacheFormat* format = FindFormat(arguments.Get("--format"));
  if (!format) std::fprintf(stderr, "vorlane_bench: unknown format; see vorlane_bench formats\n");
  return format;
}

int Generate(const Arguments& arguments) {
  const CacheFormat* format = FormatOf(arguments);
  const auto entries = arguments.Number("--entries", 0);
  const auto seed = arguments.Number("--seed", 1);
  const std::string out = arguments.Get("--out");
  if (!format || !entries || *entries == 0 || *entries > 10'000'000 || !seed || out.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  PlanShape shape;
  shape.Entries = static_cast<uint32_t>(*entries);
  shape.Seed = *seed;
  shape.CompressedShare = format->CompressedShare;
  const SyntheticPlan plan = MakePlan(shape);
  std::error_code error;
  std::filesystem::create_directories(out, error);

  GenerateSummary summary;
  std::string message;
  switch (format->Generate(plan, out, summary, message)) {
    case GenerateResult::Written:
      break;
    case GenerateResult::Unavailable:
      std::fprintf(stderr, "vorlane_bench: %s\n", message.c_str());
      return 77;
    case GenerateResult::Failed:
      std::fprintf(stderr, "vorlane_bench: %s\n", message.c_str());
      return 2;
  }
  std::printf(
      "entries %llu\ndata_bytes %llu\nseparate_files %llu\nduplicates %llu\n"
      "decoded_bytes %llu\n",
      static_cast<unsigned long long>(summary.Entries),
      static_cast<unsigned long long>(summary.DataBytes),
      static_cast<unsigned long long>(summary.SeparateFiles),
      static_cast<unsigned long long>(summary.Duplicates),
      static_cast<unsigned long long>(summary.DecodedBytes));
  return 0;
}

int Capture(const Arguments& arguments, bool listOnly) {
  CaptureRequest request;
  request.Format = FormatOf(arguments);
  request.CacheFolder = Absolute(arguments.Get("--cache"));
  request.OutputFolder = Absolute(arguments.Get("--out"));
  request.ListOnly = listOnly;
  const std::string decode = arguments.Get("--decode");
  if (!decode.empty()) request.Decode = decode == "on";
  if (!request.Format || request.CacheFolder.empty() ||
      (!listOnly && request.OutputFolder.empty())) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return RunCapture(request, stdout, stderr);
}

int Run(const Arguments& arguments) {
  RunOptions options;
  options.Format = arguments.Get("--format");
  const auto entries = arguments.Number("--entries", options.Entries);
  const auto repeat = arguments.Number("--repeat", options.Repeat);
  const auto seed = arguments.Number("--seed", options.Seed);
  if (!FormatOf(arguments) || !entries || !repeat || !seed || *entries > 10'000'000 ||
      *repeat > 1000) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  options.Entries = static_cast<uint32_t>(*entries);
  options.Repeat = static_cast<uint32_t>(*repeat);
  options.Seed = *seed;
  options.WorkFolder = Absolute(arguments.Get("--work", "build-bench/data"));
  options.Doubling = arguments.Flags.count("--doubling") != 0;
  options.Keep = arguments.Flags.count("--keep") != 0;
  options.Self = Platform::ExecutablePath().value_or(std::string());
  return RunBenchmark(options);
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Arguments> arguments = Parse(argc, argv);
  if (!arguments) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string& command = arguments->Command;
  if (command == "run") return Run(*arguments);
  if (command == "generate") return Generate(*arguments);
  if (command == "capture") return Capture(*arguments, false);
  if (command == "list") return Capture(*arguments, true);
  if (command == "filters") {
    const auto count = arguments->Number("--count", 1000);
    if (!count || *count == 0 || *count > 100000) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    return RunFilterFileBench(Absolute(arguments->Get("--work", "build-bench/filters")),
                              static_cast<int>(*count), 3.0, stdout);
  }
  if (command == "formats") {
    for (const CacheFormat& format : AllFormats()) {
      std::printf("%-16.*s %.*s\n", static_cast<int>(format.Name.size()), format.Name.data(),
                  static_cast<int>(format.Description.size()), format.Description.data());
    }
    return 0;
  }
  std::fputs(kUsage, stderr);
  return 2;
}
