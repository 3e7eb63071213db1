#include "sources/chromium/CChromiumCache.h"

#include <algorithm>
#include <array>

#include "base/ByteReader.h"
#include "base/RangeFetch.h"
#include "base/ResponseHead.h"
#include "platform/CacheFiles.h"
#include "platform/Text.h"
#include "sources/ParallelRead.h"
#include "sources/ResponseFields.h"
#include "sources/chromium/ChromiumBlockfileReader.h"
#include "sources/chromium/ChromiumBlockfileSparse.h"
#include "sources/chromium/ChromiumCacheFolder.h"
#include "sources/chromium/ChromiumKey.h"
#include "sources/chromium/ChromiumResponseInfo.h"
#include "sources/chromium/ChromiumSimple.h"
#include "sources/chromium/ChromiumSimpleSparse.h"

namespace {

constexpr uint64_t kBlockfileIndexMagic = 0xC103CAC3;
constexpr size_t kMaxStream0 = 1u << 20;
// Files kept open per folder while a blockfile cache is walked; external body files
// are opened only when a body is saved.
constexpr size_t kMaxOpenFiles = 64;
// Entry files read before they are made into entries: enough to keep every reader
// thread busy, few enough that their response heads are a small fixed amount.
constexpr size_t kEntriesPerSlice = 4096;

// Reads ranges of one open file into a buffer of its own, for the pure parsers.
Bytes::RangeFetch FetchFrom(const Platform::ReadOnlyFile& file, std::vector<std::byte>& buffer) {
  return [&file, &buffer](uint64_t offset,
                          size_t length) -> std::optional<std::span<const std::byte>> {
    if (!Bytes::HasRange(file.Size(), offset, length)) return std::nullopt;
    buffer.resize(length);
    if (file.ReadAt(offset, buffer.data(), length) != length) {
      return std::nullopt;
    }
    return std::span<const std::byte>(buffer);
  };
}

std::string SiteText(const Chromium::CacheKey& key) {
  if (key.TopFrameSite.empty()) return {};
  if (key.FrameSite.empty() || key.FrameSite == key.TopFrameSite) {
    return std::string(key.TopFrameSite);
  }
  return std::string(key.TopFrameSite) + " " + std::string(key.FrameSite);
}

}  // namespace

struct CChromiumCache::Folder {
  Backend Kind = Backend::Simple;
  Platform::OpenFolder Root;
  // Files opened once and shared with the contents handed out.
  mutable std::map<std::string, std::shared_ptr<Platform::ReadOnlyFile>> Files;

  std::shared_ptr<Platform::ReadOnlyFile> File(const std::string& name) const {
    if (const auto found = Files.find(name); found != Files.end()) return found->second;
    auto file = std::make_shared<Platform::ReadOnlyFile>();
    if (!file->OpenIn(Root, name)) return nullptr;
    // Block files and the index stay open; others are dropped once enough are open.
    if (Files.size() < kMaxOpenFiles || name.starts_with("data_") || name == "index") {
      Files.emplace(name, file);
    }
    return file;
  }
};

CChromiumCache::CChromiumCache(Platform::BrowserPlaces places) : Places(places) {}

CChromiumCache::~CChromiumCache() = default;

std::string CChromiumCache::GetEntryFile(const CCacheElement& entry) const {
  const auto* chromium = dynamic_cast<const CChromiumCacheElement*>(&entry);
  if (!chromium || chromium->Folder >= FolderPaths.size()) return entry.LocalFile;
  std::string path = Platform::JoinPath(FolderPaths[chromium->Folder], entry.LocalFile);
  if (chromium->Incomplete) {
    path += " (incomplete: " + std::to_string(chromium->PresentBytes) + " of " +
            std::to_string(entry.Size) + " bytes)";
  }
  return path;
}

bool CChromiumCache::SupportsLiveCapture() const {
  return !Folders.empty() && std::none_of(Folders.begin(), Folders.end(), [](const auto& folder) {
    return folder->Kind == Backend::Blockfile;
  });
}

