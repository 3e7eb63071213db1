#pragma once

#include <memory>

#include "engine/CQuellbyMain.h"

namespace vorlane::test {

// An engine for window and controller tests: settings not written, no browser seen running,
// watchers that look often.
std::unique_ptr<CQuellbyMain> MakeEngine();

}  // namespace vorlane::test
