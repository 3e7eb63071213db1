#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "ContentStream.h"
#include "FirefoxV1Generator.h"
#include "SyntheticPlan.h"
#include "support/TestSupport.h"

namespace vorlane::bench {
namespace {

struct SizeRange {
  EntryCategory Category;
  double Share;
  uint32_t Min;
  uint32_t Max;
};

TEST(SyntheticPlanTest, CategoriesHaveTheirSharesAndSizes) {
  PlanShape shape;
  shape.Entries = 10'000;
  const SyntheticPlan plan = MakePlan(shape);
  ASSERT_EQ(plan.Entries.size(), 10'000u);

  const SizeRange ranges[] = {
      {EntryCategory::TinyImage, 0.30, kTinyImageSize, kTinyImageSize},
      {EntryCategory::Small, 0.35, 64, 1024},
      {EntryCategory::Medium, 0.20, 1025, 4096},
      {EntryCategory::Large, 0.05, 4097, 16384},
      {EntryCategory::Separate, 0.10, 1024, 2u << 20},
  };
  for (const SizeRange& range : ranges) {
    SCOPED_TRACE(static_cast<int>(range.Category));
    EXPECT_EQ(plan.CountCategory(range.Category), std::lround(range.Share * 10'000));
    uint32_t duplicates = 0;
    for (const PlannedEntry& entry : plan.Entries) {
      if (entry.Category != range.Category) continue;
      EXPECT_GE(entry.Size, range.Min);
      EXPECT_LE(entry.Size, range.Max);
      duplicates += entry.Duplicate ? 1 : 0;
    }
    // A fifth of every category repeats bytes, so duplicates come in every size.
    EXPECT_EQ(duplicates, std::lround(0.2 * plan.CountCategory(range.Category)));
  }
  EXPECT_EQ(plan.CountDuplicates(), 2'000u);
}

TEST(SyntheticPlanTest, DuplicatesRepeatAnEarlierEntryUnderAnotherUrl) {
  PlanShape shape;
  shape.Entries = 3'000;
  const SyntheticPlan plan = MakePlan(shape);
  std::map<uint32_t, const PlannedEntry*> originals;
  std::set<std::string> urls;
  for (const PlannedEntry& entry : plan.Entries) {
    EXPECT_TRUE(urls.insert(entry.Url).second) << entry.Url;
    EXPECT_TRUE(entry.Url.ends_with("." + ExtensionFor(entry.ContentType))) << entry.Url;
    const auto found = originals.find(entry.Content);
    if (found == originals.end()) {
      EXPECT_FALSE(entry.Duplicate);
      originals.emplace(entry.Content, &entry);
      continue;
    }
    EXPECT_TRUE(entry.Duplicate);
    EXPECT_EQ(entry.Size, found->second->Size);
    EXPECT_EQ(entry.ContentType, found->second->ContentType);
    EXPECT_EQ(entry.Category, found->second->Category);
  }
  EXPECT_EQ(originals.size(), plan.Entries.size() - plan.CountDuplicates());
}

TEST(SyntheticPlanTest, SameSeedSamePlanOtherSeedOtherPlan) {
  PlanShape shape;
  shape.Entries = 500;
  const SyntheticPlan a = MakePlan(shape);
  const SyntheticPlan b = MakePlan(shape);
  shape.Seed = 2;
  const SyntheticPlan c = MakePlan(shape);
  auto fingerprint = [](const SyntheticPlan& plan) {
    std::vector<std::pair<uint32_t, std::string>> print;
    for (const auto& entry : plan.Entries) print.emplace_back(entry.Size, entry.ContentType);
    return print;
  };
  EXPECT_EQ(fingerprint(a), fingerprint(b));
  EXPECT_NE(fingerprint(a), fingerprint(c));
}

TEST(SyntheticPlanTest, CompressedEntriesAreTextAndFollowTheirContent) {
  PlanShape shape;
  shape.Entries = 20'000;
  shape.CompressedShare = 0.1;
  const SyntheticPlan plan = MakePlan(shape);
  std::map<uint32_t, bool> byContent;
  uint32_t compressed = 0;
  for (const PlannedEntry& entry : plan.Entries) {
    if (!entry.Compressed) continue;
    ++compressed;
    EXPECT_TRUE(entry.Text) << entry.ContentType;
  }
  for (const PlannedEntry& entry : plan.Entries) {
    const auto [it, inserted] = byContent.emplace(entry.Content, entry.Compressed);
    EXPECT_EQ(it->second, entry.Compressed);
  }
  EXPECT_NEAR(compressed / 20'000.0, 0.1, 0.02);
}

TEST(SyntheticPlanTest, DefaultPlanFitsTheBlockFilesAndTwiceItDoesNot) {
  PlanShape shape;
  EXPECT_TRUE(PlanV1Blocks(MakePlan(shape)).Fits());
  shape.Entries = 100'000;
  const V1BlockBudget budget = PlanV1Blocks(MakePlan(shape));
  EXPECT_FALSE(budget.Fits());
  // Metadata take one block each of block file 1.
  EXPECT_GE(budget.Needed[0], 100'000u);
}

TEST(ContentStreamTest, PiecesMakeTheWholeAndEqualContentGivesEqualBytes) {
  PlanShape shape;
  shape.Entries = 400;
  const SyntheticPlan plan = MakePlan(shape);
  std::map<uint32_t, std::string> byContent;
  std::map<uint32_t, std::set<std::string>> bySize;
  for (const PlannedEntry& entry : plan.Entries) {
    const std::string whole = ContentStream::All(entry, shape.Seed);
    ASSERT_EQ(whole.size(), entry.Size);
    ContentStream stream(entry, shape.Seed);
    std::string pieces;
    std::vector<char> buffer(1 + entry.Position % 5000);
    while (const size_t n = stream.Read(buffer)) pieces.append(buffer.data(), n);
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(stream.Remaining(), 0u);

    const auto [known, inserted] = byContent.emplace(entry.Content, whole);
    if (!inserted) {
      EXPECT_EQ(known->second, whole);
    } else {
      // Originals never equal one another, even at the same size.
      EXPECT_TRUE(bySize[entry.Size].insert(whole).second);
    }
  }
}

TEST(ContentStreamTest, TinyImagesAreGifsAndTextCompresses) {
  PlannedEntry gif;
  gif.Category = EntryCategory::TinyImage;
  gif.Size = kTinyImageSize;
  gif.Content = 0x123456;
  const std::string bytes = ContentStream::All(gif, 1);
  EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
  EXPECT_EQ(bytes.substr(13, 3), "\x56\x34\x12");
  EXPECT_EQ(bytes.back(), '\x3B');

  PlannedEntry text;
  text.Category = EntryCategory::Separate;
  text.Text = true;
  text.Size = 200'000;
  const std::string plain = ContentStream::All(text, 1);
  uLongf packedSize = compressBound(plain.size());
  std::vector<Bytef> packed(packedSize);
  ASSERT_EQ(compress(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(plain.data()),
                     plain.size()),
            Z_OK);
  EXPECT_LT(packedSize, plain.size() / 3);
}

}  // namespace
}  // namespace vorlane::bench