CChromiumCache::Backend CChromiumCache::GetBackend(size_t folder) const {
  return Folders.at(folder)->Kind;
}

std::vector<std::string> CChromiumCache::GetReadFolders() const {
  return FolderPaths;
}

void CChromiumCache::Close() {
  Folders.clear();
}

void CChromiumCache::Open() {
  Close();
  if (CachePath.empty()) {
    FolderPaths = FindChromiumCacheFolders(Places);
    if (FolderPaths.empty()) {
      throw CError(CError::ChromiumCache, CError::OpenFailed, ChromiumPlacesLookedAt(Places));
    }
  } else {
    const std::string resolved = ResolveChromiumCacheFolder(CachePath);
    if (resolved.empty()) {
      throw CError(CError::ChromiumCache, CError::OpenFailed, CachePath,
                   "no Chromium disk cache there");
    }
    FolderPaths = {resolved};
  }
  for (const std::string& path : FolderPaths) {
    auto folder = std::make_unique<Folder>();
    if (!folder->Root.Open(path)) {
      const std::string reason = folder->Root.FailureText();
      Close();
      throw CError(CError::ChromiumCache, CError::OpenFailed, path, reason);
    }
    // A blockfile index begins with its magic; a simple cache's is a short file of
    // another magic, or missing.
    if (const auto index = folder->File("index")) {
      uint32_t magic = 0;
      std::array<std::byte, 4> head{};
      if (index->ReadAt(0, head.data(), head.size()) == head.size()) {
        magic = Bytes::ByteReader(std::span<const std::byte>(head)).LE32(0).value_or(0);
      }
      if (magic == kBlockfileIndexMagic) folder->Kind = Backend::Blockfile;
    }
    if (folder->Kind == Backend::Blockfile) CheckBlockfileIndex(*folder, path);
    Folders.push_back(std::move(folder));
  }
}

void CChromiumCache::CheckBlockfileIndex(const Folder& folder, const std::string& path) {
  // An index whose header or hash table cannot be read lists nothing: that is no empty
  // cache but one that cannot be opened.
  const auto index = folder.File("index");
  std::array<std::byte, ChromiumBlockfile::IndexHeaderSize> head{};
  std::optional<ChromiumBlockfile::IndexHeader> header;
  if (index && index->ReadAt(0, head.data(), head.size()) == head.size()) {
    header = ChromiumBlockfile::ParseIndexHeader(head);
  }
  if (!header) {
    throw CError(CError::ChromiumCache, CError::OpenFailed, path, "the index is damaged");
  }
  if (!Bytes::HasRange(index->Size(), ChromiumBlockfile::IndexHeaderSize,
                       uint64_t{header->TableLength} * 4)) {
    throw CError(CError::ChromiumCache, CError::OpenFailed, path,
                 "the index's table runs past its end");
  }
}

void CChromiumCache::ReadEntries() {
  for (size_t i = 0; i < Folders.size(); ++i) {
    if (Folders[i]->Kind == Backend::Blockfile) {
      ReadBlockfile(i);
    } else {
      ReadSimple(i);
    }
  }
}

