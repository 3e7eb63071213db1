// The writing half of the capture pass: output folders, file names, the pixel and
// duplicate tests.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/CivilTime.h"
#include "base/FileNames.h"
#include "base/HttpDate.h"
#include "base/Sha256.h"
#include "base/Text.h"
#include "base/WindowsFileName.h"
#include "engine/CCacheFilter.h"
#include "platform/CacheFiles.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/OutputFile.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "sources/CError.h"
#include "sources/ImageByteSource.h"

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
      const std::optional<size_t> got = File.ReadAt(offset, buffer.data(), buffer.size());
      return got ? static_cast<int64_t>(*got) : int64_t{-1};
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

std::string TwoDigits(unsigned value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02u", value);
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
  const auto local = Platform::ToLocalTime(now).value_or(CivilTime::FromUnixSeconds(now));
  ReplaceFirst(
      text, "%DATE%",
      TwoDigits(local.Day) + "." + TwoDigits(local.Month) + "." + std::to_string(local.Year));
  ReplaceFirst(
      text, "%TIME%",
      TwoDigits(local.Hour) + " " + TwoDigits(local.Minute) + " " + TwoDigits(local.Second));
  ReplaceFirst(
      text, "%ISODATE%",
      std::to_string(local.Year) + "-" + TwoDigits(local.Month) + "-" + TwoDigits(local.Day));
  return text;
}

std::string ResolveDirectory(const std::string& directory) {
  return Platform::ExpandHome(ExpandTokens(directory, Platform::CurrentTime()));
}

std::string FolderAboveEntryTokens(const std::string& resolved) {
  size_t cut = std::string::npos;
  for (const std::string_view token : {std::string_view("%SITE%"), std::string_view("%BROWSER%")}) {
    cut = std::min(cut, resolved.find(token));
  }
  if (cut == std::string::npos) return resolved;
  // A stand-in for the token keeps "pics-%SITE%" from naming "pics-" as a folder.
  return Platform::ParentFolder(resolved.substr(0, cut) + "x");
}

std::string SiteFolderName(std::string_view url) {
  const size_t scheme = url.find("://");
  std::string_view host = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
  host = host.substr(0, host.find_first_of("/?#"));
  if (const size_t at = host.rfind('@'); at != std::string_view::npos) host.remove_prefix(at + 1);
  // The port goes; an IPv6 address keeps its brackets.
  host =
      host.starts_with('[') ? host.substr(0, host.find(']') + 1) : host.substr(0, host.find(':'));
  std::string name = Text::ToLowerAscii(host);
  if (name.starts_with("www.")) name.erase(0, 4);
  name = FileNames::SafeFileName(name, Platform::RunningOnWindows, 200);
  return name.empty() ? "unknown-site" : name;
}

std::string OriginalStem(const CCacheBrowser::CCacheElement& entry) {
  std::string name = FileNames::DispositionFileName(entry.ContentDisposition);
  if (name.empty()) name = FileNames::UrlFileName(entry.SourceUrl);
  // Only the last piece of whatever a server sends is a name.
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  return FileNames::SafeFileName(FileNames::WithoutExtension(name), Platform::RunningOnWindows,
                                 200);
}

bool CreateFolderPath(const std::string& path) {
  if (!Platform::IsLocalFolderPath(path)) return false;
  const std::string folder = Platform::WithoutTrailingSeparators(Platform::ExpandHome(path));
  // A folder that cannot be made is reported here, not left to fail every copy.
  return Platform::CreateFolderTree(folder) && Platform::FolderExists(folder);
}

std::vector<KnownFile> ListFolder(const std::string& path) {
  std::optional<std::vector<Platform::FolderItem>> items = Platform::ListFolderFiles(path);
  std::vector<KnownFile> files;
  if (!items) return files;
  files.reserve(items->size());
  for (auto& item : *items) {
    if (Platform::IsOutputTemporaryName(item.Name)) continue;
    files.push_back({std::move(item.Name), item.Size});
  }
  return files;
}

