#pragma once

#include <cstdio>
#include <string>

namespace vorlane::bench {

// Writes filter files of `count` and of ten times as many filters into `work`, loads and
// saves each a few times and prints the cost per filter of the larger against the smaller
// (1.0 for a cost that grows linearly, 10 for one that grows with the square; memory
// caches make a linear cost look a little worse) and the load against a plain read of
// the same bytes. Returns 1 when the scaling exceeds `maxScaling`, 2 when it could not run.
int RunFilterFileBench(const std::string& work, int count, double maxScaling, std::FILE* out);

}  // namespace vorlane::bench
