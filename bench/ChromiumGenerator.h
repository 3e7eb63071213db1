#pragma once

#include <string>

#include "CacheFormat.h"
#include "SyntheticPlan.h"

namespace vorlane::bench {

// Writes the plan as a Chromium simple cache (the Cache_Data folder of a profile): one
// `<16 hex>_0` file per entry with its response info and body, keys partitioned by the
// entry's host, the small `index` file and, as browsers write it, `index-dir/the-real-index`
// with a record per entry; the entries the plan marks Compressed are stored
// gzip-encoded, as a server sent them.
GenerateResult WriteChromiumSimpleCache(const SyntheticPlan& plan, const std::string& folder,
                                        GenerateSummary& summary, std::string& message);
// The same cache without `index-dir` (a browser killed before it wrote one): a reader
// finds it by its files' names alone.
GenerateResult WriteChromiumSimpleCacheWithoutIndexDir(const SyntheticPlan& plan,
                                                       const std::string& folder,
                                                       GenerateSummary& summary,
                                                       std::string& message);

}  // namespace vorlane::bench
