#include "cli/CliApp.h"

#include <unistd.h>

#include <memory>

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

int Capture(const CliOptions& options, std::FILE* out, std::FILE* err) {
  CQuellbyMain engine(CQuellbyMain::StartupOptions{.PersistSettings = false, .Check = {}});
  UpdateSettings([&](Settings& settings) {
    if (options.OneCopy) settings.OneCopy = *options.OneCopy;
    if (options.SkipDuplicates) settings.SkipDuplicates = *options.SkipDuplicates;
  });
  if (!LoadFilters(engine, options, err)) return CliUsageError;

  if (!options.CacheFolder.empty()) {
    if (NamedCacheMissing(options)) {
      std::fprintf(err, "vorlane-cli: cannot open the cache in %s\n", options.CacheFolder.c_str());
      return CliCacheUnreadable;
    }
    const std::string folder = options.CacheFolder;
    engine.SetSourceFactory([folder](int code) { return MakeSource(code, folder); });
  } else if (engine.RefuseWhileRunning(options.Browser)) {
    return CliBrowserRunning;
  }

  ProgressBar bar(err);
  engine.SetProgressCallback([&bar](int percent) { bar.Show(percent); });
  engine.CaptureJob(options.Browser, options.Since.value_or(0));
  bar.Finish();

  switch (engine.GetLastOutcome()) {
    case CQuellbyMain::JobOutcome::OpenFailed:
      std::fprintf(err, "vorlane-cli: cannot open the cache\n");
      return CliCacheUnreadable;
    case CQuellbyMain::JobOutcome::FolderFailed:
      return CliFolderFailed;
    default:
      break;
  }
  if (!options.Quiet) {
    for (const std::string& path : engine.GetSavedFiles()) std::fprintf(out, "%s\n", path.c_str());
  }
  std::fprintf(out, "%s\n", NewFilesText(engine.GetNewFileCount()).c_str());
  return CliSuccess;
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
  }
  InstallMessageHandler(nullptr);
  return code;
}
