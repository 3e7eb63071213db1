// The writing half of the capture pass: output folders, file names, the pixel and
// duplicate tests.
#include <cstdio>
#include <cstring>

#include "base/Text.h"
#include "base/WindowsFileName.h"
#include "engine/CCacheFilter.h"
#include "platform/Platform.h"
#include "sources/CError.h"

namespace {

constexpr size_t kReadChunk = 256 * 1024;
// Names already on disk are skipped one by one; a folder never holds this many.
constexpr int kMaxNameAttempts = 10'000'000;

using ByteSource = CCacheFilter::ByteSource;

ByteSource FromContent(const EntryContent& content) {
  return [&content](uint64_t offset, std::span<std::byte> buffer) {
    return content.ReadAt(offset, buffer);
  };
}

// A file of the output side, opened for the duration of one comparison.
struct OpenedFile {
  Platform::ReadOnlyFile File;
  ByteSource Source() const {
    return [this](uint64_t offset, std::span<std::byte> buffer) {
      return File.ReadAt(offset, buffer.data(), buffer.size());
    };
  }
};

// A stem may not lead out of its folder or cut the name short.
std::string SafeStem(const std::string& stem) {
  std::string safe = stem;
  for (char& c : safe) {
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  }
  return safe;
}

std::string TwoDigits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

void ReplaceFirst(std::string& text, std::string_view token, const std::string& value) {
  const size_t at = text.find(token);
  if (at != std::string::npos) text.replace(at, token.size(), value);
}

// Digest of `length` bytes, for the duplicate index; nullopt when they cannot all be
// read. Not cryptographic: a match is always confirmed byte for byte.
std::optional<uint64_t> Digest(const ByteSource& source, uint64_t length) {
  std::vector<std::byte> buffer(static_cast<size_t>(std::min<uint64_t>(kReadChunk, length)));
  uint64_t hash = 0x243F6A8885A308D3ull ^ length;
  for (uint64_t done = 0; done < length;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), length - done));
    if (source(done, std::span(buffer.data(), want)) != static_cast<int64_t>(want)) {
      return std::nullopt;
    }
    size_t i = 0;
    for (; i + 8 <= want; i += 8) {
      uint64_t word;
      std::memcpy(&word, buffer.data() + i, 8);
      hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
      hash ^= hash >> 29;
    }
    for (; i < want; ++i) hash = (hash ^ std::to_integer<uint64_t>(buffer[i])) * 0x100000001B3ull;
    done += want;
  }
  return hash;
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

// Names the cache bytes of a content and the way they are written, for the folders'
// SavedFrom maps.
std::string RegionKey(const EntryContent& content, std::string_view coding) {
  std::string key(coding);
  for (const EntryContent::PieceKey& piece : content.Keys()) {
    key += '|';
    key += std::to_string(piece.File.Device) + ':' + std::to_string(piece.File.Inode) + ':' +
           std::to_string(piece.Offset) + ':' + std::to_string(piece.Length);
  }
  return key;
}

}  // namespace

void FolderRecord::AddKnownFile(KnownFile file, std::optional<uint64_t> digest) {
  const size_t index = Files.size();
  TakenNames.insert(Text::ToLowerAscii(file.Name));
  SizeBucket& bucket = BySize[file.FileSize];
  if (digest) {
    bucket.ByDigest[*digest].push_back(index);
  } else {
    bucket.Unhashed.push_back(index);
  }
  Files.push_back(std::move(file));
}

std::string ExpandTokens(std::string text, int64_t now) {
  const Platform::LocalDateTime local = Platform::ToLocalTime(now);
  ReplaceFirst(
      text, "%DATE%",
      TwoDigits(local.Day) + "." + TwoDigits(local.Month) + "." + std::to_string(local.Year));
  ReplaceFirst(
      text, "%TIME%",
      TwoDigits(local.Hour) + " " + TwoDigits(local.Minute) + " " + TwoDigits(local.Second));
  return text;
}

