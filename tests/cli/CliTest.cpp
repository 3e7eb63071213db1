#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#include "CliRun.h"
#include "base/CivilTime.h"
#include "cli/CliApp.h"
#include "cli/CliOptions.h"
#include "cli/EntryListing.h"
#include "config/BrowserTable.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "support/MozillaCache2Writer.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

using namespace vorlane::test;

TEST(Cli, UsageVersionAndUsageErrors) {
  EXPECT_EQ(RunCli({"--version"}).Out, "Vorlane v 1.2\n");
  const CliRun help = RunCli({"--help"});
  EXPECT_EQ(help.Code, 0);
  EXPECT_NE(help.Out.find("Exit codes"), std::string::npos);
  for (const auto& bad : std::vector<std::vector<std::string>>{
           {},
           {"comb"},
           {"list"},
           {"list", "netscape"},
           {"list", "firefox", "--since", "1"},  // a capture option
           {"capture", "ie", "--cache"},
           {"capture", "firefox", "--since", "yesterday"},
           {"capture", "firefox", "--since", "2026-02-30"},
           {"capture", "firefox", "--format", "json"},
           {"watch", "firefox", "--since", "1"},
           {"watch", "firefox", "--live"}}) {
    const CliRun run = RunCli(bad);
    EXPECT_EQ(run.Code, 2) << testing::PrintToString(bad);
    // One line that says what is wrong, and where to read more; not the whole help.
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 2) << run.Err;
    EXPECT_TRUE(run.Err.ends_with("\nTry 'vorlane-cli --help'.\n")) << run.Err;
  }
  // A watch says why it takes no --since, and takes what means something for it.
  EXPECT_NE(
      RunCli({"watch", "firefox", "--since", "1"}).Err.find("--since does not apply to watch"),
      std::string::npos);
  std::string error;
  const std::optional<CliOptions> watch = ParseCliOptions(
      {"watch", "firefox", "--dry-run", "--report", "r.csv", "--raw", "--once"}, error);
  ASSERT_TRUE(watch.has_value()) << error;
  EXPECT_TRUE(watch->DryRun);
  EXPECT_EQ(watch->ReportFile, "r.csv");
}

TEST(Cli, ParsesTimesAsUtc) {
  EXPECT_EQ(ParseCliTime("0"), 0);
  EXPECT_EQ(ParseCliTime("1765013400"), 1765013400);
  EXPECT_EQ(ParseCliTime("2026-12-06"), 1796515200);
  EXPECT_EQ(ParseCliTime("2026-12-06T09:30"), 1796515200 + 9 * 3600 + 30 * 60);
  EXPECT_EQ(ParseCliTime("2026-12-06T09:30:15Z"), 1796515200 + 9 * 3600 + 30 * 60 + 15);
  EXPECT_EQ(ParseCliTime("2024-02-29"), 1709164800);
  for (const char* bad : {"", "2026-13-01", "2026-12-06T25:00", "12/06/2026", "2026-12-06Tx",
                          "99999999999999999999", "2026-02-30", "2026-02-29", "2026-04-31"}) {
    EXPECT_FALSE(ParseCliTime(bad).has_value()) << bad;
  }
  EXPECT_EQ(FormatIsoTime(1796515200 + 15), "2026-12-06T00:00:15Z");
}

TEST(Cli, ListsTheSampleCacheInEveryFormat) {
  const CliRun tsv = RunCli({"list", "firefox", "--cache", Sample()});
  ASSERT_EQ(tsv.Code, 0) << tsv.Err;
  EXPECT_EQ(tsv.Out.substr(0, tsv.Out.find('\n')),
            "index\tkind\tsize\ttime\tmime\turl\tfile\tsite\tpartition");
  EXPECT_EQ(Lines(tsv.Out), 9u);
  EXPECT_NE(tsv.Out.find("\tpng\t12263\t2018-08-01T07:27:05Z\timage/png\t"
                         "http://www.google.com/images/nav_logo229.png\t" +
                         Platform::JoinPath(Sample(), "_CACHE_003_") + "\tgoogle.com\t\n"),
            std::string::npos);

  const CliRun csv = RunCli({"list", "firefox", "--cache", Sample(), "--format", "csv"});
  EXPECT_EQ(csv.Out.substr(0, csv.Out.find('\n')),
            "index,kind,size,time,mime,url,file,site,partition");
  // A URL with a comma is quoted.
  EXPECT_NE(csv.Out.find(",\"http://www.google.com/xjs/_/js/k=xjs.hp.en.mpb1WB2NNYY.O/m=sb_he,d/"),
            std::string::npos);

  const CliRun json = RunCli({"list", "firefox", "--cache", Sample(), "--format", "json"});
  EXPECT_EQ(json.Out.front(), '[');
  EXPECT_EQ(json.Out.substr(json.Out.size() - 2), "]\n");
  EXPECT_NE(json.Out.find("{\"index\": 0, \"kind\": \"png\", \"size\": 9760,"), std::string::npos);
}

