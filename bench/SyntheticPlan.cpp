#include "SyntheticPlan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <string_view>
#include <unordered_set>

#include "SplitMix64.h"

namespace vorlane::bench {

namespace {

constexpr uint32_t kFirstTime = 1'700'000'000;

struct TypeChoice {
  std::string_view ContentType;
  std::string_view Extension;
};

constexpr std::array<TypeChoice, 12> kTypes = {{
    {"image/gif", "gif"},
    {"image/png", "png"},
    {"image/jpeg", "jpg"},
    {"image/x-icon", "ico"},
    {"text/css", "css"},
    {"application/javascript", "js"},
    {"text/html; charset=utf-8", "html"},
    {"video/mp4", "mp4"},
    {"application/x-shockwave-flash", "swf"},
    {"audio/mpeg", "mp3"},
    {"application/pdf", "pdf"},
    // Classified by the URL's extension, as servers that send no useful type are.
    {"application/octet-stream", "zip"},
}};

// Content types by category, as indexes into kTypes; repeats weigh a type up.
constexpr uint8_t kTinyTypes[] = {0};
constexpr uint8_t kSmallTypes[] = {1, 1, 0, 4, 5, 6, 3};
constexpr uint8_t kMediumTypes[] = {1, 2, 2, 4, 5, 6};
constexpr uint8_t kLargeTypes[] = {2, 2, 1, 5, 6};
constexpr uint8_t kSeparateTypes[] = {2, 2, 2, 1, 1, 5, 7, 7, 8, 9, 10, 11, 11};
constexpr std::array<std::span<const uint8_t>, 5> kCategoryTypes = {
    kTinyTypes, kSmallTypes, kMediumTypes, kLargeTypes, kSeparateTypes};

bool IsText(std::string_view contentType) {
  return contentType.starts_with("text/") || contentType == "application/javascript";
}

uint32_t SizeFor(EntryCategory category, const PlanShape& shape, SplitMix64& random) {
  switch (category) {
    case EntryCategory::TinyImage:
      return kTinyImageSize;
    case EntryCategory::Small:
      return static_cast<uint32_t>(random.Between(64, 1024));
    case EntryCategory::Medium:
      return static_cast<uint32_t>(random.Between(1025, 4096));
    case EntryCategory::Large:
      return static_cast<uint32_t>(random.Between(4097, 16384));
    case EntryCategory::Separate:
      break;
  }
  // Log-uniform: web objects are spread over orders of magnitude, most of them small.
  const double low = std::log(static_cast<double>(std::max<uint32_t>(shape.SeparateMin, 1)));
  const double high = std::log(static_cast<double>(std::max(shape.SeparateMax, shape.SeparateMin)));
  const auto size = static_cast<uint32_t>(std::exp(low + (high - low) * random.Fraction()));
  return std::clamp(size, shape.SeparateMin, std::max(shape.SeparateMax, shape.SeparateMin));
}

std::string HostFor(const PlannedEntry& entry) {
  const uint32_t shard = entry.Position % 7;
  if (entry.ContentType.starts_with("image/"))
    return "img" + std::to_string(shard) + ".example.com";
  if (entry.Text) return "static" + std::to_string(shard) + ".example.net";
  return "media.example.org";
}

uint32_t Share(uint32_t total, double share) {
  return static_cast<uint32_t>(std::lround(std::clamp(share, 0.0, 1.0) * total));
}

}  // namespace

uint64_t SyntheticPlan::DataBytes() const {
  uint64_t total = 0;
  for (const PlannedEntry& entry : Entries) total += entry.Size;
  return total;
}

uint32_t SyntheticPlan::CountDuplicates() const {
  return static_cast<uint32_t>(
      std::count_if(Entries.begin(), Entries.end(), [](const auto& e) { return e.Duplicate; }));
}

uint32_t SyntheticPlan::CountCategory(EntryCategory category) const {
  return static_cast<uint32_t>(std::count_if(
      Entries.begin(), Entries.end(), [&](const auto& e) { return e.Category == category; }));
}

std::string ExtensionFor(const std::string& contentType) {
  for (const TypeChoice& type : kTypes) {
    if (type.ContentType == contentType) return std::string(type.Extension);
  }
  return "bin";
}

SyntheticPlan MakePlan(const PlanShape& shape) {
  SyntheticPlan plan;
  plan.Shape = shape;
  SplitMix64 random(shape.Seed);
  const uint32_t total = shape.Entries;

  std::array<uint32_t, 5> counts = {Share(total, shape.TinyShare), Share(total, shape.SmallShare),
                                    Share(total, shape.MediumShare), 0,
                                    Share(total, shape.SeparateShare)};
  const uint32_t others = counts[0] + counts[1] + counts[2] + counts[4];
  if (others > total) counts[1] -= std::min(counts[1], others - total);
  counts[3] = total - std::min(total, counts[0] + counts[1] + counts[2] + counts[4]);

  uint32_t nextContent = 0;
  plan.Entries.reserve(total);
  for (size_t c = 0; c < counts.size(); ++c) {
    const auto category = static_cast<EntryCategory>(c);
    const uint32_t count = counts[c];
    if (count == 0) continue;
    const uint32_t duplicates = std::min(Share(count, shape.DuplicateShare), count - 1);
    const size_t firstOriginal = plan.Entries.size();
    for (uint32_t i = 0; i < count - duplicates; ++i) {
      PlannedEntry entry;
      entry.Category = category;
      const std::span<const uint8_t> choices = kCategoryTypes[c];
      entry.ContentType = kTypes[choices[random.Between(0, choices.size() - 1)]].ContentType;
      entry.Text = IsText(entry.ContentType);
      entry.Size = SizeFor(category, shape, random);
      entry.Content = nextContent++;
      plan.Entries.push_back(std::move(entry));
    }
    const size_t originals = plan.Entries.size() - firstOriginal;
    for (uint32_t i = 0; i < duplicates; ++i) {
      // Same bytes under another URL, as when a site serves one picture twice.
      plan.Entries.push_back(plan.Entries[firstOriginal + random.Between(0, originals - 1)]);
    }
  }

  for (size_t i = plan.Entries.size(); i > 1; --i) {
    std::swap(plan.Entries[i - 1], plan.Entries[random.Between(0, i - 1)]);
  }

  // The first entry with a content number is its original, whatever the shuffle did.
  std::unordered_set<uint32_t> seen;
  const double textShare =
      static_cast<double>(std::count_if(plan.Entries.begin(), plan.Entries.end(),
                                        [](const auto& e) { return e.Text; })) /
      std::max<double>(total, 1);
  const double compressedOfText = textShare > 0 ? shape.CompressedShare / textShare : 0;
  for (size_t i = 0; i < plan.Entries.size(); ++i) {
    PlannedEntry& entry = plan.Entries[i];
    entry.Position = static_cast<uint32_t>(i);
    entry.Duplicate = !seen.insert(entry.Content).second;
    // Even seconds: the URL cache keeps some times as FAT times, which have no odd ones.
    entry.Time = kFirstTime + entry.Position * 2;
    // Decided by the content, so duplicates are stored exactly like their original.
    entry.Compressed =
        entry.Text &&
        SplitMix64(shape.Seed ^ (uint64_t{entry.Content} << 20)).Fraction() < compressedOfText;
    entry.Url = "http://" + HostFor(entry) + "/assets/" + std::to_string(entry.Position / 1000) +
                "/" + std::to_string(entry.Position) + "." + ExtensionFor(entry.ContentType);
  }
  return plan;
}

}  // namespace vorlane::bench