std::string ResolveDirectory(const std::string& directory) {
  return Platform::ExpandHome(ExpandTokens(directory, Platform::CurrentTime()));
}

bool CreateFolderPath(const std::string& path) {
  if (!Platform::IsLocalFolderPath(path)) return false;
  const std::string folder = Platform::WithoutTrailingSeparators(Platform::ExpandHome(path));
  // A folder that cannot be made is reported here, not left to fail every copy.
  return Platform::CreateFolderTree(folder) && Platform::FolderExists(folder);
}

std::vector<KnownFile> ListFolder(const std::string& path) {
  std::vector<Platform::FolderItem> items;
  std::vector<KnownFile> files;
  if (!Platform::ListFolderFiles(path, items)) return files;
  files.reserve(items.size());
  for (auto& item : items) {
    if (Platform::IsOutputTemporaryName(item.Name)) continue;
    files.push_back({std::move(item.Name), item.Size});
  }
  return files;
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
    // What an interrupted earlier pass left half-written is ours to remove.
    Platform::RemoveOutputTemporaries(folder->Path);
    for (KnownFile& file : ListFolder(folder->Path))
      folder->AddKnownFile(std::move(file), std::nullopt);
    record->FolderIndex = static_cast<int32_t>(Folders.size());
    Folders.push_back(std::move(folder));
  }
}

bool CCacheFilter::StoreMatch(const Entry& entry, FilterRecord& record) {
  return Store(entry, record) == StoreResult::Stored;
}

CCacheFilter::StoreResult CCacheFilter::Store(const Entry& entry, FilterRecord& record) {
  if (!Source || record.FolderIndex < 0 ||
      static_cast<size_t>(record.FolderIndex) >= Folders.size()) {
    return StoreResult::NotStored;
  }
  FolderRecord& folder = *Folders[static_cast<size_t>(record.FolderIndex)];
  const bool pixelTest = record.MinWidth != 0 && record.MinHeight != 0;
  const auto passesPixelTest = [&](const std::string& path) {
    const CGraphicLT::ImageSize size = Probe(path);
    return size.Height >= record.MinHeight && size.Width >= record.MinWidth;
  };

  const std::optional<EntryContent> content = Source->OpenContent(entry);
  if (!content) return StoreResult::Unreadable;
  const bool decodes = Source->MayDecode(entry);
  const std::string region = RegionKey(*content, decodes ? entry.ContentEncoding : "");

  // The same cache bytes, written the same way, already gave a file of this folder.
  if (SkipDuplicates) {
    if (const auto known = folder.SavedFrom.find(region); known != folder.SavedFrom.end()) {
      if (pixelTest &&
          !passesPixelTest(Platform::JoinPath(folder.Path, folder.Files[known->second].Name))) {
        return StoreResult::NotStored;
      }
      return StoreResult::Stored;
    }
  }

  // A duplicate is looked for in the cache's own bytes first, so that it is never
  // written only to be deleted again. The pixel test needs the copy, and a body to be
  // decoded is compared once decoded, so for those the copy is compared.
  std::optional<uint64_t> digest;
  std::optional<uint64_t> comparedLength;
  if (SkipDuplicates && !pixelTest && !decodes) {
    size_t found = 0;
    switch (FindDuplicate(FromContent(*content), content->Length(), folder, digest, found)) {
      case DuplicateSearch::Found:
        folder.SavedFrom.emplace(region, found);
        return StoreResult::Stored;
      case DuplicateSearch::NotFound:
        comparedLength = content->Length();
        break;
      case DuplicateSearch::Unreadable:
        return StoreResult::Unreadable;
    }
  }

  Platform::OutputFile out;
  if (!out.Create(folder.Path)) {
    throw CError(CError::FilterCache, CError::SaveFailed, folder.Path, out.FailureText());
  }
  const CCacheBrowser::WriteOutcome written = Source->WriteEntry(entry, *content, out);
  if (written.Result == CCacheBrowser::WriteResult::Unreadable) return StoreResult::Unreadable;
  if (written.Result == CCacheBrowser::WriteResult::OutputFailed || !out.Finish()) {
    const std::string reason = written.Reason.empty() ? out.FailureText() : written.Reason;
    throw CError(CError::FilterCache, CError::SaveFailed, folder.Path, reason);
  }
  const uint64_t size = out.BytesWritten();

  if (pixelTest && !passesPixelTest(out.Path())) return StoreResult::NotStored;

  // A copy of another length than the bytes compared (the cache changed under us) is
  // compared itself.
  if (comparedLength != size) {
    comparedLength.reset();
    digest.reset();
  }
  if (SkipDuplicates && !comparedLength) {
    OpenedFile saved;
    size_t found = 0;
    if (saved.File.Open(out.Path()) &&
        FindDuplicate(saved.Source(), size, folder, digest, found) == DuplicateSearch::Found) {
      folder.SavedFrom.emplace(region, found);
      return StoreResult::Stored;
    }
  }

  const std::string stem = SafeStem(record.FileNameDummy);
  const std::string extension = "." + std::string(KindName(entry.Kind));
  std::string name;
  for (int attempt = 0;; ++attempt) {
    if (attempt >= kMaxNameAttempts) {
      throw CError(CError::FilterCache, CError::SaveFailed, folder.Path, {});
    }
    do {
      name = stem + std::to_string(folder.NextNumber) + extension;
      // "COM" + 1 + ".png" names a device there, whatever the stem was.
      if (Platform::RunningOnWindows) name = WindowsFileName::Safe(name);
      ++folder.NextNumber;
    } while (folder.TakenNames.count(Text::ToLowerAscii(name)) != 0);
    // Never replaces: a file that appeared since the folder was listed (or that
    // another folder text naming the same folder wrote) keeps its name.
    const Platform::CommitResult committed = out.Commit(name);
    if (committed == Platform::CommitResult::Committed) break;
    if (committed == Platform::CommitResult::Failed) {
      throw CError(CError::FilterCache, CError::SaveFailed, folder.Path, out.FailureText());
    }
    folder.TakenNames.insert(Text::ToLowerAscii(name));
  }
  folder.SavedFrom.emplace(region, folder.Files.size());
  folder.AddKnownFile({name, size}, digest);
  SavedFiles.push_back(out.Path());
  ++NewFileCount;
  return StoreResult::Stored;
}