void CChromiumCache::AddEntry(size_t folder, const std::string& key,
                              std::span<const std::byte> stream0,
                              std::vector<Chromium::BodyPiece> pieces, bool sparse) {
  const Chromium::CacheKey parsed = Chromium::ParseKey(key);
  // TLS host data, code cache and the like are no HTTP responses.
  if (parsed.Kind != Chromium::KeyKind::Http) return;
  const std::optional<Chromium::ResponseInfo> info = Chromium::ParseResponseInfo(stream0);
  if (!info) {
    NoteSkipped();
    return;
  }
  auto entry = std::make_unique<CChromiumCacheElement>();
  entry->Folder = folder;
  entry->SourceUrl = Platform::CacheBytesToUtf8(parsed.Url);
  entry->Partition = Platform::CacheBytesToUtf8(SiteText(parsed));
  const ResponseHead head = ResponseHead::Parse(info->Headers, ResponseHead::LineEnds::Nul);
  TakeResponseHead(head, *entry, HeaderChoice::First);
  entry->Time = info->ResponseTimeSeconds().value_or(0);
  pieces = Chromium::ArrangePieces(std::move(pieces));
  // A range response without a body of its own whose ranges are gone (no `_s` file) is
  // listed as the incomplete body it is.
  if (!sparse && pieces.empty() && head.StatusCode() == 206) sparse = true;
  const std::optional<uint64_t> declared =
      sparse ? Chromium::FullBodyLength(head) : std::optional<uint64_t>();
  // A body is never longer than its response declares: ranges past that are cut off.
  if (declared) pieces = Chromium::CutPieces(std::move(pieces), *declared);
  uint64_t stored = 0;
  for (const Chromium::BodyPiece& piece : pieces) stored += piece.Length;
  if (sparse) {
    entry->Size = declared.value_or(stored);
    entry->Incomplete = !Chromium::CoversBody(pieces, entry->Size);
    entry->PresentBytes = Chromium::CoveredBytes(pieces, entry->Size);
  } else {
    entry->Size = stored;
    // A body the browser stored cut short is no whole file.
    entry->Incomplete = info->Truncated();
    entry->PresentBytes = stored;
  }
  // Redirects, HEAD answers and other responses without a body hold no file.
  if (entry->Size == 0) return;
  entry->LocalFile = pieces.empty() ? std::string() : pieces.front().File;
  entry->Pieces = std::move(pieces);
  AppendEntry(std::move(entry));
}

void CChromiumCache::ReadSimple(size_t index) {
  Folder& folder = *Folders[index];
  std::optional<std::vector<std::string>> listed = folder.Root.ListFileNames();
  if (!listed) return;
  std::vector<std::string> names = std::move(*listed);
  std::sort(names.begin(), names.end());
  std::vector<std::string> entryFiles;
  std::vector<uint64_t> hashes;
  for (const std::string& name : names) {
    const auto role = ChromiumSimple::ParseEntryFileName(name);
    if (!role || role->Role != ChromiumSimple::FileRole::Streams01) continue;
    entryFiles.push_back(name);
    hashes.push_back(role->Hash);
  }

  struct Read {
    std::optional<ChromiumSimple::EntryFile> Entry;
    std::vector<Chromium::BodyPiece> Pieces;
    bool Sparse = false;
  };
  // A slice at a time, so that the response heads read but not yet made into entries
  // stay few however large the cache is.
  for (size_t first = 0; first < entryFiles.size(); first += kEntriesPerSlice) {
    const size_t count = std::min(kEntriesPerSlice, entryFiles.size() - first);
    std::vector<Read> read(count);
    // Threads fill only their own places; the entries are added in name order after.
    ParallelRead::ForEach(
        count,
        [&](size_t slot, std::vector<std::byte>& buffer) {
          const size_t i = first + slot;
          Read& mine = read[slot];
          Platform::ReadOnlyFile file;
          if (!file.OpenIn(folder.Root, entryFiles[i])) return;
          mine.Entry =
              ChromiumSimple::ReadEntryFile(entryFiles[i], file.Size(), FetchFrom(file, buffer));
          if (!mine.Entry) return;
          if (mine.Entry->Stream1.Length > 0) {
            mine.Pieces.push_back(mine.Entry->Stream1);
            return;
          }
          // A range entry keeps its body in the sparse file of the same hash.
          const std::string sparseName =
              ChromiumSimple::EntryFileNameFor(hashes[i], ChromiumSimple::FileRole::Sparse);
          if (!std::binary_search(names.begin(), names.end(), sparseName)) return;
          Platform::ReadOnlyFile ranges;
          std::vector<std::byte> rangeBuffer;
          if (!ranges.OpenIn(folder.Root, sparseName)) return;
          const auto parsed = ChromiumSimple::ReadSparseFile(sparseName, ranges.Size(),
                                                             FetchFrom(ranges, rangeBuffer));
          if (parsed && parsed->Key == mine.Entry->Key) {
            mine.Pieces = parsed->Ranges;
            mine.Sparse = true;
          }
        },
        [&](size_t slot) { read[slot].Entry.reset(); });
    for (Read& entry : read) {
      if (!entry.Entry) {
        NoteSkipped();
        continue;
      }
      AddEntry(index, entry.Entry->Key, entry.Entry->Stream0, std::move(entry.Pieces),
               entry.Sparse);
    }
  }
}

