#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/CCacheFilter.h"
#include "engine/CaptureOutcome.h"
#include "engine/FolderRecord.h"
#include "engine/ReportRow.h"
#include "sources/CCacheBrowser.h"
#include "sources/CGraphicLT.h"

// The capture pass: walks one cache source entry by entry, tests each entry against a
// copy of the filters in list order and saves the matches into their folders.
class CCapturePass {
 public:
  using ProgressFunction = std::function<void(int percent)>;
  // Measures a picture of `size` bytes read through `fetch`.
  using ImageProbe =
      std::function<CGraphicLT::ImageSize(uint64_t size, const CGraphicLT::FetchFunction& fetch)>;
  using Entry = CCacheBrowser::CCacheElement;

  // How a pass saves; the engine fills them from the settings in force and the job.
  struct PassChoices {
    bool OneCopy = true;          // an entry is saved by the first filter that saves it
    bool SkipDuplicates = true;   // a copy equal to a file of its folder is not kept
    int64_t SinceTime = 0;        // only entries cached at or after it; 0: every entry
    std::string BrowserName;      // what %BROWSER% in a folder becomes
    bool KeepServerTime = false;  // saved files get the response's Last-Modified or Date
    bool DryRun = false;          // nothing is written and no folder made; see GetSavedFiles
    // Where a dry run decodes a body that is stored compressed, to decide about it as a
    // real run would ("": such a body is taken as it comes).
    std::string ScratchFolder = {};
    // The folders of the cache being read: no output folder may lie inside them.
    std::vector<std::string> CacheFolders = {};
    bool Live = false;    // the browser runs: a body that changes while read is skipped
    bool Report = false;  // collect one row per saved, duplicate or unreadable entry
  };

  using PassCounts = ::PassCounts;

  // A pass over a copy of `filters` taken now (the caller holds whatever lock guards
  // them); the folders it resolves are in GetFilters afterwards.
  CCapturePass(const CCacheFilter& filters, PassChoices choices);
  CCapturePass(const CCapturePass&) = delete;
  CCapturePass& operator=(const CCapturePass&) = delete;
  ~CCapturePass();

  void SetProgressCallback(ProgressFunction callback) { ProgressCallback = std::move(callback); }
  // Replaces the image measurement (tests); the default reads image headers.
  void SetImageProbe(ImageProbe probe) { Probe = std::move(probe); }
  // Asks a running pass to stop before its next entry (any thread); asked before the
  // pass begins, it makes the pass visit no entry.
  void RequestCancel() { Cancelled = true; }

  // The pass. Always true. A folder is made when the first file is saved into it, and
  // removed again when that file is not kept. A folder refused by the folder rule, or
  // one that cannot be made, leaves as CError (module 1, code 10), and so does the first
  // file that cannot be written (code 11): the entries after it would fail the same way.
  // A folder named by an entry's site that cannot be made only skips that entry. Files
  // saved before stay, and are listed.
  bool Comb(CCacheBrowser& source);

  int32_t GetNewFileCount() const { return Counts.NewFiles; }
  uint32_t GetUnreadableCount() const { return Counts[SkipReason::Unreadable]; }
  // Why the entries that gave no file gave none, and what else the pass counted.
  const PassCounts& GetCounts() const { return Counts; }
  uint32_t GetNotDecodedCount() const { return Counts.NotDecoded; }
  // Paths of the files the pass saved and kept, in saving order (a dry run: where they
  // would be saved).
  const std::vector<std::string>& GetSavedFiles() const { return SavedFiles; }
  const std::vector<ReportRow>& GetReport() const { return Report; }
  // The pass's copy of the filters, with the folders it resolved.
  const CCacheFilter& GetFilters() const { return *Filters; }

  // Whether an entry passes a filter's kind, size and URL tests (not the pixel test,
  // which needs the body).
  static bool Match(const Entry& entry, const FilterRecord& record);
  // Why it does not: TooSmall when only the size fails, else NoMatch.
  static std::optional<SkipReason> Mismatch(const Entry& entry, const FilterRecord& record);

