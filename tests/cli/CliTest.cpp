#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "cli/CliApp.h"
#include "cli/CliOptions.h"
#include "platform/Platform.h"
#include "support/MozillaCache2Writer.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

extern char** environ;

using vorlane::test::ListNames;
using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

namespace {

struct CliRun {
  int Code = -1;
  std::string Out;
  std::string Err;
};

// Runs vorlane-cli with its output in files (so neither stream is a terminal), after
// `shell` (limits, environment) in the same shell.
CliRun RunCliAfter(const std::string& shell, const std::vector<std::string>& arguments) {
  TempDir dir;
  std::string command = shell + " exec " + VORLANE_CLI;
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += " >" + dir / "out" + " 2>" + dir / "err" + " </dev/null";
  CliRun run;
  const int status = std::system(command.c_str());
  run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.Out = ReadFile(dir / "out");
  run.Err = ReadFile(dir / "err");
  return run;
}

CliRun RunCli(const std::vector<std::string>& arguments) {
  return RunCliAfter("", arguments);
}

// A cache2 cache of plain-text entries: body i is `bodies[i]`.
std::string TextCache(const TempDir& dir, const std::vector<std::string>& bodies) {
  vorlane::test::MozillaCache2Writer writer;
  for (size_t i = 0; i < bodies.size(); ++i) {
    writer.Add(vorlane::test::MozillaCache2Item("http://e.com/" + std::to_string(i), bodies[i])
                   .WithHead("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"));
  }
  EXPECT_TRUE(writer.Write(dir / "cache"));
  return dir / "cache";
}

std::string Sample() {
  return std::string(VORLANE_SOURCE_DIR) + "/samples/firefox-cache";
}

std::string CatchAll(const TempDir& dir, const std::string& folder) {
  const std::string path = dir / "all.flt";
  WriteFile(path, "[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=0\nMinHeight=0\nDirectory=" +
                      folder + "\nFileNameDummy=file\n");
  return path;
}

// Where the settings file would be for the sandboxed user.
std::string ProgramLikeSettingsPath() {
  return Platform::LocalAppDataFolder().value_or("") + "/Vorlane/VOR.cfg";
}

size_t Lines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

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
           {"capture", "firefox", "--format", "json"}}) {
    const CliRun run = RunCli(bad);
    EXPECT_EQ(run.Code, 2) << testing::PrintToString(bad);
    EXPECT_NE(run.Err.find("Usage:"), std::string::npos);
  }
}

TEST(Cli, ParsesTimesAsUtc) {
  EXPECT_EQ(ParseCliTime("0"), 0);
  EXPECT_EQ(ParseCliTime("1765013400"), 1765013400);
  EXPECT_EQ(ParseCliTime("2026-12-06"), 1796515200);
  EXPECT_EQ(ParseCliTime("2026-12-06T09:30"), 1796515200 + 9 * 3600 + 30 * 60);
  EXPECT_EQ(ParseCliTime("2026-12-06T09:30:15Z"), 1796515200 + 9 * 3600 + 30 * 60 + 15);
  for (const char* bad : {"", "2026-13-01", "2026-12-06T25:00", "12/06/2026", "2026-12-06Tx",
                          "99999999999999999999"}) {
    EXPECT_FALSE(ParseCliTime(bad).has_value()) << bad;
  }
  EXPECT_EQ(FormatIsoTime(1796515200 + 15), "2026-12-06T00:00:15Z");
}

TEST(Cli, ListsTheSampleCacheInEveryFormat) {
  const CliRun tsv = RunCli({"list", "firefox", "--cache", Sample()});
  ASSERT_EQ(tsv.Code, 0) << tsv.Err;
  EXPECT_EQ(tsv.Out.substr(0, tsv.Out.find('\n')),
            "index\tkind\tsize\ttime\tmime\turl\tfile\tsite");
  EXPECT_EQ(Lines(tsv.Out), 9u);
  EXPECT_NE(tsv.Out.find("\tpng\t12263\t2018-08-01T07:27:05Z\timage/png\t"
                         "http://www.google.com/images/nav_logo229.png\t" +
                         Sample() + "/_CACHE_003_\t\n"),
            std::string::npos);

  const CliRun csv = RunCli({"list", "firefox", "--cache", Sample(), "--format", "csv"});
  EXPECT_EQ(csv.Out.substr(0, csv.Out.find('\n')), "index,kind,size,time,mime,url,file,site");
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
  // The message says where the program looked, in the interface's words.
  EXPECT_NE(capture.Err.find("Can't open Mozilla cache"), std::string::npos) << capture.Err;
  EXPECT_NE(capture.Err.find(empty.Path()), std::string::npos) << capture.Err;
}