void CChromiumCache::ReadBlockfile(size_t index) {
  Folder& folder = *Folders[index];
  std::map<std::string, std::vector<std::byte>> buffers;
  ChromiumBlockfile::Reader reader(
      [&folder, &buffers](std::string_view name, uint64_t offset,
                          size_t length) -> std::optional<std::span<const std::byte>> {
        const std::string file(name);
        const auto opened = folder.File(file);
        if (!opened || !Bytes::HasRange(opened->Size(), offset, length)) return std::nullopt;
        std::vector<std::byte>& buffer = buffers[file];
        buffer.resize(length);
        if (opened->ReadAt(offset, buffer.data(), length) != length) {
          return std::nullopt;
        }
        return std::span<const std::byte>(buffer);
      });
  const std::optional<ChromiumBlockfile::Walk> walk = reader.WalkEntries();
  if (!walk) return;
  NoteSkipped(static_cast<uint32_t>(walk->Stats.Damaged));
  const auto children = ChromiumBlockfile::MapChildren(walk->Entries);
  for (const ChromiumBlockfile::Entry& entry : walk->Entries) {
    if (entry.State() != ChromiumBlockfile::EntryState::Normal || entry.IsChild()) continue;
    const std::optional<std::vector<std::byte>> stream0 =
        reader.ClaimStream(entry.Store, 0) ? reader.ReadStream(entry.Store, 0, kMaxStream0)
                                           : std::nullopt;
    if (!stream0) {
      // A key that is no HTTP entry has no response head to miss.
      if (Chromium::ParseKey(entry.Key).Kind == Chromium::KeyKind::Http) NoteSkipped();
      continue;
    }
    std::vector<Chromium::BodyPiece> pieces;
    bool sparse = false;
    if (entry.IsParent()) {
      const auto mine = children.find(entry.Key);
      const auto body = ChromiumBlockfile::AssembleSparse(
          reader, entry, walk->Entries,
          mine == children.end() ? std::vector<size_t>{} : mine->second);
      if (body) {
        pieces = body->Pieces;
        sparse = true;
      }
    } else if (const auto piece = reader.ClaimStream(entry.Store, 1)
                                      ? reader.LocateStream(entry.Store, 1)
                                      : std::nullopt) {
      if (piece->Length > 0) pieces.push_back(*piece);
    } else {
      NoteSkipped();
      continue;
    }
    AddEntry(index, entry.Key, *stream0, std::move(pieces), sparse);
  }
}

std::optional<EntryContent> CChromiumCache::OpenContent(const CCacheElement& entry) const {
  const auto* chromium = dynamic_cast<const CChromiumCacheElement*>(&entry);
  if (!chromium || chromium->Incomplete || chromium->Folder >= Folders.size()) return std::nullopt;
  const Folder& folder = *Folders[chromium->Folder];
  EntryContent content;
  for (const Chromium::BodyPiece& piece : chromium->Pieces) {
    std::shared_ptr<const Platform::ReadOnlyFile> file = folder.File(piece.File);
    // An external body file shorter than the entry says is damage, not a body.
    if (!file || !Bytes::HasRange(file->Size(), piece.FileOffset, piece.Length)) {
      return std::nullopt;
    }
    content.Add({std::move(file), piece.FileOffset, piece.Length, piece.Crc32});
  }
  if (content.Length() != entry.Size) return std::nullopt;
  return content;
}
