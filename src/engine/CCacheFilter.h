#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/FilterRecord.h"
#include "engine/FolderRecord.h"
#include "sources/CCacheBrowser.h"
#include "sources/CGraphicLT.h"

// The filter set: the ordered list of the user's filters and the capture pass that
// walks one cache source, tests each entry against the filters in list order and
// saves the matches into their folders.
class CCacheFilter {
 public:
  using ProgressFunction = std::function<void(int percent)>;
  using ImageProbe = std::function<CGraphicLT::ImageSize(const std::string& path)>;
  using Entry = CCacheBrowser::CCacheElement;
  // Bytes at an offset: a cache entry's body or a file of an output folder.
  using ByteSource = std::function<int64_t(uint64_t offset, std::span<std::byte> buffer)>;

  CCacheFilter();
  CCacheFilter(const CCacheFilter&) = delete;
  CCacheFilter& operator=(const CCacheFilter&) = delete;
  virtual ~CCacheFilter();

  // ---- The list -------------------------------------------------------------
  // Inserts `record` (a new default one when null) before `position`; any position
  // outside 0..count-1 appends. Returns the record, now owned by the set.
  FilterRecord* Insert(std::unique_ptr<FilterRecord> record, int position);
  void UpdateUrlWords(FilterRecord& record) { SplitUrl(record); }
  bool Remove(int index);
  int MoveUp(int index);
  int MoveDown(int index);
  FilterRecord* GetAt(int index) const;
  FilterRecord* GetFirst() const { return GetAt(0); }
  FilterRecord* GetNext(const FilterRecord& record) const { return GetAt(record.Position + 1); }
  int Count() const { return static_cast<int>(Filters.size()); }
  void Clear();
  std::string GetHint() const { return Hint; }
  void SetHint(std::string hint) { Hint = std::move(hint); }
  const std::string& GetFilterFilePath() const { return FilterFilePath; }
  // Replaces the set with a filter file's filters (an empty path: the file last
  // loaded) and makes it the settings' filter file (in memory; the settings file is
  // not written). False, with an empty set, when the file is not a filter file.
  bool Load(const std::string& path);
  // Only the reading part of Load: the settings are left alone.
  bool ReadFilterFile(const std::string& path);
  // Writes the set as a filter file, replacing `path` atomically; false when it
  // could not be written.
  bool Save(const std::string& path);
  // A copy of the filters for a pass on another thread.
  std::unique_ptr<CCacheFilter> CloneFilters() const;
  void SetFilterFilePath(std::string path) { FilterFilePath = std::move(path); }

  // ---- The pass -------------------------------------------------------------
  void SetSinceTime(int64_t since) { SinceTime = since; }
  void SetProgressCallback(ProgressFunction callback) { ProgressCallback = std::move(callback); }
  // Replaces the image measurement (tests); the default reads image headers.
  void SetImageProbe(ImageProbe probe) { Probe = std::move(probe); }
  // The options of the pass; Comb(source) takes them from the settings in force.
  void SetOptions(bool oneCopy, bool skipDuplicates);

  // Choices of a pass beyond the filters; all off by default.
  struct PassChoices {
    std::string BrowserName;      // what %BROWSER% in a folder becomes
    bool KeepServerTime = false;  // saved files get the response's Last-Modified or Date
    bool DryRun = false;          // nothing is written and no folder made; see GetSavedFiles
    bool Live = false;            // the browser runs: a body that changes while read is skipped
    bool Report = false;          // collect one row per saved, duplicate or unreadable entry
  };
  void SetChoices(PassChoices choices) { Choices = std::move(choices); }

  // One row of a capture report.
  struct ReportRow {
    std::string Url, Site, Partition, SavedPath, Kind, MimeType, Encoding;
    uint64_t StoredSize = 0;
    uint64_t SavedSize = 0;
    int64_t Time = 0;
    std::string Sha256;   // of the saved bytes
    std::string Outcome;  // "saved", "duplicate" (SavedPath: the equal file), "unreadable",
                          // "would be saved" (a dry run)
  };
  const std::vector<ReportRow>& GetReport() const { return Report; }

  // The capture pass with OneCopy and SkipDuplicates from the settings. Always true;
  // an output folder that cannot be created leaves as CError (module 1, code 10), and
  // so does the first file that cannot be written (code 11): the entries after it
  // would fail the same way. Files saved before stay, and are listed.
  bool Comb(CCacheBrowser& source);
  // The same with the options as they are set (SetOptions).
  bool CombWithOptions(CCacheBrowser& source);
  int32_t GetNewFileCount() const { return NewFileCount; }
  // Entries of the last pass whose bodies could not be read (missing, damaged,
  // changed while read), skipped.
  uint32_t GetUnreadableCount() const { return UnreadableCount; }
  // Paths of the files the last pass saved and kept, in saving order (a dry run: where
  // they would be saved).
  const std::vector<std::string>& GetSavedFiles() const { return SavedFiles; }
  // Asks a running pass to stop before its next entry (any thread); asked before the
  // pass begins, it makes the pass visit no entry.
  void RequestCancel() { Cancelled = true; }