TEST(Cli, CapturesSkipsDuplicatesAndLeavesTheSettingsAlone) {
  TempDir dir;
  const std::string out = dir / "saved";
  const std::string filters = CatchAll(dir, out);
  const CliRun first = RunCli({"capture", "firefox", "--cache", Sample(), "--filters", filters});
  ASSERT_EQ(first.Code, 0) << first.Err;
  EXPECT_EQ(ListNames(out).size(), 8u);
  EXPECT_NE(first.Out.find(out + "/file0.png\n"), std::string::npos);
  EXPECT_EQ(first.Out.substr(first.Out.rfind('\n', first.Out.size() - 2) + 1),
            "8 new files have been captured and saved\n");
  // Progress is drawn only on a terminal.
  EXPECT_EQ(first.Err.find('\r'), std::string::npos);
  EXPECT_EQ(ReadFile(out + "/file4.png").substr(1, 3), "PNG");

  const CliRun again =
      RunCli({"capture", "firefox", "--cache", Sample(), "--filters", filters, "--quiet"});
  EXPECT_EQ(again.Code, 0);
  EXPECT_EQ(again.Out, "0 new files have been captured and saved\n");
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
  const std::string fake = dir / "firefox";
  std::filesystem::copy_file("/bin/sleep", fake);
  std::filesystem::permissions(fake, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  pid_t pid = 0;
  char* argv[] = {const_cast<char*>(fake.c_str()), const_cast<char*>("30"), nullptr};
  ASSERT_EQ(posix_spawn(&pid, fake.c_str(), nullptr, nullptr, argv, environ), 0);
  const CliRun refused = RunCli({"capture", "firefox", "--filters", CatchAll(dir, dir / "out")});
  const CliRun named =
      RunCli({"capture", "firefox", "--cache", Sample(), "--filters", CatchAll(dir, dir / "out")});
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_EQ(refused.Code, 1);
  EXPECT_NE(refused.Err.find(
                "Mozilla Firefox has to be closed. Please, close the browser and try again."),
            std::string::npos);
  EXPECT_EQ(named.Code, 0) << named.Err;
}

TEST(Cli, CapturesTheUrlCacheOfAWinePrefixThroughTheFilters) {
  // A Wine prefix as the program finds it by itself, with the cached files present.
  const std::string cache = Platform::HomeFolder() +
                            "/.wine/drive_c/users/me/AppData/Local/Microsoft/Windows/INetCache/"
                            "Content.IE5";
  vorlane::test::UrlCacheIndexWriter writer(
      vorlane::test::UrlCacheIndexWriter::Signature::Wine2012);
  writer.AddDirectory("ABCD1234");
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "fake body";
  WriteFile(cache + "/ABCD1234/logo[1].png", png);
  WriteFile(cache + "/ABCD1234/page[1].htm", "<html></html>");
  writer.AddUrl({.Url = "http://example.com/logo.png",
                 .FileName = "logo[1].png",
                 .Size = png.size(),
                 .HeaderInfo = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n\r\n"});
  writer.AddUrl({.Url = "http://example.com/",
                 .FileName = "page[1].htm",
                 .Size = 13,
                 .HeaderInfo = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n"});
  writer.AddUrl({.Url = "Cookie:me@example.com/",
                 .FileName = "page[1].htm",
                 .EntryType = 0x00100001,
                 .HeaderInfo = "HTTP/1.1 200 OK\r\n\r\n"});
  ASSERT_TRUE(writer.WriteTo(cache + "/index.dat"));

  TempDir dir;
  const std::string filters = dir / "png.flt";
  WriteFile(filters,
            "[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=3\nMinHeight=0\nDirectory=" +
                dir / "out" + "\nFileNameDummy=ie\n");
  const CliRun run = RunCli({"capture", "ie", "--filters", filters, "--quiet"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  EXPECT_EQ(run.Out, "1 new file has been captured and saved\n");
  EXPECT_EQ(ListNames(dir / "out"), std::vector<std::string>{"ie0.png"});
  EXPECT_EQ(ReadFile(dir / "out/ie0.png"), png);
  // Maxthon shares the cache: its name reads the same source.
  EXPECT_EQ(RunCli({"list", "maxthon"}).Out, RunCli({"list", "ie"}).Out);
}

TEST(Cli, WatchCapturesWhatABrowserCachedWhileItRan) {
  TempDir dir;
  const std::string cache = dir / "Content.IE5";
  vorlane::test::UrlCacheIndexWriter writer;
  writer.AddDirectory("QWERTY12");
  WriteFile(cache + "/QWERTY12/new[1].gif", "GIF89a new");
  WriteFile(cache + "/QWERTY12/old[1].gif", "GIF89a old");
  const std::time_t tomorrow = std::time(nullptr) + 86400;
  std::tm utc{};
  gmtime_r(&tomorrow, &utc);
  const uint32_t later = vorlane::test::UrlCacheIndexWriter::FatDateTime(
      utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, 0);
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
  const std::string fake = dir / "iexplore.exe";
  std::filesystem::copy_file("/bin/sleep", fake);
  std::filesystem::permissions(fake, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  const std::string command = "(sleep 0.5; '" + fake + "' 1) &";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const CliRun run = RunCli({"watch", "ie", "--cache", cache, "--filters",
                             CatchAll(dir, dir / "out"), "--once", "--interval", "50", "--quiet"});
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

// Ctrl-C stops a capture between two files: what was saved is listed and whole, and
// the exit code says the capture did not finish.
TEST(Cli, InterruptedCaptureStopsBetweenFiles) {
  TempDir dir;
  vorlane::test::MozillaCache2Writer writer;
  std::set<std::string> bodies;
  for (int i = 0; i < 3000; ++i) {
    std::string body(32 * 1024, static_cast<char>('a' + i % 26));
    body.replace(0, 12, "body " + std::to_string(100000 + i));
    bodies.insert(body);
    writer.Add(vorlane::test::MozillaCache2Item("http://e.com/" + std::to_string(i) + ".txt", body)
                   .WithHead("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"));
  }
  ASSERT_TRUE(writer.Write(dir / "cache"));

  const std::string out = dir / "out";
  std::vector<std::string> arguments = {VORLANE_CLI,   "capture",   "firefox",          "--cache",
                                        dir / "cache", "--filters", CatchAll(dir, out), "--quiet"};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (dir / "stdout").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  // Interrupted once the saving has begun.
  for (int wait = 0; wait < 2000 && ListNames(out).size() < 5; ++wait) usleep(5000);
  kill(child, SIGINT);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
  const int code = WEXITSTATUS(status);
  // On a fast machine the capture may have finished first.
  EXPECT_TRUE(code == 130 || code == 0) << code;
  const std::vector<std::string> saved = ListNames(out);
  if (code == 130) {
    EXPECT_LT(saved.size(), bodies.size());
  }
  EXPECT_EQ(ReadFile(dir / "stdout"), NewFilesText(static_cast<int>(saved.size())) + "\n");
  for (const std::string& name : saved) {
    EXPECT_EQ(bodies.count(ReadFile(out + "/" + name)), 1u) << name << " is not whole";
  }
}

// A capture killed in the middle of a file (here by the file-size limit's signal) leaves
// no file under a final name; the next capture removes the hidden rest and saves it whole.
TEST(Cli, AKilledCaptureLeavesNoPartialFile) {
  TempDir dir;
  const std::string big(1 << 20, 'b');
  const std::string cache = TextCache(dir, {big});
  const std::string out = dir / "out";
  const std::string filters = CatchAll(dir, out);
  const CliRun killed =
      RunCliAfter("ulimit -f 256;", {"capture", "firefox", "--cache", cache, "--filters", filters});
  EXPECT_EQ(killed.Code, -1) << "not ended by the signal: " << killed.Err;
  std::vector<std::string> left = ListNames(out);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(left[0].starts_with(".vorlane-") && left[0].ends_with(".part")) << left[0];

  const CliRun again = RunCli({"capture", "firefox", "--cache", cache, "--filters", filters});
  EXPECT_EQ(again.Code, 0) << again.Err;
  EXPECT_EQ(ListNames(out), std::vector<std::string>{"file0.plain"});
  EXPECT_EQ(ReadFile(out + "/file0.plain"), big);
}

// A file that cannot be written stops the capture with exit code 5 and a message that
// names the folder and the system's reason; what was saved before stays and is listed.
TEST(Cli, AFailedSaveIsReportedAndEndsTheCapture) {
  TempDir dir;
  const std::string cache = TextCache(dir, {"small one", std::string(1 << 20, 'b'), "small two"});
  const std::string out = dir / "out";
  const CliRun full =
      RunCliAfter("ulimit -f 256; trap '' XFSZ;",
                  {"capture", "firefox", "--cache", cache, "--filters", CatchAll(dir, out)});
  EXPECT_EQ(full.Code, 5) << full.Err;
  EXPECT_NE(
      full.Err.find("Can't save the file in the folder:\n" + out + "\n" + std::strerror(EFBIG)),
      std::string::npos)
      << full.Err;
  // Entries come in file-name order: whatever came before the big one is saved whole.
  const std::vector<std::string> saved = ListNames(out);
  EXPECT_LT(saved.size(), 3u);
  for (const std::string& name : saved) {
    const std::string body = ReadFile(out + "/" + name);
    EXPECT_TRUE(body == "small one" || body == "small two") << name;
    EXPECT_NE(full.Out.find(out + "/" + name + "\n"), std::string::npos) << full.Out;
  }
  EXPECT_NE(full.Out.find(NewFilesText(static_cast<int>(saved.size()))), std::string::npos);

  // A stem too long for any name of the file system.
  const std::string stemmed = dir / "long.flt";
  WriteFile(stemmed,
            "[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=0\nMinHeight=0\n"
            "Directory=" +
                dir / "long" + "\nFileNameDummy=" + std::string(300, 's') + "\n");
  const CliRun tooLong = RunCli({"capture", "firefox", "--cache", cache, "--filters", stemmed});
  EXPECT_EQ(tooLong.Code, 5);
  EXPECT_NE(tooLong.Err.find(std::strerror(ENAMETOOLONG)), std::string::npos) << tooLong.Err;
  EXPECT_TRUE(ListNames(dir / "long").empty());
}

TEST(Cli, EveryCacheThatCannotBeOpenedIsReported) {
  TempDir dir;
  vorlane::test::ScopedEnv wine("WINEPREFIX", dir / "no-wine");
  for (const char* action : {"list", "capture"}) {
    std::vector<std::string> arguments = {action, "ie"};
    if (std::string(action) == "capture") {
      arguments.insert(arguments.end(), {"--filters", CatchAll(dir, dir / "out")});
    }
    const CliRun run = RunCli(arguments);
    EXPECT_EQ(run.Code, 3) << action;
    EXPECT_NE(run.Err.find("Can't open the cache:\n" + dir / "no-wine/drive_c/users/"),
              std::string::npos)
        << run.Err;
  }
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

TEST(Cli, WatchStoppedBySignalSaysSoAndExits130) {
  TempDir dir;
  for (const int signal : {SIGTERM, SIGHUP}) {
    std::vector<std::string> arguments = {VORLANE_CLI, "watch", "firefox", "--interval", "50"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, (dir / "err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    for (int wait = 0; wait < 400 && ReadFile(dir / "err").empty(); ++wait) usleep(5000);
    kill(child, signal);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << signal;
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_NE(ReadFile(dir / "err").find("watching was stopped"), std::string::npos);
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
