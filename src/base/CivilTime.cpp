#include "base/CivilTime.h"

#include <array>

namespace CivilTime {

int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

unsigned DaysInMonth(int64_t year, unsigned month) {
  static constexpr std::array<unsigned, 12> Days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : Days[month - 1];
}

int64_t ToUnixSeconds(const DateTime& time) {
  return DaysFromCivil(time.Year, time.Month, time.Day) * 86400 + int64_t{time.Hour} * 3600 +
         int64_t{time.Minute} * 60 + time.Second;
}

DateTime FromUnixSeconds(int64_t seconds) {
  int64_t days = seconds / 86400;
  int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  // civil-from-days
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned mp = (5 * dayOfYear + 2) / 153;
  DateTime out;
  out.Day = dayOfYear - (153 * mp + 2) / 5 + 1;
  out.Month = mp < 10 ? mp + 3 : mp - 9;
  out.Year = static_cast<int64_t>(yearOfEra) + era * 400 + (out.Month <= 2);
  out.Hour = static_cast<unsigned>(rest / 3600);
  out.Minute = static_cast<unsigned>(rest % 3600 / 60);
  out.Second = static_cast<unsigned>(rest % 60);
  return out;
}

}  // namespace CivilTime
