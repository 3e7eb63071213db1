#include "ChromiumGenerator.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <vector>

#include "ContentStream.h"
#include "support/ChromiumSimpleWriter.h"
#include "support/MozillaCache2Writer.h"

namespace vorlane::bench {

namespace {

bool WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

// "http://host/..." -> "http://host", the site a key is partitioned by.
std::string SiteOf(const std::string& url) {
  const size_t scheme = url.find("://");
  const size_t end = scheme == std::string::npos ? url.size() : url.find('/', scheme + 3);
  return url.substr(0, end);
}

GenerateResult WriteCache(const SyntheticPlan& plan, const std::string& folder, bool indexDir,
                          GenerateSummary& summary, std::string& message);

}  // namespace

GenerateResult WriteChromiumSimpleCache(const SyntheticPlan& plan, const std::string& folder,
                                        GenerateSummary& summary, std::string& message) {
  return WriteCache(plan, folder, true, summary, message);
}

GenerateResult WriteChromiumSimpleCacheWithoutIndexDir(const SyntheticPlan& plan,
                                                       const std::string& folder,
                                                       GenerateSummary& summary,
                                                       std::string& message) {
  return WriteCache(plan, folder, false, summary, message);
}

namespace {

GenerateResult WriteCache(const SyntheticPlan& plan, const std::string& folder, bool indexDir,
                          GenerateSummary& summary, std::string& message) {
  namespace fs = std::filesystem;
  summary = {};
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    message = "cannot make " + folder + ": " + error.message();
    return GenerateResult::Failed;
  }
  try {
    if (!WriteBytes(fs::path(folder) / "index", test::ChromiumSimpleWriter::FakeIndex(9))) {
      message = "cannot write the index";
      return GenerateResult::Failed;
    }
    // One entry at a time: the whole cache would not fit in memory.
    std::vector<std::tuple<uint64_t, uint64_t, uint8_t>> records;
    for (size_t i = 0; i < plan.Entries.size(); ++i) {
      const PlannedEntry& entry = plan.Entries[i];
      std::string body = ContentStream::All(entry, plan.Shape.Seed);
      std::string head = "HTTP/1.1 200 OK\nContent-Type: " + entry.ContentType + "\n";
      if (entry.Compressed) {
        summary.DecodedBytes += body.size();
        body = test::CompressBody("gzip", body);
        head += "Content-Encoding: gzip\n";
      }
      head += "Content-Length: " + std::to_string(body.size()) + "\n";
      test::ChromiumSimpleItem item;
      const std::string site = SiteOf(entry.Url);
      item.Key = "1/0/_dk_" + site + " " + site + " " + entry.Url;
      // Response times count microseconds from 1601.
      item.Stream0 =
          test::ChromiumResponseInfo(head, 3, 0x80040000, (entry.Time + 11644473600) * 1000000);
      item.Stream1 = std::move(body);
      char name[32];
      // An odd multiplier spreads the names as hashes do and keeps them distinct.
      const uint64_t hash = i * 0x9E3779B97F4A7C15ull;
      std::snprintf(name, sizeof name, "%016llx_0", static_cast<unsigned long long>(hash));
      const fs::path path = fs::path(folder) / name;
      const std::string file = test::ChromiumSimpleWriter::EntryFile(item);
      if (!WriteBytes(path, file)) {
        message = "cannot write " + path.string();
        return GenerateResult::Failed;
      }
      records.emplace_back(hash, file.size(), 0);
      ++summary.Entries;
      summary.DataBytes += item.Stream1.size();
      if (entry.Category == EntryCategory::Separate) ++summary.SeparateFiles;
      if (entry.Duplicate) ++summary.Duplicates;
    }
    if (indexDir) {
      fs::create_directories(fs::path(folder) / "index-dir", error);
      if (error || !WriteBytes(fs::path(folder) / "index-dir" / "the-real-index",
                               test::ChromiumSimpleWriter::RealIndex(9, records))) {
        message = "cannot write index-dir/the-real-index";
        return GenerateResult::Failed;
      }
    }
  } catch (const std::exception& failure) {
    message = failure.what();
    return GenerateResult::Failed;
  }
  return GenerateResult::Written;
}

}  // namespace

}  // namespace vorlane::bench
