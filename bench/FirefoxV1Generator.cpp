#include "FirefoxV1Generator.h"

#include <algorithm>
#include <bit>
#include <exception>
#include <unordered_map>
#include <vector>

#include "ContentFile.h"
#include "ContentStream.h"
#include "platform/Paths.h"
#include "support/MozillaV1Writer.h"

namespace vorlane::bench {

namespace {

using test::MozillaV1Writer;

constexpr std::array<uint64_t, 3> kBlockSizes = {256, 1024, 4096};
// Bitmap bytes of the three block files from map version 0x00010013 on.
constexpr std::array<uint64_t, 3> kBitmapBytes = {16384, 4096, 1024};

std::string KeyOf(const PlannedEntry& entry) {
  return "HTTP:" + entry.Url;
}

std::string MetadataOf(const PlannedEntry& entry) {
  test::MozillaMetadataSpec spec;
  spec.Key = KeyOf(entry);
  spec.Elements.emplace_back("request-method", "GET");
  spec.Elements.emplace_back("response-head",
                             "HTTP/1.1 200 OK\r\nContent-Type: " + entry.ContentType +
                                 "\r\nContent-Length: " + std::to_string(entry.Size) + "\r\n");
  spec.Time = entry.Time;
  spec.DataSize = entry.Size;
  return test::MozillaMetadataBytes(spec, test::kMozillaNestedVersion);
}

uint64_t BlocksFor(uint32_t file, uint64_t bytes) {
  const uint64_t size = kBlockSizes[file - 1];
  return bytes == 0 ? 1 : (bytes + size - 1) / size;
}

// Records the browser would allot: a power of two, about twice the entries and at
// least 512; like the browser, it grows the map until the fullest bucket fits.
uint32_t RecordCountFor(const SyntheticPlan& plan) {
  std::array<uint32_t, 32> load{};
  for (const PlannedEntry& entry : plan.Entries) ++load[test::MozillaKeyHash(KeyOf(entry)) & 31];
  const uint32_t fullest = *std::max_element(load.begin(), load.end());
  const auto entries = static_cast<uint32_t>(plan.Entries.size());
  return std::max({uint32_t{512}, std::bit_ceil(entries * 2), 32 * std::bit_ceil(fullest)});
}

}  // namespace

bool V1BlockBudget::Fits() const {
  for (size_t i = 0; i < Needed.size(); ++i) {
    if (Needed[i] > Available[i]) return false;
  }
  return true;
}

V1BlockBudget PlanV1Blocks(const SyntheticPlan& plan) {
  V1BlockBudget budget;
  for (size_t i = 0; i < 3; ++i) budget.Available[i] = kBitmapBytes[i] * 8;
  for (const PlannedEntry& entry : plan.Entries) {
    const size_t metaSize = MetadataOf(entry).size();
    if (const uint32_t file = MozillaV1Writer::FileForSize(metaSize)) {
      budget.Needed[file - 1] += BlocksFor(file, metaSize);
    }
    if (entry.Category == EntryCategory::Separate) continue;
    if (const uint32_t file = MozillaV1Writer::FileForSize(entry.Size)) {
      budget.Needed[file - 1] += BlocksFor(file, entry.Size);
    }
  }
  return budget;
}

GenerateResult WriteFirefoxV1Cache(const SyntheticPlan& plan, const std::string& folder,
                                   GenerateSummary& summary, std::string& message) {
  const V1BlockBudget budget = PlanV1Blocks(plan);
  if (!budget.Fits()) {
    message = "too many entries for the block files:";
    for (size_t i = 0; i < 3; ++i) {
      if (budget.Needed[i] <= budget.Available[i]) continue;
      message += " _CACHE_00" + std::to_string(i + 1) + "_ needs " +
                 std::to_string(budget.Needed[i]) + " blocks of " +
                 std::to_string(budget.Available[i]) + ";";
    }
    return GenerateResult::Failed;
  }

  summary = {};
  try {
    MozillaV1Writer writer(test::kMozillaNestedVersion, RecordCountFor(plan));
    // Separate files of keys with equal hashes differ by generation, as in the browser.
    std::unordered_map<uint32_t, uint8_t> generations;
    for (const PlannedEntry& entry : plan.Entries) {
      const std::string meta = MetadataOf(entry);
      const uint32_t metaFile = MozillaV1Writer::FileForSize(meta.size());
      if (metaFile == 0) {
        message = "metadata of " + entry.Url + " do not fit in blocks";
        return GenerateResult::Failed;
      }
      test::MozillaV1Record record;
      record.Hash = test::MozillaKeyHash(KeyOf(entry));
      if (entry.Category == EntryCategory::Separate) {
        const uint8_t generation = ++generations[record.Hash];
        const std::string path = Platform::JoinPath(
            folder, test::MozillaSeparatePath(writer.Version(), record.Hash, 'd', generation));
        if (!WriteContentFile(path, entry, plan.Shape.Seed)) {
          message = "cannot write " + path;
          return GenerateResult::Failed;
        }
        record.DataLocation = test::MozillaSeparateLocation(generation, (entry.Size + 1023) / 1024);
        ++summary.SeparateFiles;
      } else {
        const std::string data = ContentStream::All(entry, plan.Shape.Seed);
        record.DataLocation = writer.PlaceBlocks(MozillaV1Writer::FileForSize(data.size()), data);
      }
      record.MetaLocation = writer.PlaceBlocks(metaFile, meta);
      writer.AddRecord(record);
      ++summary.Entries;
      summary.DataBytes += entry.Size;
      if (entry.Duplicate) ++summary.Duplicates;
    }
    if (!writer.Write(folder)) {
      message = "cannot write the map and block files into " + folder;
      return GenerateResult::Failed;
    }
  } catch (const std::exception& error) {
    message = error.what();
    return GenerateResult::Failed;
  }
  return GenerateResult::Written;
}

}  // namespace vorlane::bench
