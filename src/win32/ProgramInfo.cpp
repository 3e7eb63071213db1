#include "win32/ProgramInfo.h"

#include "config/Settings.h"

namespace ProgramInfo {

std::string SitePage() {
  return ProgramPlaces().HelpFilePath;
}

}  // namespace ProgramInfo
