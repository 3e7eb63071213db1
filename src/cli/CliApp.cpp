#include "cli/CliApp.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
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
#include "engine/OutputFolders.h"
#include "platform/Console.h"
#include "sources/CacheFormats.h"

namespace {

void PrintProblem(std::FILE* err, const UiMessage& message) {
  std::fprintf(err, "vorlane-cli: %s\n", ComposeMessage(message).c_str());
}

// A cache that did not open: the message in the tool's words (no Options dialog here)
// and how to name another folder.
void PrintOpenFailure(std::FILE* err, UiMessage message, const CaptureTarget& target) {
  if (message.Text == OpenErrorTextOf(target.Browser)) message.Text = UiTextKey::ErrorCacheOpen;
  message.Subject.clear();
  PrintProblem(err, message);
  std::fprintf(err, "vorlane-cli: name the %s with --cache DIR (%s)\n",
               std::string(target.Format.DisplayName).c_str(),
               std::string(target.Format.NamedFolderHint).c_str());
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
      MakeSource(target->Format, target->Browser.Places, folder);
  if (!source->TryOpen()) {
    PrintOpenFailure(err, CQuellbyMain::OpenFailureMessage(*source, *target), *target);
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
    std::fprintf(err, "vorlane-cli: %s is not a filter file (%s)\n", options.FiltersFile.c_str(),
                 filters->GetReadFailure().c_str());
    return false;
  }
  const std::string& configured = CurrentSettings().FiltersFileName;
  if (filters->ReadFilterFile(configured)) return true;
  const std::string reason = filters->GetReadFailure();
  if (filters->ReadFilterFile(ProgramPlaces().DefaultFilterPath)) {
    // Captures go on with the shipped filters, but not without a word.
    if (!configured.empty() && configured != ProgramPlaces().DefaultFilterPath) {
      PrintProblem(err, {UiTextKey::ErrorLoadFilter, {}, configured, reason});
    }
    return true;
  }
  std::fprintf(err, "vorlane-cli: %s\n", UiTexts::Get(UiTextKey::ErrorLoadDefaultFilter).c_str());
  return false;
}

// The engine of a capture or a watch, set up from the options. Ctrl-C, SIGTERM and
// SIGHUP are caught before the engine makes any thread, and from then on ask it to stop
// (a capture between two files) instead of ending the process; `onStop` hears of them
// after the engine.
class CliSession {
 public:
  CliSession(const CliOptions& options, std::function<void()> onStop = {})
      : Options(options),
        OnStop(std::move(onStop)),
        Stops(Platform::CatchStopRequests([this] { Stop(); })),
        Main(StartupOptionsFor(options)) {
    Target = &Main;
    // A stop asked for while the engine was being made found none to tell.
    if (Stops->WasRequested()) Main.RequestStop();
  }
  ~CliSession() { Target = nullptr; }
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Settings overrides, filters and the cache source; CliSuccess when the engine is ready.
  int Prepare(std::FILE* err) {
    UpdateSettings([&](Settings& settings) {
      if (Options.OneCopy) settings.OneCopy = *Options.OneCopy;
      if (Options.SkipDuplicates) settings.SkipDuplicates = *Options.SkipDuplicates;
      if (Options.Raw) settings.DecodeContent = false;
      if (Options.ServerTime) settings.KeepServerTime = true;
      if (Options.Live) settings.CaptureWhileRunning = true;
    });
    Main.SetCaptureExtras({Options.DryRun, !Options.ReportFile.empty()});
    if (!LoadFilters(Main, Options, err)) return CliUsageError;
    Main.SetCacheFolder(Options.CacheFolder);
    return CliSuccess;
  }

  CQuellbyMain& Engine() { return Main; }
  bool StopWasRequested() const { return Stops->WasRequested(); }

 private:
  static CQuellbyMain::StartupOptions StartupOptionsFor(const CliOptions& options) {
    CQuellbyMain::StartupOptions startup;
    startup.PersistSettings = false;
    startup.WatchIntervalMs = options.IntervalMs;
    return startup;
  }

  void Stop() {
    if (CQuellbyMain* engine = Target.load()) engine->RequestStop();
    if (OnStop) OnStop();
  }

