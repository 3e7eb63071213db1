#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/OutputFile.h"
#include "sources/CError.h"
#include "sources/ContentKinds.h"
#include "sources/DecodeBudget.h"
#include "sources/EntryContent.h"

// One browser's cache seen as an ordered list of entries. A capture creates one
// source, opens it, loads its entries and lets the filter set walk them and save
// the matches; the source owns its entries.
class CCacheBrowser {
 public:
  // One cache entry. Derived sources add their own fields; the virtual destructor
  // lets the list delete them whole.
  struct CCacheElement {
    virtual ~CCacheElement() = default;

    std::string MimeType;   // content type as stored, letters unchanged
    KindCode Kind = 0;      // from MimeType, refined by LoadEntries
    uint64_t Size = 0;      // bytes of data as stored
    int64_t Time = 0;       // seconds since 1970 (UTC)
    std::string LocalFile;  // where the data lie (source-specific)
    std::string SourceUrl;  // the URL the browser fetched
    int32_t Index = 0;      // place in the list, set by LoadEntries
    // The stored Content-Encoding, lower-cased ("gzip", "br"...); empty when none.
    std::string ContentEncoding;
    // What keys a partitioned entry besides its URL (Firefox origin attributes, the
    // sites of a Chromium key); empty for most entries.
    std::string Partition;
    // Raw values of the stored response head's Content-Disposition, Last-Modified and
    // Date headers; empty when it has none.
    std::string ContentDisposition;
    std::string LastModified;
    std::string Date;
    // The cache holds only part of the body (a range-loaded video with gaps, a body
    // stored cut short): listed, never saved.
    bool Incomplete = false;
  };

  enum class WriteResult {
    Written,
    Unreadable,    // the cache side failed: unreadable, damaged, or changed while read
    OutputFailed,  // the output side failed (no space, I/O error...)
  };
  struct WriteOutcome {
    WriteResult Result = WriteResult::Written;
    bool Decoded = false;
    std::string Reason;  // the system's description of a failure
    // Written as stored because decoding it would have gone over the pass's budget
    // (DecodeBudget).
    bool NotDecoded = false;
  };

  CCacheBrowser() = default;
  CCacheBrowser(const CCacheBrowser&) = delete;
  CCacheBrowser& operator=(const CCacheBrowser&) = delete;
  virtual ~CCacheBrowser();

  // Where the entry's data are, as a listing shows it.
  virtual std::string GetEntryFile(const CCacheElement& entry) const = 0;
  // Opens the entry's body as stored; nothing when it cannot be read (a file that is
  // missing, a link, not a regular file, shorter than the entry says it is...).
  virtual std::optional<EntryContent> OpenContent(const CCacheElement& entry) const = 0;
  // Releases the cache's files; safe when closed.
  virtual void Close();
  // Makes the cache readable; throws CError (with where it looked) on failure.
  virtual void Open();
  // Appends one entry per usable cache item; damaged items are counted (NoteSkipped).
  virtual void ReadEntries() = 0;

  // Open, turning a CError into false (after closing what was opened); the error is
  // kept for the message.
  bool TryOpen();
  const std::optional<CError>& GetOpenError() const { return OpenError; }
  // Clears, reads, refines kinds 0 and 15 by the URL, numbers the entries.
  int32_t LoadEntries();
  void ClearEntries();

  // Writes the body into `out`: decoded when DecodeContent is on and the stored
  // Content-Encoding is one this program undoes (a body that fails to decode, or whose
  // decoded bytes would go over the budget of all decoding through this source, is
  // written as stored), else as stored; checksums the cache keeps are checked on the way.
  virtual WriteOutcome WriteEntry(const CCacheElement& entry, const EntryContent& content,
                                  Platform::OutputFile& out);

  const CCacheElement* GetFirst() const;
  const CCacheElement* GetAt(size_t index) const;
  const CCacheElement* GetNext(const CCacheElement& entry) const;
  size_t GetCount() const { return Entries.size(); }
  // Cache items that could not be read while listing, skipped.
  uint32_t GetSkippedCount() const { return SkippedCount; }

  std::string GetCachePath() const { return CachePath; }
  // The folders an open source reads (nothing is to be written inside them).
  virtual std::vector<std::string> GetReadFolders() const {
    return CachePath.empty() ? std::vector<std::string>{} : std::vector<std::string>{CachePath};
  }
  void SetCachePath(const std::string& path) { CachePath = path; }

  // Whether the open cache keeps each entry in files of its own with checks of its own,
  // so that it can be read while the browser writes it.
  virtual bool SupportsLiveCapture() const { return false; }
  // While the browser may be writing the cache: a source checks what it can of each
  // body before handing it out (cache2's chunk hashes); the simple cache's CRCs are
  // checked always.
  void SetVerifyWhileReading(bool verify) { VerifyWhileReading = verify; }

  // Replaces the budget of decoded output (tests give a small one).
  void SetDecodeBudget(DecodeBudget budget) { Budget = budget; }
  bool GetDecodeContent() const { return DecodeContent; }
  void SetDecodeContent(bool decode) { DecodeContent = decode; }
  // True when WriteEntry may write other bytes than the cache stores.
  bool MayDecode(const CCacheElement& entry) const {
    return DecodeContent && !entry.ContentEncoding.empty();
  }

 protected:
  void AppendEntry(std::unique_ptr<CCacheElement> entry);
  void NoteSkipped(uint32_t count = 1) { SkippedCount += count; }

  std::vector<std::unique_ptr<CCacheElement>> Entries;
  // Decoded output of everything written through this source (one capture).
  DecodeBudget Budget;
  std::string CachePath;
  bool DecodeContent = true;
  bool VerifyWhileReading = false;

 private:
  uint32_t SkippedCount = 0;
  std::optional<CError> OpenError;
};
