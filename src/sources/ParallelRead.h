#pragma once

// Reads the many files of a cache folder with a few threads: the time goes into opening
// files, which the system does in parallel. Results keep their places, so the order of
// a listing does not depend on the threads.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace ParallelRead {

// Below this many files one thread is as fast; above it, places are handed out in
// batches so threads rarely meet on the shared counter.
inline constexpr size_t ParallelFromFiles = 512;
inline constexpr size_t BatchFiles = 128;
inline constexpr unsigned MaxReaders = 4;

// Calls read(i, buffer) for every i below count, each with a buffer of its thread's own;
// `failed(i)` runs when read throws anything at all, a CError (which is no std::exception)
// included: an exception that left a thread would end the program.
template <typename Read, typename Failed>
void ForEach(size_t count, Read&& read, Failed&& failed) {
  std::atomic<size_t> next{0};
  const auto work = [&] {
    std::vector<std::byte> buffer;
    for (;;) {
      const size_t first = next.fetch_add(BatchFiles, std::memory_order_relaxed);
      if (first >= count) return;
      const size_t last = std::min(count, first + BatchFiles);
      for (size_t i = first; i < last; ++i) {
        try {
          read(i, buffer);
        } catch (...) {
          failed(i);
        }
      }
    }
  };
  const unsigned readers = count < ParallelFromFiles
                               ? 1
                               : std::clamp(std::thread::hardware_concurrency(), 1u, MaxReaders);
  std::vector<std::thread> helpers;
  for (unsigned i = 1; i < readers; ++i) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer threads only make it slower; this one reads the rest
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace ParallelRead
