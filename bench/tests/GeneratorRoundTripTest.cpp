#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "CacheFormat.h"
#include "CaptureRun.h"
#include "ContentStream.h"
#include "Figures.h"
#include "SyntheticPlan.h"
#include "sources/ContentKinds.h"
#include "support/SaveEntry.h"
#include "support/TestSupport.h"

namespace vorlane::bench {
namespace {

using test::TempDir;

// A plan small enough for a unit test that still has every category, duplicates
// and separate files.
SyntheticPlan SmallPlan() {
  PlanShape shape;
  shape.Entries = 600;
  shape.SeparateMax = 64 * 1024;
  return MakePlan(shape);
}

std::string RunToText(const CaptureRequest& request, int& code) {
  std::FILE* out = std::tmpfile();
  code = RunCapture(request, out, stderr);
  std::string text(static_cast<size_t>(std::ftell(out)), '\0');
  std::rewind(out);
  text.resize(std::fread(text.data(), 1, text.size(), out));
  std::fclose(out);
  return text;
}

class GeneratorRoundTripTest : public testing::TestWithParam<std::string_view> {};

// Each format's cache, read back by Vorlane's own source, holds exactly the plan, and
// a capture with Skip Duplicates keeps one file per distinct content.
TEST_P(GeneratorRoundTripTest, SourceReadsThePlanAndCaptureKeepsEachContentOnce) {
  const CacheFormat* format = FindFormat(GetParam());
  ASSERT_NE(format, nullptr);
  const SyntheticPlan plan = SmallPlan();
  TempDir dir;
  const std::string cache = dir / "cache";
  GenerateSummary summary;
  std::string message;
  ASSERT_EQ(format->Generate(plan, cache, summary, message), GenerateResult::Written) << message;
  EXPECT_EQ(summary.Entries, plan.Entries.size());
  EXPECT_EQ(summary.DataBytes, plan.DataBytes());
  EXPECT_EQ(summary.Duplicates, plan.CountDuplicates());

  std::unique_ptr<CCacheBrowser> source = format->MakeSource(cache);
  ASSERT_TRUE(source->TryOpen());
  ASSERT_EQ(source->LoadEntries(), static_cast<int32_t>(plan.Entries.size()));
  std::map<std::string, const PlannedEntry*> byUrl;
  for (const PlannedEntry& entry : plan.Entries) byUrl[entry.Url] = &entry;
  for (auto* entry = source->GetFirst(); entry; entry = source->GetNext(*entry)) {
    const auto planned = byUrl.find(entry->SourceUrl);
    ASSERT_NE(planned, byUrl.end()) << entry->SourceUrl;
    EXPECT_EQ(entry->Size, static_cast<int32_t>(planned->second->Size));
    EXPECT_EQ(entry->MimeType, planned->second->ContentType);
    EXPECT_EQ(entry->Time, planned->second->Time) << entry->SourceUrl;
    EXPECT_EQ(KindName(entry->Kind), ExtensionFor(planned->second->ContentType));
  }
  source->Close();

  CaptureRequest request{format, cache, dir / "out", false, std::nullopt};
  int code = -1;
  const Report report = ParseReport(RunToText(request, code));
  ASSERT_EQ(code, 0);
  std::set<std::string> expected;
  uint64_t expectedBytes = 0;
  for (const PlannedEntry& entry : plan.Entries) {
    if (entry.Duplicate) continue;
    expected.insert(ContentStream::All(entry, plan.Shape.Seed));
    expectedBytes += entry.Size;
  }
  std::set<std::string> saved;
  for (const std::string& name : test::ListNames(dir / "out")) {
    saved.insert(test::ReadFile(dir / ("out/" + name)));
  }
  EXPECT_EQ(saved, expected);
  EXPECT_EQ(ReportNumber(report, "entries"), static_cast<double>(plan.Entries.size()));
  EXPECT_EQ(ReportNumber(report, "new_files"), static_cast<double>(expected.size()));
  EXPECT_EQ(ReportNumber(report, "kept_bytes"), static_cast<double>(expectedBytes));
  EXPECT_EQ(ReportNumber(report, "data_bytes"), static_cast<double>(plan.DataBytes()));
  EXPECT_GT(ReportNumber(report, "peak_rss_kib").value_or(0), 0);
  EXPECT_GE(ReportNumber(report, "capture_seconds").value_or(-1),
            ReportNumber(report, "list_seconds").value_or(0));

  request.ListOnly = true;
  const Report listing = ParseReport(RunToText(request, code));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReportNumber(listing, "entries"), static_cast<double>(plan.Entries.size()));
  EXPECT_EQ(ReportNumber(listing, "new_files"), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, GeneratorRoundTripTest,
                         testing::Values("firefox-v1", "firefox-cache2", "urlcache",
                                         "chromium-simple", "chromium-simple-bare"));

TEST(GeneratorTest, RefusalsLeaveNothingHalfWritten) {
  TempDir dir;
  GenerateSummary summary;
  std::string message;

  // More entries than the block files' bitmaps can describe.
  PlanShape shape;
  shape.Entries = 100'000;
  EXPECT_EQ(FindFormat("firefox-v1")->Generate(MakePlan(shape), dir / "v1", summary, message),
            GenerateResult::Failed);
  EXPECT_NE(message.find("_CACHE_001_ needs"), std::string::npos) << message;
  EXPECT_NE(message.find("_CACHE_003_ needs"), std::string::npos) << message;
  EXPECT_FALSE(std::filesystem::exists(dir / "v1"));

  // A cache folder that cannot be made (a file stands in its way) is reported.
  message.clear();
  test::WriteFile(dir / "file", "x");
  EXPECT_EQ(FindFormat("firefox-cache2")->Generate(SmallPlan(), dir / "file/c2", summary, message),
            GenerateResult::Failed);
  EXPECT_NE(message.find("cannot make"), std::string::npos) << message;
  EXPECT_EQ(FindFormat("no-such-format"), nullptr);
}

// Two keys with one hash would name the same separate file; the browser, and the
// generator, tell them apart by generation.
TEST(GeneratorTest, SeparateFilesOfEqualHashesGetTheirOwnGeneration) {
  PlanShape shape;
  shape.Entries = 60;
  shape.SeparateMax = 8192;
  shape.DuplicateShare = 0;
  SyntheticPlan plan = MakePlan(shape);
  std::vector<PlannedEntry*> separate;
  for (PlannedEntry& entry : plan.Entries) {
    if (entry.Category == EntryCategory::Separate) separate.push_back(&entry);
  }
  ASSERT_GE(separate.size(), 2u);
  separate[1]->Url = separate[0]->Url;

  TempDir dir;
  GenerateSummary summary;
  std::string message;
  ASSERT_EQ(FindFormat("firefox-v1")->Generate(plan, dir / "cache", summary, message),
            GenerateResult::Written)
      << message;
  std::unique_ptr<CCacheBrowser> source = FindFormat("firefox-v1")->MakeSource(dir / "cache");
  ASSERT_TRUE(source->TryOpen());
  source->LoadEntries();
  std::vector<std::string> files;
  for (auto* entry = source->GetFirst(); entry; entry = source->GetNext(*entry)) {
    if (entry->SourceUrl != separate[0]->Url) continue;
    files.push_back(entry->LocalFile.substr(entry->LocalFile.size() - 3));
    const std::string copy = dir / ("copy" + std::to_string(files.size()));
    ASSERT_TRUE(test::SaveEntry(*source, *entry, copy));
    const PlannedEntry& planned = entry->Size == separate[0]->Size ? *separate[0] : *separate[1];
    EXPECT_EQ(test::ReadFile(copy), ContentStream::All(planned, plan.Shape.Seed));
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"d01", "d02"}));
}