FolderRecord* CCacheFilter::OpenFolder(const std::string& path) {
  for (size_t i = 0; i < Folders.size(); ++i) {
    if (Folders[i]->Path == path) return Folders[i].get();
  }
  // A dry run creates nothing: the rule is checked, an existing folder listed.
  const bool usable = Choices.DryRun ? Platform::IsLocalFolderPath(path) : CreateFolderPath(path);
  if (!usable) throw CError(CError::FilterCache, CError::FolderFailed, path);
  auto folder = std::make_unique<FolderRecord>();
  folder->Path = path;
  // What an interrupted earlier pass left half-written is ours to remove.
  if (!Choices.DryRun) Platform::RemoveOutputTemporaries(folder->Path);
  for (KnownFile& file : ListFolder(folder->Path))
    folder->AddKnownFile(std::move(file), std::nullopt);
  Folders.push_back(std::move(folder));
  return Folders.back().get();
}

void CCacheFilter::PrepareFolders() {
  for (auto& record : Filters) {
    std::string directory = ResolveDirectory(record->Directory);
    ReplaceFirst(directory, "%BROWSER%",
                 FileNames::SafeFileName(Choices.BrowserName, Platform::RunningOnWindows, 200));
    record->ResolvedDirectory = std::move(directory);
  }
  Folders.clear();
  for (auto& record : Filters) {
    // A folder named by the entry's site is opened when an entry needs it.
    if (record->ResolvedDirectory.find(kSiteToken) != std::string::npos) {
      record->FolderIndex = -1;
      continue;
    }
    FolderRecord* folder = OpenFolder(record->ResolvedDirectory);
    for (size_t i = 0; i < Folders.size(); ++i) {
      if (Folders[i].get() == folder) record->FolderIndex = static_cast<int32_t>(i);
    }
  }
}

FolderRecord* CCacheFilter::FolderFor(const Entry& entry, const FilterRecord& record) {
  if (record.FolderIndex >= 0 && static_cast<size_t>(record.FolderIndex) < Folders.size()) {
    return Folders[static_cast<size_t>(record.FolderIndex)].get();
  }
  std::string path = record.ResolvedDirectory;
  if (path.find(kSiteToken) == std::string::npos) return nullptr;
  ReplaceFirst(path, kSiteToken, SiteFolderName(entry.SourceUrl));
  return OpenFolder(path);
}

void CCacheFilter::NoteRow(const Entry& entry, std::string savedPath, uint64_t savedSize,
                           std::string outcome) {
  if (!Choices.Report) return;
  ReportRow row;
  row.Url = entry.SourceUrl;
  row.Site = SiteFolderName(entry.SourceUrl);
  row.Partition = entry.Partition;
  row.SavedPath = std::move(savedPath);
  row.Kind = std::string(KindName(entry.Kind));
  row.MimeType = entry.MimeType;
  row.Encoding = entry.ContentEncoding;
  row.StoredSize = entry.Size;
  row.SavedSize = savedSize;
  row.Time = entry.Time;
  row.Outcome = std::move(outcome);
  if (row.Outcome == "saved") {
    Platform::ReadOnlyFile file;
    if (file.Open(row.SavedPath)) {
      Sha256 digest;
      std::vector<std::byte> buffer(kReadChunk);
      for (uint64_t done = 0; done < file.Size();) {
        const std::optional<size_t> got = file.ReadAt(done, buffer.data(), buffer.size());
        if (!got || *got == 0) break;
        digest.Update(std::span(buffer.data(), *got));
        done += *got;
      }
      row.Sha256 = Sha256::Hex(digest.Finish());
    }
  }
  Report.push_back(std::move(row));
}

bool CCacheFilter::StoreMatch(const Entry& entry, FilterRecord& record) {
  return Store(entry, record) == StoreResult::Stored;
}

