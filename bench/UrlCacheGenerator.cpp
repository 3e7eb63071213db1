#include "UrlCacheGenerator.h"

#include <ctime>
#include <vector>

#include "ContentFile.h"
#include "SplitMix64.h"
#include "platform/Paths.h"
#include "support/UrlCacheIndexWriter.h"

namespace vorlane::bench {

namespace {

using test::UrlCacheIndexWriter;

constexpr size_t kDirectories = 16;

std::vector<std::string> DirectoryNames(uint64_t seed) {
  constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  SplitMix64 random(seed);
  std::vector<std::string> names;
  while (names.size() < kDirectories) {
    std::string name;
    for (int i = 0; i < 8; ++i) name += kChars[random.Between(0, sizeof kChars - 2)];
    names.push_back(name);
  }
  return names;
}

uint32_t FatTime(uint32_t seconds) {
  const std::time_t time = seconds;
  std::tm utc{};
  gmtime_r(&time, &utc);
  return UrlCacheIndexWriter::FatDateTime(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                                          utc.tm_hour, utc.tm_min, utc.tm_sec);
}

}  // namespace

GenerateResult WriteUrlCache(const SyntheticPlan& plan, const std::string& folder,
                             GenerateSummary& summary, std::string& message) {
  summary = {};
  UrlCacheIndexWriter index(UrlCacheIndexWriter::Signature::Wine2012);
  const std::vector<std::string> directories = DirectoryNames(plan.Shape.Seed);
  for (const std::string& name : directories) index.AddDirectory(name);

  for (const PlannedEntry& entry : plan.Entries) {
    UrlCacheIndexWriter::UrlItem item;
    item.Url = entry.Url;
    item.FileName = std::to_string(entry.Position) + "[1]." + ExtensionFor(entry.ContentType);
    item.DirectoryIndex = static_cast<uint8_t>(entry.Position % kDirectories);
    item.Size = entry.Size;
    item.LastModifiedTime = UrlCacheIndexWriter::FileTime(entry.Time);
    item.LastAccessTime = item.LastModifiedTime;
    item.LastSyncFat = FatTime(entry.Time);
    item.HeaderInfo = "HTTP/1.1 200 OK\r\nContent-Type: " + entry.ContentType +
                      "\r\nContent-Length: " + std::to_string(entry.Size) + "\r\n\r\n";
    const std::string path = Platform::JoinPath(
        Platform::JoinPath(folder, directories[item.DirectoryIndex]), item.FileName);
    if (!WriteContentFile(path, entry, plan.Shape.Seed)) {
      message = "cannot write " + path;
      return GenerateResult::Failed;
    }
    index.AddUrl(std::move(item));
    ++summary.Entries;
    ++summary.SeparateFiles;
    summary.DataBytes += entry.Size;
    if (entry.Duplicate) ++summary.Duplicates;
  }
  if (!index.WriteTo(Platform::JoinPath(folder, "index.dat"))) {
    message = "cannot write the index into " + folder;
    return GenerateResult::Failed;
  }
  return GenerateResult::Written;
}

}  // namespace vorlane::bench
