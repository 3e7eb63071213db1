#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "CacheFormat.h"
#include "SyntheticPlan.h"

namespace vorlane::bench {

// Blocks each block file needs for a plan (metadata and data) against the blocks its
// bitmap can describe; a plan that needs more cannot be stored as a v1 cache.
struct V1BlockBudget {
  std::array<uint64_t, 3> Needed{};
  std::array<uint64_t, 3> Available{};
  bool Fits() const;
};

V1BlockBudget PlanV1Blocks(const SyntheticPlan& plan);

// Writes the plan as a Firefox disk cache of map version 0x00010013 (Firefox 4 to
// 31): map, three block files and nested separate data files.
GenerateResult WriteFirefoxV1Cache(const SyntheticPlan& plan, const std::string& folder,
                                   GenerateSummary& summary, std::string& message);

}  // namespace vorlane::bench
