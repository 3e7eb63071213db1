#include "cli/CliApp.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "cli/CaptureReport.h"
#include "cli/CliOptions.h"
#include "cli/EntryListing.h"
#include "config/BrowserTable.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "engine/CaptureTarget.h"
#include "engine/MessageSink.h"
#include "platform/Platform.h"
#include "sources/CacheFormats.h"

namespace {

void PrintProblem(std::FILE* err, const UiMessage& message) {
  std::fprintf(err, "vorlane-cli: %s\n", ComposeMessage(message).c_str());
}

void PrintSkipped(std::FILE* err, uint32_t skipped) {
  if (skipped == 0) return;
  std::fprintf(err, "vorlane-cli: %u %s\n", skipped,
               UiTexts::Get(UiTextKey::SkippedEntries).c_str());
}

class ProgressBar {
 public:
  explicit ProgressBar(std::FILE* err)
      : Err(err), Enabled(err == stderr && Platform::StandardErrorIsTerminal()) {}
  ~ProgressBar() { Finish(); }
  void Show(int percent) {
    if (!Enabled) return;
    const int filled = percent / 5;
    std::fprintf(Err, "\r[%.*s%*s] %3d%%", filled, "####################", 20 - filled, "",
                 percent);
    std::fflush(Err);
    Drawn = true;
  }
  void Finish() {
    if (Drawn) std::fputs("\n", Err);
    Drawn = false;
  }