 private:
  // Saved and Duplicate count as stored; the others name why nothing was kept.
  enum class StoreResult { Saved, Duplicate, TooFewPixels, NoFolder, Unreadable };
  // What the cache's own bytes decided about an entry's copy in a folder, and what the
  // writing step needs of that.
  struct SavePlan {
    enum class Step { Write, Duplicate, Skip, Unreadable };
    Step Next = Step::Write;
    size_t EqualFile = 0;                    // Duplicate: the known file of the folder it equals
    std::string Region;                      // the cache bytes, and how they are written
    bool PixelTest = false;                  // still to do, on the copy
    bool Decodes = false;                    // the copy's bytes may differ from the cache's
    std::optional<uint64_t> Digest;          // of the bytes compared
    std::optional<uint64_t> ComparedLength;  // bytes found to equal no known file
  };

  // Resolves every filter's folder, checks and lists each distinct folder.
  void PrepareFolders();
  // The index of the folder of a path of this pass, checked against the folder rule and
  // listed on first use; nothing when the rule refuses it.
  std::optional<size_t> OpenFolder(const std::string& path);
  // The folder an entry goes to with a filter: its site's for a folder with %SITE%
  // (nullptr when that one is refused).
  FolderRecord* FolderFor(const Entry& entry, const FilterRecord& record);
  // Makes the folder for its first file; false (or CError for a folder of no site)
  // when it cannot be made.
  bool MakeFolder(FolderRecord& folder, bool siteFolder);
  // Makes the folder with its missing parents; false, with the system's reason, when it
  // cannot be made (what it made on the way goes again).
  static bool MadeNow(FolderRecord& folder, std::string& reason);
  // Takes away the folders a pass made for a first file that was not kept.
  static void UnmakeFolder(FolderRecord& folder);

  void ProcessEntry(const Entry& entry);
  void ReportProgress(int32_t index);
  // Saves an entry for a filter. Stored also when it was found to be a duplicate.
  StoreResult StoreMatch(const Entry& entry, FilterRecord& record);
  SavePlan PlanSave(const Entry& entry, const FilterRecord& record, FolderRecord& folder,
                    const EntryContent& content) const;
  StoreResult WriteSave(const Entry& entry, const FilterRecord& record, FolderRecord& folder,
                        const EntryContent& content, SavePlan plan);
  // A dry run decides as WriteSave does, writing nothing into any output folder (what
  // it must measure or compare decoded, it decodes into the scratch folder).
  StoreResult DryRunSave(const Entry& entry, const FilterRecord& record, FolderRecord& folder,
                         const EntryContent& content, SavePlan plan);
  StoreResult PlanFile(const Entry& entry, const FilterRecord& record, FolderRecord& folder,
                       const ByteSource& bytes, uint64_t size, SavePlan plan);
  // The entry equals a known file of the folder: nothing is kept, and it counts as saved.
  StoreResult NoteDuplicate(const Entry& entry, FolderRecord& folder, std::string region,
                            size_t equalFile);
  void NoteSaved(const Entry& entry, const std::string& path, uint64_t size, std::string outcome);
  void NoteRow(const Entry& entry, std::string savedPath, uint64_t savedSize, std::string outcome);
  bool PassesPixelTest(const FilterRecord& record, const std::string& path) const;
  bool PassesPixelTest(const FilterRecord& record, const EntryContent& content) const;
  bool PassesPixelTest(const FilterRecord& record, uint64_t size,
                       const CGraphicLT::FetchFunction& fetch) const;

  const std::unique_ptr<CCacheFilter> Filters;
  const PassChoices Choices;
  CCacheBrowser* Source = nullptr;
  std::vector<std::unique_ptr<FolderRecord>> Folders;
  int32_t LastPercent = 0;
  int32_t TotalEntries = 0;
  PassCounts Counts;
  std::vector<std::string> SavedFiles;
  std::vector<ReportRow> Report;
  ProgressFunction ProgressCallback;
  ImageProbe Probe;
  std::atomic<bool> Cancelled{false};
};
