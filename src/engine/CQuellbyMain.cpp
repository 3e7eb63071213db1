#include "engine/CQuellbyMain.h"

#include <algorithm>

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "engine/CCapturePass.h"
#include "engine/MessageSink.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "sources/CacheFormats.h"

CQuellbyMain::CQuellbyMain() : CQuellbyMain(StartupOptions{}) {}

CQuellbyMain::CQuellbyMain(StartupOptions options)
    : PersistSettings(options.PersistSettings), Check(std::move(options.Check)) {
  for (auto& watcher : Watchers) {
    watcher = std::make_unique<CBrowserActivity>(Check);
    watcher->SetIntervalMs(options.WatchIntervalMs);
  }
  const Places& places = ProgramPlaces();
  // The settings file lives in the data folder; make it on the first run.
  if (PersistSettings && !places.DataFolder.empty()) Platform::CreateFolderTree(places.DataFolder);
  ReadSettings();
  if (PersistSettings) {
    ApplyStartWithWindows();
    WriteSettings();
  }
  LoadLanguage(CurrentSettings().Language);
}

CQuellbyMain::~CQuellbyMain() {
  RequestStop();
  // Each watcher's destructor joins its thread, finishing a job it runs.
  for (auto& watcher : Watchers) watcher.reset();
  JoinWorker();
  if (PersistSettings) WriteSettings();
}

void CQuellbyMain::SetCaptureStateCallback(CaptureStateFunction callback) {
  std::lock_guard guard(CallbackLock);
  CaptureStateCallback = std::move(callback);
}

void CQuellbyMain::SetProgressCallback(ProgressFunction callback) {
  std::lock_guard guard(CallbackLock);
  ProgressCallback = std::move(callback);
}

void CQuellbyMain::SetSourceFactory(SourceFactory factory) {
  std::lock_guard guard(CallbackLock);
  Factory = std::move(factory);
}

void CQuellbyMain::SetCacheFolder(std::string folder) {
  std::lock_guard guard(CallbackLock);
  NamedFolder = std::move(folder);
}

std::string CQuellbyMain::GetDisplayName(int code) {
  const BrowserInfo* browser = FindBrowser(code);
  return browser ? std::string(browser->DisplayName) : std::string();
}

std::vector<std::string> CQuellbyMain::GetExeNames(int code) {
  const BrowserInfo* browser = FindBrowser(code);
  return browser ? ProcessNamesOf(*browser) : std::vector<std::string>();
}

bool CQuellbyMain::HasCache(int code) {
  const std::optional<CaptureTarget> target = ResolveCaptureTarget(code);
  if (!target) return false;
  // A folder the user named counts when it is there; opening it tells what it holds.
  const std::string named = CurrentSettings().CacheFolders[static_cast<size_t>(code)];
  if (!named.empty()) return Platform::FolderExists(named);
  return HasCacheIn(target->Format, target->Browser.Places);
}

void CQuellbyMain::SetCaptureExtras(CaptureExtras extras) {
  std::lock_guard guard(PassLock);
  Extras = extras;
}

std::vector<ReportRow> CQuellbyMain::GetLastReport() const {
  std::lock_guard guard(PassLock);
  return LastReport;
}

bool CQuellbyMain::MayCaptureWhileRunning(const CaptureTarget& target) const {
  return CurrentSettings().CaptureWhileRunning && AllowsLiveCapture(target);
}

bool CQuellbyMain::AllowsLiveCapture(const CaptureTarget& target) const {
  bool fromSettings = false;
  const std::unique_ptr<CCacheBrowser> source = MakeSource(target, fromSettings);
  if (!source || !source->TryOpen()) return false;
  const bool live = source->SupportsLiveCapture();
  source->Close();
  return live;
}

bool CQuellbyMain::RefuseWhileRunning(int code) {
  const std::optional<CaptureTarget> target = ResolveCaptureTarget(code);
  return target && RefuseWhileRunningOf(*target);
}

