#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/BrowserTable.h"
#include "config/UiTexts.h"
#include "engine/CBrowserActivity.h"
#include "engine/CCacheFilter.h"
#include "engine/CaptureOutcome.h"
#include "engine/CaptureTarget.h"
#include "engine/ReportRow.h"
#include "sources/CCacheBrowser.h"
#include "sources/CError.h"

class CCapturePass;

// The capture engine: owns the filter set, the browser table, one watcher per
// browser and the capture jobs. One job runs at a time; its state and progress reach
// the front end through two callbacks on the job's thread.
class CQuellbyMain {
 public:
  using enum BrowserCode;
  static constexpr int BrowserCount = ::BrowserCount;

  // How the last job ended (the command-line tool's exit code follows it).
  enum class JobOutcome { None, Finished, OpenFailed, FolderFailed, SaveFailed, Cancelled };

  using CaptureStateFunction = std::function<void(bool started)>;
  using ProgressFunction = std::function<void(int percent)>;
  // Makes the cache source of a browser code (tests); the default makes the source of
  // the browser's cache format.
  using SourceFactory = std::function<std::unique_ptr<CCacheBrowser>(int code)>;

  struct StartupOptions {
    // The tray program writes the settings (and the start-with-login entry) at start
    // and exit; the command-line tool only reads them.
    bool PersistSettings = true;
    // Replaces the process check (tests).
    CBrowserActivity::ProcessCheck Check;
    // Pause between two looks of a watcher.
    uint32_t WatchIntervalMs = CBrowserActivity::DefaultIntervalMs;
  };

  // Start-up reading: places, settings, start-with-login entry, settings written,
  // language loaded.
  CQuellbyMain();
  explicit CQuellbyMain(StartupOptions options);
  // Stops the watchers, cancels a running capture between two entries, waits for
  // every thread, then writes the settings.
  virtual ~CQuellbyMain();
  CQuellbyMain(const CQuellbyMain&) = delete;
  CQuellbyMain& operator=(const CQuellbyMain&) = delete;

  void SetCaptureStateCallback(CaptureStateFunction callback);
  void SetProgressCallback(ProgressFunction callback);
  void SetSourceFactory(SourceFactory factory);
  // A cache folder named by the front end (the command line's --cache): the jobs read it
  // instead of the folder the settings name or the one found. Empty: none.
  void SetCacheFolder(std::string folder);

  bool IsBusy() const { return Busy.load(); }
  int32_t GetNewFileCount() const { return NewFileCount.load(); }
  JobOutcome GetLastOutcome() const { return LastOutcome.load(); }
  // What went wrong in the last job, for the front end to show; nothing after a job
  // that went well.
  std::optional<UiMessage> GetLastProblem() const;
  // Cache entries the last job could not read (while listing or saving), skipped.
  uint32_t GetSkippedCount() const { return SkippedCount.load(); }
  // Paths of the files the last job saved and kept.
  std::vector<std::string> GetSavedFiles() const;
  // What a capture on command may do besides saving (the command-line tool's --dry-run
  // and --report); kept for the jobs that follow.
  struct CaptureExtras {
    bool DryRun = false;
    bool Report = false;
  };
  void SetCaptureExtras(CaptureExtras extras);
  // The rows of the last job's report (with Report on).
  std::vector<ReportRow> GetLastReport() const;
  // What the last job did: browser, how it began, what it counted.
  CaptureOutcome GetLastJob() const;
  // The message for a capture error; a failed open is worded for the browser whose
  // cache it was, when that is known.
  static UiMessage MessageFor(const CError& error, const BrowserInfo* browser = nullptr);
  // The message for a source of `target` that did not open. A folder that is there but
  // holds no cache of the format is named with what was looked for in it.
  static UiMessage OpenFailureMessage(const CCacheBrowser& source, const CaptureTarget& target);
  static std::string GetDisplayName(int code);
  // Whether a cache of the browser can be found now (a named cache folder counts), so
  // the front ends offer captures only of caches that exist.
  static bool HasCache(int code);
  static std::vector<std::string> GetExeNames(int code);

