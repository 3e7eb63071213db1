#include <ctime>

#include "platform/NativeSteps.h"

namespace Platform::Native {

std::optional<std::tm> LocalCalendar(std::time_t when) {
  std::tm local{};
  if (localtime_s(&local, &when) != 0) return std::nullopt;
  return local;
}

}  // namespace Platform::Native
