#include <gtest/gtest.h>

#include <string>

#include "platform/InstanceMapping.h"
#include "platform/Paths.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

using Claim = Platform::InstanceMapping::Claim;

// The named mapping marks one holder; a second opener in this process and a second
// program both see it, and it is free again once released.
TEST(WindowsInstanceMapping, ASecondOpenerSeesTheFirst) {
  const std::string name = "VORLANE-test-" + Platform::FileName(vorlane::test::TempDir().Path());
  Platform::InstanceMapping first;
  Platform::InstanceMapping second;
  ASSERT_EQ(first.TryClaim(name), Claim::Taken);
  EXPECT_EQ(second.TryClaim(name), Claim::HeldByOther);

  vorlane::test::TempDir dir;
  const std::string program = Platform::ExecutablePath().value_or(std::string());
  EXPECT_EQ(vorlane::test::RunProgram(program, {std::string(vorlane::test::ClaimArgument), name},
                                      dir / "out", dir / "err"),
            static_cast<int>(Claim::HeldByOther));

  first.Release();
  EXPECT_EQ(vorlane::test::RunProgram(program, {std::string(vorlane::test::ClaimArgument), name},
                                      dir / "out", dir / "err"),
            static_cast<int>(Claim::Taken));
  EXPECT_EQ(second.TryClaim(name), Claim::Taken);
  EXPECT_EQ(first.TryClaim(name), Claim::HeldByOther);
  EXPECT_EQ(Platform::InstanceMappingName, "VORLANE");
}
