#pragma once

#include <string>

#include "CacheFormat.h"
#include "SyntheticPlan.h"

namespace vorlane::bench {

// Firefox cache2 (Firefox 32 on): one file per entry under entries/, the entries the
// plan marks Compressed stored gzip-encoded. Building one needs the test-side cache2
// writer, which this tree does not have; until it does, this reports the format
// unavailable and the runner skips it with that message.
GenerateResult WriteFirefoxCache2Cache(const SyntheticPlan& plan, const std::string& folder,
                                       GenerateSummary& summary, std::string& message);

}  // namespace vorlane::bench
