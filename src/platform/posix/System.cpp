#include "platform/System.h"

namespace Platform {

const bool RunningOnWindows = false;

}  // namespace Platform
