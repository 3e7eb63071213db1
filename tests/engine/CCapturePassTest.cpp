#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "CapturePassFixture.h"
#include "config/UiTexts.h"
#include "engine/CCapturePass.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "sources/CError.h"
#include "support/MemorySource.h"
#include "support/MozillaCache2Writer.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

using vorlane::test::ListNames;
using vorlane::test::MemorySource;
using vorlane::test::PathOf;
using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

namespace {

using Item = MemorySource::Item;

}  // namespace

TEST_F(CapturePass, EmptySetVisitsEverythingAndSavesNothing) {
  MemorySource source({{"http://e.com/a.jpg", "A", 1},
                       {"http://e.com/b.jpg", "B", 1},
                       {"http://e.com/c.jpg", "C", 1},
                       {"http://e.com/d.jpg", "D", 1}});
  std::vector<int> calls;
  progress = [&](int percent) { calls.push_back(percent); };
  EXPECT_EQ(Run(source), 0);
  EXPECT_EQ(calls, (std::vector<int>{25, 50, 75}));
  EXPECT_EQ(source.CopyCalls, 0);
}

TEST_F(CapturePass, NamesSkipTakenNamesIgnoringCaseAndShareOneCounterPerFolder) {
  WriteFile(out + "/IMG0.JPG", "x");
  WriteFile(out + "/img1.jpg", "y");
  Add(out, "img", 1);
  Add(out, "b", 2);
  Add(out, "a", 0);
  MemorySource source({{"u1", "jpeg body", 1},
                       {"u2", "gif body", 2},
                       {"u3", "unknown body", 0},
                       {"u4", "plain body", 15}});
  EXPECT_EQ(Run(source), 4);
  EXPECT_EQ(ListNames(out), (std::vector<std::string>{"IMG0.JPG", "a4.all", "a5.plain", "b3.gif",
                                                      "img1.jpg", "img2.jpg"}));
  EXPECT_EQ(ReadFile(out + "/img2.jpg"), "jpeg body");
  EXPECT_EQ(ReadFile(out + "/IMG0.JPG"), "x");
}

TEST_F(CapturePass, NumberingFillsGapsAcrossPasses) {
  WriteFile(out + "/img0.jpg", "zero");
  WriteFile(out + "/img2.jpg", "two");
  Add(out, "img", 1);
  MemorySource source({{"u1", "first", 1}, {"u2", "second", 1}});
  EXPECT_EQ(Run(source), 2);
  EXPECT_EQ(ReadFile(out + "/img1.jpg"), "first");
  EXPECT_EQ(ReadFile(out + "/img3.jpg"), "second");
}

TEST_F(CapturePass, PixelTestDeletesSmallCopiesAndReusesTheirNumber) {
  FilterRecord* big = Add(out, "big", 0);
  big->MinWidth = 100;
  big->MinHeight = 100;
  FilterRecord* any = Add(dir / "rest", "any", 0);
  MemorySource source({{"u1", "img:50x200", 1},      // too narrow: falls through to "any"
                       {"u2", "img:100x100", 1},     // exactly the minimum
                       {"u3", "not an image", 1}});  // measures 0 x 0
  EXPECT_EQ(Run(source), 4 - 1);
  EXPECT_EQ(ListNames(out), std::vector<std::string>{"big0.jpg"});
  EXPECT_EQ(ReadFile(out + "/big0.jpg"), "img:100x100");
  EXPECT_EQ(ListNames(dir / "rest"), (std::vector<std::string>{"any0.jpg", "any1.jpg"}));
  (void)any;
}

TEST_F(CapturePass, PixelTestNeedsBothMinimums) {
  FilterRecord* record = Add(out, "f", 0);
  record->MinWidth = 100;
  MemorySource source({{"u1", "tiny", 1}});
  EXPECT_EQ(Run(source), 1);
}

TEST_F(CapturePass, DuplicatesAreDeletedButCountAsSavedForOneCopy) {
  WriteFile(out + "/old.jpg", "same bytes");
  Add(out, "first", 1);
  Add(dir / "second", "second", 1);
  MemorySource source({{"u1", "same bytes", 1}, {"u2", "other bytes", 1}});
  EXPECT_EQ(Run(source), 1);
  EXPECT_EQ(ListNames(out), (std::vector<std::string>{"first0.jpg", "old.jpg"}));
  EXPECT_EQ(ReadFile(out + "/first0.jpg"), "other bytes");
  // The duplicate stopped the walk for u1 although it was deleted.
  EXPECT_TRUE(ListNames(dir / "second").empty());
}

TEST_F(CapturePass, WithoutOneCopyEveryMatchingRecordSavesAndDuplicatesCollapse) {
  Add(out, "a", 0);
  Add(out, "b", 0);
  MemorySource source({{"u1", "body", 1}});
  EXPECT_EQ(Run(source, false, false), 2);
  EXPECT_EQ(ListNames(out), (std::vector<std::string>{"a0.jpg", "b1.jpg"}));

  TempDir other;
  FilterRecord* a = set.GetAt(0);
  FilterRecord* b = set.GetAt(1);
  a->Directory = b->Directory = other.Path();
  EXPECT_EQ(Run(source, false, true), 1);
  EXPECT_EQ(ListNames(other.Path()), std::vector<std::string>{"a0.jpg"});
}

