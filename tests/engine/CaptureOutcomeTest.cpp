#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "CapturePassFixture.h"
#include "config/UiTexts.h"
#include "engine/CaptureOutcome.h"
#include "engine/NameChooser.h"
#include "engine/OutputFolders.h"
#include "platform/Files.h"
#include "sources/CError.h"
#include "support/MozillaCache2Writer.h"
#include "support/TestSupport.h"

using vorlane::test::ListNames;
using vorlane::test::MemorySource;
using vorlane::test::WriteFile;

namespace {

// One entry for each reason a pass knows, against one picture filter (4 bytes and
// 2 x 2 pixels at least); the folder already holds "img:5x5 old".
std::vector<MemorySource::Item> OneOfEachReason() {
  return {
      {"http://h/dup", "img:5x5 old", 1, 100},
      {"http://h/small", "img:5x5", 1, 100, 2},
      {"http://h/pixels", "img:1x1 tiny", 1, 100},
      {"http://h/text", "not a picture", 2, 100},
      {"http://h/broken", "img:5x5 gone", 1, 100, -1, true},
      {"http://h/part", "img:5x5 part", 1, 100, -1, false, {}, {}, {}, {}, true},
      {"http://h/old", "img:5x5 early", 1, 5},
  };
}

class PassOutcome : public CapturePass {};

}  // namespace

TEST_F(PassOutcome, EveryEntryWithoutAFileCountsOnceForItsReason) {
  WriteFile(out + "/old.jpg", "img:5x5 old");
  FilterRecord* pictures = Add(out, "f", 1);
  pictures->MinSize = 4;
  pictures->MinWidth = pictures->MinHeight = 2;
  // A second filter that takes the text but is off changes nothing.
  Add(out, "g", 2)->Disabled = true;
  MemorySource source(OneOfEachReason());
  choices.SinceTime = 10;
  EXPECT_EQ(Run(source), 0);
  const PassCounts& counts = pass->GetCounts();
  EXPECT_EQ(counts.Entries, 7u);
  EXPECT_TRUE(counts.FiltersEnabled);
  for (size_t i = 0; i < kSkipReasonCount; ++i) {
    // Every reason but the folder's occurred once.
    EXPECT_EQ(counts.Skipped[i], i == static_cast<size_t>(SkipReason::NoFolder) ? 0u : 1u) << i;
  }
  EXPECT_EQ(NoNewFilesText(counts),
            "No new files: 1 already saved, 1 smaller than the filters ask, 1 fewer pixels than "
            "the filters ask, 1 matched no filter, 1 could not be read, 1 incomplete in the "
            "cache, 1 cached before the time asked for");
}

TEST(CaptureOutcomeText, SaysWhyNothingWasSavedMostFrequentFirst) {
  struct Case {
    const char* Name;
    PassCounts Counts;
    std::string Text;
  };
  auto counts = [](uint32_t entries, bool enabled, std::array<uint32_t, kSkipReasonCount> skipped,
                   int32_t saved = 0) {
    PassCounts made;
    made.Entries = entries;
    made.FiltersEnabled = enabled;
    made.Skipped = skipped;
    made.NewFiles = saved;
    return made;
  };
  const Case cases[] = {
      {"files were saved", counts(5, true, {3}, 2), ""},
      {"an empty cache", counts(0, true, {}), "No new files: the cache holds no entries"},
      {"no filter enabled", counts(9, false, {0, 0, 0, 9}), "No new files: no filter is enabled"},
      {"largest first", counts(13, true, {8, 3, 0, 2}),
       "No new files: 8 already saved, 3 smaller than the filters ask, 2 matched no filter"},
      {"ties keep the fixed order", counts(4, true, {0, 0, 0, 2, 0, 0, 2}),
       "No new files: 2 matched no filter, 2 with no folder that could be made"},
  };
  UiTexts::Reset();
  for (const Case& c : cases) {
    EXPECT_EQ(NoNewFilesText(c.Counts), c.Text) << c.Name;
  }
  // The words come from the language file.
  UiTexts::Set(UiTextKey::NoNewFiles, "Keine neuen Dateien");
  UiTexts::Set(UiTextKey::SkipDuplicate, "schon gespeichert");
  EXPECT_EQ(NoNewFilesText(counts(1, true, {1})), "Keine neuen Dateien: 1 schon gespeichert");
  UiTexts::Reset();
}