CCacheFilter::DuplicateSearch CCacheFilter::FindDuplicate(const ByteSource& candidate,
                                                          uint64_t size, FolderRecord& folder,
                                                          std::optional<uint64_t>& candidateDigest,
                                                          size_t& found) {
  auto bucket = folder.BySize.find(size);
  if (bucket == folder.BySize.end()) return DuplicateSearch::NotFound;
  candidateDigest = Digest(candidate, size);
  if (!candidateDigest) return DuplicateSearch::Unreadable;

  FolderRecord::SizeBucket& sameSize = bucket->second;
  for (size_t index : sameSize.Unhashed) {
    OpenedFile known;
    // A known file that cannot be read counts as different and leaves the index.
    if (!known.File.Open(Platform::JoinPath(folder.Path, folder.Files[index].Name))) continue;
    if (auto knownDigest = Digest(known.Source(), size)) {
      sameSize.ByDigest[*knownDigest].push_back(index);
    }
  }
  sameSize.Unhashed.clear();

  auto matches = sameSize.ByDigest.find(*candidateDigest);
  if (matches == sameSize.ByDigest.end()) return DuplicateSearch::NotFound;
  for (size_t index : matches->second) {
    OpenedFile known;
    if (!known.File.Open(Platform::JoinPath(folder.Path, folder.Files[index].Name))) continue;
    if (SameBytes(candidate, known.Source(), size)) {
      found = index;
      return DuplicateSearch::Found;
    }
  }
  return DuplicateSearch::NotFound;
}
