#pragma once

// Small pieces shared by the benchmark's parent and child: the "key value" lines a
// child reports, the median of repeated measurements, the peak memory line of
// /proc/<pid>/status and the formatting of the figures.

#include <sys/time.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::bench {

using Report = std::map<std::string, std::string, std::less<>>;

// One "key value" pair per line; later keys replace earlier ones, lines without a
// blank are ignored.
Report ParseReport(std::string_view text);
std::optional<double> ReportNumber(const Report& report, std::string_view key);

// The middle value (the mean of the two middle ones for an even count); 0 for none.
double Median(std::vector<double> values);

// The VmHWM line of a /proc status file, in KiB.
std::optional<uint64_t> ParsePeakResidentKiB(std::string_view status);
// The calling process's own peak resident memory, in KiB.
std::optional<uint64_t> OwnPeakResidentKiB();

// Bytes per second of work that took `extraSeconds` beyond a run of `baseSeconds`;
// nullopt when there were no bytes, or the extra time is within the runs' noise (under
// 2 % of the base run or 5 ms): a rate from a near-zero difference means nothing.
std::optional<double> MeasuredRate(double bytes, double extraSeconds, double baseSeconds);

// A time value of the system (user or system time) in seconds.
double SecondsOf(const timeval& time);

// A number with blanks between groups of three digits ("1 234 567").
std::string GroupDigits(double value);
// A fixed-point number ("1.69").
std::string Fixed(double value, int decimals);

}  // namespace vorlane::bench