// A dry run decides as the real run does: duplicates of the folder's files and of what
// the same run saves before, the pixel test on the cache's bytes, and, for a body
// stored compressed, on the decoded bytes.
TEST_F(PassOutcome, DryRunCountsWhatTheRealRunSaves) {
  const std::string gzipped = vorlane::test::CompressBody("gzip", "img:9x9 packed");
  std::vector<MemorySource::Item> items = {
      {"http://h/a", "img:5x5 old", 1},     // equals the folder's file
      {"http://h/b", "img:5x5 new", 1},     // saved
      {"http://h/c", "img:5x5 new", 1},     // equals b, which the run saves first
      {"http://h/d", "img:1x1 tiny", 1},    // fails the pixel test
      {"http://h/e", gzipped, 1},           // saved decoded
      {"http://h/f", "img:9x9 packed", 1},  // equals e once decoded
  };
  items[4].Encoding = "gzip";
  FilterRecord* pictures = Add(out, "f", 1);
  pictures->MinWidth = pictures->MinHeight = 2;
  WriteFile(out + "/old.jpg", "img:5x5 old");
  choices.ScratchFolder = dir / "scratch";

  MemorySource dry(items);
  choices.DryRun = true;
  const int forecast = Run(dry);
  const PassCounts dryCounts = pass->GetCounts();
  EXPECT_EQ(ListNames(out), std::vector<std::string>{"old.jpg"});
  EXPECT_TRUE(ListNames(dir / "scratch").empty());

  MemorySource real(items);
  choices.DryRun = false;
  EXPECT_EQ(Run(real), forecast);
  EXPECT_EQ(forecast, 2);
  EXPECT_EQ(pass->GetCounts().Skipped, dryCounts.Skipped);
  EXPECT_EQ(ListNames(out).size(), 3u);
}

// An entry whose site's folder cannot be made (a file has its name) is skipped and
// counted; the pass goes on with the others.
TEST_F(PassOutcome, ASiteFolderThatCannotBeMadeSkipsOnlyItsEntries) {
  Add(out + "/%SITE%", "f");
  WriteFile(out + "/blocked.org", "a file where the folder would be");
  MemorySource source({{"http://blocked.org/1", "one", 1},
                       {"http://fine.org/2", "two", 1},
                       {"http://blocked.org/3", "three", 1}});
  choices.Report = true;
  // A dry run tells the same, making nothing.
  choices.DryRun = true;
  EXPECT_EQ(Run(source), 1);
  EXPECT_EQ(pass->GetCounts()[SkipReason::NoFolder], 2u);
  EXPECT_FALSE(Platform::PathExists(out + "/fine.org"));
  choices.DryRun = false;
  EXPECT_EQ(Run(source), 1);
  EXPECT_EQ(pass->GetCounts()[SkipReason::NoFolder], 2u);
  EXPECT_EQ(ListNames(out + "/fine.org"), std::vector<std::string>{"f0.jpg"});
  EXPECT_EQ(pass->GetReport().front().Outcome, "no folder");
}

// Folders the pass may not write into: one inside the cache it reads, and one whose
// ".." pieces lead to the root.
TEST_F(PassOutcome, RefusesFoldersInsideTheCacheOrThatLeadToTheRoot) {
  struct Case {
    const char* Name;
    std::string Directory;
    int Code;
  };
  const Case cases[] = {
      {"the cache folder itself", dir / "cache", CError::FolderInCache},
      {"below the cache", dir / "cache/entries/x", CError::FolderInCache},
      {"below the cache, by ..", dir / "elsewhere/../cache/y", CError::FolderInCache},
      {"a site folder below the cache", dir / "cache/%SITE%", CError::FolderInCache},
      {"the root by ..", "/x/nonexistent/../../..", CError::FolderFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    set.Clear();
    Add(c.Directory, "f");
    MemorySource source({{"http://h/1", "one", 1}});
    source.LoadEntries();
    choices.CacheFolders = {dir / "cache"};
    CCapturePass capture(set, choices);
    try {
      capture.Comb(source);
      ADD_FAILURE() << "accepted";
    } catch (const CError& error) {
      EXPECT_EQ(error.GetCode(), c.Code);
    }
  }
  EXPECT_FALSE(Platform::PathExists(dir / "cache"));
  EXPECT_TRUE(LiesInside(dir / "cache", dir / "cache/"));
  EXPECT_FALSE(LiesInside(dir / "cache2", dir / "cache"));
}

// %NAME% numbering goes on where the last search for the name ended, not from 1.
TEST(NameChooserNumbering, ManySameOriginalNamesAreNamedInLinearTime) {
  FolderRecord folder("/nowhere", {{"Photo.jpg", 1}});
  CCacheBrowser::CCacheElement entry;
  entry.SourceUrl = "http://h/photo.jpg";
  entry.Kind = 1;
  const auto start = std::chrono::steady_clock::now();
  std::string name;
  for (int i = 0; i < 20000; ++i) {
    NameChooser names("%NAME%", entry, folder);
    name = names.Next();
    folder.TakeName(name);
  }
  EXPECT_EQ(name, "photo-20000.jpg");
  // Searching from 1 each time made 200 million name tests here.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
