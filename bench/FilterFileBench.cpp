#include "FilterFileBench.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "engine/CCacheFilter.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace vorlane::bench {

namespace {

using Clock = std::chrono::steady_clock;
// The fastest of several runs: the least disturbed by other work on the machine.
constexpr int kRepeats = 9;

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

template <typename Work>
double Fastest(Work&& work) {
  std::vector<double> times;
  for (int i = 0; i < kRepeats; ++i) {
    const Clock::time_point start = Clock::now();
    if (!work()) return -1;
    times.push_back(Seconds(Clock::now() - start));
  }
  return *std::min_element(times.begin(), times.end());
}

struct Costs {
  double Load = 0;
  double Save = 0;
  double Read = 0;
};

bool Measure(const std::string& path, int count, Costs& costs) {
  CCacheFilter set;
  for (int i = 0; i < count; ++i) {
    auto record = std::make_unique<FilterRecord>();
    record->ContentType = i % 20;
    record->MinSize = i;
    record->URL = "word" + std::to_string(i) + ", other";
    record->Directory = "~/VOR_SAVES/%DATE%/folder" + std::to_string(i % 7);
    record->FileNameDummy = "file";
    set.Insert(std::move(record), -1);
  }
  costs.Save = Fastest([&] { return set.Save(path); });
  costs.Load = Fastest([&] { return set.ReadFilterFile(path) && set.Count() == count; });
  costs.Read =
      Fastest([&] { return Platform::ReadWholeFile(path, uint64_t{1} << 30).has_value(); });
  return costs.Save >= 0 && costs.Load >= 0 && costs.Read >= 0;
}

}  // namespace

int RunFilterFileBench(const std::string& work, int count, double maxScaling, std::FILE* out) {
  Costs small;
  Costs large;
  if (!Platform::CreateFolderTree(work) ||
      !Measure(Platform::JoinPath(work, "small.flt"), count, small) ||
      !Measure(Platform::JoinPath(work, "large.flt"), 10 * count, large)) {
    std::fprintf(stderr, "vorlane_bench: the filter files could not be written or read\n");
    return 2;
  }
  Platform::DeleteFile(Platform::JoinPath(work, "small.flt"));
  Platform::DeleteFile(Platform::JoinPath(work, "large.flt"));
  // Per filter, ten times the filters against the smaller file.
  const double loadScaling = large.Load / (10 * small.Load);
  const double saveScaling = large.Save / (10 * small.Save);
  std::fprintf(out, "filter files (%d and %d filters, fastest of %d)\n", count, 10 * count,
               kRepeats);
  std::fprintf(out, "  load per filter, x10 filters     %.2f (target <= %.1f)\n", loadScaling,
               maxScaling);
  std::fprintf(out, "  save per filter, x10 filters     %.2f (target <= %.1f)\n", saveScaling,
               maxScaling);
  std::fprintf(out, "  load / read of the same bytes    %.1f\n", large.Load / large.Read);
  return loadScaling <= maxScaling && saveScaling <= maxScaling ? 0 : 1;
}

}  // namespace vorlane::bench
