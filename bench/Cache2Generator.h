#pragma once

#include <string>

#include "CacheFormat.h"
#include "SyntheticPlan.h"

namespace vorlane::bench {

// Writes the plan as a Firefox cache2 folder (Firefox 32 on): one file per entry
// under entries/, metadata of the version current browsers write; the entries the
// plan marks Compressed are stored gzip-encoded, as a server sent them.
GenerateResult WriteFirefoxCache2Cache(const SyntheticPlan& plan, const std::string& folder,
                                       GenerateSummary& summary, std::string& message);

}  // namespace vorlane::bench
