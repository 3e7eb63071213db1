#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/InstanceMapping.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

int main(int argc, char** argv) {
  // A copy of a test binary under a browser's name stands in for the browser.
  if (argc == 3 && argv[1] == vorlane::test::SleepArgument) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(argv[2])));
    return 0;
  }
  if (argc == 3 && argv[1] == vorlane::test::ClaimArgument) {
    Platform::InstanceMapping mapping;
    return static_cast<int>(mapping.TryClaim(argv[2]));
  }
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(new vorlane::test::SandboxEnvironment);
  return RUN_ALL_TESTS();
}
