// The names of captured files' temporaries, the same on every system, so that a pass on
// one system clears what an interrupted pass on another left in a shared folder.
#include "platform/OutputNames.h"

#include <cstdio>
#include <random>

#include "platform/Platform.h"

namespace Platform {

const std::string_view OutputTemporaryPrefix = ".vorlane-";
const std::string_view OutputTemporarySuffix = ".part";

bool IsOutputTemporaryName(std::string_view name) {
  return name.size() > OutputTemporaryPrefix.size() + OutputTemporarySuffix.size() &&
         name.starts_with(OutputTemporaryPrefix) && name.ends_with(OutputTemporarySuffix);
}

std::string NewOutputTemporaryName() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char name[48];
  std::snprintf(name, sizeof name, "%.*s%016llx%.*s",
                static_cast<int>(OutputTemporaryPrefix.size()), OutputTemporaryPrefix.data(),
                static_cast<unsigned long long>(random()),
                static_cast<int>(OutputTemporarySuffix.size()), OutputTemporarySuffix.data());
  return name;
}

}  // namespace Platform
