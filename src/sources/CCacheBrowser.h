#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sources/ContentKinds.h"

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
    int32_t Size = 0;       // bytes of data
    int64_t Time = 0;       // seconds since 1970 (UTC)
    std::string LocalFile;  // where the data lie (source-specific)
    std::string SourceUrl;  // the URL the browser fetched
    int32_t Index = 0;      // place in the list, set by LoadEntries
    // The stored Content-Encoding, lower-cased ("gzip", "br"...); empty when none.
    std::string ContentEncoding;
  };

  // Where the bytes a copy of an entry would hold lie in the cache: `Length` bytes of
  // the file at `Path` from `Offset`.
  struct EntryBytes {
    std::string Path;
    uint64_t Offset = 0;
    uint64_t Length = 0;
  };

  // What a copy did, beyond success: the bytes that reached the destination (after
  // decoding, when the body was decoded), whether it failed only because the
  // destination existed (with failIfExists), and whether the saved body was decoded.
  struct CopyOutcome {
    uint64_t BytesWritten = 0;
    bool DestinationExisted = false;
    bool Decoded = false;
  };

  CCacheBrowser() = default;
  CCacheBrowser(const CCacheBrowser&) = delete;
  CCacheBrowser& operator=(const CCacheBrowser&) = delete;
  virtual ~CCacheBrowser();

  // True when the entry's data lie inside a shared file and must be extracted.
  virtual bool IsPacked(const CCacheElement& entry) const;
  // Full path of the file that holds the entry's data.
  virtual std::string GetEntryFile(const CCacheElement& entry) const = 0;
  // The bytes CopyEntry would write, when they lie unchanged in one cache file, so they
  // can be compared without making a copy; nothing when the source cannot tell (a
  // source that transforms what it copies must say nothing).
  virtual std::optional<EntryBytes> LocateEntryBytes(const CCacheElement& entry) const;
  // Releases the cache's files; safe when closed.
  virtual void Close();
  // Makes the cache readable; throws CError on failure.
  virtual void Open();
  // Appends one entry per usable cache item.
  virtual void ReadEntries() = 0;
  // Writes the entry's data into `destination`; true on success, throws CError on
  // failure. With failIfExists an existing destination is never replaced.
  virtual bool CopyEntry(const CCacheElement& entry, const std::string& destination,
                         bool failIfExists, CopyOutcome& outcome) = 0;

  // Open, turning a CError into false (after closing what was opened).
  bool TryOpen();
  // Clears, reads, refines kinds 0 and 15 by the URL, numbers the entries.
  int32_t LoadEntries();
  // CopyEntry, turning a CError into false. With DecodeContent on, a body stored with a
  // known Content-Encoding is then decoded in place; one that fails to decode stays as
  // stored, and the save still counts as a success.
  bool SaveEntry(const CCacheElement& entry, const std::string& destination, bool failIfExists,
                 CopyOutcome* outcome = nullptr);
  void ClearEntries();

  const CCacheElement* GetFirst() const;
  const CCacheElement* GetAt(size_t index) const;
  const CCacheElement* GetNext(const CCacheElement& entry) const;
  size_t GetCount() const { return Entries.size(); }

  std::string GetCachePath() const { return CachePath; }
  void SetCachePath(const std::string& path) { CachePath = path; }

  bool GetDecodeContent() const { return DecodeContent; }
  void SetDecodeContent(bool decode) { DecodeContent = decode; }
  // True when SaveEntry may write other bytes than the cache stores.
  bool MayDecode(const CCacheElement& entry) const {
    return DecodeContent && !entry.ContentEncoding.empty();
  }

 protected:
  void AppendEntry(std::unique_ptr<CCacheElement> entry);

  std::vector<std::unique_ptr<CCacheElement>> Entries;
  std::string CachePath;
  bool DecodeContent = true;
};
