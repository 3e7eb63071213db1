// A whole blockfile cache from the input: the files index, data_0 to data_3 and
// f_000001 to f_000003, each given as a 32-bit little-endian length and its bytes (the
// last file present takes what is left). The walk, every stream and sparse bodies.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "base/MemoryFiles.h"
#include "base/ResponseHead.h"
#include "sources/chromium/ChromiumBlockfileReader.h"
#include "sources/chromium/ChromiumBlockfileSparse.h"
#include "sources/chromium/ChromiumKey.h"
#include "sources/chromium/ChromiumResponseInfo.h"

namespace {

const char* const kNames[] = {"index",  "data_0",   "data_1",   "data_2",
                              "data_3", "f_000001", "f_000002", "f_000003"};

// Arranged pieces: in order, without overlaps; those in block files after the header.
void CheckPieces(const std::vector<Chromium::BodyPiece>& pieces) {
  uint64_t end = 0;
  for (const auto& piece : pieces) {
    if (piece.Length == 0 || piece.BodyOffset < end) std::abort();
    if (!piece.File.starts_with("f_") &&
        piece.FileOffset < ChromiumBlockfile::BlockFileHeaderSize) {
      std::abort();
    }
    end = piece.BodyOffset + piece.Length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes::MemoryFiles files;
  size_t at = 0;
  for (const char* name : kNames) {
    if (at >= size) break;
    size_t length = size - at;
    if (length >= 4) {
      const size_t framed = static_cast<size_t>(data[at]) | static_cast<size_t>(data[at + 1]) << 8 |
                            static_cast<size_t>(data[at + 2]) << 16 |
                            static_cast<size_t>(data[at + 3]) << 24;
      at += 4;
      length = framed < size - at ? framed : size - at;
    }
    files.Put(name, std::string(reinterpret_cast<const char*>(data) + at, length));
    at += length;
  }
  ChromiumBlockfile::Reader reader(files.Fetch());
  const auto walk = reader.WalkEntries();
  if (!walk) return 0;
  const auto children = ChromiumBlockfile::MapChildren(walk->Entries);
  for (const auto& entry : walk->Entries) {
    Chromium::ParseKey(entry.Key);
    for (int stream = 0; stream < ChromiumBlockfile::StreamCount; ++stream) {
      if (const auto piece = reader.LocateStream(entry.Store, stream); piece && piece->Length) {
        CheckPieces({*piece});
      }
    }
    if (const auto stream0 = reader.ReadStream(entry.Store, 0, 1 << 16)) {
      if (const auto info = Chromium::ParseResponseInfo(*stream0)) {
        Chromium::FullBodyLength(ResponseHead::Parse(info->Headers, ResponseHead::LineEnds::Nul));
      }
    }
    if (entry.IsParent()) {
      const auto found = children.find(entry.Key);
      const auto body = ChromiumBlockfile::AssembleSparse(
          reader, entry, walk->Entries,
          found == children.end() ? std::vector<size_t>{} : found->second);
      if (body) CheckPieces(body->Pieces);
    }
  }
  return 0;
}
