#include "engine/CQuellbyMain.h"

#include "config/Settings.h"
#include "config/UiTexts.h"
#include "platform/Platform.h"
#include "sources/CError.h"
#include "sources/CIECache.h"
#include "sources/CMozillaCache.h"
#include "sources/MessageSink.h"

namespace {

struct BrowserInfo {
  const char* DisplayName;
  bool Settings::*Enabled;
};

constexpr BrowserInfo kBrowsers[CQuellbyMain::BrowserCount] = {
    {"Mozilla Firefox", &Settings::Mozilla},
    {"Microsoft Internet Explorer", &Settings::IE},
    {"Maxthon", &Settings::Maxthon},
};

bool ValidCode(int code) {
  return code >= 0 && code < CQuellbyMain::BrowserCount;
}

}  // namespace

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

std::string CQuellbyMain::GetDisplayName(int code) {
  return ValidCode(code) ? kBrowsers[code].DisplayName : std::string();
}

std::vector<std::string> CQuellbyMain::GetExeNames(int code) {
  return CBrowserActivity::ProcessNames(code);
}

bool CQuellbyMain::RefuseWhileRunning(int code) {
  CBrowserActivity probe(Check);
  int blocking = -1;
  if (probe.IsRunning(GetExeNames(code))) {
    blocking = code;
  } else if (code == InternetExplorer && probe.IsRunning(GetExeNames(Maxthon))) {
    // Internet Explorer and Maxthon share one cache, so each blocks the other.
    blocking = Maxthon;
  } else if (code == Maxthon && probe.IsRunning(GetExeNames(InternetExplorer))) {
    blocking = InternetExplorer;
  }
  if (blocking < 0) return false;
  // The text is used as it stands, never as a format.
  ShowMessage(MessageKind::Warning,
              GetDisplayName(blocking) + " " + UiTexts::Get(UiTextKey::WarningCloseBrowser));
  return true;
}

bool CQuellbyMain::StartCapture(int code) {
  if (Busy || !ValidCode(code) || Stopping) return false;
  if (RefuseWhileRunning(code)) return false;
  Busy = true;
  JoinWorker();
  std::lock_guard guard(WorkerLock);
  try {
    Worker = std::thread([this, code] {
      CaptureJob(code, 0);
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

std::unique_ptr<CCacheBrowser> CQuellbyMain::MakeSource(int code, bool& fromSettings) const {
  fromSettings = false;
  {
    SourceFactory factory;
    {
      std::lock_guard guard(CallbackLock);
      factory = Factory;
    }
    if (factory) return factory(code);
  }
  if (code == Firefox) {
    auto source = std::make_unique<CMozillaCache>();
    source->SetCachePath(CurrentSettings().MozillaCachePath);
    fromSettings = true;
    return source;
  }
  return std::make_unique<CIECache>();
}

void CQuellbyMain::CaptureJob(int code, int64_t since) {
  if (!ValidCode(code)) return;
  bool fromSettings = false;
  std::unique_ptr<CCacheBrowser> source = MakeSource(code, fromSettings);
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
  RunPass(*source, since);
  if (stateCallback) stateCallback(false);
  if (code == Firefox && fromSettings) {
    // Remember a folder found by discovery; it reaches the file at the next write.
    const std::string used = source->GetCachePath();
    UpdateSettings([&](Settings& settings) { settings.MozillaCachePath = used; });
  }
  source.reset();
  Busy = false;
}

void CQuellbyMain::RunPass(CCacheBrowser& source, int64_t since) {
  {
    std::lock_guard guard(PassLock);
    LastSavedFiles.clear();
  }
  CleanScratchFolder();
  if (Stopping) {
    NewFileCount = 0;
    LastOutcome = JobOutcome::Cancelled;
    return;
  }
  if (!source.TryOpen()) {
    NewFileCount = 0;
    LastOutcome = JobOutcome::OpenFailed;
    return;
  }
  source.LoadEntries();

  // The pass walks its own copy of the filters, so the user interface may read the
  // list meanwhile; the folders it resolved are written back afterwards.
  std::unique_ptr<CCacheFilter> pass;
  {
    std::lock_guard guard(FilterLock);
    pass = FilterSet.CloneFilters();
  }
  pass->SetSinceTime(since);
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
  try {
    pass->Comb(source);
    NewFileCount = pass->GetNewFileCount();
    std::lock_guard guard(PassLock);
    LastSavedFiles = pass->GetSavedFiles();
    if (Stopping) outcome = JobOutcome::Cancelled;
  } catch (const CError&) {
    NewFileCount = 0;
    outcome = JobOutcome::FolderFailed;
  }
  {
    std::lock_guard guard(PassLock);
    ActivePass = nullptr;
  }
  {
    std::lock_guard guard(FilterLock);
    for (int i = 0; i < pass->Count() && i < FilterSet.Count(); ++i) {
      FilterRecord* live = FilterSet.GetAt(i);
      const FilterRecord* used = pass->GetAt(i);
      if (live->Directory == used->Directory) live->ResolvedDirectory = used->ResolvedDirectory;
    }
  }
  LastOutcome = outcome;
  source.Close();
}

std::vector<std::string> CQuellbyMain::GetSavedFiles() const {
  std::lock_guard guard(PassLock);
  return LastSavedFiles;
}

void CQuellbyMain::OnBrowserClosed(int code, int64_t since) {
  if (!Stopping) CaptureJob(code, since);
}

void CQuellbyMain::StartWatchers() {
  if (Stopping) return;
  const Settings settings = CurrentSettings();
  for (int code = 0; code < BrowserCount; ++code) {
    if (!(settings.*kBrowsers[code].Enabled) || Watchers[code]->IsWatching()) continue;
    Watchers[code]->Start(
        GetExeNames(code), [this](int browser, int64_t since) { OnBrowserClosed(browser, since); },
        code);
  }
}

void CQuellbyMain::StopWatcher(int code) {
  if (ValidCode(code)) Watchers[code]->Stop();
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
  {
    std::lock_guard guard(FilterLock);
    if (FilterSet.Load(CurrentSettings().FiltersFileName)) return true;
    if (FilterSet.Load(ProgramPlaces().DefaultFilterPath)) return true;
  }
  // The lock is released first: a front end shows the message in a modal box whose
  // event loop may run commands that read the filter list.
  ShowMessage(MessageKind::Warning, UiTexts::Get(UiTextKey::ErrorLoadDefaultFilter));
  return false;
}