  const CliOptions& Options;
  const std::function<void()> OnStop;
  std::atomic<CQuellbyMain*> Target{nullptr};
  // Made before the engine and gone after it, so no stop request ends the process
  // while the engine has threads.
  const std::unique_ptr<Platform::StopRequests> Stops;
  CQuellbyMain Main;
};

// A report file inside the cache being read would be read back as a damaged entry.
bool ReportInCache(const CliOptions& options, const std::vector<std::string>& cacheFolders,
                   std::FILE* err) {
  if (options.ReportFile.empty()) return false;
  for (const std::string& cache : cacheFolders) {
    if (!LiesInside(options.ReportFile, cache)) continue;
    PrintProblem(err, {UiTextKey::ErrorFolderInCache, {}, options.ReportFile, cache});
    return true;
  }
  return false;
}

// The files a job saved (unless quiet) and how many there were. The exit code of the
// report: CliSaveFailed when it could not be written, CliFolderFailed when it would lie
// inside the cache.
int ListSaved(const CQuellbyMain& engine, const CliOptions& options, std::FILE* out,
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
  const CaptureOutcome job = engine.GetLastJob();
  if (count == 0 && job.Finished) std::fprintf(out, "%s\n", NoNewFilesText(job.Counts).c_str());
  std::fflush(out);
  PrintSkipped(err, engine.GetSkippedCount());
  if (job.Counts.NotDecoded > 0) {
    std::fprintf(err, "vorlane-cli: %u %s\n", job.Counts.NotDecoded,
                 UiTexts::Get(UiTextKey::NotDecodedFiles).c_str());
  }
  if (ReportInCache(options, job.CacheFolders, err)) return CliFolderFailed;
  if (!options.ReportFile.empty()) {
    std::string error;
    if (!WriteCaptureReport(options.ReportFile, engine.GetLastReport(), error)) {
      std::fprintf(err, "vorlane-cli: %s\n", error.c_str());
      return CliSaveFailed;
    }
  }
  return CliSuccess;
}

// Exit code of a finished job, after reporting it.
int ReportJob(const CQuellbyMain& engine, const CliOptions& options, std::FILE* out,
              std::FILE* err) {
  const std::optional<UiMessage> problem = engine.GetLastProblem();
  switch (engine.GetLastOutcome()) {
    case CQuellbyMain::JobOutcome::OpenFailed:
      if (const std::optional<CaptureTarget> target = ResolveCaptureTarget(options.Browser);
          problem && target) {
        PrintOpenFailure(err, *problem, *target);
      }
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
  return ListSaved(engine, options, out, err);
}

int Capture(const CliOptions& options, std::FILE* out, std::FILE* err) {
  CliSession session(options);
  if (const int code = session.Prepare(err)) return code;
  CQuellbyMain& engine = session.Engine();
  if (!options.CacheFolder.empty() && ReportInCache(options, {options.CacheFolder}, err)) {
    return CliFolderFailed;
  }
  if (options.CacheFolder.empty() && engine.RefuseWhileRunning(options.Browser)) {
    return CliBrowserRunning;
  }
  ProgressBar bar(err);
  engine.SetProgressCallback([&bar](int percent) { bar.Show(percent); });
  engine.CaptureJob(options.Browser, options.Since.value_or(0));
  bar.Finish();
  if (session.StopWasRequested() &&
      engine.GetLastOutcome() == CQuellbyMain::JobOutcome::Cancelled) {
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
  CliSession session(options, [&] {
    {
      std::lock_guard guard(lock);
      stopRequested = true;
    }
    finished.notify_all();
  });
  if (const int code = session.Prepare(err)) return code;
  CQuellbyMain& engine = session.Engine();
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

// A listing or a help text that did not all reach its reader (a full disk, a closed
// pipe) is a failure, however the rest went.
bool OutputWritten(std::FILE* out, std::FILE* err) {
  errno = 0;
  if (std::fflush(out) == 0 && !std::ferror(out)) return true;
  int error = errno;
  if (error == 0) {
    // An earlier flush failed and its reason is gone: one more byte finds it again.
    std::clearerr(out);
    if (std::fputc('\n', out) == EOF || std::fflush(out) != 0) error = errno;
  }
  std::fprintf(err, "vorlane-cli: can't write the output: %s\n",
               error != 0 ? std::strerror(error) : "write error");
  return false;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err) {
  std::string error;
  const std::optional<CliOptions> options = ParseCliOptions(arguments, error);
  if (!options) {
    std::fprintf(err, "vorlane-cli: %s\nTry 'vorlane-cli --help'.\n", error.c_str());
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
  return OutputWritten(out, err) || code != CliSuccess ? code : CliSaveFailed;
}
