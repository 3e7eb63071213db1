#include "sources/CCacheBrowser.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "platform/Files.h"
#include "sources/ContentDecoder.h"

namespace {

constexpr size_t kChunk = 256 * 1024;

// Copies the pieces as stored. A piece with a stored CRC is read here, so the check
// costs no second read; the others go through the kernel's copy.
CCacheBrowser::WriteOutcome CopyStored(const EntryContent& content, Platform::OutputFile& out) {
  CCacheBrowser::WriteOutcome outcome;
  // Kept from entry to entry: a fresh buffer would be cleared for every body.
  static thread_local std::vector<std::byte> buffer;
  for (const EntryContent::Piece& piece : content.Pieces()) {
    if (!piece.Crc32) {
      switch (out.CopyFrom(*piece.File, piece.Offset, piece.Length)) {
        case Platform::CopyResult::Ok:
          continue;
        case Platform::CopyResult::SourceEnded:
          return {CCacheBrowser::WriteResult::Unreadable, false, "the file ended early"};
        case Platform::CopyResult::SourceFailed:
          return {CCacheBrowser::WriteResult::Unreadable, false, out.FailureText()};
        case Platform::CopyResult::DestinationFailed:
          return {CCacheBrowser::WriteResult::OutputFailed, false, out.FailureText()};
      }
    }
    if (buffer.size() < kChunk) buffer.resize(kChunk);
    uLong crc = crc32(0L, Z_NULL, 0);
    for (uint64_t done = 0; done < piece.Length;) {
      const size_t want =
          static_cast<size_t>(std::min<uint64_t>(buffer.size(), piece.Length - done));
      if (piece.File->ReadAt(piece.Offset + done, buffer.data(), want) != want) {
        return {CCacheBrowser::WriteResult::Unreadable, false, piece.File->FailureText()};
      }
      crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(want));
      if (!out.Write(std::span<const std::byte>(buffer.data(), want))) {
        return {CCacheBrowser::WriteResult::OutputFailed, false, out.FailureText()};
      }
      done += want;
    }
    if (static_cast<uint32_t>(crc) != *piece.Crc32) {
      return {CCacheBrowser::WriteResult::Unreadable, false, "the stored checksum does not match"};
    }
  }
  return outcome;
}

enum class DecodeResult { Decoded, NotDecoded, OverBudget, OutputFailed };

// Decodes into `out`, writing at most `allowed` bytes; `decoded` gets what was written.
DecodeResult DecodeInto(const EntryContent& content, ContentDecoder::Coding coding,
                        uint64_t allowed, Platform::OutputFile& out, uint64_t& decoded) {
  uint64_t position = 0;
  bool writeFailed = false;
  bool overBudget = false;
  decoded = 0;
  const ContentDecoder::Reader reader = [&](std::span<std::byte> buffer) -> int64_t {
    const int64_t n = content.ReadAt(position, buffer);
    if (n > 0) position += static_cast<uint64_t>(n);
    return n;
  };
  const ContentDecoder::Writer writer = [&](std::span<const std::byte> bytes) {
    if (bytes.size() > allowed - decoded) {
      overBudget = true;
      return false;
    }
    writeFailed = !out.Write(bytes);
    if (!writeFailed) decoded += bytes.size();
    return !writeFailed;
  };
  // The body's own cap stays the decoder's; the writer watches the pass's budget, so
  // that running out of it is told from damage.
  const ContentDecoder::Result result = ContentDecoder::Decode(
      coding, reader, writer, ContentDecoder::DecodedSizeCap(content.Length()));
  if (writeFailed) return DecodeResult::OutputFailed;
  if (overBudget) return DecodeResult::OverBudget;
  return result == ContentDecoder::Result::Ok ? DecodeResult::Decoded : DecodeResult::NotDecoded;
}

}  // namespace

CCacheBrowser::~CCacheBrowser() = default;

void CCacheBrowser::Close() {}

void CCacheBrowser::Open() {}

bool CCacheBrowser::TryOpen() {
  OpenError.reset();
  try {
    Open();
    return true;
  } catch (const CError& error) {
    OpenError = error;
    Close();
    return false;
  }
}

int32_t CCacheBrowser::LoadEntries() {
  ClearEntries();
  ReadEntries();
  for (size_t i = 0; i < Entries.size(); ++i) {
    CCacheElement& entry = *Entries[i];
    if (entry.Kind == KindPlain || entry.Kind == KindAll) {
      entry.Kind = RefineByUrl(entry.SourceUrl, entry.Kind);
    }
    entry.Index = static_cast<int32_t>(i);
  }
  return static_cast<int32_t>(Entries.size());
}

CCacheBrowser::WriteOutcome CCacheBrowser::WriteEntry(const CCacheElement& entry,
                                                      const EntryContent& content,
                                                      Platform::OutputFile& out) {
  if (MayDecode(entry)) {
    const std::optional<ContentDecoder::Coding> coding =
        ContentDecoder::ParseCoding(entry.ContentEncoding);
    // A damaged body is not decoded into a file that looks whole.
    if (coding && *coding != ContentDecoder::Coding::Identity &&
        (!content.HasChecksums() || content.ChecksumsMatch())) {
      const uint64_t allowed =
          Budget.Allow(content.Length(), Platform::FreeSpace(out.FolderPath()));
      uint64_t decoded = 0;
      const DecodeResult result = DecodeInto(content, *coding, allowed, out, decoded);
      switch (result) {
        case DecodeResult::Decoded:
          Budget.Spend(content.Length(), decoded);
          return {WriteResult::Written, true, {}};
        case DecodeResult::OutputFailed:
          return {WriteResult::OutputFailed, false, out.FailureText()};
        case DecodeResult::NotDecoded:
        case DecodeResult::OverBudget:
          // Saved as stored instead.
          if (!out.Restart()) return {WriteResult::OutputFailed, false, out.FailureText()};
          break;
      }
      if (result == DecodeResult::OverBudget) {
        WriteOutcome stored = CopyStored(content, out);
        stored.NotDecoded = stored.Result == WriteResult::Written;
        return stored;
      }
    }
  }
  return CopyStored(content, out);
}

void CCacheBrowser::ClearEntries() {
  Entries.clear();
  SkippedCount = 0;
}

const CCacheBrowser::CCacheElement* CCacheBrowser::GetFirst() const {
  return GetAt(0);
}

const CCacheBrowser::CCacheElement* CCacheBrowser::GetAt(size_t index) const {
  return index < Entries.size() ? Entries[index].get() : nullptr;
}

const CCacheBrowser::CCacheElement* CCacheBrowser::GetNext(const CCacheElement& entry) const {
  if (entry.Index < 0) return nullptr;
  return GetAt(static_cast<size_t>(entry.Index) + 1);
}

void CCacheBrowser::AppendEntry(std::unique_ptr<CCacheElement> entry) {
  Entries.push_back(std::move(entry));
}
