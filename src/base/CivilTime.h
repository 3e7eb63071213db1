#pragma once

// Calendar dates and seconds since 1970 in UTC, in the proleptic Gregorian calendar,
// without the C library's time zone state (Howard Hinnant's days-from-civil).

#include <cstdint>

namespace CivilTime {

struct DateTime {
  int64_t Year = 1970;
  unsigned Month = 1;  // 1..12
  unsigned Day = 1;    // 1..31
  unsigned Hour = 0;
  unsigned Minute = 0;
  unsigned Second = 0;
};

int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);
unsigned DaysInMonth(int64_t year, unsigned month);
// Seconds since 1970 of a UTC date and time (fields taken as they are).
int64_t ToUnixSeconds(const DateTime& time);
DateTime FromUnixSeconds(int64_t seconds);

}  // namespace CivilTime
