// A whole cache folder built from the input: the map, the blocks of the three block
// files (their bitmaps are added here, so small inputs reach real blocks) and one
// separate file, stored under the data and metadata names of the first live record
// that has one.
// The folder is opened, listed, and a few entries are copied out.
//
// Input: four little-endian 16-bit lengths (map, blocks of files 1 to 3), the pieces,
// then the separate file.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

#include "FuzzSave.h"
#include "sources/mozilla/CMozillaCache.h"
#include "sources/mozilla/MozillaMap.h"

namespace fs = std::filesystem;

namespace {

// A private folder for the whole run, removed when the fuzzer exits.
struct ScratchFolder {
  ScratchFolder() {
    // Memory-backed when there is such a folder: every run writes a handful of files.
    std::error_code ignored;
    const fs::path base =
        fs::is_directory("/dev/shm", ignored) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "fuzz-mozilla-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    Path = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(Path, ignored);
  }
  std::string Path;
};

const std::string& Scratch() {
  static const ScratchFolder folder;
  return folder.Path;
}

void Put(const fs::path& path, std::string_view bytes) {
  std::error_code ignored;
  fs::create_directories(path.parent_path(), ignored);
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Empty(const fs::path& folder) {
  std::error_code ignored;
  for (const auto& item : fs::directory_iterator(folder, ignored))
    fs::remove_all(item.path(), ignored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input.size() < 8) return 0;
  size_t lengths[4];
  for (int i = 0; i < 4; ++i) {
    lengths[i] = static_cast<uint8_t>(input[2 * i]) |
                 (static_cast<size_t>(static_cast<uint8_t>(input[2 * i + 1])) << 8);
  }
  input.remove_prefix(8);
  std::string_view pieces[4];
  for (int i = 0; i < 4; ++i) {
    pieces[i] = input.substr(0, lengths[i]);
    input.remove_prefix(pieces[i].size());
  }
  const std::string_view separate = input;

  const fs::path cacheFolder = fs::path(Scratch()) / "cache";
  const fs::path outFolder = fs::path(Scratch()) / "out";
  Empty(Scratch());
  fs::create_directories(cacheFolder);
  fs::create_directories(outFolder);

  const auto mapBytes = std::as_bytes(std::span<const char>(pieces[0].data(), pieces[0].size()));
  const auto header = MozillaV1::ParseMapHeader(mapBytes);
  const uint32_t version = header ? header->Version : MozillaV1::NestedLayoutVersion;
  Put(cacheFolder / "_CACHE_MAP_", pieces[0]);
  for (uint32_t file = 1; file <= 3; ++file) {
    std::string bytes(MozillaV1::BitmapSize(version, file), '\0');
    bytes += pieces[file];
    Put(cacheFolder / MozillaV1::CacheFileName(file), bytes);
  }
  if (header) {
    const auto live = MozillaV1::LiveRecords(*header, mapBytes.subspan(MozillaV1::MapHeaderSize));
    for (const MozillaV1::MapRecord& record : live) {
      const auto dataAt = MozillaV1::DecodeLocation(record.DataLocation);
      const auto metaAt = MozillaV1::DecodeLocation(record.MetaLocation);
      if (dataAt.File != 0 && metaAt.File != 0) continue;
      Put(cacheFolder / MozillaV1::SeparateFileName(version, record.Hash, 'd', dataAt.Generation),
          separate);
      Put(cacheFolder / MozillaV1::SeparateFileName(version, record.Hash, 'm', metaAt.Generation),
          separate);
      break;
    }
  }

  CMozillaCache cache;
  cache.SetCachePath(cacheFolder.string());
  if (cache.TryOpen()) {
    cache.LoadEntries();
    int copied = 0;
    for (auto* entry = cache.GetFirst(); entry && copied < 4;
         entry = cache.GetNext(*entry), ++copied) {
      (void)cache.GetEntryFile(*entry);
      FuzzSave(cache, *entry, outFolder.string(), std::to_string(copied % 2));
    }
    cache.Close();
  }
  Empty(Scratch());
  return 0;
}