  // Capture on command, on a worker thread. Does nothing while busy; refused with a
  // message while the browser (or, for the shared URL cache, its partner) runs.
  // Returns whether a job was started.
  bool StartCapture(int code);
  // The job itself, on the calling thread (the command-line tool).
  void CaptureJob(int code, int64_t since, CaptureStart start = CaptureStart::CommandLine);
  // Whether the browser of `code` (or the one that shares its cache) runs; shows the
  // refusal message when it does.
  bool RefuseWhileRunning(int code);

  void StartWatchers();
  void StopWatcher(int code);
  // Asks a running pass to stop after its current entry and stops every watcher,
  // without waiting (the front end keeps its event loop running until !IsBusy()).
  void RequestStop();

  // The filter set, locked for the life of the handle. The user interface edits and
  // reads filters only through it; a capture copies the set under the same lock and
  // writes resolved folders back under it, so the two never race.
  class LockedFilters {
   public:
    LockedFilters(std::mutex& lock, CCacheFilter& set) : Guard(lock), Set(set) {}
    CCacheFilter* operator->() const { return &Set; }
    CCacheFilter& operator*() const { return Set; }

   private:
    std::unique_lock<std::mutex> Guard;
    CCacheFilter& Set;
  };
  LockedFilters Filters() { return LockedFilters(FilterLock, FilterSet); }

  // Loads the filter file of the settings, else the default filter file; when
  // neither loads, shows "Can't load default filter." and returns false.
  bool LoadStartupFilterFile();

 private:
  // The source of a job: the factory's, else the format's on the folder named on the
  // command line or in the settings (`fromSettings`), else on the caches it finds.
  std::unique_ptr<CCacheBrowser> MakeSource(const CaptureTarget& target, bool& fromSettings) const;
  void CaptureJobOf(const CaptureTarget& target, int64_t since, CaptureStart start);
  bool RefuseWhileRunningOf(const CaptureTarget& target);
  // The setting is on and the cache, opened, keeps its entries in files of their own
  // with checks of their own.
  bool MayCaptureWhileRunning(const CaptureTarget& target) const;
  // Whether the target's cache, opened now, may be read while its browser runs.
  bool AllowsLiveCapture(const CaptureTarget& target) const;
  void RunPass(CCacheBrowser& source, const CaptureTarget& target, int64_t since,
               CaptureStart start);
  // The outcome and the message of a source that did not open.
  void NoteOpenFailure(const CCacheBrowser& source, const CaptureTarget& target);
  void OnBrowserClosed(const CaptureTarget& target, int64_t since);
  void JoinWorker();

  std::atomic<bool> Busy{false};
  std::atomic<int32_t> NewFileCount{0};
  std::atomic<JobOutcome> LastOutcome{JobOutcome::None};
  std::atomic<uint32_t> SkippedCount{0};
  std::atomic<bool> Stopping{false};
  const bool PersistSettings;
  std::array<std::unique_ptr<CBrowserActivity>, BrowserCount> Watchers;
  CBrowserActivity::ProcessCheck Check;

  std::mutex FilterLock;
  CCacheFilter FilterSet;

  std::mutex JobLock;  // held for a whole job
  mutable std::mutex CallbackLock;
  CaptureStateFunction CaptureStateCallback;
  ProgressFunction ProgressCallback;
  SourceFactory Factory;
  std::string NamedFolder;

  mutable std::mutex PassLock;
  CCapturePass* ActivePass = nullptr;  // the pass under way, for cancelling
  std::vector<std::string> LastSavedFiles;
  std::optional<UiMessage> LastProblem;
  std::vector<ReportRow> LastReport;
  CaptureOutcome LastJob;
  CaptureExtras Extras;

  std::mutex WorkerLock;
  std::thread Worker;
};
