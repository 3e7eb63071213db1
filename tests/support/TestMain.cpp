#include <gtest/gtest.h>

#include "support/TestSupport.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(new vorlane::test::SandboxEnvironment);
  return RUN_ALL_TESTS();
}
