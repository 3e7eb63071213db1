// Original names, site folders, server times, reports, dry runs and captures while the
// browser runs.
#include <gtest/gtest.h>

#include <filesystem>

#include "CapturePassFixture.h"
#include "base/HttpDate.h"
#include "base/Sha256.h"
#include "engine/CCapturePass.h"
#include "engine/OutputFolders.h"
#include "platform/CacheFiles.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "support/MemorySource.h"
#include "support/TestSupport.h"

using vorlane::test::ListNames;
using vorlane::test::MemorySource;
using vorlane::test::ReadFile;
using vorlane::test::WriteFile;

namespace {

int64_t ModifiedTime(const std::string& path) {
  Platform::ReadOnlyFile file;
  EXPECT_TRUE(file.Open(path)) << path;
  return file.ModifiedTime();
}

class SavingChoices : public CapturePass {
 protected:
  int RunWith(MemorySource& source, CCapturePass::PassChoices with, bool skipDuplicates = true) {
    choices = std::move(with);
    return Run(source, false, skipDuplicates);
  }
};

}  // namespace

TEST(HttpDates, TheThreeFormsAndNothingElse) {
  const std::pair<const char*, std::optional<int64_t>> cases[] = {
      {"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
      {"Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
      {"Sun Nov  6 08:49:37 1994", 784111777},
      {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
      {"Mon, 29 Feb 2021 00:00:00 GMT", std::nullopt},
      {"Sun, 06 Nov 1994 25:49:37 GMT", std::nullopt},
      {"yesterday", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseHttpDate(text), expected) << text;
}

TEST(Sha256, KnownDigests) {
  const auto hex = [](std::string_view text) {
    Sha256 digest;
    digest.Update(std::as_bytes(std::span(text.data(), text.size())));
    return Sha256::Hex(digest.Finish());
  };
  EXPECT_EQ(hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST_F(SavingChoices, SiteAndBrowserFoldersAndOriginalNamesPerEntry) {
  Add(out + "/%BROWSER%/%SITE%/%ISODATE%", "%NAME%");
  WriteFile(out + "/Chrome/example.com/" + ExpandTokens("%ISODATE%", Platform::CurrentTime()) +
                "/photo.jpg",
            "not ours");
  MemorySource source({{"http://www.example.com/a/photo.jpg", "one", 1},
                       {"http://example.com/b/photo.jpg", "two", 1},
                       {"http://cdn.other.org/x",
                        "three",
                        1,
                        0,
                        -1,
                        false,
                        {},
                        "attachment; filename=\"photo.jpg\""},
                       {"http://cdn.other.org/", "four", 1}});
  EXPECT_EQ(RunWith(source, {.BrowserName = "Chrome"}), 4);
  const std::string day = ExpandTokens("%ISODATE%", Platform::CurrentTime());
  const std::string example = out + "/Chrome/example.com/" + day;
  EXPECT_EQ(ListNames(example),
            (std::vector<std::string>{"photo-1.jpg", "photo-2.jpg", "photo.jpg"}));
  EXPECT_EQ(ReadFile(example + "/photo.jpg"), "not ours");
  EXPECT_EQ(ReadFile(example + "/photo-1.jpg"), "one");
  EXPECT_EQ(ReadFile(example + "/photo-2.jpg"), "two");
  // A name from the server; no name at all falls back to "file".
  EXPECT_EQ(ListNames(out + "/Chrome/cdn.other.org/" + day),
            (std::vector<std::string>{"file.jpg", "photo.jpg"}));
}

TEST_F(SavingChoices, ServerTimesAReportAndADryRun) {
  Add(out, "f");
  MemorySource source({{"http://h/a.jpg",
                        "with modified",
                        1,
                        1000,
                        -1,
                        false,
                        {},
                        {},
                        "Sun, 06 Nov 1994 08:49:37 GMT",
                        "Mon, 07 Nov 1994 08:49:37 GMT"},
                       {"http://h/b.jpg",
                        "with date",
                        1,
                        1000,
                        -1,
                        false,
                        {},
                        {},
                        "bad",
                        "Mon, 07 Nov 1994 08:49:37 GMT"},
                       {"http://h/c.jpg", "neither", 1, 1000},
                       {"http://h/d.jpg", "with modified", 1},
                       {"http://h/e.jpg", "gone", 1, 0, -1, true}});
  // A dry run names the files and makes nothing, not even the folder; it counts the
  // second "with modified" as the duplicate the real run finds.
  EXPECT_EQ(RunWith(source, {.BrowserName = "Firefox", .DryRun = true, .Report = true}), 3);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(pass->GetSavedFiles().front(), Platform::JoinPath(out, "f0.jpg"));
  EXPECT_EQ(pass->GetReport().front().Outcome, "would be saved");

  EXPECT_EQ(RunWith(source, {.BrowserName = "Firefox", .KeepServerTime = true, .Report = true}), 3);
  EXPECT_EQ(ModifiedTime(out + "/f0.jpg"), 784111777);
  EXPECT_EQ(ModifiedTime(out + "/f1.jpg"), 784111777 + 86400);
  EXPECT_EQ(ModifiedTime(out + "/f2.jpg"), 1000);
  const auto& report = pass->GetReport();
  ASSERT_EQ(report.size(), 5u);
  EXPECT_EQ(report[0].Outcome, "saved");
  EXPECT_EQ(report[0].SavedPath, Platform::JoinPath(out, "f0.jpg"));
  EXPECT_EQ(report[0].Site, "h");
  EXPECT_EQ(report[0].SavedSize, 13u);
  Sha256 digest;
  const std::string body = "with modified";
  digest.Update(std::as_bytes(std::span(body.data(), body.size())));
  EXPECT_EQ(report[0].Sha256, Sha256::Hex(digest.Finish()));
  EXPECT_EQ(report[3].Outcome, "duplicate");
  EXPECT_EQ(report[3].SavedPath, Platform::JoinPath(out, "f0.jpg"));
  EXPECT_EQ(report[4].Outcome, "unreadable");
}

// While the browser runs, a body that changes while it is read is skipped, not saved half.
TEST_F(SavingChoices, LiveCaptureSkipsWhatChangesWhileRead) {
  Add(out, "f");
  MemorySource source({{"http://h/a.jpg", "steady", 1}, {"http://h/b.jpg", "growing", 1}});
  source.BeforeCopy = [&] {
    if (source.CopyCalls == 2) WriteFile(source.BodyFile(1), "growing and growing");
  };
  EXPECT_EQ(RunWith(source, {.BrowserName = "Firefox", .Live = true}), 1);
  EXPECT_EQ(pass->GetUnreadableCount(), 1u);
  EXPECT_EQ(ListNames(out), std::vector<std::string>{"f0.jpg"});
}
