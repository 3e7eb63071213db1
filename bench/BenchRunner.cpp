#include "BenchRunner.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "CacheFormat.h"
#include "ChildProcess.h"
#include "Figures.h"

namespace vorlane::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kUnavailable = 77;

struct Samples {
  std::vector<double> Capture;
  std::vector<double> List;
  std::vector<double> Save;
  std::vector<double> Floor;
  std::vector<double> Ratio;
  std::vector<double> CpuRatio;
  std::vector<double> PeakKiB;
  std::vector<double> HalfCapture;
  std::vector<double> Decode;
  std::vector<double> Listing;
};

void Remove(const fs::path& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

// Written-back data of one step must not land in the timing of the next one.
void Settle() {
  ::sync();
}

std::optional<Report> Step(const std::vector<std::string>& arguments, const char* what) {
  const std::optional<ChildResult> result = RunChild(arguments);
  if (!result || result->ExitCode != 0) {
    std::fprintf(stderr, "vorlane_bench: %s failed (exit %d)\n", what,
                 result ? result->ExitCode : -1);
    return std::nullopt;
  }
  return ParseReport(result->Output);
}

std::string MB(double bytes) {
  return Fixed(bytes / 1e6, 1) + " MB";
}

std::string List(const std::vector<double>& seconds) {
  std::string text;
  for (double value : seconds) text += " " + Fixed(value, 3);
  return text;
}

const char* Verdict(bool met) {
  return met ? "met" : "MISSED";
}

class Benchmark {
 public:
  Benchmark(const RunOptions& options, const CacheFormat& format)
      : Options(options), Format(format), Root(fs::path(options.WorkFolder) / format.Name) {}

  int Run();

 private:
  // 0 written, kUnavailable, or another exit code.
  int Generate(uint32_t entries, const fs::path& folder, Report& summary) const;
  std::optional<Report> Capture(const fs::path& cache, const Report& summary, const fs::path& out,
                                std::optional<bool> decode) const;
  bool Measure(Samples& samples) const;
  int Print(const Samples& samples) const;

  const RunOptions& Options;
  const CacheFormat& Format;
  fs::path Root;
  fs::path Cache;
  fs::path HalfCache;
  Report Summary;
  Report HalfSummary;
};

int Benchmark::Generate(uint32_t entries, const fs::path& folder, Report& summary) const {
  const std::optional<ChildResult> result = RunChild(
      {Options.Self, "generate", "--format", std::string(Format.Name), "--entries",
       std::to_string(entries), "--seed", std::to_string(Options.Seed), "--out", folder.string()});
  if (!result) return 2;
  if (result->ExitCode == 0) summary = ParseReport(result->Output);
  return result->ExitCode;
}

std::optional<Report> Benchmark::Capture(const fs::path& cache, const Report& summary,
                                         const fs::path& out, std::optional<bool> decode) const {
  std::vector<std::string> arguments = {
      Options.Self, "capture",      "--format", std::string(Format.Name),
      "--cache",    cache.string(), "--out",    out.string()};
  if (decode) arguments.insert(arguments.end(), {"--decode", *decode ? "on" : "off"});
  std::optional<Report> report = Step(arguments, "capture");
  if (!report) return std::nullopt;
  // A capture that saved the wrong files measures nothing worth reporting.
  const double expected = ReportNumber(summary, "entries").value_or(-1) -
                          ReportNumber(summary, "duplicates").value_or(0);
  const double saved = ReportNumber(*report, "new_files").value_or(-2);
  if (saved != expected) {
    std::fprintf(stderr, "vorlane_bench: the capture saved %.0f new files, expected %.0f\n", saved,
                 expected);
    return std::nullopt;
  }
  return report;
}

bool Benchmark::Measure(Samples& samples) const {
  const std::optional<bool> plain =
      Format.SetDecoding ? std::optional<bool>(false) : std::optional<bool>();
  // Every step writes into folders of its own and nothing is deleted until the end:
  // a file system may search past recently freed inodes when it makes new ones, and
  // that cost would fall on whichever step came after a deletion.
  for (uint32_t run = 0; run < Options.Repeat; ++run) {
    const std::string suffix = "-" + std::to_string(run);
    const fs::path out = Root / ("out" + suffix);
    Settle();
    const std::optional<Report> captured = Capture(Cache, Summary, out, plain);
    if (!captured) return false;
    Settle();
    // The floor: the same files with the same bytes, copied from the page cache.
    const std::optional<ChildResult> floor =
        RunChild({"cp", "-r", out.string(), (Root / ("copy" + suffix)).string()});
    if (!floor || floor->ExitCode != 0) {
      std::fprintf(stderr, "vorlane_bench: cp -r failed\n");
      return false;
    }
    const double seconds = ReportNumber(*captured, "capture_seconds").value_or(0);
    samples.Capture.push_back(seconds);
    samples.List.push_back(ReportNumber(*captured, "list_seconds").value_or(0));
    samples.Save.push_back(ReportNumber(*captured, "save_seconds").value_or(0));
    samples.PeakKiB.push_back(ReportNumber(*captured, "peak_rss_kib").value_or(0));
    samples.Floor.push_back(floor->WallSeconds);
    samples.Ratio.push_back(seconds / std::max(floor->WallSeconds, 1e-9));
    samples.CpuRatio.push_back(ReportNumber(*captured, "cpu_seconds").value_or(0) /
                               std::max(floor->CpuSeconds, 1e-9));

    if (Format.SetDecoding) {
      Settle();
      const std::optional<Report> decoded =
          Capture(Cache, Summary, Root / ("decoded" + suffix), true);
      if (!decoded) return false;
      samples.Decode.push_back(ReportNumber(*decoded, "capture_seconds").value_or(0) - seconds);
    }
    if (!HalfCache.empty()) {
      Settle();
      const std::optional<Report> half =
          Capture(HalfCache, HalfSummary, Root / ("half" + suffix), plain);
      if (!half) return false;
      samples.HalfCapture.push_back(ReportNumber(*half, "capture_seconds").value_or(0));
    }
  }
  for (uint32_t run = 0; run < Options.Repeat; ++run) {
    const std::optional<Report> listed = Step(
        {Options.Self, "list", "--format", std::string(Format.Name), "--cache", Cache.string()},
        "listing");
    if (!listed) return false;
    samples.Listing.push_back(ReportNumber(*listed, "list_seconds").value_or(0));
  }
  return true;
}

int Benchmark::Run() {
  std::printf("== %.*s: %.*s\n", static_cast<int>(Format.Name.size()), Format.Name.data(),
              static_cast<int>(Format.Description.size()), Format.Description.data());
  std::fflush(stdout);
  Remove(Root);
  Cache = Root / ("cache-" + std::to_string(Options.Entries));
  const int generated = Generate(Options.Entries, Cache, Summary);
  if (generated == kUnavailable) {
    std::printf("skipped    the generator for this format is not available\n\n");
    Remove(Root);
    return 0;
  }
  int outcome = 2;
  if (Options.Doubling) HalfCache = Root / ("cache-" + std::to_string(Options.Entries / 2));
  if (generated != 0) {
    std::fprintf(stderr, "vorlane_bench: generating the cache failed\n");
  } else if (!HalfCache.empty() && Generate(Options.Entries / 2, HalfCache, HalfSummary) != 0) {
    std::fprintf(stderr, "vorlane_bench: generating the half-size cache failed\n");
  } else {
    Settle();
    Samples samples;
    if (Measure(samples)) outcome = Print(samples);
  }
  if (!Options.Keep) Remove(Root);
  return outcome;
}

int Benchmark::Print(const Samples& samples) const {
  const double entries = ReportNumber(Summary, "entries").value_or(0);
  const double bytes = ReportNumber(Summary, "data_bytes").value_or(0);
  const double capture = Median(samples.Capture);
  const double ratio = Median(samples.Ratio);
  const double peak = *std::max_element(samples.PeakKiB.begin(), samples.PeakKiB.end()) * 1024;
  const double listing = Median(samples.Listing);
  const std::string runs = " median of " + std::to_string(Options.Repeat);

  std::printf("cache      %s entries, %s (%s separate files, %s duplicates) in %s\n",
              GroupDigits(entries).c_str(), MB(bytes).c_str(),
              GroupDigits(ReportNumber(Summary, "separate_files").value_or(0)).c_str(),
              GroupDigits(ReportNumber(Summary, "duplicates").value_or(0)).c_str(),
              Cache.parent_path().c_str());
  std::printf("capture    %s s%s (open+load %s s, save %s s): %s entries/s, %s/s\n",
              Fixed(capture, 3).c_str(), runs.c_str(), Fixed(Median(samples.List), 3).c_str(),
              Fixed(Median(samples.Save), 3).c_str(), GroupDigits(entries / capture).c_str(),
              MB(bytes / capture).c_str());
  std::printf("floor      cp -r of the capture's output: %s s%s\n",
              Fixed(Median(samples.Floor), 3).c_str(), runs.c_str());
  std::printf("runs       capture%s; cp -r%s\n", List(samples.Capture).c_str(),
              List(samples.Floor).c_str());
  const double maxRatio = Format.MaxFloorRatio;
  bool met = ratio <= maxRatio;
  std::printf("ratio      capture / cp -r = %s (median of the runs' ratios)  target <= %s: %s\n",
              Fixed(ratio, 2).c_str(), Fixed(maxRatio, 1).c_str(), Verdict(ratio <= maxRatio));
  std::printf(
      "           capture / cp -r in CPU time (user+system) = %s (median; less disturbed by "
      "other load)\n",
      Fixed(Median(samples.CpuRatio), 2).c_str());
  met = met && peak < kMaxPeakResidentBytes;
  std::printf("peak RSS   %s (VmHWM of the capture process, highest of %u)  target < %s: %s\n",
              MB(peak).c_str(), Options.Repeat, MB(kMaxPeakResidentBytes).c_str(),
              Verdict(peak < kMaxPeakResidentBytes));
  if (!samples.Decode.empty()) {
    const double decoded = ReportNumber(Summary, "decoded_bytes").value_or(0);
    const double extra = Median(samples.Decode);
    if (const std::optional<double> rate = MeasuredRate(decoded, extra, capture)) {
      std::printf(
          "decoding   %s/s (decoded bytes / extra time with decoding on; not in the ratio)\n",
          MB(*rate).c_str());
    } else {
      std::printf("decoding   not measured: %s decoded, %s s extra time is within the noise\n",
                  MB(decoded).c_str(), Fixed(extra, 3).c_str());
    }
  }
  if (!samples.HalfCapture.empty()) {
    const double doubling = capture / std::max(Median(samples.HalfCapture), 1e-9);
    met = met && doubling <= kMaxDoublingRatio;
    std::printf("runs       half-size capture%s\n", List(samples.HalfCapture).c_str());
    std::printf("doubling   %s -> %s entries: %s x the time  target <= %s: %s\n",
                GroupDigits(Options.Entries / 2).c_str(), GroupDigits(entries).c_str(),
                Fixed(doubling, 2).c_str(), Fixed(kMaxDoublingRatio, 1).c_str(),
                Verdict(doubling <= kMaxDoublingRatio));
  }
  const double perSecond = entries / std::max(listing, 1e-9);
  std::printf(
      "listing    %s s%s: %s entries/s  target >= %s/s (absolute: shown, not judged): %s\n\n",
      Fixed(listing, 3).c_str(), runs.c_str(), GroupDigits(perSecond).c_str(),
      GroupDigits(kListingEntriesPerSecond).c_str(),
      perSecond >= kListingEntriesPerSecond ? "above" : "below");
  std::fflush(stdout);
  return met ? 0 : 1;
}

}  // namespace

int RunBenchmark(const RunOptions& options) {
  const CacheFormat* format = FindFormat(options.Format);
  if (!format || options.Repeat == 0 || options.Entries < 2 || options.WorkFolder.empty()) {
    std::fprintf(stderr, "vorlane_bench: nothing to run\n");
    return 2;
  }
  return Benchmark(options, *format).Run();
}

}  // namespace vorlane::bench
