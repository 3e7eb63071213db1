#include "CaptureRun.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "Figures.h"
#include "engine/CCacheFilter.h"
#include "engine/CCapturePass.h"
#include "platform/Files.h"
#include "sources/CError.h"

namespace vorlane::bench {

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

}  // namespace

int RunCapture(const CaptureRequest& request, std::FILE* out, std::FILE* err) {
  std::unique_ptr<CCacheBrowser> source = request.Format->MakeSource(request.CacheFolder);
  if (request.Decode && request.Format->SetDecoding) {
    request.Format->SetDecoding(*source, *request.Decode);
  }
  CCacheFilter filters;
  auto catchAll = std::make_unique<FilterRecord>();
  catchAll->Directory = request.OutputFolder;
  catchAll->FileNameDummy = "file";
  filters.Insert(std::move(catchAll), -1);
  CCapturePass pass(filters, {});

  const Clock::time_point start = Clock::now();
  if (!source->TryOpen()) {
    std::fprintf(err, "vorlane_bench: cannot open the cache in %s\n", request.CacheFolder.c_str());
    return 2;
  }
  const int32_t entries = source->LoadEntries();
  const Clock::time_point listed = Clock::now();
  // Some sources open without a cache and find nothing; that measures nothing.
  if (entries <= 0) {
    std::fprintf(err, "vorlane_bench: no entries in %s\n", request.CacheFolder.c_str());
    return 2;
  }
  if (!request.ListOnly) {
    try {
      pass.Comb(*source);
    } catch (const CError&) {
      std::fprintf(err, "vorlane_bench: cannot make %s\n", request.OutputFolder.c_str());
      return 2;
    }
  }
  source->Close();
  const Clock::time_point done = Clock::now();

  uint64_t dataBytes = 0;
  for (auto* entry = source->GetFirst(); entry; entry = source->GetNext(*entry)) {
    dataBytes += entry->Size;
  }
  uint64_t keptBytes = 0;
  for (const std::string& path : pass.GetSavedFiles()) {
    keptBytes += Platform::FileSize(path).value_or(0);
  }
  std::fprintf(out, "entries %d\n", entries);
  std::fprintf(out, "data_bytes %llu\n", static_cast<unsigned long long>(dataBytes));
  std::fprintf(out, "list_seconds %.6f\n", Seconds(start, listed));
  std::fprintf(out, "save_seconds %.6f\n", Seconds(listed, done));
  std::fprintf(out, "capture_seconds %.6f\n", Seconds(start, done));
  std::fprintf(out, "new_files %d\n", pass.GetNewFileCount());
  std::fprintf(out, "kept_bytes %llu\n", static_cast<unsigned long long>(keptBytes));
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0) {
    std::fprintf(out, "cpu_seconds %.6f\n", SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime));
  }
  if (const auto peak = OwnPeakResidentKiB()) {
    std::fprintf(out, "peak_rss_kib %llu\n", static_cast<unsigned long long>(*peak));
  }
  return 0;
}

}  // namespace vorlane::bench