// Entries stored gzip-encoded come back decoded when decoding is on and as stored when
// it is off; either way Skip Duplicates keeps one file per content and the summary
// counts the bytes both ways.
TEST(GeneratorTest, CompressedCache2EntriesDecodeOnCapture) {
  PlanShape shape;
  shape.Entries = 400;
  shape.SeparateMax = 64 * 1024;
  shape.CompressedShare = 0.1;
  const SyntheticPlan plan = MakePlan(shape);
  const CacheFormat* format = FindFormat("firefox-cache2");
  ASSERT_NE(format->SetDecoding, nullptr);
  TempDir dir;
  GenerateSummary summary;
  std::string message;
  ASSERT_EQ(format->Generate(plan, dir / "cache", summary, message), GenerateResult::Written)
      << message;

  std::set<std::string> expected;
  uint64_t compressed = 0;
  uint64_t decodedBytes = 0;
  for (const PlannedEntry& entry : plan.Entries) {
    if (!entry.Compressed) continue;
    ++compressed;
    decodedBytes += entry.Size;
  }
  ASSERT_GE(compressed, 20u);
  EXPECT_EQ(summary.DecodedBytes, decodedBytes);
  EXPECT_LT(summary.DataBytes, plan.DataBytes());
  for (const PlannedEntry& entry : plan.Entries) {
    if (!entry.Duplicate) expected.insert(ContentStream::All(entry, plan.Shape.Seed));
  }

  for (const bool decode : {true, false}) {
    const std::string out = dir / (decode ? "decoded" : "raw");
    CaptureRequest request{format, dir / "cache", out, false, decode};
    int code = -1;
    const Report report = ParseReport(RunToText(request, code));
    ASSERT_EQ(code, 0);
    EXPECT_EQ(ReportNumber(report, "new_files"), static_cast<double>(expected.size()));
    std::set<std::string> saved;
    size_t gzip = 0;
    for (const std::string& name : test::ListNames(out)) {
      const std::string bytes = test::ReadFile(out + "/" + name);
      if (bytes.starts_with("\x1f\x8b")) ++gzip;
      saved.insert(bytes);
    }
    if (decode) {
      EXPECT_EQ(saved, expected);
      EXPECT_EQ(gzip, 0u);
    } else {
      EXPECT_GT(gzip, 0u);
      EXPECT_EQ(saved.size(), expected.size());
    }
  }
}

TEST(CaptureRunTest, UnreadableCacheIsAnErrorWithoutFigures) {
  TempDir dir;
  for (std::string_view name : {"firefox-v1", "firefox-cache2", "urlcache"}) {
    CaptureRequest request{FindFormat(name), dir / "missing", dir / "out", false, std::nullopt};
    int code = -1;
    const std::string text = RunToText(request, code);
    EXPECT_EQ(code, 2) << name;
    EXPECT_EQ(text, "") << name;
  }
}

}  // namespace
}  // namespace vorlane::bench
