#include "ContentFile.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "ContentStream.h"

namespace vorlane::bench {

bool WriteContentFile(const std::string& path, const PlannedEntry& entry, uint64_t planSeed) {
  const std::filesystem::path target(path);
  std::error_code error;
  std::filesystem::create_directories(target.parent_path(), error);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  ContentStream stream(entry, planSeed);
  std::vector<char> buffer(size_t{1} << 20);
  while (const size_t n = stream.Read(buffer)) {
    out.write(buffer.data(), static_cast<std::streamsize>(n));
  }
  out.close();
  return static_cast<bool>(out);
}

}  // namespace vorlane::bench