CCacheFilter::StoreResult CCacheFilter::Store(const Entry& entry, FilterRecord& record) {
  FolderRecord* place = Source ? FolderFor(entry, record) : nullptr;
  if (!place) return StoreResult::NotStored;
  FolderRecord& folder = *place;
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
      const std::string path = Platform::JoinPath(folder.Path, folder.Files[known->second].Name);
      if (pixelTest && !passesPixelTest(path)) return StoreResult::NotStored;
      NoteRow(entry, path, folder.Files[known->second].FileSize, "duplicate");
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
        NoteRow(entry, Platform::JoinPath(folder.Path, folder.Files[found].Name),
                folder.Files[found].FileSize, "duplicate");
        return StoreResult::Stored;
      case DuplicateSearch::NotFound:
        comparedLength = content->Length();
        break;
      case DuplicateSearch::Unreadable:
        return StoreResult::Unreadable;
    }
  }

  if (Choices.DryRun) return PlanStore(entry, record, folder, *content, pixelTest);

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
      NoteRow(entry, Platform::JoinPath(folder.Path, folder.Files[found].Name),
              folder.Files[found].FileSize, "duplicate");
      return StoreResult::Stored;
    }
  }

  // A body the browser may have been writing while it was read is not saved half.
  if (Choices.Live && !content->Unchanged()) return StoreResult::Unreadable;

  if (Choices.KeepServerTime) {
    const std::optional<int64_t> time = ServerTime(entry);
    if (time) out.SetModifiedTime(*time);
  }

  NameChooser names(record.FileNameDummy, entry, folder);
  std::string name;
  for (int attempt = 0;; ++attempt) {
    if (attempt >= kMaxNameAttempts) {
      throw CError(CError::FilterCache, CError::SaveFailed, folder.Path, {});
    }
    name = names.Next();
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
  NoteRow(entry, out.Path(), size, "saved");
  return StoreResult::Stored;
}

CCacheFilter::StoreResult CCacheFilter::PlanStore(const Entry& entry, FilterRecord& record,
                                                  FolderRecord& folder, const EntryContent& content,
                                                  bool pixelTest) {
  // The pixel test reads the headers from the cache itself (a body stored encoded
  // cannot be measured without decoding it: such a picture is taken as it comes).
  if (pixelTest && !Source->MayDecode(entry)) {
    std::vector<std::byte> head(
        static_cast<size_t>(std::min<uint64_t>(content.Length(), ImageByteSource::ReadBudget)));
    const int64_t got = content.ReadAt(0, head);
    if (got < 0) return StoreResult::Unreadable;
    const CGraphicLT::ImageSize size = CGraphicLT::ProbeImage(
        std::span(reinterpret_cast<const uint8_t*>(head.data()), static_cast<size_t>(got)));
    if (size.Height < record.MinHeight || size.Width < record.MinWidth) {
      return StoreResult::NotStored;
    }
  }
  NameChooser names(record.FileNameDummy, entry, folder);
  const std::string name = names.Next();
  folder.TakenNames.insert(Text::ToLowerAscii(name));
  const std::string path = Platform::JoinPath(folder.Path, name);
  SavedFiles.push_back(path);
  ++NewFileCount;
  NoteRow(entry, path, 0, "would be saved");
  return StoreResult::Stored;
}

std::optional<int64_t> ServerTime(const CCacheBrowser::CCacheElement& entry) {
  if (const auto modified = ParseHttpDate(entry.LastModified)) return modified;
  if (const auto date = ParseHttpDate(entry.Date)) return date;
  if (entry.Time > 0) return entry.Time;
  return std::nullopt;
}

NameChooser::NameChooser(const std::string& stem, const CCacheBrowser::CCacheElement& entry,
                         FolderRecord& folder)
    : Folder(folder), Extension("." + std::string(KindName(entry.Kind))) {
  const size_t token = stem.find(kNameToken);
  if (token == std::string::npos) {
    Stem = SafeStem(stem);
    return;
  }
  Original = true;
  const std::string around = stem.substr(0, token) + stem.substr(token + kNameToken.size());
  const std::string original = OriginalStem(entry);
  std::string name =
      original.empty() ? around
                       : stem.substr(0, token) + original + stem.substr(token + kNameToken.size());
  Stem = FileNames::SafeFileName(name, Platform::RunningOnWindows, 200);
  if (Stem.empty()) Stem = "file";
}

std::string NameChooser::Next() {
  std::string name;
  do {
    if (Original) {
      // photo.jpg, then photo-1.jpg, photo-2.jpg...: a number only when the name is taken.
      name = Tries == 0 ? Stem + Extension : Stem + "-" + std::to_string(Tries) + Extension;
      ++Tries;
    } else {
      name = Stem + std::to_string(Folder.NextNumber) + Extension;
      // "COM" + 1 + ".png" names a device there, whatever the stem was.
      if (Platform::RunningOnWindows) name = WindowsFileName::Safe(name);
      ++Folder.NextNumber;
    }
  } while (Folder.TakenNames.count(Text::ToLowerAscii(name)) != 0);
  return name;
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
