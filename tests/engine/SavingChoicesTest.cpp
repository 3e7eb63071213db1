// Original names, site folders, server times, reports, dry runs and captures while the
// browser runs.
#include <gtest/gtest.h>

#include <filesystem>

#include "CapturePassFixture.h"
#include "base/FileNames.h"
#include "base/HttpDate.h"
#include "base/Sha256.h"
#include "engine/CCacheFilter.h"
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

CCacheBrowser::CCacheElement Entry(std::string url, std::string disposition = {}) {
  CCacheBrowser::CCacheElement entry;
  entry.SourceUrl = std::move(url);
  entry.ContentDisposition = std::move(disposition);
  return entry;
}

int64_t ModifiedTime(const std::string& path) {
  Platform::ReadOnlyFile file;
  EXPECT_TRUE(file.Open(path)) << path;
  return file.ModifiedTime();
}

class SavingChoices : public CapturePass {
 protected:
  int RunWith(MemorySource& source, CCacheFilter::PassChoices choices, bool skipDuplicates = true) {
    set.SetChoices(std::move(choices));
    return Run(source, false, skipDuplicates);
  }
};

}  // namespace

TEST(OriginalNames, FromTheServerOrTheUrl) {
  const std::pair<CCacheBrowser::CCacheElement, std::string> cases[] = {
      {Entry("http://h/dir/photo%20one.jpg?size=2#top"), "photo one"},
      {Entry("http://h/a.tar.gz"), "a.tar"},
      {Entry("http://h/x", "attachment; filename=\"report 2026.pdf\""), "report 2026"},
      {Entry("http://h/x", "inline; filename=plain.txt"), "plain"},
      // filename* wins, percent-decoded from UTF-8, whatever its place.
      {Entry("http://h/x", "attachment; filename=\"naive.pdf\"; filename*=UTF-8''na%C3%AFve.pdf"),
       "na\xC3\xAFve"},
      {Entry("http://h/x", "attachment; filename=\"../../etc/passwd\""), "passwd"},
      {Entry("http://h/.hidden"), "hidden"},
      {Entry("http://h/dir/"), ""},
      {Entry("http://h/%00nul%0Ac"), "_nul_c"},
      {Entry("http://h/" + std::string(300, 'a') + ".jpg"), std::string(200, 'a')},
  };
  for (const auto& [entry, expected] : cases) {
    EXPECT_EQ(OriginalStem(entry), expected) << entry.SourceUrl << " " << entry.ContentDisposition;
  }
  // A long name is cut between UTF-8 sequences, never inside one.
  EXPECT_EQ(FileNames::SafeFileName(std::string(199, 'a') + "\xC3\xA9", false),
            std::string(199, 'a'));
  const std::pair<std::string, std::string> windows[] = {
      {"CON", "_CON"}, {"nul.txt", "_nul.txt"}, {"a:b*c?", "a_b_c_"}, {"name. . ", "name"},
      {"..", ""},      {"COM10", "COM10"},
  };
  for (const auto& [name, expected] : windows) {
    EXPECT_EQ(FileNames::SafeFileName(name, true), expected) << name;
  }
  EXPECT_EQ(SiteFolderName("https://WWW.Example.com:8443/a"), "example.com");
  EXPECT_EQ(SiteFolderName("http://user:pw@cdn.example.com/a"), "cdn.example.com");
  EXPECT_EQ(SiteFolderName("http://[::1]:80/a"), Platform::RunningOnWindows ? "[__1]" : "[::1]");
  EXPECT_EQ(SiteFolderName("not a url"), "not a url");
  EXPECT_EQ(SiteFolderName(""), "unknown-site");
  const std::string saves = Platform::JoinPath(Platform::JoinPath("/home/u", "VOR"), "all");
  EXPECT_EQ(FolderAboveEntryTokens(saves), saves);
  EXPECT_EQ(FolderAboveEntryTokens(Platform::JoinPath(saves, "%SITE%")), saves);
  EXPECT_EQ(FolderAboveEntryTokens(Platform::JoinPath(saves, "%BROWSER%-%SITE%")), saves);
  EXPECT_EQ(FolderAboveEntryTokens(Platform::JoinPath(Platform::JoinPath(saves, "x%SITE%"), "y")),
            saves);
}

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
  EXPECT_EQ(RunWith(source, {"Chrome", false, false, false, false}), 4);
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
  // A dry run names the files and makes nothing, not even the folder.
  EXPECT_EQ(RunWith(source, {"Firefox", false, true, false, true}), 4);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(set.GetSavedFiles().front(), Platform::JoinPath(out, "f0.jpg"));
  EXPECT_EQ(set.GetReport().front().Outcome, "would be saved");

  EXPECT_EQ(RunWith(source, {"Firefox", true, false, false, true}), 3);
  EXPECT_EQ(ModifiedTime(out + "/f0.jpg"), 784111777);
  EXPECT_EQ(ModifiedTime(out + "/f1.jpg"), 784111777 + 86400);
  EXPECT_EQ(ModifiedTime(out + "/f2.jpg"), 1000);
  const auto& report = set.GetReport();
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
  EXPECT_EQ(RunWith(source, {"Firefox", false, false, true, false}), 1);
  EXPECT_EQ(set.GetUnreadableCount(), 1u);
  EXPECT_EQ(ListNames(out), std::vector<std::string>{"f0.jpg"});
}