TEST(Cli, CacheThatCannotBeOpenedExitsWithThree) {
  TempDir empty;
  EXPECT_EQ(RunCli({"list", "firefox", "--cache", empty / "nothing"}).Code, 3);
  EXPECT_EQ(RunCli({"list", "ie", "--cache", empty.Path()}).Code, 3);
  const CliRun capture = RunCli(
      {"capture", "firefox", "--cache", empty.Path(), "--filters", CatchAll(empty, empty / "out")});
  EXPECT_EQ(capture.Code, 3);
  // The message says where the program looked and what for, in the format's words, and
  // how to name another folder; there is no Options dialog to point to.
  const struct {
    const char* Browser;
    const char* LookedFor;
  } formats[] = {{"firefox", "cache2 'entries' folder"},
                 {"chromium", "'index-dir' folder"},
                 {"ie", "'index.dat'"}};
  for (const auto& format : formats) {
    const CliRun list = RunCli({"list", format.Browser, "--cache", empty.Path()});
    EXPECT_EQ(list.Code, 3) << format.Browser;
    EXPECT_NE(list.Err.find("Can't open the cache:\n" + empty.Path()), std::string::npos)
        << list.Err;
    EXPECT_NE(list.Err.find(format.LookedFor), std::string::npos) << list.Err;
    EXPECT_NE(list.Err.find("with --cache DIR"), std::string::npos) << list.Err;
    EXPECT_EQ(list.Err.find("Options"), std::string::npos) << list.Err;
  }
  EXPECT_NE(capture.Err.find("cache2 'entries' folder"), std::string::npos) << capture.Err;
}

TEST(Cli, CapturesSkipsDuplicatesAndLeavesTheSettingsAlone) {
  TempDir dir;
  const std::string out = dir / "saved";
  const std::string filters = CatchAll(dir, out);
  const CliRun first = RunCli({"capture", "firefox", "--cache", Sample(), "--filters", filters});
  ASSERT_EQ(first.Code, 0) << first.Err;
  EXPECT_EQ(ListNames(out).size(), 8u);
  EXPECT_NE(first.Out.find(Platform::JoinPath(out, "file0.png") + "\n"), std::string::npos);
  EXPECT_EQ(first.Out.substr(first.Out.rfind('\n', first.Out.size() - 2) + 1),
            "8 new files have been captured and saved\n");
  // Progress is drawn only on a terminal.
  EXPECT_EQ(first.Err.find('\r'), std::string::npos);
  EXPECT_EQ(ReadFile(Platform::JoinPath(out, "file4.png")).substr(1, 3), "PNG");

  const CliRun again =
      RunCli({"capture", "firefox", "--cache", Sample(), "--filters", filters, "--quiet"});
  EXPECT_EQ(again.Code, 0);
  // A capture that saves nothing says why.
  EXPECT_EQ(again.Out, "0 new files have been captured and saved\nNo new files: 8 already saved\n");
  const CliRun copies =
      RunCli({"capture", "firefox", "--cache", Sample(), "--filters", filters,
              "--no-skip-duplicates", "--quiet", "--since", "2018-08-01T07:27:06Z"});
  EXPECT_EQ(copies.Out, "1 new file has been captured and saved\n");
  EXPECT_EQ(ListNames(out).size(), 9u);

  const std::string settings = ProgramLikeSettingsPath();
  EXPECT_FALSE(Platform::FileExists(settings)) << settings;
}

TEST(Cli, OutputFolderThatCannotBeCreatedExitsWithFour) {
  TempDir dir;
  const CliRun run = RunCli(
      {"capture", "firefox", "--cache", Sample(), "--filters", CatchAll(dir, "relative/folder")});
  EXPECT_EQ(run.Code, 4);
  EXPECT_NE(run.Err.find("Can't create the folder:\nrelative/folder"), std::string::npos)
      << run.Err;
  EXPECT_NE(RunCli({"capture", "firefox", "--cache", Sample(), "--filters", dir / "none.flt"}).Code,
            0);
}

TEST(Cli, RefusesWhileTheBrowserRunsUnlessTheCacheIsNamed) {
  TempDir dir;
  const StandIn firefox = MakeStandIn(dir.Path(), ProcessNamesOf(Browsers()[Firefox]).front(), 30);
  BackgroundProgram browser;
  ASSERT_TRUE(browser.Start(firefox.Program, firefox.Arguments));
  const CliRun refused = RunCli({"capture", "firefox", "--filters", CatchAll(dir, dir / "out")});
  const CliRun named =
      RunCli({"capture", "firefox", "--cache", Sample(), "--filters", CatchAll(dir, dir / "out")});
  browser.Kill();
  EXPECT_EQ(refused.Code, 1);
  EXPECT_NE(refused.Err.find(
                "Mozilla Firefox has to be closed. Please, close the browser and try again."),
            std::string::npos);
  EXPECT_EQ(named.Code, 0) << named.Err;
}

