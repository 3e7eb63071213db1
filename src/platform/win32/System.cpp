#include "platform/System.h"

namespace Platform {

const bool RunningOnWindows = true;

}  // namespace Platform
