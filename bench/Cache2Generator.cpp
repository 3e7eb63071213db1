#include "Cache2Generator.h"

namespace vorlane::bench {

GenerateResult WriteFirefoxCache2Cache(const SyntheticPlan&, const std::string&,
                                       GenerateSummary& summary, std::string& message) {
  summary = {};
  message = "no cache2 writer in this tree (tests/support/MozillaCache2Writer.h)";
  return GenerateResult::Unavailable;
}

}  // namespace vorlane::bench