bool CQuellbyMain::RefuseWhileRunningOf(const CaptureTarget& target) {
  if (MayCaptureWhileRunning(target)) return false;
  CBrowserActivity probe(Check);
  // Browsers that share one cache each block the others.
  for (const BrowserInfo* sharer : CacheSharers(target.Browser)) {
    if (!probe.IsRunning(ProcessNamesOf(*sharer))) continue;
    // Where the format may be read while the browser runs, the way to do so is named.
    const std::string hint =
        AllowsLiveCapture(target) ? UiTexts::Get(UiTextKey::HintLiveCapture) : std::string();
    ShowMessage(MessageKind::Warning,
                {UiTextKey::WarningCloseBrowser, std::string(sharer->DisplayName), {}, hint});
    return true;
  }
  return false;
}

bool CQuellbyMain::StartCapture(int code) {
  if (Busy || Stopping) return false;
  const std::optional<CaptureTarget> target = ResolveCaptureTarget(code);
  if (!target || RefuseWhileRunningOf(*target)) return false;
  Busy = true;
  JoinWorker();
  std::lock_guard guard(WorkerLock);
  try {
    Worker = std::thread([this, target = *target] {
      CaptureJobOf(target, 0, CaptureStart::OnCommand);
      Busy = false;
    });
  } catch (const std::system_error&) {
    Busy = false;  // no thread, no job: the commands work again
    return false;
  }
  return true;
}

void CQuellbyMain::JoinWorker() {
  std::lock_guard guard(WorkerLock);
  if (Worker.joinable() && Worker.get_id() != std::this_thread::get_id()) Worker.join();
}

std::unique_ptr<CCacheBrowser> CQuellbyMain::MakeSource(const CaptureTarget& target,
                                                        bool& fromSettings) const {
  SourceFactory factory;
  std::string folder;
  {
    std::lock_guard guard(CallbackLock);
    factory = Factory;
    folder = NamedFolder;
  }
  fromSettings = false;
  if (factory) return factory(target.Browser.Code);
  if (folder.empty()) {
    folder = CurrentSettings().CacheFolders[static_cast<size_t>(target.Browser.Code)];
    fromSettings = true;
  }
  return ::MakeSource(target.Format, target.Browser.Places, folder);
}

void CQuellbyMain::CaptureJob(int code, int64_t since, CaptureStart start) {
  if (const std::optional<CaptureTarget> target = ResolveCaptureTarget(code)) {
    CaptureJobOf(*target, since, start);
  }
}

void CQuellbyMain::CaptureJobOf(const CaptureTarget& target, int64_t since, CaptureStart start) {
  bool fromSettings = false;
  std::unique_ptr<CCacheBrowser> source = MakeSource(target, fromSettings);
  if (!source) return;
  source->SetDecodeContent(CurrentSettings().DecodeContent);

  std::lock_guard job(JobLock);
  Busy = true;
  CaptureStateFunction stateCallback;
  {
    std::lock_guard guard(CallbackLock);
    stateCallback = CaptureStateCallback;
  }
  if (stateCallback) stateCallback(true);
  RunPass(*source, target, since, start);
  if (stateCallback) stateCallback(false);
  if (fromSettings && !target.Browser.CacheFolder.SettingsKey.empty()) {
    // Remember a folder found by discovery; it reaches the file at the next write.
    const std::string used = source->GetCachePath();
    const auto code = static_cast<size_t>(target.Browser.Code);
    UpdateSettings([&](Settings& settings) { settings.CacheFolders[code] = used; });
  }
  source.reset();
  Busy = false;
}

UiMessage CQuellbyMain::MessageFor(const CError& error, const BrowserInfo* browser) {
  UiMessage message;
  message.Path = error.GetPath();
  message.Reason = error.GetReason();
  switch (error.GetCode()) {
    case CError::FolderFailed:
      message.Text = UiTextKey::ErrorCreateFolder;
      break;
    case CError::FolderInCache:
      message.Text = UiTextKey::ErrorFolderInCache;
      break;
    case CError::SaveFailed:
      message.Text = UiTextKey::ErrorSaveFile;
      break;
    case CError::OpenFailed:
      message.Text = browser ? OpenErrorTextOf(*browser) : UiTextKey::ErrorCacheOpen;
      break;
    default:
      message.Text = UiTextKey::ErrorUnknown;
      break;
  }
  return message;
}