  // ---- Naming and saving (public for tests) ---------------------------------
  // Resolves every record's folder, creates and lists each distinct folder.
  void PrepareFolders();
  bool StoreMatch(const Entry& entry, FilterRecord& record);
  bool Match(const Entry& entry, const FilterRecord& record) const;
  const std::vector<std::unique_ptr<FolderRecord>>& GetFolders() const { return Folders; }

 private:
  void Renumber();
  void ProcessEntry(const Entry& entry);
  void ReportProgress(int32_t index);
  enum class StoreResult { Stored, NotStored, Unreadable };
  StoreResult Store(const Entry& entry, FilterRecord& record);
  StoreResult PlanStore(const Entry& entry, FilterRecord& record, FolderRecord& folder,
                        const EntryContent& content, bool pixelTest);
  // The folder of a path of this pass, opened (made, listed) on first use.
  FolderRecord* OpenFolder(const std::string& path);
  // The folder an entry goes to with a record: its site's for a folder with %SITE%.
  FolderRecord* FolderFor(const Entry& entry, const FilterRecord& record);
  void NoteRow(const Entry& entry, std::string savedPath, uint64_t savedSize, std::string outcome);
  enum class DuplicateSearch { Found, NotFound, Unreadable };
  // Looks for a known file of the folder equal to the first `size` bytes of
  // `candidate`; fills the candidate's digest when it had to be computed, and `found`
  // with the index of the equal file.
  DuplicateSearch FindDuplicate(const ByteSource& candidate, uint64_t size, FolderRecord& folder,
                                std::optional<uint64_t>& candidateDigest, size_t& found);

  CCacheBrowser* Source = nullptr;
  std::vector<std::unique_ptr<FilterRecord>> Filters;
  std::vector<std::unique_ptr<FolderRecord>> Folders;
  int32_t LastPercent = 0;
  int32_t NewFileCount = 0;
  uint32_t UnreadableCount = 0;
  PassChoices Choices;
  std::vector<ReportRow> Report;
  bool OneCopy = true;
  bool SkipDuplicates = true;
  int64_t SinceTime = 0;
  int32_t TotalEntries = 0;
  std::string FilterFilePath;
  std::string Hint;
  std::vector<std::string> SavedFiles;
  ProgressFunction ProgressCallback;
  ImageProbe Probe;
  std::atomic<bool> Cancelled{false};
};

// The tokens of folder and name texts that depend on the entry.
inline constexpr std::string_view kSiteToken = "%SITE%";
inline constexpr std::string_view kNameToken = "%NAME%";

// Replaces the first "%DATE%" (dd.mm.yyyy), "%TIME%" ("HH MM SS") and "%ISODATE%"
// (yyyy-mm-dd) of a folder text with the local date and time of `now` (seconds since
// 1970).
std::string ExpandTokens(std::string text, int64_t now);
// What %SITE% becomes for an entry: the host of its URL in lower case, without "www."
// and port, safe as a folder name.
std::string SiteFolderName(std::string_view url);
// What %NAME% becomes: the original file name without its extension (see FileNames).
std::string OriginalStem(const CCacheBrowser::CCacheElement& entry);
// The time a saved file gets with KeepServerTime: Last-Modified, else Date, else the
// entry's time.
std::optional<int64_t> ServerTime(const CCacheBrowser::CCacheElement& entry);

// Picks the names of one entry's file in a folder: stem + running number + extension,
// or with %NAME% the original name, numbered only when taken (photo.jpg, photo-1.jpg).
class NameChooser {
 public:
  NameChooser(const std::string& stem, const CCacheBrowser::CCacheElement& entry,
              FolderRecord& folder);
  // The next name not known to be taken.
  std::string Next();

 private:
  FolderRecord& Folder;
  std::string Stem;
  std::string Extension;
  bool Original = false;
  int Tries = 0;
};
// The folder a directory text names now: tokens replaced and "~/" expanded.
std::string ResolveDirectory(const std::string& directory);
// The folder that holds every file a resolved directory receives: the directory itself, or,
// where it still holds a per-entry token (%SITE%, %BROWSER%), the folder above that token.
std::string FolderAboveEntryTokens(const std::string& resolved);
// Checks an output folder's path (the local-folder rule) and creates it with its
// parents; false when the path is refused or the folder does not exist afterwards.
bool CreateFolderPath(const std::string& path);
// The regular files of a folder with their sizes; empty when it cannot be listed.
// Names keep their letters: the name test ignores the case of A-Z, but a file must
// still be opened by its real name on a case-sensitive file system.
std::vector<KnownFile> ListFolder(const std::string& path);
