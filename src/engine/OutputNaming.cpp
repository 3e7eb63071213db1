// The writing half of the capture pass: output folders, file names, the pixel and
// duplicate tests.
#include <cerrno>
#include <cstring>

#include "engine/CCacheFilter.h"
#include "platform/Platform.h"
#include "sources/CError.h"

namespace {

constexpr size_t kReadChunk = 256 * 1024;
// Names already on disk are skipped one by one; a folder never holds this many.
constexpr int kMaxNameAttempts = 10'000'000;

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// A stem may not lead out of its folder or cut the name short.
std::string SafeStem(const std::string& stem) {
  std::string safe = stem;
  for (char& c : safe) {
    if (c == '/' || c == '\0') c = '_';
  }
  return safe;
}

void ReplaceFirst(std::string& text, std::string_view token, const char* format,
                  const std::tm& local) {
  const size_t at = text.find(token);
  if (at == std::string::npos) return;
  char buffer[64] = {};
  const size_t length = std::strftime(buffer, sizeof buffer, format, &local);
  text.replace(at, token.size(), buffer, length);
}

// Digest of `length` bytes of a file from `offset`, for the duplicate index; nullopt
// when they cannot be read. Not cryptographic: a match is always confirmed byte for byte.
std::optional<uint64_t> DigestRange(const std::string& path, uint64_t offset, uint64_t length) {
  Platform::ReadOnlyFile file;
  if (!file.Open(path)) return std::nullopt;
  std::vector<unsigned char> buffer(static_cast<size_t>(std::min<uint64_t>(kReadChunk, length)));
  uint64_t hash = 0x243F6A8885A308D3ull ^ length;
  for (uint64_t done = 0; done < length;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), length - done));
    const int64_t got = file.ReadAt(offset + done, buffer.data(), want);
    if (got != static_cast<int64_t>(want)) return std::nullopt;
    size_t i = 0;
    for (; i + 8 <= want; i += 8) {
      uint64_t word;
      std::memcpy(&word, buffer.data() + i, 8);
      hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
      hash ^= hash >> 29;
    }
    for (; i < want; ++i) {
      hash = (hash ^ buffer[i]) * 0x100000001B3ull;
    }
    done += want;
  }
  return hash;
}

// True when `length` bytes of file A from `offsetA` equal the first `length` bytes of
// file B; open and read failures count as different.
bool SameBytes(const std::string& pathA, uint64_t offsetA, const std::string& pathB,
               uint64_t length) {
  try {
    Platform::ReadOnlyFile a;
    Platform::ReadOnlyFile b;
    if (!a.Open(pathA)) throw CError(CError::FilterCache, CError::OpenFailed, pathA);
    if (!b.Open(pathB)) throw CError(CError::FilterCache, CError::OpenFailed, pathB);
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kReadChunk, length));
    std::vector<unsigned char> bufferA(chunk);
    std::vector<unsigned char> bufferB(chunk);
    for (uint64_t offset = 0; offset < length;) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk, length - offset));
      if (a.ReadAt(offsetA + offset, bufferA.data(), want) != static_cast<int64_t>(want)) {
        throw CError(CError::FilterCache, CError::ReadFailed, pathA);
      }
      if (b.ReadAt(offset, bufferB.data(), want) != static_cast<int64_t>(want)) {
        throw CError(CError::FilterCache, CError::ReadFailed, pathB);
      }
      if (std::memcmp(bufferA.data(), bufferB.data(), want) != 0) return false;
      offset += want;
    }
    return true;
  } catch (const CError&) {
    return false;
  }
}

}  // namespace

void FolderRecord::AddKnownFile(KnownFile file, std::optional<uint64_t> digest) {
  const size_t index = Files.size();
  TakenNames.insert(LowerAscii(file.Name));
  SizeBucket& bucket = BySize[file.FileSize];
  if (digest) {
    bucket.ByDigest[*digest].push_back(index);
  } else {
    bucket.Unhashed.push_back(index);
  }
  Files.push_back(std::move(file));
}

std::string ExpandTokens(std::string text, std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  ReplaceFirst(text, "%DATE%", "%d.%m.%Y", local);
  ReplaceFirst(text, "%TIME%", "%H %M %S", local);
  return text;
}

std::string ResolveDirectory(const std::string& directory) {
  return Platform::ExpandHome(ExpandTokens(directory, std::time(nullptr)));
}

bool CreateFolderPath(const std::string& path) {
  if (!Platform::IsLocalFolderPath(path)) return false;
  std::string folder = Platform::ExpandHome(path);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  // A folder that cannot be made is reported here, not left to fail every copy.
  return Platform::CreateFolderTree(folder) && Platform::FolderExists(folder);
}

std::vector<KnownFile> ListFolder(const std::string& path) {
  std::vector<Platform::FolderItem> items;
  std::vector<KnownFile> files;
  if (!Platform::ListFolderFiles(path, items)) return files;
  files.reserve(items.size());
  for (auto& item : items) files.push_back({std::move(item.Name), item.Size});
  return files;
}

bool SameContent(const std::string& pathA, const std::string& pathB, uint64_t length) {
  return SameBytes(pathA, 0, pathB, length);
}

