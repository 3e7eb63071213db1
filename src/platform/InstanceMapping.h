#pragma once

// One running tray program. Failures: TryClaim's result tells its three outcomes apart;
// nothing throws.

#include <string_view>

#include "platform/SystemHandle.h"

namespace Platform {

// The mark of a running tray program in the user's session. On Windows it is the named
// file mapping of the design ("VORLANE"), which a second start sees; elsewhere the
// tray program's lock file marks it, and a claim here is always taken.
inline constexpr std::string_view InstanceMappingName = "VORLANE";

class InstanceMapping {
 public:
  enum class Claim { Taken, HeldByOther, Unavailable };

  InstanceMapping() = default;
  InstanceMapping(const InstanceMapping&) = delete;
  InstanceMapping& operator=(const InstanceMapping&) = delete;

  // Taken: this object now holds the mark until Release or its end.
  Claim TryClaim(std::string_view name);
  void Release() { Mapping.Reset(); }

 private:
  SystemHandle Mapping;
};

}  // namespace Platform
