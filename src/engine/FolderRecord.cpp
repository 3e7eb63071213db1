#include "engine/FolderRecord.h"

#include <algorithm>
#include <cstring>

#include "base/ContentDigest.h"
#include "base/Text.h"
#include "platform/Paths.h"

namespace {

constexpr size_t kReadChunk = 256 * 1024;

// Digest of `length` bytes, for the duplicate index; nullopt when they cannot all be
// read. Not cryptographic: a match is always confirmed byte for byte.
std::optional<uint64_t> Digest(const ByteSource& source, uint64_t length) {
  std::vector<std::byte> buffer(static_cast<size_t>(std::min<uint64_t>(kReadChunk, length)));
  ContentDigest digest;
  for (uint64_t done = 0; done < length;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), length - done));
    if (source(done, std::span(buffer.data(), want)) != static_cast<int64_t>(want)) {
      return std::nullopt;
    }
    digest.Update(std::span<const std::byte>(buffer.data(), want));
    done += want;
  }
  return digest.Finish();
}

// True when the first `length` bytes of both sources are equal; a read failure counts
// as different.
bool SameBytes(const ByteSource& a, const ByteSource& b, uint64_t length) {
  const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kReadChunk, length));
  std::vector<std::byte> bufferA(chunk);
  std::vector<std::byte> bufferB(chunk);
  for (uint64_t offset = 0; offset < length;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk, length - offset));
    if (a(offset, std::span(bufferA.data(), want)) != static_cast<int64_t>(want) ||
        b(offset, std::span(bufferB.data(), want)) != static_cast<int64_t>(want)) {
      return false;
    }
    if (std::memcmp(bufferA.data(), bufferB.data(), want) != 0) return false;
    offset += want;
  }
  return true;
}

}  // namespace

ByteSource BytesOf(const EntryContent& content) {
  return [&content](uint64_t offset, std::span<std::byte> buffer) {
    return content.ReadAt(offset, buffer);
  };
}

ByteSource BytesOf(const Platform::ReadOnlyFile& file) {
  return [&file](uint64_t offset, std::span<std::byte> buffer) {
    const std::optional<size_t> got = file.ReadAt(offset, buffer.data(), buffer.size());
    return got ? static_cast<int64_t>(*got) : int64_t{-1};
  };
}

FolderRecord::FolderRecord(std::string path, std::vector<KnownFile> found) : Path(std::move(path)) {
  Files.reserve(found.size());
  for (KnownFile& file : found) AddKnownFile(std::move(file), std::nullopt);
}

std::string FolderRecord::PathOf(size_t file) const {
  return Platform::JoinPath(Path, Files[file].Name);
}

bool FolderRecord::IsTaken(const std::string& name) const {
  return TakenNames.count(Text::ToLowerAscii(name)) != 0;
}

void FolderRecord::TakeName(const std::string& name) {
  TakenNames.insert(Text::ToLowerAscii(name));
}

void FolderRecord::AddSavedFile(KnownFile file, std::optional<uint64_t> digest,
                                std::string region) {
  HoldsSavedFile = true;
  MadeFolders.clear();
  NoteCopyOf(std::move(region), Files.size());
  AddKnownFile(std::move(file), digest);
}

std::optional<size_t> FolderRecord::CopyOf(const std::string& region) const {
  const auto known = SavedFrom.find(region);
  if (known == SavedFrom.end()) return std::nullopt;
  return known->second;
}

void FolderRecord::NoteCopyOf(std::string region, size_t file) {
  // The first file stays the answer; a later equal one adds nothing.
  SavedFrom.emplace(std::move(region), file);
}

void FolderRecord::AddKnownFile(KnownFile file, std::optional<uint64_t> digest) {
  const size_t index = Files.size();
  TakeName(file.Name);
  SizeBucket& bucket = BySize[file.FileSize];
  if (digest) {
    bucket.ByDigest[*digest].push_back(index);
  } else {
    bucket.Unhashed.push_back(index);
  }
  Files.push_back(std::move(file));
}

void FolderRecord::AddPlannedFile(const std::string& name, uint64_t size, uint64_t digest,
                                  std::string region) {
  TakeName(name);
  NoteCopyOf(std::move(region), Files.size());
  Planned[size].emplace(digest, Files.size());
  Files.push_back({name, size});
}

std::optional<size_t> FolderRecord::FindPlannedFile(uint64_t size, uint64_t digest) const {
  const auto sameSize = Planned.find(size);
  if (sameSize == Planned.end()) return std::nullopt;
  const auto found = sameSize->second.find(digest);
  if (found == sameSize->second.end()) return std::nullopt;
  return found->second;
}

std::optional<uint64_t> FolderRecord::DigestOf(const ByteSource& source, uint64_t size) {
  return Digest(source, size);
}

FolderRecord::DuplicateSearch FolderRecord::FindDuplicate(const ByteSource& candidate,
                                                          uint64_t size,
                                                          std::optional<uint64_t>& candidateDigest,
                                                          size_t& found) {
  auto bucket = BySize.find(size);
  if (bucket == BySize.end()) return DuplicateSearch::NotFound;
  if (!candidateDigest) candidateDigest = Digest(candidate, size);
  if (!candidateDigest) return DuplicateSearch::Unreadable;

  SizeBucket& sameSize = bucket->second;
  for (size_t index : sameSize.Unhashed) {
    Platform::ReadOnlyFile known;
    // A known file that cannot be read counts as different and leaves the index.
    if (!known.Open(PathOf(index))) continue;
    if (auto knownDigest = Digest(BytesOf(known), size)) {
      sameSize.ByDigest[*knownDigest].push_back(index);
    }
  }
  sameSize.Unhashed.clear();

  auto matches = sameSize.ByDigest.find(*candidateDigest);
  if (matches == sameSize.ByDigest.end()) return DuplicateSearch::NotFound;
  for (size_t index : matches->second) {
    Platform::ReadOnlyFile known;
    if (!known.Open(PathOf(index))) continue;
    if (SameBytes(candidate, BytesOf(known), size)) {
      found = index;
      return DuplicateSearch::Found;
    }
  }
  return DuplicateSearch::NotFound;
}
