#include <gtest/gtest.h>

#include "config/Settings.h"
#include "engine/CCacheFilter.h"
#include "engine/OutputFolders.h"
#include "platform/Files.h"
#include "support/TestSupport.h"

using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

namespace {

class FilterFile : public testing::Test {
 protected:
  void SetUp() override { vorlane::test::UseSandboxPlaces(dir.Path()); }

  TempDir dir;
  CCacheFilter set;
};

std::string Section(int n, const std::string& keys) {
  return "[FILTER_" + std::to_string(n) + "]\n" + keys;
}

}  // namespace

TEST_F(FilterFile, SaveWritesTheKnownLayout) {
  auto record = std::make_unique<FilterRecord>();
  record->ContentType = 1;
  record->MinSize = 500;
  record->URL = "photo, img";
  record->MinWidth = 100;
  record->MinHeight = 100;
  record->Directory = "~/VOR_SAVES/%DATE%";
  record->FileNameDummy = "file";
  set.Insert(std::move(record), -1);
  ASSERT_TRUE(set.Save(dir / "one.flt"));
  EXPECT_EQ(ReadFile(dir / "one.flt"),
            "[GENERAL]\nVorlaneFilter=1\nHint=\n[FILTER_0]\nContentType=1\nDisabled=0\n"
            "MinSize=500\nURL=photo, img\nMinWeidth=100\nMinHeight=100\n"
            "Directory=~/VOR_SAVES/%DATE%\nFileNameDummy=file\n");
  EXPECT_EQ(CurrentSettings().FiltersFileName, dir / "one.flt");

  CCacheFilter empty;
  ASSERT_TRUE(empty.Save(dir / "empty.flt"));
  EXPECT_EQ(ReadFile(dir / "empty.flt"), "[GENERAL]\nVorlaneFilter=1\nHint=\n");
}