 private:
  std::FILE* Err;
  bool Enabled;
  bool Drawn = false;
};

int ListEntries(const CliOptions& options, std::FILE* out, std::FILE* err) {
  ReadSettings();
  const std::optional<CaptureTarget> target = ResolveCaptureTarget(options.Browser);
  if (!target) return CliUsageError;
  const std::string folder =
      options.CacheFolder.empty()
          ? CurrentSettings().CacheFolders[static_cast<size_t>(options.Browser)]
          : options.CacheFolder;
  std::unique_ptr<CCacheBrowser> source =
      MakeSource(target->Format, target->Browser.Vendor, folder);
  if (!source->TryOpen()) {
    const std::optional<CError>& error = source->GetOpenError();
    PrintProblem(err, CQuellbyMain::MessageFor(
                          error ? *error : CError(CError::FilterCache, CError::OpenFailed, folder),
                          &target->Browser));
    return CliCacheUnreadable;
  }
  source->LoadEntries();
  PrintEntries(*source, options.OutputFormat, out);
  PrintSkipped(err, source->GetSkippedCount());
  source->Close();
  return CliSuccess;
}

bool LoadFilters(CQuellbyMain& engine, const CliOptions& options, std::FILE* err) {
  auto filters = engine.Filters();
  if (!options.FiltersFile.empty()) {
    if (filters->ReadFilterFile(options.FiltersFile)) return true;
    std::fprintf(err, "vorlane-cli: %s is not a filter file\n", options.FiltersFile.c_str());
    return false;
  }
  if (filters->ReadFilterFile(CurrentSettings().FiltersFileName)) return true;
  if (filters->ReadFilterFile(ProgramPlaces().DefaultFilterPath)) return true;
  std::fprintf(err, "vorlane-cli: %s\n", UiTexts::Get(UiTextKey::ErrorLoadDefaultFilter).c_str());
  return false;
}

// Settings overrides, filters and the cache source shared by capture and watch.
// Returns CliSuccess when the engine is ready.
int PrepareEngine(CQuellbyMain& engine, const CliOptions& options, std::FILE* err) {
  UpdateSettings([&](Settings& settings) {
    if (options.OneCopy) settings.OneCopy = *options.OneCopy;
    if (options.SkipDuplicates) settings.SkipDuplicates = *options.SkipDuplicates;
    if (options.Raw) settings.DecodeContent = false;
    if (options.ServerTime) settings.KeepServerTime = true;
    if (options.Live) settings.CaptureWhileRunning = true;
  });
  engine.SetCaptureExtras({options.DryRun, !options.ReportFile.empty()});
  if (!LoadFilters(engine, options, err)) return CliUsageError;
  engine.SetCacheFolder(options.CacheFolder);
  return CliSuccess;
}

// The files a job saved (unless quiet) and how many there were.
// False when the report could not be written.
bool ListSaved(const CQuellbyMain& engine, const CliOptions& options, std::FILE* out,
               std::FILE* err) {
  if (!options.Quiet) {
    for (const std::string& path : engine.GetSavedFiles()) std::fprintf(out, "%s\n", path.c_str());
  }
  const int count = engine.GetNewFileCount();
  if (options.DryRun) {
    std::fprintf(out, "%d %s be saved (dry run: nothing was written)\n", count,
                 count == 1 ? "file would" : "files would");
  } else {
    std::fprintf(out, "%s\n", NewFilesText(count).c_str());
  }
  std::fflush(out);
  PrintSkipped(err, engine.GetSkippedCount());
  if (!options.ReportFile.empty()) {
    std::string error;
    if (!WriteCaptureReport(options.ReportFile, engine.GetLastReport(), error)) {
      std::fprintf(err, "vorlane-cli: %s\n", error.c_str());
      return false;
    }
  }
  return true;
}

// Exit code of a finished job, after reporting it.
int ReportJob(const CQuellbyMain& engine, const CliOptions& options, std::FILE* out,
              std::FILE* err) {
  const std::optional<UiMessage> problem = engine.GetLastProblem();
  switch (engine.GetLastOutcome()) {
    case CQuellbyMain::JobOutcome::OpenFailed:
      if (problem) PrintProblem(err, *problem);
      return CliCacheUnreadable;
    case CQuellbyMain::JobOutcome::FolderFailed:
      if (problem) PrintProblem(err, *problem);
      return CliFolderFailed;
    case CQuellbyMain::JobOutcome::SaveFailed:
      // What was saved before the failure stays and is listed.
      ListSaved(engine, options, out, err);
      if (problem) PrintProblem(err, *problem);
      return CliSaveFailed;
    default:
      break;
  }
  return ListSaved(engine, options, out, err) ? CliSuccess : CliSaveFailed;
}

int Capture(const CliOptions& options, std::FILE* out, std::FILE* err) {
  // Ctrl-C, SIGTERM and SIGHUP stop the capture between two files instead of ending the
  // process in the middle of one. Caught before the engine makes any thread.
  std::atomic<CQuellbyMain*> target{nullptr};
  const std::unique_ptr<Platform::StopRequests> stops = Platform::CatchStopRequests([&target] {
    if (CQuellbyMain* engine = target.load()) engine->RequestStop();
  });
  CQuellbyMain::StartupOptions startup;
  startup.PersistSettings = false;
  CQuellbyMain engine(startup);
  target = &engine;
  struct Release {
    std::atomic<CQuellbyMain*>& Target;
    ~Release() { Target = nullptr; }
  } release{target};
  if (const int code = PrepareEngine(engine, options, err)) return code;
  if (options.CacheFolder.empty() && engine.RefuseWhileRunning(options.Browser)) {
    return CliBrowserRunning;
  }
  ProgressBar bar(err);
  engine.SetProgressCallback([&bar](int percent) { bar.Show(percent); });
  if (stops->WasRequested()) engine.RequestStop();
  engine.CaptureJob(options.Browser, options.Since.value_or(0));
  bar.Finish();
  if (stops->WasRequested() && engine.GetLastOutcome() == CQuellbyMain::JobOutcome::Cancelled) {
    ListSaved(engine, options, out, err);
    std::fprintf(err, "vorlane-cli: the capture was stopped\n");
    return CliInterrupted;
  }
  return ReportJob(engine, options, out, err);
}

int Watch(const CliOptions& options, std::FILE* out, std::FILE* err) {
  std::mutex lock;
  std::condition_variable finished;
  bool stopRequested = false;
  std::atomic<CQuellbyMain*> target{nullptr};
  const std::unique_ptr<Platform::StopRequests> stops = Platform::CatchStopRequests([&] {
    {
      std::lock_guard guard(lock);
      stopRequested = true;
    }
    if (CQuellbyMain* engine = target.load()) engine->RequestStop();
    finished.notify_all();
  });
  CQuellbyMain::StartupOptions startup;
  startup.PersistSettings = false;
  startup.WatchIntervalMs = options.IntervalMs;
  CQuellbyMain engine(startup);
  target = &engine;
  struct Release {
    std::atomic<CQuellbyMain*>& Target;
    ~Release() { Target = nullptr; }
  } release{target};
  if (const int code = PrepareEngine(engine, options, err)) return code;
  // Only the named browser is watched, with the browsers that share its cache.
  const BrowserInfo& browser = *FindBrowser(options.Browser);
  const std::vector<const BrowserInfo*> sharers = CacheSharers(browser);
  UpdateSettings([&](Settings& settings) {
    settings.Watch.fill(false);
    for (const BrowserInfo* sharer : sharers) {
      settings.Watch[static_cast<size_t>(sharer->Code)] = true;
    }
  });

  int jobs = 0;
  int lastCode = CliSuccess;
  engine.SetCaptureStateCallback([&](bool started) {
    if (started) return;
    const int code = ReportJob(engine, options, out, err);
    // A browser that restarts itself (a new profile's first run) can look closed before
    // its cache exists: that is said, and the watch goes on.
    if (engine.GetLastOutcome() == CQuellbyMain::JobOutcome::OpenFailed) return;
    std::lock_guard guard(lock);
    ++jobs;
    lastCode = code;
    finished.notify_all();
  });

  std::string names;
  for (const BrowserInfo* sharer : sharers) {
    if (!names.empty()) names += " and ";
    names += sharer->DisplayName;
  }
  std::fprintf(err, "vorlane-cli: watching %s\n", names.c_str());
  engine.StartWatchers();
  bool stopped = false;
  {
    std::unique_lock guard(lock);
    finished.wait(guard, [&] { return stopRequested || (options.Once && jobs > 0); });
    stopped = stopRequested && !(options.Once && jobs > 0);
  }
  engine.RequestStop();
  if (stopped) {
    std::fprintf(err, "vorlane-cli: watching was stopped\n");
    return CliInterrupted;
  }
  std::lock_guard guard(lock);
  return lastCode;
}

}  // namespace

std::string NewFilesText(int count) {
  if (count == 1) return "1 new file has been captured and saved";
  return std::to_string(count) + " new files have been captured and saved";
}

int RunCli(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err) {
  std::string error;
  const std::optional<CliOptions> options = ParseCliOptions(arguments, error);
  if (!options) {
    std::fprintf(err, "vorlane-cli: %s\n\n%s", error.c_str(), CliUsage().c_str());
    return CliUsageError;
  }
  InstallMessageHandler(
      [err](MessageKind, const UiMessage& message) { PrintProblem(err, message); });
  int code = CliSuccess;
  switch (options->Action) {
    case CliOptions::Command::Help:
      std::fputs(CliUsage().c_str(), out);
      break;
    case CliOptions::Command::Version:
      std::fputs("Vorlane v " VORLANE_VERSION "\n", out);
      break;
    case CliOptions::Command::List:
      code = ListEntries(*options, out, err);
      break;
    case CliOptions::Command::Capture:
      code = Capture(*options, out, err);
      break;
    case CliOptions::Command::Watch:
      code = Watch(*options, out, err);
      break;
  }
  InstallMessageHandler(nullptr);
  return code;
}
