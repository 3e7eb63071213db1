// Feeds arbitrary comm, cmdline, exe-link and stat bytes to the process matcher.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/ProcessMatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // Pieces are separated by a 0xFF byte: comm, cmdline, exe, stat, then names.
  std::vector<std::string_view> pieces;
  size_t start = 0;
  for (size_t i = 0; i <= input.size() && pieces.size() < 16; ++i) {
    if (i == input.size() || input[i] == '\xff') {
      pieces.push_back(input.substr(start, i - start));
      start = i + 1;
    }
  }
  pieces.resize(std::max<size_t>(pieces.size(), 4));
  const std::vector<std::string> names(pieces.begin() + 4, pieces.end());
  const Platform::ProcessMatch::ProcessIdentity identity{pieces[0], pieces[1], pieces[2]};
  (void)Platform::ProcessMatch::Matches(identity, names);
  (void)Platform::ProcessMatch::IsEndedState(pieces[3]);
  return 0;
}
