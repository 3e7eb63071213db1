#include <tuple>
#include <vector>

#include "ChildProcess.h"
#include "Figures.h"
#include "support/TestSupport.h"

namespace vorlane::bench {
namespace {

TEST(FiguresTest, MedianOfOddEvenAndNoValues) {
  struct Case {
    std::vector<double> Values;
    double Median;
  };
  const Case cases[] = {
      {{}, 0}, {{4}, 4}, {{9, 1, 5}, 5}, {{4, 1, 3, 2}, 2.5}, {{7, 7, 1, 100, 2}, 7}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(Median(c.Values), c.Median);
}

// A rate is given only for an extra time clearly above the noise of the runs.
TEST(FiguresTest, RatesOnlyFromMeasurableDifferences) {
  EXPECT_EQ(MeasuredRate(1e6, 0.5, 2.0), 2e6);
  EXPECT_EQ(MeasuredRate(1e6, 0.041, 2.0), 1e6 / 0.041);
  for (const auto& [bytes, extra, base] :
       std::vector<std::tuple<double, double, double>>{{1e6, 0.04, 2.0},
                                                       {1e6, 0.004, 0.01},
                                                       {1e6, 0.0, 1.0},
                                                       {1e6, -0.2, 1.0},
                                                       {0, 1.0, 1.0}}) {
    EXPECT_EQ(MeasuredRate(bytes, extra, base), std::nullopt) << extra << " of " << base;
  }
}

TEST(FiguresTest, ReportLinesAndNumbers) {
  const Report report = ParseReport(
      "entries 50000\nbroken\n capture 1\nseconds 0.25\nseconds 0.5\nbad 12x\nempty \nlast 7");
  EXPECT_EQ(ReportNumber(report, "entries"), 50000);
  EXPECT_EQ(ReportNumber(report, "seconds"), 0.5);  // the later line wins
  EXPECT_EQ(ReportNumber(report, "last"), 7);       // no line end after it
  EXPECT_EQ(ReportNumber(report, "bad"), std::nullopt);
  EXPECT_EQ(ReportNumber(report, "empty"), std::nullopt);
  EXPECT_EQ(ReportNumber(report, "broken"), std::nullopt);
  EXPECT_EQ(ReportNumber(report, "capture"), std::nullopt);
  EXPECT_EQ(ReportNumber(report, "missing"), std::nullopt);
}

TEST(FiguresTest, PeakResidentLineOfAStatusFile) {
  struct Case {
    std::string_view Status;
    std::optional<uint64_t> KiB;
  };
  const Case cases[] = {
      {"Name:\tx\nVmPeak:\t  9000 kB\nVmHWM:\t    4648 kB\nVmRSS:\t 4000 kB\n", 4648},
      {"VmHWM: 12 kB", 12},
      {"XVmHWM:\t5 kB\nVmHWM:\t6 kB\n", 6},  // only a key at the start of a line
      {"VmHWM:\t kB\n", std::nullopt},
      {"VmHWM:\t77\n", std::nullopt},
      {"VmRSS:\t1 kB\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParsePeakResidentKiB(c.Status), c.KiB) << c.Status;
  EXPECT_GT(OwnPeakResidentKiB().value_or(0), 0u);
}

TEST(FiguresTest, Formatting) {
  EXPECT_EQ(GroupDigits(0), "0");
  EXPECT_EQ(GroupDigits(999), "999");
  EXPECT_EQ(GroupDigits(1000), "1 000");
  EXPECT_EQ(GroupDigits(1234567.4), "1 234 567");
  EXPECT_EQ(Fixed(1.685, 1), "1.7");
  EXPECT_EQ(Fixed(2, 2), "2.00");
}

TEST(ChildProcessTest, OutputExitCodeAndFailureToStart) {
  const auto echoed = RunChild({"sh", "-c", "echo entries 3; echo note >&2; exit 4"});
  ASSERT_TRUE(echoed);
  EXPECT_EQ(echoed->Output, "entries 3\n");
  EXPECT_EQ(echoed->ExitCode, 4);
  EXPECT_GE(echoed->WallSeconds, 0);

  const auto killed = RunChild({"sh", "-c", "kill -9 $$"});
  ASSERT_TRUE(killed);
  EXPECT_EQ(killed->ExitCode, 128 + 9);

  EXPECT_FALSE(RunChild({"/nonexistent/vorlane-no-such-program"}));
  EXPECT_FALSE(RunChild({}));
}

}  // namespace
}  // namespace vorlane::bench
