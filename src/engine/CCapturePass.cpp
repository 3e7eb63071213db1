#include "engine/CCapturePass.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "config/OutputFolderCheck.h"
#include "config/UiTexts.h"
#include "engine/NameChooser.h"
#include "engine/OutputFolders.h"
#include "engine/SavedCopy.h"
#include "platform/CacheFiles.h"
#include "platform/Files.h"
#include "platform/OutputFile.h"
#include "platform/Paths.h"
#include "sources/CError.h"

namespace {

// Names the cache bytes of a content and the way they are written, for the folders'
// CopyOf answers.
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

CCapturePass::CCapturePass(const CCacheFilter& filters, PassChoices choices)
    : Filters(filters.CloneFilters()), Choices(std::move(choices)), Probe(&CGraphicLT::ProbeAt) {}

CCapturePass::~CCapturePass() = default;

bool CCapturePass::Comb(CCacheBrowser& source) {
  Source = &source;
  TotalEntries = 0;
  LastPercent = 0;
  Counts = {};
  SavedFiles.clear();
  Report.clear();
  // Cancelled is left as it is: a stop asked for before the pass began must hold.

  PrepareFolders();

  const int64_t since = Choices.SinceTime;
  for (auto* entry = source.GetFirst(); entry; entry = source.GetNext(*entry)) {
    ++Counts.Entries;
    if (since == 0 || entry->Time >= since) ++TotalEntries;
  }
  for (auto* entry = source.GetFirst(); entry && !Cancelled; entry = source.GetNext(*entry)) {
    if (since == 0 || entry->Time >= since) {
      ProcessEntry(*entry);
    } else {
      ++Counts[SkipReason::OutsideTime];
    }
  }
  return true;
}

void CCapturePass::PrepareFolders() {
  for (FilterRecord* record = Filters->GetFirst(); record; record = Filters->GetNext(*record)) {
    record->ResolvedDirectory =
        ExpandBrowserToken(ResolveDirectory(record->Directory), Choices.BrowserName);
  }
  Folders.clear();
  Counts.FiltersEnabled = false;
  for (FilterRecord* record = Filters->GetFirst(); record; record = Filters->GetNext(*record)) {
    if (!record->Disabled) Counts.FiltersEnabled = true;
    // Files saved inside the cache would be read back as damaged entries next time.
    const std::string fixedPart = FolderAboveEntryTokens(record->ResolvedDirectory);
    for (const std::string& cache : Choices.CacheFolders) {
      if (LiesInside(fixedPart, cache)) {
        throw CError(CError::FilterCache, CError::FolderInCache, record->ResolvedDirectory, cache);
      }
    }
    // A folder named by the entry's site is opened when an entry needs it.
    if (record->ResolvedDirectory.find(kSiteToken) != std::string::npos) {
      record->FolderIndex = -1;
      continue;
    }
    const std::optional<size_t> index = OpenFolder(record->ResolvedDirectory);
    if (!index) {
      // Why the folder rule refused it, in the interface's words.
      throw CError(
          CError::FilterCache, CError::FolderFailed, record->ResolvedDirectory,
          UiTexts::Get(OutputFolderProblemText(CheckOutputFolder(record->ResolvedDirectory))));
    }
    record->FolderIndex = static_cast<int32_t>(*index);
  }
}

std::optional<size_t> CCapturePass::OpenFolder(const std::string& path) {
  for (size_t i = 0; i < Folders.size(); ++i) {
    if (Folders[i]->Path == path) return i;
  }
  // The rule is checked now; the folder is made for its first file.
  if (!Platform::IsLocalFolderPath(path)) return std::nullopt;
  const bool exists = Platform::FolderExists(path);
  // What an interrupted earlier pass left half-written is ours to remove.
  if (exists && !Choices.DryRun) Platform::RemoveStaleOutputTemporaries(path);
  Folders.push_back(
      std::make_unique<FolderRecord>(path, exists ? ListFolder(path) : std::vector<KnownFile>{}));
  Folders.back()->Exists = exists;
  return Folders.size() - 1;
}

FolderRecord* CCapturePass::FolderFor(const Entry& entry, const FilterRecord& record) {
  if (record.FolderIndex >= 0 && static_cast<size_t>(record.FolderIndex) < Folders.size()) {
    return Folders[static_cast<size_t>(record.FolderIndex)].get();
  }
  if (record.ResolvedDirectory.find(kSiteToken) == std::string::npos) return nullptr;
  const std::optional<size_t> index =
      OpenFolder(ExpandSiteToken(record.ResolvedDirectory, entry.SourceUrl));
  return index ? Folders[*index].get() : nullptr;
}

bool CCapturePass::MakeFolder(FolderRecord& folder, bool siteFolder) {
  if (folder.Exists) return true;
  if (folder.CannotMake) return false;
  std::string reason;
  // A dry run makes nothing: it asks only whether a file stands in the folder's way.
  if (Choices.DryRun) {
    folder.Exists = CheckOutputFolder(folder.Path) != OutputFolderProblem::CannotCreate;
    if (folder.Exists) return true;
    reason = UiTexts::Get(UiTextKey::ErrorDirectoryCannotCreate);
  } else if (MadeNow(folder, reason)) {
    return true;
  }
  // One site's folder (its name taken by a file, say) costs only that site's entries.
  if (!siteFolder) throw CError(CError::FilterCache, CError::FolderFailed, folder.Path, reason);
  folder.CannotMake = true;
  return false;
}

bool CCapturePass::MadeNow(FolderRecord& folder, std::string& reason) {
  // The levels missing now are the pass's own, to take away again if nothing is kept.
  std::vector<std::string> missing;
  for (std::string level = folder.Path; !level.empty() && !Platform::PathExists(level);) {
    missing.push_back(level);
    const std::string parent = Platform::ParentFolder(level);
    if (parent == level) break;
    level = parent;
  }
  if (CreateFolderPath(folder.Path, reason)) {
    folder.Exists = true;
    folder.MadeFolders = std::move(missing);
    return true;
  }
  for (const std::string& level : missing) Platform::RemoveEmptyFolder(level);
  return false;
}

void CCapturePass::UnmakeFolder(FolderRecord& folder) {
  if (folder.HoldsSavedFile || folder.MadeFolders.empty()) return;
  for (const std::string& level : folder.MadeFolders) {
    if (!Platform::RemoveEmptyFolder(level)) break;
  }
  folder.MadeFolders.clear();
  folder.Exists = Platform::FolderExists(folder.Path);
}

void CCapturePass::ProcessEntry(const Entry& entry) {
  ReportProgress(entry.Index);
  // Part of a body is no file; such entries are listed, not saved.
  if (entry.Incomplete) {
    ++Counts[SkipReason::Incomplete];
    return;
  }
  // The reason an entry gives no file is the furthest any filter got with it.
  SkipReason reason = SkipReason::NoMatch;
  auto further = [&reason](SkipReason next) {
    static constexpr std::array<int, kSkipReasonCount> kStage = {5, 1, 3, 0, 6, 0, 4, 0};
    if (kStage[static_cast<size_t>(next)] > kStage[static_cast<size_t>(reason)]) reason = next;
  };
  bool saved = false;
  for (FilterRecord* record = Filters->GetFirst(); record; record = Filters->GetNext(*record)) {
    if (record->Disabled) continue;
    if (const std::optional<SkipReason> miss = Mismatch(entry, *record)) {
      further(*miss);
      continue;
    }
    const StoreResult result = StoreMatch(entry, *record);
    switch (result) {
      case StoreResult::Saved:
        saved = true;
        break;
      case StoreResult::Duplicate:
        further(SkipReason::Duplicate);
        break;
      case StoreResult::TooFewPixels:
        further(SkipReason::TooFewPixels);
        break;
      case StoreResult::NoFolder:
        further(SkipReason::NoFolder);
        NoteRow(entry, {}, 0, "no folder");
        break;
      case StoreResult::Unreadable:
        // An entry that cannot be read fails the same way for every other filter.
        if (!saved) ++Counts[SkipReason::Unreadable];
        NoteRow(entry, {}, 0, "unreadable");
        return;
    }
    const bool stored = result == StoreResult::Saved || result == StoreResult::Duplicate;
    if (stored && Choices.OneCopy) break;
  }
  if (!saved) ++Counts[reason];
}

bool CCapturePass::Match(const Entry& entry, const FilterRecord& record) {
  return !Mismatch(entry, record);
}

std::optional<SkipReason> CCapturePass::Mismatch(const Entry& entry, const FilterRecord& record) {
  if (!KindMatches(record.ContentType, entry.Kind)) return SkipReason::NoMatch;
  const bool wordFound =
      record.UrlWords.empty() ||
      std::any_of(record.UrlWords.begin(), record.UrlWords.end(), [&](const std::string& word) {
        return entry.SourceUrl.find(word) != std::string::npos;
      });
  if (!wordFound) return SkipReason::NoMatch;
  if (record.MinSize > 0 && entry.Size < static_cast<uint64_t>(record.MinSize)) {
    return SkipReason::TooSmall;
  }
  return std::nullopt;
}

void CCapturePass::ReportProgress(int32_t index) {
  if (!ProgressCallback || TotalEntries <= 0) return;
  const auto percent = static_cast<int32_t>(std::ceil(index * (100.0 / TotalEntries)));
  if (percent == LastPercent) return;
  // With a time threshold the index runs ahead of the visited count; hold it at 100.
  LastPercent = std::min(percent, 100);
  ProgressCallback(LastPercent);
}

CCapturePass::StoreResult CCapturePass::StoreMatch(const Entry& entry, FilterRecord& record) {
  FolderRecord* folder = FolderFor(entry, record);
  if (!folder) return StoreResult::NoFolder;
  const std::optional<EntryContent> content = Source->OpenContent(entry);
  if (!content) return StoreResult::Unreadable;
  SavePlan plan = PlanSave(entry, record, *folder, *content);
  switch (plan.Next) {
    case SavePlan::Step::Duplicate:
      return NoteDuplicate(entry, *folder, std::move(plan.Region), plan.EqualFile);
    case SavePlan::Step::Skip:
      return StoreResult::TooFewPixels;
    case SavePlan::Step::Unreadable:
      return StoreResult::Unreadable;
    case SavePlan::Step::Write:
      break;
  }
  if (!MakeFolder(*folder, record.FolderIndex < 0)) return StoreResult::NoFolder;
  if (Choices.DryRun) return DryRunSave(entry, record, *folder, *content, std::move(plan));
  StoreResult result = StoreResult::Unreadable;
  try {
    result = WriteSave(entry, record, *folder, *content, std::move(plan));
  } catch (const CError&) {
    UnmakeFolder(*folder);
    throw;
  }
  // A folder made for a first file that was not kept goes again.
  UnmakeFolder(*folder);
  return result;
}

CCapturePass::SavePlan CCapturePass::PlanSave(const Entry& entry, const FilterRecord& record,
                                              FolderRecord& folder,
                                              const EntryContent& content) const {
  SavePlan plan;
  plan.PixelTest = record.MinWidth != 0 && record.MinHeight != 0;
  plan.Decodes = Source->MayDecode(entry);
  plan.Region = RegionKey(content, plan.Decodes ? entry.ContentEncoding : "");
  // Bytes written as stored are measured where they are, before anything is written:
  // a dry run and a real one decide alike.
  if (plan.PixelTest && !plan.Decodes) {
    if (!PassesPixelTest(record, content)) {
      plan.Next = SavePlan::Step::Skip;
      return plan;
    }
    plan.PixelTest = false;
  }
  if (!Choices.SkipDuplicates) return plan;

  // The same cache bytes, written the same way, already gave a file of this folder.
  if (const std::optional<size_t> known = folder.CopyOf(plan.Region)) {
    const bool passes = !plan.PixelTest || PassesPixelTest(record, folder.PathOf(*known));
    plan.Next = passes ? SavePlan::Step::Duplicate : SavePlan::Step::Skip;
    plan.EqualFile = *known;
    return plan;
  }

  // A duplicate is looked for in the cache's own bytes first, so that it is never
  // written only to be deleted again. A body to be decoded is compared once decoded.
  if (plan.Decodes) return plan;
  switch (folder.FindDuplicate(BytesOf(content), content.Length(), plan.Digest, plan.EqualFile)) {
    case FolderRecord::DuplicateSearch::Found:
      plan.Next = SavePlan::Step::Duplicate;
      break;
    case FolderRecord::DuplicateSearch::NotFound:
      plan.ComparedLength = content.Length();
      break;
    case FolderRecord::DuplicateSearch::Unreadable:
      plan.Next = SavePlan::Step::Unreadable;
      break;
  }
  return plan;
}

CCapturePass::StoreResult CCapturePass::WriteSave(const Entry& entry, const FilterRecord& record,
                                                  FolderRecord& folder, const EntryContent& content,
                                                  SavePlan plan) {
  SavedCopy copy;
  if (!copy.Write(*Source, entry, content, folder.Path, Choices.SkipDuplicates)) {
    return StoreResult::Unreadable;
  }
  const uint64_t size = copy.Size();

  if (plan.PixelTest && !PassesPixelTest(record, copy.Path())) return StoreResult::TooFewPixels;

  // A copy of another length than the bytes compared (the cache changed under us) is
  // compared itself.
  if (plan.ComparedLength != size) {
    plan.ComparedLength.reset();
    plan.Digest.reset();
  }
  // Hashed as it was written: neither this test nor a later one reads the copy again
  // unless a digest matches.
  if (!plan.Digest) plan.Digest = copy.Digest();
  if (Choices.SkipDuplicates && !plan.ComparedLength) {
    Platform::ReadOnlyFile saved;
    const ByteSource savedBytes = [&](uint64_t offset, std::span<std::byte> buffer) -> int64_t {
      if (!saved.IsOpen() && !saved.Open(copy.Path())) return -1;
      return BytesOf(saved)(offset, buffer);
    };
    size_t found = 0;
    if (folder.FindDuplicate(savedBytes, size, plan.Digest, found) ==
        FolderRecord::DuplicateSearch::Found) {
      return NoteDuplicate(entry, folder, std::move(plan.Region), found);
    }
  }

  // A body the browser may have been writing while it was read is not saved half.
  if (Choices.Live && !content.Unchanged()) return StoreResult::Unreadable;

  if (Choices.KeepServerTime) copy.KeepServerTime(entry);
  NameChooser names(record.FileNameDummy, entry, folder);
  const std::string name = copy.Commit(names, folder);
  folder.AddSavedFile({name, size}, plan.Digest, std::move(plan.Region));
  if (copy.NotDecoded()) ++Counts.NotDecoded;
  NoteSaved(entry, copy.Path(), size, "saved");
  return StoreResult::Saved;
}

CCapturePass::StoreResult CCapturePass::DryRunSave(const Entry& entry, const FilterRecord& record,
                                                   FolderRecord& folder,
                                                   const EntryContent& content, SavePlan plan) {
  if (!plan.Decodes || Choices.ScratchFolder.empty()) {
    return PlanFile(entry, record, folder, BytesOf(content), content.Length(), std::move(plan));
  }
  // Decoded in the program's own scratch folder, measured and compared as a real run
  // does with its copy, then dropped: no output folder sees any of it.
  Platform::CreateFolderTree(Choices.ScratchFolder);
  SavedCopy copy;
  if (!copy.Write(*Source, entry, content, Choices.ScratchFolder)) return StoreResult::Unreadable;
  if (plan.PixelTest && !PassesPixelTest(record, copy.Path())) return StoreResult::TooFewPixels;
  Platform::ReadOnlyFile decoded;
  if (!decoded.Open(copy.Path())) return StoreResult::Unreadable;
  plan.Digest.reset();
  if (Choices.SkipDuplicates) {
    size_t found = 0;
    if (folder.FindDuplicate(BytesOf(decoded), copy.Size(), plan.Digest, found) ==
        FolderRecord::DuplicateSearch::Found) {
      return NoteDuplicate(entry, folder, std::move(plan.Region), found);
    }
  }
  return PlanFile(entry, record, folder, BytesOf(decoded), copy.Size(), std::move(plan));
}

CCapturePass::StoreResult CCapturePass::PlanFile(const Entry& entry, const FilterRecord& record,
                                                 FolderRecord& folder, const ByteSource& bytes,
                                                 uint64_t size, SavePlan plan) {
  const std::optional<uint64_t> digest =
      plan.Digest ? plan.Digest : FolderRecord::DigestOf(bytes, size);
  if (!digest) return StoreResult::Unreadable;
  // What the same run would have saved before is on no disk: it is known by its digest.
  if (Choices.SkipDuplicates) {
    if (const std::optional<size_t> earlier = folder.FindPlannedFile(size, *digest)) {
      return NoteDuplicate(entry, folder, std::move(plan.Region), *earlier);
    }
  }
  NameChooser names(record.FileNameDummy, entry, folder);
  const std::string name = names.Next();
  folder.AddPlannedFile(name, size, *digest, std::move(plan.Region));
  NoteSaved(entry, Platform::JoinPath(folder.Path, name), size, "would be saved");
  return StoreResult::Saved;
}

CCapturePass::StoreResult CCapturePass::NoteDuplicate(const Entry& entry, FolderRecord& folder,
                                                      std::string region, size_t equalFile) {
  folder.NoteCopyOf(std::move(region), equalFile);
  NoteRow(entry, folder.PathOf(equalFile), folder.Files[equalFile].FileSize, "duplicate");
  return StoreResult::Duplicate;
}

void CCapturePass::NoteSaved(const Entry& entry, const std::string& path, uint64_t size,
                             std::string outcome) {
  SavedFiles.push_back(path);
  ++Counts.NewFiles;
  NoteRow(entry, path, size, std::move(outcome));
}

void CCapturePass::NoteRow(const Entry& entry, std::string savedPath, uint64_t savedSize,
                           std::string outcome) {
  if (!Choices.Report) return;
  Report.push_back(MakeReportRow(entry, std::move(savedPath), savedSize, std::move(outcome)));
}

bool CCapturePass::PassesPixelTest(const FilterRecord& record, const std::string& path) const {
  Platform::ReadOnlyFile file;
  if (!file.Open(path)) return false;
  return PassesPixelTest(record, file.Size(), [&file](uint64_t offset, std::span<uint8_t> out) {
    return file.ReadAt(offset, out.data(), out.size()) == out.size();
  });
}

bool CCapturePass::PassesPixelTest(const FilterRecord& record, const EntryContent& content) const {
  return PassesPixelTest(record, content.Length(),
                         [&content](uint64_t offset, std::span<uint8_t> out) {
                           return content.ReadAt(offset, std::as_writable_bytes(out)) ==
                                  static_cast<int64_t>(out.size());
                         });
}

bool CCapturePass::PassesPixelTest(const FilterRecord& record, uint64_t size,
                                   const CGraphicLT::FetchFunction& fetch) const {
  const CGraphicLT::ImageSize measured = Probe(size, fetch);
  return measured.Height >= record.MinHeight && measured.Width >= record.MinWidth;
}
