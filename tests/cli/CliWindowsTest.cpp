#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "CliRun.h"
#include "platform/Paths.h"
#include "support/MozillaCache2Writer.h"
#include "support/SystemUrlCache.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

using namespace vorlane::test;

namespace {

// The saved files' contents, whatever their names.
std::multiset<std::string> Contents(const std::string& folder) {
  std::multiset<std::string> contents;
  for (const std::string& name : ListNames(folder)) {
    contents.insert(ReadFile(Platform::JoinPath(folder, name)));
  }
  return contents;
}

}  // namespace

// capture ie reads the system's own URL cache through WinINet: every entry this test
// committed is saved, each body decoded as its stored head says it was encoded.
TEST(CliWindows, CapturesTheSystemUrlCacheDecodingEveryBody) {
  TempDir dir;
  const std::string tag = Platform::FileName(dir.Path());
  struct Item {
    std::string Name;
    std::string Type;
    std::string Encoding;  // "" for none
    std::string Body;
  };
  const Item items[] = {
      {"plain.txt", "text/plain", "", "a plain body, stored as it came\n"},
      {"page.html", "text/html", "gzip", "<html>" + std::string(3000, 'g') + "</html>"},
      {"style.css", "text/css", "br", "body { color: #" + std::string(2000, 'b') + " }"},
      {"code.js", "application/javascript", "zstd", "var z = '" + std::string(5000, 'z') + "';"},
  };
  SystemUrlCacheEntries committed;
  for (const Item& item : items) {
    const std::string stored =
        item.Encoding.empty() ? item.Body : CompressBody(item.Encoding, item.Body);
    ASSERT_NE(stored.empty(), true);
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: " + item.Type + "\r\n";
    if (!item.Encoding.empty()) head += "Content-Encoding: " + item.Encoding + "\r\n";
    ASSERT_FALSE(
        committed
            .Commit("http://vorlane.test/" + tag + "/" + item.Name, stored, head + "\r\n", "bin")
            .empty())
        << item.Name;
  }

  const std::string out = dir / "saved";
  const CliRun run = RunCli({"capture", "ie", "--filters", CatchAll(dir, out)});
  ASSERT_EQ(run.Code, 0) << run.Err;
  const std::multiset<std::string> saved = Contents(out);
  for (const Item& item : items) EXPECT_EQ(saved.count(item.Body), 1u) << item.Name;
  // Every saved file is listed with its full path.
  for (const std::string& name : ListNames(out)) {
    EXPECT_NE(run.Out.find(Platform::JoinPath(out, name) + "\n"), std::string::npos) << name;
  }
}

// While a process of Internet Explorer's image name runs, neither it nor Maxthon (which
// shares the cache) is captured; naming a cache folder lifts that.
TEST(CliWindows, RefusesWhileIexploreRuns) {
  TempDir dir;
  const StandIn ie = MakeStandIn(dir.Path(), "iexplore.exe", 60);
  ASSERT_FALSE(ie.Program.empty());
  BackgroundProgram browser;
  ASSERT_TRUE(browser.Start(ie.Program, ie.Arguments));
  const CliRun refused = RunCli({"capture", "ie", "--filters", CatchAll(dir, dir / "out")});
  const CliRun partner = RunCli({"capture", "maxthon", "--filters", CatchAll(dir, dir / "out")});
  // A cache folder of its own, read from its index file.
  UrlCacheIndexWriter writer;
  writer.AddDirectory("ABCD1234");
  WriteFile(dir / "cache/ABCD1234/logo[1].gif", "GIF89a named");
  writer.AddUrl({.Url = "http://e.com/logo.gif",
                 .FileName = "logo[1].gif",
                 .Size = 12,
                 .HeaderInfo = "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\n"});
  ASSERT_TRUE(writer.WriteTo(dir / "cache/index.dat"));
  const CliRun named = RunCli({"capture", "ie", "--cache", dir / "cache", "--filters",
                               CatchAll(dir, dir / "named"), "--quiet"});
  browser.Kill();
  EXPECT_EQ(refused.Code, 1);
  EXPECT_NE(refused.Err.find("Microsoft Internet Explorer has to be closed. Please, close the "
                             "browser and try again."),
            std::string::npos)
      << refused.Err;
  EXPECT_EQ(partner.Code, 1);
  EXPECT_EQ(named.Code, 0) << named.Err;
  EXPECT_EQ(Contents(dir / "named"), std::multiset<std::string>{"GIF89a named"});
  EXPECT_TRUE(ListNames(dir / "out").empty());
}

// Arguments come from the wide command line and output is UTF-8, so a folder name that
// the ANSI code page cannot spell reaches the program and comes back unchanged.
TEST(CliWindows, ArgumentsAndOutputAreUtf8) {
  TempDir dir;
  const std::string cache = dir / "Caf\xC3\xA9 \xE2\x82\xAC \xD0\x96";
  std::filesystem::copy(PathOf(Sample()), PathOf(cache), std::filesystem::copy_options::recursive);
  const CliRun list = RunCli({"list", "firefox", "--cache", cache});
  ASSERT_EQ(list.Code, 0) << list.Err;
  EXPECT_EQ(Lines(list.Out), 9u);
  EXPECT_NE(list.Out.find("\t" + Platform::JoinPath(cache, "_CACHE_003_") + "\t"),
            std::string::npos)
      << list.Out;
}
