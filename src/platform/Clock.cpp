#include "platform/Clock.h"

#include <ctime>

#include "platform/NativeSteps.h"

namespace Platform {

int64_t CurrentTime() {
  return static_cast<int64_t>(std::time(nullptr));
}

std::optional<CivilTime::DateTime> ToLocalTime(int64_t seconds) {
  const std::optional<std::tm> local = Native::LocalCalendar(static_cast<std::time_t>(seconds));
  if (!local) return std::nullopt;
  CivilTime::DateTime time;
  time.Year = int64_t{local->tm_year} + 1900;
  time.Month = static_cast<unsigned>(local->tm_mon + 1);
  time.Day = static_cast<unsigned>(local->tm_mday);
  time.Hour = static_cast<unsigned>(local->tm_hour);
  time.Minute = static_cast<unsigned>(local->tm_min);
  time.Second = static_cast<unsigned>(local->tm_sec);
  return time;
}

}  // namespace Platform