TEST(Cli, WatchCapturesWhatABrowserCachedWhileItRan) {
  TempDir dir;
  const std::string cache = dir / "Content.IE5";
  vorlane::test::UrlCacheIndexWriter writer;
  writer.AddDirectory("QWERTY12");
  WriteFile(cache + "/QWERTY12/new[1].gif", "GIF89a new");
  WriteFile(cache + "/QWERTY12/old[1].gif", "GIF89a old");
  const CivilTime::DateTime utc = CivilTime::FromUnixSeconds(std::time(nullptr) + 86400);
  const uint32_t later = vorlane::test::UrlCacheIndexWriter::FatDateTime(
      static_cast<int>(utc.Year), static_cast<int>(utc.Month), static_cast<int>(utc.Day),
      static_cast<int>(utc.Hour), static_cast<int>(utc.Minute), 0);
  const uint32_t earlier = vorlane::test::UrlCacheIndexWriter::FatDateTime(2015, 1, 1, 0, 0, 0);
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\n";
  writer.AddUrl({.Url = "http://e.com/new.gif",
                 .FileName = "new[1].gif",
                 .Size = 10,
                 .LastSyncFat = later,
                 .HeaderInfo = head});
  writer.AddUrl({.Url = "http://e.com/old.gif",
                 .FileName = "old[1].gif",
                 .Size = 10,
                 .LastSyncFat = earlier,
                 .HeaderInfo = head});
  ASSERT_TRUE(writer.WriteTo(cache + "/index.dat"));

  // A stand-in browser starts after the watcher and ends after a while.
  const StandIn ie = MakeStandIn(dir.Path(), "iexplore.exe", 1);
  ASSERT_FALSE(ie.Program.empty());
  std::thread browser([&ie] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    BackgroundProgram program;
    if (program.Start(ie.Program, ie.Arguments)) program.Wait();
  });
  const CliRun run = RunCli({"watch", "ie", "--cache", cache, "--filters",
                             CatchAll(dir, dir / "out"), "--once", "--interval", "50", "--quiet"});
  browser.join();
  EXPECT_EQ(run.Code, 0) << run.Err;
  EXPECT_EQ(run.Out, "1 new file has been captured and saved\n");
  EXPECT_EQ(ListNames(dir / "out"), std::vector<std::string>{"file0.gif"});
  EXPECT_EQ(ReadFile(dir / "out/file0.gif"), "GIF89a new");
}

TEST(Cli, DecodesCompressedBodiesUnlessRawIsAsked) {
  TempDir dir;
  const std::string icons = dir / "icons.flt";
  WriteFile(icons,
            "[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=5\nMinHeight=0\nDirectory=" +
                dir / "out" + "\nFileNameDummy=icon\n");
  ASSERT_EQ(RunCli({"capture", "firefox", "--cache", Sample(), "--filters", icons}).Code, 0);
  ASSERT_EQ(RunCli({"capture", "firefox", "--cache", Sample(), "--filters", icons, "--raw"}).Code,
            0);
  // The sample's icon was stored gzip-encoded, as the server sent it.
  EXPECT_EQ(ReadFile(dir / "out/icon0.ico").substr(0, 4), std::string("\0\0\1\0", 4));
  EXPECT_EQ(ReadFile(dir / "out/icon1.ico").substr(0, 2), "\x1f\x8b");
}

TEST(Cli, SkippedEntriesAreCountedAndFieldsAreMadeVisible) {
  TempDir dir;
  vorlane::test::MozillaCache2Writer writer;
  writer.Add(vorlane::test::MozillaCache2Item("http://e.com/\x1b[31mred\tx", "body"));
  writer.Put("entries/0000000000000000000000000000000000000000", "damaged");
  ASSERT_TRUE(writer.Write(dir / "cache"));
  const CliRun list = RunCli({"list", "firefox", "--cache", dir / "cache"});
  EXPECT_EQ(list.Code, 0);
  EXPECT_NE(list.Out.find("\thttp://e.com/\\x1B[31mred\\x09x\t"), std::string::npos) << list.Out;
  EXPECT_EQ(list.Out.find('\x1b'), std::string::npos);
  EXPECT_EQ(list.Err, "vorlane-cli: 1 cache entries could not be read and were skipped\n");
  const CliRun capture = RunCli(
      {"capture", "firefox", "--cache", dir / "cache", "--filters", CatchAll(dir, dir / "out")});
  EXPECT_EQ(capture.Code, 0);
  EXPECT_NE(capture.Err.find("1 cache entries could not be read"), std::string::npos);
}

