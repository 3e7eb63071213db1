// One cache2 entry file from the input, parsed in memory and read from a cache folder
// by the source, then saved (decoding its body when the stored head names a coding).

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "FuzzSave.h"
#include "sources/mozilla/CMozillaCache.h"
#include "sources/mozilla/MozillaCache2.h"

namespace fs = std::filesystem;

namespace {

// A private folder for the whole run, removed when the fuzzer exits.
struct ScratchFolder {
  ScratchFolder() {
    std::error_code ignored;
    const fs::path base =
        fs::is_directory("/dev/shm", ignored) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "fuzz-cache2-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    Path = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(Path, ignored);
  }
  std::string Path;
};

const fs::path& Scratch() {
  static const ScratchFolder folder;
  static const fs::path path(folder.Path);
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto bytes = std::as_bytes(std::span<const uint8_t>(data, size));
  CMozillaCache::CMozillaCacheElement parsed;
  const bool parsedOk = MozillaCache2::ParseEntryFile(bytes, parsed);
  if (parsedOk && (parsed.Size == 0 || parsed.Size > size)) std::abort();

  const fs::path cache = Scratch() / "cache";
  const fs::path out = Scratch() / "out";
  std::error_code ignored;
  fs::remove_all(cache, ignored);
  fs::remove_all(out, ignored);
  fs::create_directories(cache / "entries");
  fs::create_directories(out);
  std::ofstream(cache / "entries" / "0123456789ABCDEF0123456789ABCDEF01234567", std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  CMozillaCache source;
  source.SetCachePath(cache.string());
  if (source.TryOpen()) {
    // The source must agree with the pure parser.
    if (source.LoadEntries() != (parsedOk ? 1 : 0)) std::abort();
    if (const auto* entry = source.GetFirst()) {
      const std::optional<FuzzSaved> saved = FuzzSave(source, *entry, out.string(), "saved");
      if (saved && !saved->Decoded && saved->BytesWritten != entry->Size) std::abort();
    }
    source.Close();
  }
  return 0;
}
