#include "cli/CliApp.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <memory>
#include <mutex>
#include <thread>

#include "cli/CliOptions.h"
#include "cli/EntryListing.h"
#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CQuellbyMain.h"
#include "platform/Platform.h"
#include "sources/CIECache.h"
#include "sources/CMozillaCache.h"
#include "sources/MessageSink.h"

namespace {

std::unique_ptr<CCacheBrowser> MakeSource(int browser, const std::string& folder) {
  std::unique_ptr<CCacheBrowser> source;
  if (browser == CQuellbyMain::Firefox) {
    source = std::make_unique<CMozillaCache>();
  } else {
    source = std::make_unique<CIECache>();
  }
  source->SetCachePath(folder);
  return source;
}

// A URL cache folder named on the command line must hold its index; without one the
// cache cannot be read, which is worth an error rather than an empty listing.
bool NamedCacheMissing(const CliOptions& options) {
  return options.Browser != CQuellbyMain::Firefox && !options.CacheFolder.empty() &&
         !Platform::FileExists(Platform::JoinPath(options.CacheFolder, "index.dat"));
}

class ProgressBar {
 public:
  explicit ProgressBar(std::FILE* err) : Err(err), Enabled(isatty(fileno(err)) != 0) {}
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
  const std::string folder = options.CacheFolder.empty() && options.Browser == 0
                                 ? CurrentSettings().MozillaCachePath
                                 : options.CacheFolder;
  std::unique_ptr<CCacheBrowser> source = MakeSource(options.Browser, folder);
  if (NamedCacheMissing(options) || !source->TryOpen()) {
    std::fprintf(err, "vorlane-cli: cannot open the cache%s%s\n",
                 source->GetCachePath().empty() ? "" : " in ", source->GetCachePath().c_str());
    return CliCacheUnreadable;
  }
  source->LoadEntries();
  PrintEntries(*source, options.OutputFormat, out);
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
  });
  if (!LoadFilters(engine, options, err)) return CliUsageError;
  if (!options.CacheFolder.empty()) {
    if (NamedCacheMissing(options)) {
      std::fprintf(err, "vorlane-cli: cannot open the cache in %s\n", options.CacheFolder.c_str());
      return CliCacheUnreadable;
    }
    const std::string folder = options.CacheFolder;
    engine.SetSourceFactory([folder](int code) { return MakeSource(code, folder); });
  }
  return CliSuccess;
}

// The files a job saved (unless quiet) and how many there were.
void ListSaved(const CQuellbyMain& engine, const CliOptions& options, std::FILE* out) {
  if (!options.Quiet) {
    for (const std::string& path : engine.GetSavedFiles()) std::fprintf(out, "%s\n", path.c_str());
  }
  std::fprintf(out, "%s\n", NewFilesText(engine.GetNewFileCount()).c_str());
  std::fflush(out);
}

// Exit code of a finished job, after reporting it.
int ReportJob(const CQuellbyMain& engine, const CliOptions& options, std::FILE* out,
              std::FILE* err) {
  switch (engine.GetLastOutcome()) {
    case CQuellbyMain::JobOutcome::OpenFailed:
      std::fprintf(err, "vorlane-cli: cannot open the cache\n");
      return CliCacheUnreadable;
    case CQuellbyMain::JobOutcome::FolderFailed:
      return CliFolderFailed;
    default:
      break;
  }
  ListSaved(engine, options, out);
  return CliSuccess;
}

// Ctrl-C and SIGTERM during a capture stop it between two files instead of ending the
// process in the middle of one. The signals are blocked in every thread (the mask is
// set before the engine makes any) and taken by a thread of this object's own.
class InterruptStop {
 public:
  InterruptStop() {
    sigemptyset(&Signals);
    sigaddset(&Signals, SIGINT);
    sigaddset(&Signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &Signals, &Previous);
  }
  InterruptStop(const InterruptStop&) = delete;
  InterruptStop& operator=(const InterruptStop&) = delete;
  ~InterruptStop() {
    StopWatching();
    // A signal that came after the wait ended still counts, and must not end us later.
    const timespec now{0, 0};
    while (sigtimedwait(&Signals, nullptr, &now) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &Previous, nullptr);
  }

