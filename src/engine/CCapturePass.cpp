#include "engine/CCapturePass.h"

#include <algorithm>
#include <cmath>

#include "engine/NameChooser.h"
#include "engine/OutputFolders.h"
#include "engine/SavedCopy.h"
#include "platform/CacheFiles.h"
#include "platform/OutputFile.h"
#include "platform/Paths.h"
#include "sources/CError.h"
#include "sources/ImageByteSource.h"

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
    : Filters(filters.CloneFilters()),
      Choices(std::move(choices)),
      Probe(&CGraphicLT::GetImageSize) {}

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
    if (since == 0 || entry->Time >= since) ++TotalEntries;
  }
  for (auto* entry = source.GetFirst(); entry && !Cancelled; entry = source.GetNext(*entry)) {
    if (since == 0 || entry->Time >= since) ProcessEntry(*entry);
  }
  return true;
}

void CCapturePass::PrepareFolders() {
  for (FilterRecord* record = Filters->GetFirst(); record; record = Filters->GetNext(*record)) {
    record->ResolvedDirectory =
        ExpandBrowserToken(ResolveDirectory(record->Directory), Choices.BrowserName);
  }
  Folders.clear();
  for (FilterRecord* record = Filters->GetFirst(); record; record = Filters->GetNext(*record)) {
    // A folder named by the entry's site is opened when an entry needs it.
    if (record->ResolvedDirectory.find(kSiteToken) != std::string::npos) {
      record->FolderIndex = -1;
      continue;
    }
    record->FolderIndex = static_cast<int32_t>(OpenFolder(record->ResolvedDirectory));
  }
}

size_t CCapturePass::OpenFolder(const std::string& path) {
  for (size_t i = 0; i < Folders.size(); ++i) {
    if (Folders[i]->Path == path) return i;
  }
  // A dry run creates nothing: the rule is checked, an existing folder listed.
  const bool usable = Choices.DryRun ? Platform::IsLocalFolderPath(path) : CreateFolderPath(path);
  if (!usable) throw CError(CError::FilterCache, CError::FolderFailed, path);
  // What an interrupted earlier pass left half-written is ours to remove.
  if (!Choices.DryRun) Platform::RemoveStaleOutputTemporaries(path);
  Folders.push_back(std::make_unique<FolderRecord>(path, ListFolder(path)));
  return Folders.size() - 1;
}

FolderRecord* CCapturePass::FolderFor(const Entry& entry, const FilterRecord& record) {
  if (record.FolderIndex >= 0 && static_cast<size_t>(record.FolderIndex) < Folders.size()) {
    return Folders[static_cast<size_t>(record.FolderIndex)].get();
  }
  if (record.ResolvedDirectory.find(kSiteToken) == std::string::npos) return nullptr;
  return Folders[OpenFolder(ExpandSiteToken(record.ResolvedDirectory, entry.SourceUrl))].get();
}

void CCapturePass::ProcessEntry(const Entry& entry) {
  ReportProgress(entry.Index);
  // Part of a body is no file; such entries are listed, not saved.
  if (entry.Incomplete) return;
  for (FilterRecord* record = Filters->GetFirst(); record; record = Filters->GetNext(*record)) {
    if (record->Disabled || !Match(entry, *record)) continue;
    const StoreResult result = StoreMatch(entry, *record);
    // An entry that cannot be read fails the same way for every other filter.
    if (result == StoreResult::Unreadable) {
      ++Counts.Unreadable;
      NoteRow(entry, {}, 0, "unreadable");
      return;
    }
    if (result == StoreResult::Stored && Choices.OneCopy) break;
  }
}

bool CCapturePass::Match(const Entry& entry, const FilterRecord& record) {
  if (!KindMatches(record.ContentType, entry.Kind)) return false;
  if (record.MinSize > 0 && entry.Size < static_cast<uint64_t>(record.MinSize)) return false;
  if (record.UrlWords.empty()) return true;
  return std::any_of(record.UrlWords.begin(), record.UrlWords.end(), [&](const std::string& word) {
    return entry.SourceUrl.find(word) != std::string::npos;
  });
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
  if (!folder) return StoreResult::NotStored;
  const std::optional<EntryContent> content = Source->OpenContent(entry);
  if (!content) return StoreResult::Unreadable;
  SavePlan plan = PlanSave(entry, record, *folder, *content);
  switch (plan.Next) {
    case SavePlan::Step::Duplicate:
      return NoteDuplicate(entry, *folder, std::move(plan.Region), plan.EqualFile);
    case SavePlan::Step::Skip:
      return StoreResult::NotStored;
    case SavePlan::Step::Unreadable:
      return StoreResult::Unreadable;
    case SavePlan::Step::Write:
      break;
  }
  if (Choices.DryRun) return DryRunSave(entry, record, *folder, *content, plan);
  return WriteSave(entry, record, *folder, *content, std::move(plan));
}

CCapturePass::SavePlan CCapturePass::PlanSave(const Entry& entry, const FilterRecord& record,
                                              FolderRecord& folder,
                                              const EntryContent& content) const {
  SavePlan plan;
  plan.PixelTest = record.MinWidth != 0 && record.MinHeight != 0;
  const bool decodes = Source->MayDecode(entry);
  plan.Region = RegionKey(content, decodes ? entry.ContentEncoding : "");
  if (!Choices.SkipDuplicates) return plan;

  // The same cache bytes, written the same way, already gave a file of this folder.
  if (const std::optional<size_t> known = folder.CopyOf(plan.Region)) {
    const bool passes = !plan.PixelTest || PassesPixelTest(record, folder.PathOf(*known));
    plan.Next = passes ? SavePlan::Step::Duplicate : SavePlan::Step::Skip;
    plan.EqualFile = *known;
    return plan;
  }

  // A duplicate is looked for in the cache's own bytes first, so that it is never
  // written only to be deleted again. The pixel test needs the copy, and a body to be
  // decoded is compared once decoded, so for those the copy is compared.
  if (plan.PixelTest || decodes) return plan;
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

  if (plan.PixelTest && !PassesPixelTest(record, copy.Path())) return StoreResult::NotStored;

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
  return StoreResult::Stored;
}

CCapturePass::StoreResult CCapturePass::DryRunSave(const Entry& entry, const FilterRecord& record,
                                                   FolderRecord& folder,
                                                   const EntryContent& content,
                                                   const SavePlan& plan) {
  // The pixel test reads the headers from the cache itself (a body stored encoded
  // cannot be measured without decoding it: such a picture is taken as it comes).
  if (plan.PixelTest && !Source->MayDecode(entry)) {
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
  folder.TakeName(name);
  NoteSaved(entry, Platform::JoinPath(folder.Path, name), 0, "would be saved");
  return StoreResult::Stored;
}

CCapturePass::StoreResult CCapturePass::NoteDuplicate(const Entry& entry, FolderRecord& folder,
                                                      std::string region, size_t equalFile) {
  folder.NoteCopyOf(std::move(region), equalFile);
  NoteRow(entry, folder.PathOf(equalFile), folder.Files[equalFile].FileSize, "duplicate");
  return StoreResult::Stored;
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
  const CGraphicLT::ImageSize size = Probe(path);
  return size.Height >= record.MinHeight && size.Width >= record.MinWidth;
}