TEST_F(CapturePass, EmptyFilesAreDuplicatesOfEachOther) {
  Add(out, "e", 0);
  MemorySource source({{"u1", "", 1}, {"u2", "", 1}});
  EXPECT_EQ(Run(source), 1);
  EXPECT_EQ(ListNames(out), std::vector<std::string>{"e0.jpg"});
}

TEST_F(CapturePass, ManySameSizeFilesKeepExactlyTheDistinctOnes) {
  Add(out, "p", 0);
  std::vector<Item> items;
  for (int i = 0; i < 3000; ++i) {
    char body[16];
    std::snprintf(body, sizeof body, "px%05d", i % 1000);  // every body three times
    items.push_back({"u", body, 2});
  }
  MemorySource source(items);
  EXPECT_EQ(Run(source), 1000);
  EXPECT_EQ(ListNames(out).size(), 1000u);
}

// A folder is made for the first file kept in it, and only then.
TEST_F(CapturePass, FoldersAreMadeOnlyForAFileKept) {
  struct Case {
    const char* Name;
    bool Disabled;
    int MinPixels;         // "img:1x1" fails the pixel test from 2 on
    std::string Encoding;  // a body stored compressed is measured once written
    bool Kept;
  };
  const Case cases[] = {
      {"a disabled filter", true, 0, "", false},
      {"a match that fails the pixel test in the cache", false, 2, "", false},
      {"a match whose written copy fails the pixel test", false, 2, "gzip", false},
      {"a match that is kept", false, 0, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    vorlane::test::TempDir here;
    set.Clear();
    FilterRecord* record = Add(here / "a/b/c", "x", 0);
    record->Disabled = c.Disabled;
    record->MinWidth = record->MinHeight = c.MinPixels;
    MemorySource::Item item{"u1", "img:1x1", 1};
    if (!c.Encoding.empty()) {
      item.Encoding = c.Encoding;
      item.Body = vorlane::test::CompressBody(c.Encoding, item.Body);
    }
    MemorySource source({item});
    EXPECT_EQ(Run(source), c.Kept ? 1 : 0);
    // The levels the pass made for a file it did not keep go again.
    EXPECT_EQ(Platform::FolderExists(here / "a"), c.Kept);
    EXPECT_TRUE(Platform::FolderExists(here.Path()));
  }
}

TEST_F(CapturePass, SinceTimeLimitsCountAndVisits) {
  Add(out, "t", 0);
  MemorySource source({{"old", "1", 1, 99}, {"same", "2", 1, 100}, {"new", "3", 1, 101}});
  std::vector<int> calls;
  progress = [&](int percent) { calls.push_back(percent); };
  choices.SinceTime = 100;
  EXPECT_EQ(Run(source), 2);
  EXPECT_EQ(ReadFile(out + "/t0.jpg"), "2");
  EXPECT_EQ(ReadFile(out + "/t1.jpg"), "3");
  // Indexes 1 and 2 of two counted entries: 50, then 100 (capped from 100).
  EXPECT_EQ(calls, (std::vector<int>{50, 100}));
}

// An entry whose body cannot be read is skipped and counted once, whatever number of
// filters match it; the next entry is saved.
TEST_F(CapturePass, UnreadableEntryIsSkippedAndCountedOnce) {
  Add(out, "a", 0);
  Add(out, "b", 0);
  MemorySource source({{"u1", "body", 1, 0, -1, true}, {"u2", "next", 1}});
  EXPECT_EQ(Run(source, false, false), 2);
  EXPECT_EQ(pass->GetUnreadableCount(), 1u);
  EXPECT_EQ(source.CopyCalls, 2);
  EXPECT_EQ(ListNames(out), (std::vector<std::string>{"a0.jpg", "b1.jpg"}));
}

TEST_F(CapturePass, FolderThatCannotBeCreatedEndsThePassWithItsError) {
  vorlane::test::MessageRecorder messages;
  Add(out, "a", 0);
  Add("relative/folder", "b", 0);
  MemorySource source({{"u1", "body", 1}});
  source.LoadEntries();
  try {
    Comb(source);
    FAIL() << "expected a folder error";
  } catch (const CError& error) {
    EXPECT_EQ(error.GetModule(), CError::FilterCache);
    EXPECT_EQ(error.GetCode(), CError::FolderFailed);
    EXPECT_EQ(error.GetPath(), "relative/folder");
    EXPECT_EQ(error.GetReason(), UiTexts::Get(UiTextKey::ErrorDirectoryNotAbsolute));
  }
  EXPECT_EQ(source.CopyCalls, 0);
  // The front end shows it; the pass itself says nothing.
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(CapturePass, NeverOverwritesAFileThatAppearedAfterTheListing) {
  Add(out, "f", 0);
  // A second folder text naming the same folder gets its own counter.
  Add(out + "/", "f", 0);
  MemorySource source({{"u1", "one", 1}, {"u2", "two", 1}});
  source.BeforeCopy = [&] {
    if (source.CopyCalls == 1) WriteFile(out + "/f0.jpg", "not ours");
  };
  EXPECT_EQ(Run(source, false, false), 4);
  EXPECT_EQ(ReadFile(out + "/f0.jpg"), "not ours");
  EXPECT_EQ(ListNames(out),
            (std::vector<std::string>{"f0.jpg", "f1.jpg", "f2.jpg", "f3.jpg", "f4.jpg"}));
  EXPECT_EQ(ReadFile(out + "/f1.jpg"), "one");
  EXPECT_EQ(ReadFile(out + "/f2.jpg"), "one");
  EXPECT_EQ(ReadFile(out + "/f4.jpg"), "two");
}

TEST_F(CapturePass, StemCannotLeadOutOfItsFolder) {
  Add(out, "../escape/x", 0);
  MemorySource source({{"u1", "body", 1}});
  EXPECT_EQ(Run(source), 1);
  EXPECT_EQ(ListNames(out), std::vector<std::string>{".._escape_x0.jpg"});
}

TEST_F(CapturePass, HomeFolderShorthandIsResolved) {
  // A folder of its own: on Windows the home folder is the (Wine) user's real one.
  const std::string saves = Platform::FileName(dir.Path());
  FilterRecord* record = Add("~/" + saves + "/%DATE%", "h", 0);
  MemorySource source({{"u1", "body", 1}});
  EXPECT_EQ(Run(source), 1);
  EXPECT_EQ(record->ResolvedDirectory.rfind(
                Platform::JoinPath(Platform::HomeFolder().value_or(std::string()), saves), 0),
            0u);
  EXPECT_EQ(ListNames(record->ResolvedDirectory), std::vector<std::string>{"h0.jpg"});
  std::filesystem::remove_all(
      PathOf(Platform::JoinPath(Platform::HomeFolder().value_or(std::string()), saves)));
}

TEST(Match, TestsKindSizeAndUrlWordsInOrder) {
  CCacheBrowser::CCacheElement entry;
  entry.Kind = 1;
  entry.Size = 500;
  entry.SourceUrl = "http://example.com/photos/cat.jpg";

  struct Case {
    KindCode kind;
    int32_t minSize;
    const char* url;
    bool expected;
  };
  const Case cases[] = {
      {0, 0, "", true},                                  // matches everything
      {1, 0, "", true},           {2, 0, "", false},     // other kind
      {0, 500, "", true},                                // exactly the minimum
      {0, 501, "", false},                               // one byte short
      {0, 0, "dog, cat", true},                          // any one word
      {0, 0, "dog, bird", false}, {0, 0, "JPG", false},  // case-sensitive
      {0, 0, " , ,", true},                              // only separators: no words
      {25, 0, "", false},                                // a hand-edited kind no entry carries
  };
  for (const Case& c : cases) {
    FilterRecord record;
    record.ContentType = c.kind;
    record.MinSize = c.minSize;
    record.URL = c.url;
    SplitUrl(record);
    EXPECT_EQ(CCapturePass::Match(entry, record), c.expected)
        << c.kind << " " << c.minSize << " " << c.url;
  }
}

// A second capture into the same folder, run while the first is writing, takes none of
// the first one's files: both save whole.
TEST_F(CapturePass, ConcurrentCaptureIntoTheSameFolderLeavesTheOtherWhole) {
  Add(out, "f", 0);
  MemorySource source({{"u1", "first", 1}});
  int second = -1;
  source.BeforeCopy = [&] {
    CCapturePass other(set, choices);
    MemorySource otherSource({{"u2", "second", 1}});
    otherSource.LoadEntries();
    other.Comb(otherSource);
    second = other.GetNewFileCount();
  };
  EXPECT_EQ(Run(source), 1);
  EXPECT_EQ(second, 1);
  EXPECT_EQ(ListNames(out), (std::vector<std::string>{"f0.jpg", "f1.jpg"}));
  EXPECT_EQ(ReadFile(out + "/f0.jpg"), "second");
  EXPECT_EQ(ReadFile(out + "/f1.jpg"), "first");
}

// Decoding is bounded over the whole pass: once the budget is spent a body is saved as
// stored, counted as not decoded, and what was decoded before stays.
TEST_F(CapturePass, DecodingBeyondThePassBudgetSavesBodiesAsStored) {
  Add(out, "f", 0);
  const std::string text(40000, 'a');
  const std::string gzipped = vorlane::test::CompressBody("gzip", text);
  MemorySource source({{"u1", gzipped, 1}, {"u2", gzipped + " ", 1}, {"u3", gzipped + "  ", 1}});
  for (Item& item : source.Items) item.Encoding = "gzip";
  source.SetDecodeBudget(DecodeBudget(90000));
  EXPECT_EQ(Run(source, true, false), 3);
  EXPECT_EQ(pass->GetNotDecodedCount(), 1u);
  EXPECT_EQ(ReadFile(out + "/f0.jpg"), text);
  EXPECT_EQ(ReadFile(out + "/f1.jpg"), text);
  EXPECT_EQ(ReadFile(out + "/f2.jpg"), gzipped + "  ");
}
