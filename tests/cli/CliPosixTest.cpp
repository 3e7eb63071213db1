#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "CliRun.h"
#include "cli/CliApp.h"
#include "platform/Paths.h"
#include "support/MozillaCache2Writer.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

extern char** environ;

using namespace vorlane::test;

namespace {

// Runs vorlane-cli after `shell` (limits, traps) in the same shell.
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

}  // namespace

TEST(Cli, CapturesTheUrlCacheOfAWinePrefixThroughTheFilters) {
  // A Wine prefix as the program finds it by itself, with the cached files present.
  const std::string cache = Platform::HomeFolder().value_or(std::string()) +
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
// no file under a final name: nothing at all where the file system has files without a
// name, else a hidden rest that the next capture removes (its writer is gone). The next
// capture saves the file whole.
TEST(Cli, AKilledCaptureLeavesNoPartialFile) {
  TempDir dir;
  const std::string big(1 << 20, 'b');
  const std::string cache = TextCache(dir, {big});
  const std::string out = dir / "out";
  const std::string filters = CatchAll(dir, out);
  const CliRun killed =
      RunCliAfter("ulimit -f 256;", {"capture", "firefox", "--cache", cache, "--filters", filters});
  EXPECT_EQ(killed.Code, -1) << "not ended by the signal: " << killed.Err;
  for (const std::string& left : ListNames(out)) {
    EXPECT_TRUE(left.starts_with(".vorlane-") && left.ends_with(".part")) << left;
  }
  EXPECT_LE(ListNames(out).size(), 1u);

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

// Output that cannot be written (a full disk) is an error with its reason, never a
// success: exit 5.
TEST(Cli, OutputThatCannotBeWrittenExitsWithFive) {
  TempDir dir;
  const std::string cache = TextCache(dir, {"one body"});
  const std::vector<std::vector<std::string>> commands = {{"list", "firefox", "--cache", cache},
                                                          {"--help"}};
  for (const std::vector<std::string>& arguments : commands) {
    std::string command = std::string(VORLANE_CLI);
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    command += " >/dev/full 2>" + dir / "err" + " </dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << arguments[0];
    EXPECT_EQ(WEXITSTATUS(status), 5) << arguments[0];
    EXPECT_NE(ReadFile(dir / "err").find(std::strerror(ENOSPC)), std::string::npos)
        << ReadFile(dir / "err");
  }
}