namespace {

// The choices of a pass as the settings in force and the job's extras make them.
CCapturePass::PassChoices ChoicesFor(const BrowserInfo& browser, const CCacheBrowser& source,
                                     const CQuellbyMain::CaptureExtras& extras, int64_t since) {
  const Settings settings = CurrentSettings();
  CCapturePass::PassChoices choices;
  choices.OneCopy = settings.OneCopy;
  choices.SkipDuplicates = settings.SkipDuplicates;
  choices.SinceTime = since;
  choices.BrowserName = std::string(browser.ShortName);
  choices.KeepServerTime = settings.KeepServerTime;
  choices.DryRun = extras.DryRun;
  choices.Report = extras.Report;
  choices.Live = settings.CaptureWhileRunning && source.SupportsLiveCapture();
  choices.ScratchFolder = ScratchFolder();
  choices.CacheFolders = source.GetReadFolders();
  return choices;
}

}  // namespace

UiMessage CQuellbyMain::OpenFailureMessage(const CCacheBrowser& source,
                                           const CaptureTarget& target) {
  const std::optional<CError>& error = source.GetOpenError();
  UiMessage message = MessageFor(
      error ? *error : CError(CError::FilterCache, CError::OpenFailed, {}), &target.Browser);
  const std::string folder = source.GetCachePath();
  if (!folder.empty() && Platform::FolderExists(folder) && !target.Format.HoldsCache(folder)) {
    message.Path = folder;
    message.Reason = "no " + std::string(target.Format.DisplayName) + " there: looked for " +
                     std::string(target.Format.LookedFor);
  }
  return message;
}

void CQuellbyMain::NoteOpenFailure(const CCacheBrowser& source, const CaptureTarget& target) {
  LastOutcome = JobOutcome::OpenFailed;
  UiMessage message = OpenFailureMessage(source, target);
  std::lock_guard guard(PassLock);
  LastProblem = std::move(message);
}

void CQuellbyMain::RunPass(CCacheBrowser& source, const CaptureTarget& target, int64_t since,
                           CaptureStart start) {
  CaptureExtras extras;
  {
    std::lock_guard guard(PassLock);
    LastSavedFiles.clear();
    LastProblem.reset();
    LastReport.clear();
    extras = Extras;
    LastJob = {};
    LastJob.Browser = std::string(target.Browser.ShortName);
    LastJob.Start = start;
    LastJob.DryRun = extras.DryRun;
  }
  SkippedCount = 0;
  NewFileCount = 0;
  CleanScratchFolder();
  if (Stopping) {
    LastOutcome = JobOutcome::Cancelled;
    return;
  }
  if (!source.TryOpen()) {
    NoteOpenFailure(source, target);
    return;
  }
  source.LoadEntries();

  CCapturePass::PassChoices choices = ChoicesFor(target.Browser, source, extras, since);
  // While the browser may run, what changes under the pass is skipped, never saved half.
  source.SetVerifyWhileReading(choices.Live);
  // The pass walks its own copy of the filters, so the user interface may read the
  // list meanwhile; the folders it resolved are written back afterwards.
  std::unique_ptr<CCapturePass> pass;
  {
    std::lock_guard guard(FilterLock);
    pass = std::make_unique<CCapturePass>(FilterSet, std::move(choices));
  }
  {
    std::lock_guard guard(CallbackLock);
    pass->SetProgressCallback(ProgressCallback);
  }
  {
    std::lock_guard guard(PassLock);
    ActivePass = pass.get();
  }
  if (Stopping) pass->RequestCancel();

  JobOutcome outcome = JobOutcome::Finished;
  std::optional<UiMessage> problem;
  try {
    pass->Comb(source);
    if (Stopping) outcome = JobOutcome::Cancelled;
  } catch (const CError& error) {
    // The files saved before the failure stay, and are reported.
    outcome =
        error.GetCode() == CError::SaveFailed ? JobOutcome::SaveFailed : JobOutcome::FolderFailed;
    problem = MessageFor(error);
  }
  NewFileCount = pass->GetNewFileCount();
  SkippedCount = source.GetSkippedCount() + pass->GetUnreadableCount();
  {
    std::lock_guard guard(PassLock);
    LastJob.Counts = pass->GetCounts();
    // What the cache could not even list counts as unreadable, with what it could not read.
    LastJob.Counts[SkipReason::Unreadable] += source.GetSkippedCount();
    LastJob.Finished = outcome == JobOutcome::Finished;
    LastJob.CacheFolders = source.GetReadFolders();
    LastJob.EndTime = Platform::CurrentTime();
    LastSavedFiles = pass->GetSavedFiles();
    LastReport = pass->GetReport();
    LastProblem = problem;
    ActivePass = nullptr;
  }
  {
    std::lock_guard guard(FilterLock);
    FilterSet.KeepResolvedFolders(pass->GetFilters());
  }
  LastOutcome = outcome;
  source.Close();
}

