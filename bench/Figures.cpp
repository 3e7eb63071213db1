#include "Figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vorlane::bench {

Report ParseReport(std::string_view text) {
  Report report;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank == 0) continue;
    report.insert_or_assign(std::string(line.substr(0, blank)),
                            std::string(line.substr(blank + 1)));
  }
  return report;
}

std::optional<double> ReportNumber(const Report& report, std::string_view key) {
  const auto found = report.find(key);
  if (found == report.end() || found->second.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(found->second.c_str(), &end);
  if (end == found->second.c_str() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  return value;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::optional<uint64_t> ParsePeakResidentKiB(std::string_view status) {
  constexpr std::string_view kKey = "VmHWM:";
  size_t at = status.find(kKey);
  // Only a key at the start of a line counts.
  while (at != std::string_view::npos && at != 0 && status[at - 1] != '\n') {
    at = status.find(kKey, at + 1);
  }
  if (at == std::string_view::npos) return std::nullopt;
  size_t pos = at + kKey.size();
  while (pos < status.size() && (status[pos] == ' ' || status[pos] == '\t')) ++pos;
  uint64_t value = 0;
  size_t digits = 0;
  for (; pos < status.size() && status[pos] >= '0' && status[pos] <= '9' && digits < 18; ++pos) {
    value = value * 10 + static_cast<uint64_t>(status[pos] - '0');
    ++digits;
  }
  if (digits == 0 || status.substr(pos, 3) != " kB") return std::nullopt;
  return value;
}

std::optional<uint64_t> OwnPeakResidentKiB() {
  // Files under /proc report a size of 0, so they are read to their end.
  std::ifstream in("/proc/self/status");
  std::stringstream status;
  status << in.rdbuf();
  return ParsePeakResidentKiB(status.str());
}

std::optional<double> MeasuredRate(double bytes, double extraSeconds, double baseSeconds) {
  if (!(bytes > 0) || !(extraSeconds > std::max(0.005, 0.02 * baseSeconds))) return std::nullopt;
  return bytes / extraSeconds;
}

double SecondsOf(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

std::string GroupDigits(double value) {
  const std::string digits = std::to_string(std::llround(std::max(value, 0.0)));
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) grouped += ' ';
    grouped += digits[i];
  }
  return grouped;
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace vorlane::bench
