#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "sources/CError.h"
#include "sources/ParallelRead.h"

// A reader that throws on some files, the capture's own CError among them (no
// std::exception): those files are reported failed, every other one is read, and the
// program goes on, with one thread and with several.
TEST(ParallelRead, AFileWhoseReaderThrowsIsReportedAndTheOthersAreRead) {
  enum State { Untouched, Read, Failed };
  constexpr size_t kParallel = ParallelRead::ParallelFromFiles;
  for (const size_t count : {size_t{0}, size_t{1}, size_t{7}, kParallel - 1, kParallel,
                             3 * kParallel + ParallelRead::BatchFiles + 5}) {
    std::vector<State> states(count, Untouched);
    ParallelRead::ForEach(
        count,
        [&](size_t i, std::vector<std::byte>&) {
          if (i % 3 == 1) throw CError(CError::ChromiumCache, CError::ReadFailed, "entry");
          if (i % 3 == 2) throw std::runtime_error("damaged");
          states[i] = Read;
        },
        [&](size_t i) { states[i] = Failed; });
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(states[i], i % 3 == 0 ? Read : Failed) << i << " of " << count;
    }
  }
}
