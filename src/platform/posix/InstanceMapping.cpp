#include "platform/Platform.h"

namespace Platform {

// The tray program's lock file and local socket mark it here (ui/InstanceMarker).
struct InstanceMapping::Native {};

InstanceMapping::InstanceMapping() = default;
InstanceMapping::~InstanceMapping() = default;

InstanceMapping::Claim InstanceMapping::TryClaim(std::string_view) {
  return Claim::Taken;
}

void InstanceMapping::Release() {}

}  // namespace Platform