  void Watch(CQuellbyMain& engine) {
    Waiter = std::thread([this, &engine] {
      const timespec step{0, 100'000'000};
      while (!Done) {
        if (sigtimedwait(&Signals, nullptr, &step) > 0) {
          Interrupted = true;
          engine.RequestStop();
        }
      }
    });
  }
  // Must run before the engine goes; the watching thread uses it.
  void StopWatching() {
    Done = true;
    if (Waiter.joinable()) Waiter.join();
  }
  bool WasInterrupted() const { return Interrupted; }

 private:
  sigset_t Signals{};
  sigset_t Previous{};
  std::atomic<bool> Done{false};
  std::atomic<bool> Interrupted{false};
  std::thread Waiter;
};

int Capture(const CliOptions& options, std::FILE* out, std::FILE* err) {
  InterruptStop interrupts;
  CQuellbyMain::StartupOptions startup;
  startup.PersistSettings = false;
  CQuellbyMain engine(startup);
  if (const int code = PrepareEngine(engine, options, err)) return code;
  if (options.CacheFolder.empty() && engine.RefuseWhileRunning(options.Browser)) {
    return CliBrowserRunning;
  }
  ProgressBar bar(err);
  engine.SetProgressCallback([&bar](int percent) { bar.Show(percent); });
  interrupts.Watch(engine);
  try {
    engine.CaptureJob(options.Browser, options.Since.value_or(0));
  } catch (...) {
    interrupts.StopWatching();
    throw;
  }
  interrupts.StopWatching();
  bar.Finish();
  if (interrupts.WasInterrupted() &&
      engine.GetLastOutcome() == CQuellbyMain::JobOutcome::Cancelled) {
    ListSaved(engine, options, out);
    std::fprintf(err, "vorlane-cli: the capture was stopped\n");
    return CliInterrupted;
  }
  return ReportJob(engine, options, out, err);
}

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
  g_interrupted = 1;
}

int Watch(const CliOptions& options, std::FILE* out, std::FILE* err) {
  CQuellbyMain::StartupOptions startup;
  startup.PersistSettings = false;
  startup.WatchIntervalMs = options.IntervalMs;
  CQuellbyMain engine(startup);
  if (const int code = PrepareEngine(engine, options, err)) return code;
  // Only the named browser is watched; "ie" stands for both users of the URL cache.
  UpdateSettings([&](Settings& settings) {
    settings.Mozilla = options.Browser == CQuellbyMain::Firefox;
    settings.IE = settings.Maxthon = options.Browser != CQuellbyMain::Firefox;
  });

  std::mutex lock;
  std::condition_variable finished;
  int jobs = 0;
  int lastCode = CliSuccess;
  engine.SetCaptureStateCallback([&](bool started) {
    if (started) return;
    const int code = ReportJob(engine, options, out, err);
    std::lock_guard guard(lock);
    ++jobs;
    lastCode = code;
    finished.notify_all();
  });

  g_interrupted = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  struct sigaction oldInt {
  }, oldTerm{};
  sigaction(SIGINT, &action, &oldInt);
  sigaction(SIGTERM, &action, &oldTerm);
  std::fprintf(err, "vorlane-cli: watching %s\n",
               options.Browser == CQuellbyMain::Firefox ? "Mozilla Firefox"
                                                        : "Internet Explorer and Maxthon");
  engine.StartWatchers();
  {
    std::unique_lock guard(lock);
    while (!g_interrupted && !(options.Once && jobs > 0)) {
      finished.wait_for(guard, std::chrono::milliseconds(100));
    }
  }
  engine.RequestStop();
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
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
    std::fprintf(err, "vorlane-cli: %s\n\n%s", error.c_str(), CliUsage);
    return CliUsageError;
  }
  InstallMessageHandler([err](MessageKind, const std::string& text) {
    std::fprintf(err, "vorlane-cli: %s\n", text.c_str());
  });
  int code = CliSuccess;
  switch (options->Action) {
    case CliOptions::Command::Help:
      std::fputs(CliUsage, out);
      break;
    case CliOptions::Command::Version:
      std::fputs("Vorlane v 1.2\n", out);
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
