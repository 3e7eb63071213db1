#include "base/HttpDate.h"

#include <array>
#include <vector>

#include "base/CivilTime.h"
#include "base/Text.h"

namespace {

std::optional<unsigned> MonthOf(std::string_view name) {
  static constexpr std::array<std::string_view, 12> kMonths = {
      "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  for (size_t i = 0; i < kMonths.size(); ++i) {
    if (Text::EqualsIgnoringAsciiCase(name, kMonths[i])) return static_cast<unsigned>(i + 1);
  }
  return std::nullopt;
}

std::optional<unsigned> Number(std::string_view text, size_t minDigits, size_t maxDigits) {
  uint64_t value = 0;
  if (text.size() < minDigits || text.size() > maxDigits || !Text::ParseUnsigned(text, value)) {
    return std::nullopt;
  }
  return static_cast<unsigned>(value);
}

// "08:49:37"
bool ParseClock(std::string_view text, CivilTime::DateTime& time) {
  const auto parts = Text::Split(text, ':');
  if (parts.size() != 3) return false;
  const auto hour = Number(parts[0], 2, 2);
  const auto minute = Number(parts[1], 2, 2);
  const auto second = Number(parts[2], 2, 2);
  if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 60) return false;
  time.Hour = *hour;
  time.Minute = *minute;
  time.Second = *second;
  return true;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  for (std::string_view piece : Text::Split(text, ' ')) {
    if (!piece.empty()) words.push_back(piece);
  }
  return words;
}

}  // namespace

std::optional<int64_t> ParseHttpDate(std::string_view text) {
  text = Text::TrimBlanks(text);
  if (text.size() > 64) return std::nullopt;
  const std::vector<std::string_view> words = Words(text);
  CivilTime::DateTime time;
  std::optional<unsigned> day;
  std::optional<unsigned> month;
  std::optional<unsigned> year;
  if (words.size() == 6 && words[0].ends_with(',') && words[5] == "GMT") {
    // Sun, 06 Nov 1994 08:49:37 GMT
    day = Number(words[1], 1, 2);
    month = MonthOf(words[2]);
    year = Number(words[3], 4, 4);
    if (!ParseClock(words[4], time)) return std::nullopt;
  } else if (words.size() == 4 && words[0].ends_with(',') && words[3] == "GMT") {
    // Sunday, 06-Nov-94 08:49:37 GMT: two-digit years are taken as 1970 to 2069.
    const auto parts = Text::Split(words[1], '-');
    if (parts.size() != 3) return std::nullopt;
    day = Number(parts[0], 1, 2);
    month = MonthOf(parts[1]);
    year = Number(parts[2], 2, 4);
    if (year && *year < 100) *year += *year < 70 ? 2000 : 1900;
    if (!ParseClock(words[2], time)) return std::nullopt;
  } else if (words.size() == 5) {
    // Sun Nov  6 08:49:37 1994
    month = MonthOf(words[1]);
    day = Number(words[2], 1, 2);
    year = Number(words[4], 4, 4);
    if (!ParseClock(words[3], time)) return std::nullopt;
  } else {
    return std::nullopt;
  }
  if (!day || !month || !year || *day < 1 || *day > CivilTime::DaysInMonth(*year, *month)) {
    return std::nullopt;
  }
  time.Year = *year;
  time.Month = *month;
  time.Day = *day;
  return CivilTime::ToUnixSeconds(time);
}
