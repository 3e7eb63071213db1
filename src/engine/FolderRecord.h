#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/CacheFiles.h"
#include "sources/EntryContent.h"

// A file known to be in an output folder: found at pass start, or saved in the pass
// (with the size actually written).
struct KnownFile {
  std::string Name;
  uint64_t FileSize = 0;
};

// Bytes at an offset: a cache entry's body or a file of an output folder. Returns the
// bytes read, fewer at the end, -1 on a read failure.
using ByteSource = std::function<int64_t(uint64_t offset, std::span<std::byte> buffer)>;
// The sources keep a reference: the content or file must outlive them.
ByteSource BytesOf(const EntryContent& content);
ByteSource BytesOf(const Platform::ReadOnlyFile& file);

// One distinct output folder of the current pass, shared by every filter that writes
// into it: the files it is known to hold, the names taken, and which files a new copy
// may equal.
class FolderRecord {
 public:
  enum class DuplicateSearch { Found, NotFound, Unreadable };

  // A folder holding the files found at pass start.
  FolderRecord(std::string path, std::vector<KnownFile> found);

  std::string Path;
  int32_t NextNumber = 0;  // of the next generated name, shared by every filter
  // Per original name (A-Z lowered, with its extension): the number below which every
  // numbered form is known taken, so the thousandth "photo.jpg" is named at once.
  std::unordered_map<std::string, int> OriginalTries;
  // The folder is there. A pass makes it only for its first file, with the missing
  // folders above it, deepest first, in MadeFolders until a file is kept there.
  bool Exists = false;
  std::vector<std::string> MadeFolders;
  bool HoldsSavedFile = false;  // a file was saved and kept here in this pass
  bool CannotMake = false;      // making it failed once: the pass does not try again
  // Found at pass start, then saved and kept during the pass, in that order.
  std::vector<KnownFile> Files;

  std::string PathOf(size_t file) const;
  // Whether a name is known to be taken, blind to the case of A-Z.
  bool IsTaken(const std::string& name) const;
  // Marks a name taken that is not a known file (one found on disk at commit time, one
  // that a dry run gave).
  void TakeName(const std::string& name);
  // A file saved in the pass: its digest when one was computed, and the key of the
  // cache bytes it was written from (see CopyOf).
  void AddSavedFile(KnownFile file, std::optional<uint64_t> digest, std::string region);

  // The known file that the same cache bytes, written the same way, gave: a second entry
  // naming those bytes is a duplicate without reading anything again.
  std::optional<size_t> CopyOf(const std::string& region) const;
  void NoteCopyOf(std::string region, size_t file);

  // Looks for a known file equal to the first `size` bytes of `candidate`; fills the
  // candidate's digest when it had to be computed (one given is trusted, the candidate
  // is then read only to confirm a match), and `found` with the index of the equal file.
  // Unreadable: the candidate could not be read; a known file that cannot be read counts as
  // different.
  DuplicateSearch FindDuplicate(const ByteSource& candidate, uint64_t size,
                                std::optional<uint64_t>& candidateDigest, size_t& found);

  // A dry run's files, which are never on disk: one it would have saved (by the digest
  // of its bytes), and the one that bytes of that size and digest would equal. Without
  // a file to compare with, equal digests count as equal bytes.
  void AddPlannedFile(const std::string& name, uint64_t size, uint64_t digest, std::string region);
  std::optional<size_t> FindPlannedFile(uint64_t size, uint64_t digest) const;
  // The digest FindDuplicate compares; nothing when the bytes cannot be read.
  static std::optional<uint64_t> DigestOf(const ByteSource& source, uint64_t size);

 private:
  void AddKnownFile(KnownFile file, std::optional<uint64_t> digest);

  // Names (A-Z lowered) that are taken, for a constant-time name test.
  std::unordered_set<std::string> TakenNames;

  // Known files by size, and within a size by content digest. A size's files are
  // hashed only once a copy of that size needs comparing, and each file is hashed at
  // most once per pass.
  struct SizeBucket {
    std::vector<size_t> Unhashed;
    std::unordered_map<uint64_t, std::vector<size_t>> ByDigest;
  };
  std::unordered_map<uint64_t, SizeBucket> BySize;

  // Cache bytes (file, offset, length, how they were written) by the file they gave.
  std::unordered_map<std::string, size_t> SavedFrom;
  // A dry run's planned files by size and digest.
  std::unordered_map<uint64_t, std::unordered_map<uint64_t, size_t>> Planned;
};