CaptureOutcome CQuellbyMain::GetLastJob() const {
  std::lock_guard guard(PassLock);
  return LastJob;
}

std::vector<std::string> CQuellbyMain::GetSavedFiles() const {
  std::lock_guard guard(PassLock);
  return LastSavedFiles;
}

std::optional<UiMessage> CQuellbyMain::GetLastProblem() const {
  std::lock_guard guard(PassLock);
  return LastProblem;
}

void CQuellbyMain::OnBrowserClosed(const CaptureTarget& target, int64_t since) {
  if (!Stopping) CaptureJobOf(target, since, CaptureStart::BrowserClosed);
}

void CQuellbyMain::StartWatchers() {
  if (Stopping) return;
  const Settings settings = CurrentSettings();
  for (const BrowserInfo& browser : Browsers()) {
    const auto code = static_cast<size_t>(browser.Code);
    if (!settings.Watch[code] || Watchers[code]->IsWatching()) continue;
    const std::optional<CaptureTarget> target = ResolveCaptureTarget(browser.Code);
    if (!target) continue;
    // A browser whose cache can exist only through something missing here (no Wine
    // prefix) has nothing to capture when it closes.
    if (!target->Format.MissingCacheTextKey.empty() && !HasCache(browser.Code)) continue;
    // The watcher's capture reads the row it was started for.
    Watchers[code]->Start(
        ProcessNamesOf(browser),
        [this, target = *target](int, int64_t since) { OnBrowserClosed(target, since); },
        browser.Code);
  }
}

void CQuellbyMain::StopWatcher(int code) {
  if (FindBrowser(code)) Watchers[static_cast<size_t>(code)]->Stop();
}

void CQuellbyMain::RequestStop() {
  Stopping = true;
  for (auto& watcher : Watchers) {
    if (watcher) watcher->Stop();
  }
  std::lock_guard guard(PassLock);
  if (ActivePass) ActivePass->RequestCancel();
}

bool CQuellbyMain::LoadStartupFilterFile() {
  std::optional<UiMessage> fellBack;
  {
    std::lock_guard guard(FilterLock);
    const std::string configured = CurrentSettings().FiltersFileName;
    if (FilterSet.Load(configured)) return true;
    const std::string reason = FilterSet.GetReadFailure();
    const std::string& shipped = ProgramPlaces().DefaultFilterPath;
    if (FilterSet.Load(shipped)) {
      if (configured.empty() || configured == shipped) return true;
      // The user's own list is not in use: they hear which file failed and why.
      fellBack = UiMessage{UiTextKey::ErrorLoadFilter, {}, configured, reason};
    }
  }
  // The lock is released first: a front end shows the message in a modal box whose
  // event loop may run commands that read the filter list.
  if (fellBack) {
    ShowMessage(MessageKind::Warning, *fellBack);
    return true;
  }
  ShowMessage(MessageKind::Warning, {UiTextKey::ErrorLoadDefaultFilter, {}, {}, {}});
  return false;
}