// Every build lists a cache with the same rows: those the Linux build printed, with the
// cache folder written as "<cache>" and the pieces of the file column joined with '/'.
TEST(Cli, ListingsGiveTheStoredRows) {
  const struct {
    std::string Cache;
    const char* Rows;
  } cases[] = {
      {Sample(), "listings/firefox-sample.tsv"},
      {FixturePath("firefox-cache2/firefox-51.0"), "listings/firefox-51.0.tsv"},
  };
  constexpr size_t kFileColumn = 6;
  for (const auto& c : cases) {
    const CliRun run = RunCli({"list", "firefox", "--cache", c.Cache});
    ASSERT_EQ(run.Code, 0) << run.Err;
    std::string rows;
    size_t field = 0;
    for (size_t at = 0; at < run.Out.size();) {
      const size_t end = std::min(run.Out.find_first_of("\t\n", at), run.Out.size());
      std::string text = run.Out.substr(at, end - at);
      if (field == kFileColumn && text.starts_with(c.Cache)) {
        text = "<cache>" + text.substr(c.Cache.size());
        std::replace(text.begin(), text.end(), Platform::PathSeparator, '/');
      }
      rows += text;
      if (end < run.Out.size()) rows += run.Out[end];
      field = end < run.Out.size() && run.Out[end] == '\t' ? field + 1 : 0;
      at = end + 1;
    }
    EXPECT_EQ(rows, ReadFile(FixturePath(c.Rows))) << c.Cache;
  }
}

TEST(Cli, ChromiumFamilyByAnyNameAndFolder) {
  const CliRun unknown = RunCli({"list", "netscape"});
  EXPECT_EQ(unknown.Code, 2);
  EXPECT_NE(unknown.Err.find("known: firefox, ie, maxthon, chrome, chromium, edge, brave, opera, "
                             "vivaldi, discord, slack, code, teams"),
            std::string::npos)
      << unknown.Err;
  // The folder of the cache files, or the one above it.
  const std::string cache = std::string(VORLANE_FIXTURES) + "/chromium/simple-68.0";
  for (const std::string& folder : {cache, cache + "/index-dir/.."}) {
    const CliRun list = RunCli({"list", "CHROMIUM", "--cache", folder});
    EXPECT_EQ(list.Code, 0) << list.Err;
    EXPECT_NE(list.Out.find("\tplain\t1434\t2018-08-04T11:29:03Z\ttext/plain; charset=utf-8\t"
                            "https://raw.githubusercontent.com/dfirlabs/chrome-specimens/master/"
                            "generate-specimens.sh\t"),
              std::string::npos)
        << list.Out;
  }
  EXPECT_EQ(RunCli({"list", "edge", "--cache", cache + "/index-dir"}).Code, 3);
}

// Places a capture may not write: a folder or report inside the cache it reads, a folder
// whose name a file has (with the system's reason). Each is exit 4 with a message that
// says so, and nothing is written inside the cache.
TEST(Cli, RefusesToWriteInsideTheCacheAndSaysWhyAFolderCannotBeMade) {
  TempDir dir;
  const std::string cache = TextCache(dir, {"one", "two"});
  WriteFile(dir / "blocker", "a file where a folder would be");
  const struct {
    const char* Name;
    std::string Folder;
    std::string Report;
    const char* Says;
  } cases[] = {
      {"a folder inside the cache", cache + "/entries", "", "inside the cache"},
      {"a report inside the cache", dir / "out", cache + "/report.csv", "inside the cache"},
      {"a folder behind a file", dir / "blocker/out", "",
       Platform::RunningOnWindows ? "irectory name" : "Not a directory"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = {"capture", "firefox",   "--cache",
                                          cache,     "--filters", CatchAll(dir, c.Folder)};
    if (!c.Report.empty()) arguments.insert(arguments.end(), {"--report", c.Report});
    const CliRun run = RunCli(arguments);
    EXPECT_EQ(run.Code, 4) << c.Name << "\n" << run.Err;
    EXPECT_NE(run.Err.find(c.Says), std::string::npos) << c.Name << "\n" << run.Err;
  }
  EXPECT_EQ(ListNames(cache), std::vector<std::string>{});
  EXPECT_EQ(ListNames(cache + "/entries").size(), 2u);
}

// A cell that a spreadsheet would take as a formula stays text.
TEST(Cli, CsvCellsThatLookLikeFormulasAreQuoted) {
  const struct {
    const char* Text;
    const char* Cell;
  } cases[] = {
      {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
      {"+1", "\"'+1\""},
      {"-2", "\"'-2\""},
      {"@SUM(A1)", "\"'@SUM(A1)\""},
      {"a=b", "a=b"},
      {"a,b", "\"a,b\""},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.Text), c.Cell) << c.Text;
}
