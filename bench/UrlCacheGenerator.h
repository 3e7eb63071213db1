#pragma once

#include <string>

#include "CacheFormat.h"
#include "SyntheticPlan.h"

namespace vorlane::bench {

// Writes the plan as a URL cache the way Wine's WinINet keeps it: index.dat in
// `folder` and every entry's file in one of sixteen cache directories beside it.
GenerateResult WriteUrlCache(const SyntheticPlan& plan, const std::string& folder,
                             GenerateSummary& summary, std::string& message);

}  // namespace vorlane::bench