void CCacheFilter::PrepareFolders() {
  for (auto& record : Filters) record->ResolvedDirectory = ResolveDirectory(record->Directory);
  Folders.clear();
  for (auto& record : Filters) {
    auto found = std::find_if(Folders.begin(), Folders.end(), [&](const auto& folder) {
      return folder->Path == record->ResolvedDirectory;
    });
    if (found != Folders.end()) {
      record->FolderIndex = static_cast<int32_t>(found - Folders.begin());
      continue;
    }
    if (!CreateFolderPath(record->ResolvedDirectory)) {
      throw CError(CError::FilterCache, CError::FolderFailed, record->ResolvedDirectory);
    }
    auto folder = std::make_unique<FolderRecord>();
    folder->Path = record->ResolvedDirectory;
    for (KnownFile& file : ListFolder(folder->Path))
      folder->AddKnownFile(std::move(file), std::nullopt);
    record->FolderIndex = static_cast<int32_t>(Folders.size());
    Folders.push_back(std::move(folder));
  }
}

bool CCacheFilter::StoreMatch(const Entry& entry, FilterRecord& record) {
  if (!Source || record.FolderIndex < 0 ||
      static_cast<size_t>(record.FolderIndex) >= Folders.size()) {
    return false;
  }
  FolderRecord& folder = *Folders[static_cast<size_t>(record.FolderIndex)];
  const bool pixelTest = record.MinWidth != 0 && record.MinHeight != 0;

  // A duplicate is looked for in the cache's own bytes first, so that it is never
  // written only to be deleted again: besides the copy saved, file systems that avoid
  // reusing freed inodes for a while (ext4 without a journal) search past every one.
  // The pixel test needs the copy, and a body to be decoded is compared once decoded,
  // so for those the copy is compared as before.
  std::optional<uint64_t> digest;
  std::optional<uint64_t> comparedLength;
  if (SkipDuplicates && !pixelTest && !Source->MayDecode(entry)) {
    if (const auto bytes = Source->LocateEntryBytes(entry)) {
      switch (FindDuplicate(bytes->Path, bytes->Offset, bytes->Length, folder, digest)) {
        case DuplicateSearch::Found:
          return true;
        case DuplicateSearch::NotFound:
          comparedLength = bytes->Length;
          break;
        case DuplicateSearch::Unreadable:
          break;
      }
    }
  }

  const std::string stem = SafeStem(record.FileNameDummy);
  const std::string extension = "." + std::string(KindName(entry.Kind));
  std::string name;
  std::string path;
  CCacheBrowser::CopyOutcome outcome;
  for (int attempt = 0;; ++attempt) {
    if (attempt >= kMaxNameAttempts) return false;
    do {
      name = stem + std::to_string(folder.NextNumber) + extension;
      ++folder.NextNumber;
    } while (folder.TakenNames.count(LowerAscii(name)) != 0);
    path = Platform::JoinPath(record.ResolvedDirectory, name);
    // Created exclusively: a file that appeared since the folder was listed (or that
    // another folder text naming the same folder wrote) is never replaced.
    if (Source->SaveEntry(entry, path, true, &outcome)) break;
    if (!outcome.DestinationExisted) return false;
    folder.TakenNames.insert(LowerAscii(name));
  }
  const uint64_t written = outcome.BytesWritten;

  if (pixelTest) {
    const CGraphicLT::ImageSize size = Probe(path);
    if (size.Height < record.MinHeight || size.Width < record.MinWidth) {
      if (Platform::DeleteFile(path)) --folder.NextNumber;
      return false;
    }
  }

  // A copy of another length than the bytes compared (the cache changed under us) is
  // compared itself.
  if (comparedLength != written) {
    comparedLength.reset();
    digest.reset();
  }
  if (SkipDuplicates && !comparedLength &&
      FindDuplicate(path, 0, written, folder, digest) == DuplicateSearch::Found) {
    if (Platform::DeleteFile(path)) --folder.NextNumber;
    return true;
  }
  folder.AddKnownFile({name, written}, digest);
  SavedFiles.push_back(path);
  ++NewFileCount;
  return true;
}

CCacheFilter::DuplicateSearch CCacheFilter::FindDuplicate(
    const std::string& candidate, uint64_t offset, uint64_t size, FolderRecord& folder,
    std::optional<uint64_t>& candidateDigest) {
  auto bucket = folder.BySize.find(size);
  if (bucket == folder.BySize.end()) return DuplicateSearch::NotFound;
  candidateDigest = DigestRange(candidate, offset, size);
  if (!candidateDigest) return DuplicateSearch::Unreadable;

  FolderRecord::SizeBucket& sameSize = bucket->second;
  for (size_t index : sameSize.Unhashed) {
    const std::string known = Platform::JoinPath(folder.Path, folder.Files[index].Name);
    // A known file that cannot be read counts as different and leaves the index.
    if (auto knownDigest = DigestRange(known, 0, size)) {
      sameSize.ByDigest[*knownDigest].push_back(index);
    }
  }
  sameSize.Unhashed.clear();

  auto matches = sameSize.ByDigest.find(*candidateDigest);
  if (matches == sameSize.ByDigest.end()) return DuplicateSearch::NotFound;
  for (size_t index : matches->second) {
    const std::string known = Platform::JoinPath(folder.Path, folder.Files[index].Name);
    if (SameBytes(candidate, offset, known, size)) return DuplicateSearch::Found;
  }
  return DuplicateSearch::NotFound;
}
