#include "Cache2Generator.h"

#include <exception>
#include <filesystem>
#include <fstream>

#include "ContentStream.h"
#include "support/MozillaCache2Writer.h"

namespace vorlane::bench {

namespace {

test::MozillaCache2Item ItemOf(const PlannedEntry& entry, uint64_t seed, uint64_t& decodedBytes) {
  std::string body = ContentStream::All(entry, seed);
  std::string head = "HTTP/1.1 200 OK\r\nContent-Type: " + entry.ContentType + "\r\n";
  if (entry.Compressed) {
    decodedBytes += body.size();
    body = test::CompressBody("gzip", body);
    head += "Content-Encoding: gzip\r\n";
  }
  head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  test::MozillaCache2Item item(entry.Url, std::move(body));
  // Firefox keys its HTTP entries with the anonymous-or-not tag.
  item.WithTags({"a"}).WithHead(std::move(head)).WithTimes(entry.Time, entry.Time);
  return item;
}

}  // namespace

GenerateResult WriteFirefoxCache2Cache(const SyntheticPlan& plan, const std::string& folder,
                                       GenerateSummary& summary, std::string& message) {
  namespace fs = std::filesystem;
  summary = {};
  const fs::path entries = fs::path(folder) / "entries";
  std::error_code error;
  fs::create_directories(entries, error);
  if (error) {
    message = "cannot make " + entries.string() + ": " + error.message();
    return GenerateResult::Failed;
  }
  try {
    // One entry at a time: the whole cache would not fit in memory.
    for (const PlannedEntry& entry : plan.Entries) {
      const test::MozillaCache2Item item = ItemOf(entry, plan.Shape.Seed, summary.DecodedBytes);
      const fs::path path =
          entries / test::MozillaCache2FileName(test::MozillaCache2Writer::KeyOf(item));
      const std::string bytes = test::MozillaCache2Writer::EntryBytes(item);
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      out.close();
      if (!out) {
        message = "cannot write " + path.string();
        return GenerateResult::Failed;
      }
      ++summary.Entries;
      summary.DataBytes += item.Data.size();
      if (entry.Category == EntryCategory::Separate) ++summary.SeparateFiles;
      if (entry.Duplicate) ++summary.Duplicates;
    }
  } catch (const std::exception& failure) {
    message = failure.what();
    return GenerateResult::Failed;
  }
  return GenerateResult::Written;
}

}  // namespace vorlane::bench