TEST_F(FilterFile, LoadRoundTripsAndResolvesTokens) {
  WriteFile(dir / "f.flt",
            "[GENERAL]\nVorlaneFilter=1\nHint=  Hand written hint; with ; marks  \n" +
                Section(0,
                        "ContentType=3\nDisabled=1\nMinSize=12abc\nURL= a , b\nMinWeidth=-5\n"
                        "MinHeight=7\nDirectory=/tmp/x/%DATE%\nFileNameDummy=pic\n") +
                Section(1, "ContentType=0\nMinHeight=0\n"));
  ASSERT_TRUE(set.Load(dir / "f.flt"));
  ASSERT_EQ(set.Count(), 2);
  const FilterRecord& first = *set.GetAt(0);
  EXPECT_EQ(first.ContentType, 3);
  EXPECT_TRUE(first.Disabled);
  EXPECT_EQ(first.MinSize, 12);
  EXPECT_EQ(first.URL, "a , b");
  EXPECT_EQ(first.UrlWords, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(first.MinWidth, -5);
  EXPECT_EQ(first.MinHeight, 7);
  EXPECT_EQ(first.Directory, "/tmp/x/%DATE%");
  EXPECT_EQ(first.ResolvedDirectory, ExpandTokens("/tmp/x/%DATE%", std::time(nullptr)));
  EXPECT_FALSE(set.GetAt(1)->Disabled);
  EXPECT_EQ(set.GetAt(1)->Position, 1);
  EXPECT_EQ(set.GetHint(), "Hand written hint; with ; marks");
  // A load names the file in the settings but does not write the settings file: that
  // is its owner's job.
  EXPECT_EQ(CurrentSettings().FiltersFileName, dir / "f.flt");
  EXPECT_FALSE(Platform::FileExists(dir / "data/VOR.cfg"));

  ASSERT_TRUE(set.Save(dir / "g.flt"));
  CCacheFilter again;
  ASSERT_TRUE(again.Load(dir / "g.flt"));
  EXPECT_EQ(again.GetHint(), set.GetHint());
  EXPECT_EQ(again.GetAt(0)->Directory, "/tmp/x/%DATE%");
}

TEST_F(FilterFile, ListEndsAtAGapAMissingKindOrAMissingHeight) {
  const std::string full = "ContentType=1\nMinHeight=0\n";
  struct Case {
    std::string body;
    int expected;
  };
  const Case cases[] = {
      {Section(0, full) + Section(2, full), 1},                                // gap
      {Section(0, full) + Section(1, "MinHeight=0\n") + Section(2, full), 1},  // no kind
      {Section(0, "ContentType=1\n") + Section(1, full), 1},                   // no height
      {Section(0, full) + Section(1, full) + Section(2, full), 3},
  };
  for (const Case& c : cases) {
    WriteFile(dir / "c.flt", "[GENERAL]\nVorlaneFilter=1\n" + c.body);
    ASSERT_TRUE(set.Load(dir / "c.flt"));
    EXPECT_EQ(set.Count(), c.expected) << c.body;
  }
}

TEST_F(FilterFile, FilesWithoutTheMarkerAreRejectedButNamed) {
  for (const std::string marker : {"", "VorlaneFilter=0\n", "VorlaneFilter=abc\n"}) {
    WriteFile(dir / "bad.flt", "[GENERAL]\n" + marker + Section(0, "ContentType=1\nMinHeight=0\n"));
    set.Insert(nullptr, -1);
    EXPECT_FALSE(set.Load(dir / "bad.flt")) << marker;
    EXPECT_EQ(set.Count(), 0);
    EXPECT_EQ(CurrentSettings().FiltersFileName, dir / "bad.flt");
  }
  EXPECT_EQ(set.GetReadFailure(), "not a filter file");
  EXPECT_FALSE(set.Load(dir / "missing.flt"));
  EXPECT_EQ(set.GetReadFailure(), "no such file");
  WriteFile(dir / "garbage.flt", std::string("\x00\xff\xfe[GENERAL\n=\n", 12));
  EXPECT_FALSE(set.Load(dir / "garbage.flt"));
}

// A list too long to be read whole is refused with its reason, never cut short; one of
// 100 000 filters is read whole.
TEST_F(FilterFile, ListsAreReadWholeOrRefused) {
  const auto list = [](int filters) {
    std::string text = "[GENERAL]\nVorlaneFilter=1\n";
    for (int n = 0; n < filters; ++n) {
      text += Section(n,
                      "ContentType=1\nDisabled=0\nMinSize=0\nURL=\nMinWeidth=0\n"
                      "MinHeight=0\nDirectory=/x\nFileNameDummy=f\n");
    }
    return text;
  };
  WriteFile(dir / "long.flt", list(100000));
  ASSERT_TRUE(set.Load(dir / "long.flt"));
  EXPECT_EQ(set.Count(), 100000);
  EXPECT_TRUE(set.GetReadFailure().empty());
  WriteFile(dir / "too long.flt", list(120000));
  EXPECT_FALSE(set.Load(dir / "too long.flt"));
  EXPECT_EQ(set.Count(), 0);
  EXPECT_NE(set.GetReadFailure().find("more than 1048576"), std::string::npos);
}

TEST_F(FilterFile, SaveReplacesTheOldFileWhole) {
  for (int i = 0; i < 3; ++i) set.Insert(nullptr, -1)->FileNameDummy = "f" + std::to_string(i);
  ASSERT_TRUE(set.Save(dir / "s.flt"));
  set.Remove(1);
  ASSERT_TRUE(set.Save(dir / "s.flt"));
  const std::string text = ReadFile(dir / "s.flt");
  EXPECT_NE(text.find("[FILTER_1]\n"), std::string::npos);
  EXPECT_EQ(text.find("[FILTER_2]"), std::string::npos);
  EXPECT_NE(text.find("FileNameDummy=f2"), std::string::npos);

  // A folder that cannot be written: the failure is reported and nothing is lost.
  EXPECT_FALSE(set.Save(dir / "no/such/folder/x.flt"));
}

TEST_F(FilterFile, ShippedDefaultFilterFileLoads) {
  ASSERT_TRUE(set.Load(std::string(VORLANE_SOURCE_DIR) + "/Filters/Default.flt"));
  // One filter per kind group: every picture, every audio, every video.
  ASSERT_EQ(set.Count(), 3);
  EXPECT_EQ(set.GetAt(0)->ContentType, KindEveryPicture);
  EXPECT_EQ(set.GetAt(1)->ContentType, KindEveryAudio);
  EXPECT_EQ(set.GetAt(2)->ContentType, KindEveryVideo);
  EXPECT_EQ(set.GetAt(0)->MinSize, 10240);
  EXPECT_EQ(set.GetAt(0)->MinWidth, 200);
  EXPECT_EQ(set.GetAt(0)->MinHeight, 200);
  EXPECT_FALSE(set.GetHint().empty());
  for (auto* record = set.GetFirst(); record; record = set.GetNext(*record)) {
    EXPECT_EQ(record->Directory.rfind("~/VOR_SAVES/", 0), 0u);
    EXPECT_FALSE(record->FileNameDummy.empty());
  }
}
