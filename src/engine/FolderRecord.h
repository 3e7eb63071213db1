#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// A file known to be in an output folder: found at pass start, or saved in the pass
// (with the size actually written).
struct KnownFile {
  std::string Name;
  uint64_t FileSize = 0;
};

// One distinct output folder of the current pass, shared by every filter that
// writes into it.
struct FolderRecord {
  std::string Path;
  int32_t NextNumber = 0;
  std::vector<KnownFile> Files;

  // Names (A-Z lowered) that are taken, for a constant-time name test.
  std::unordered_set<std::string> TakenNames;

  // Duplicate index: known files by size, and within a size by content digest. A
  // size's files are hashed only once a copy of that size needs comparing, and each
  // file is hashed at most once per pass.
  struct SizeBucket {
    std::vector<size_t> Unhashed;
    std::unordered_map<uint64_t, std::vector<size_t>> ByDigest;
  };
  std::unordered_map<uint64_t, SizeBucket> BySize;

  // Cache bytes (file, offset, length, how they were written) whose saved form is known
  // to equal a file of the folder: a second entry naming the same bytes is a duplicate
  // without reading anything again.
  std::unordered_map<std::string, size_t> SavedFrom;

  void AddKnownFile(KnownFile file, std::optional<uint64_t> digest);
};
