#include <filesystem>

#include "ChildProcess.h"
#include "support/TestSupport.h"

namespace vorlane::bench {
namespace {

using test::TempDir;

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

// The whole runner at a tiny scale: every figure is printed, and without --keep the
// work folder is left empty. At this size the judged ratios are noise, so either
// verdict is accepted.
TEST(BenchRunnerTest, PrintsEveryFigureAndCleansUp) {
  TempDir dir;
  const auto result = RunChild({VORLANE_BENCH_BINARY, "run", "--format", "firefox-v1", "--entries",
                                "240", "--repeat", "2", "--doubling", "--work", dir.Path()});
  ASSERT_TRUE(result);
  EXPECT_TRUE(result->ExitCode == 0 || result->ExitCode == 1) << result->ExitCode;
  const std::string& out = result->Output;
  for (std::string_view line : {"cache      240 entries", "(24 separate files, 48 duplicates)",
                                "capture    ", "floor      cp -r", "ratio      capture / cp -r = ",
                                "peak RSS   ", "doubling   120 -> 240 entries", "listing    "}) {
    EXPECT_TRUE(Contains(out, line)) << line << "\n" << out;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// The format stored partly compressed captures twice per run, decoding off and on,
// and reports the decoding speed apart from the ratio.
TEST(BenchRunnerTest, CompressedFormatReportsDecodingAndBadRequestsFail) {
  TempDir dir;
  const auto cache2 = RunChild({VORLANE_BENCH_BINARY, "run", "--format", "firefox-cache2",
                                "--entries", "200", "--repeat", "1", "--work", dir.Path()});
  ASSERT_TRUE(cache2);
  EXPECT_TRUE(cache2->ExitCode == 0 || cache2->ExitCode == 1) << cache2->ExitCode;
  for (std::string_view line :
       {"cache      200 entries", "ratio      capture / cp -r = ", "decoding   ", "listing    "}) {
    EXPECT_TRUE(Contains(cache2->Output, line)) << line << "\n" << cache2->Output;
  }
  EXPECT_FALSE(Contains(cache2->Output, "skipped")) << cache2->Output;

  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"run", "--format", "no-such-format"},
           {"run", "--format", "firefox-v1", "--entries", "-5"},
           {"generate", "--format", "firefox-v1", "--entries", "10"},
           {"capture", "--format", "urlcache", "--cache", dir / "none", "--out", dir / "out"},
           {"frobnicate"}}) {
    std::vector<std::string> command = {VORLANE_BENCH_BINARY};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const auto failed = RunChild(command);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->ExitCode, 2) << arguments[0];
    EXPECT_EQ(failed->Output, "") << arguments[0];
  }
}

}  // namespace
}  // namespace vorlane::bench
