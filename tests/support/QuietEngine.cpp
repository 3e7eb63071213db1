#include "support/QuietEngine.h"

namespace vorlane::test {

std::unique_ptr<CQuellbyMain> MakeEngine() {
  CQuellbyMain::StartupOptions options;
  options.PersistSettings = false;
  options.Check = [](const std::vector<std::string>&) { return false; };
  options.WatchIntervalMs = 20;
  return std::make_unique<CQuellbyMain>(options);
}

}  // namespace vorlane::test
