#pragma once

// A filter set, a fake image probe and helpers to add filters and run a pass over an
// in-memory source; shared by the engine's pass tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "engine/CCacheFilter.h"
#include "engine/CCapturePass.h"
#include "support/MemorySource.h"
#include "support/TestSupport.h"

namespace {

// Bodies "img:WxH" measure W x H; anything else 0 x 0.
CGraphicLT::ImageSize FakeProbe(uint64_t size, const CGraphicLT::FetchFunction& fetch) {
  std::string body(static_cast<size_t>(std::min<uint64_t>(size, 32)), '\0');
  if (!fetch(0, std::span(reinterpret_cast<uint8_t*>(body.data()), body.size()))) return {};
  int width = 0;
  int height = 0;
  if (std::sscanf(body.c_str(), "img:%dx%d", &width, &height) == 2) return {width, height};
  return {};
}

class CapturePass : public testing::Test {
 protected:
  FilterRecord* Add(const std::string& folder, const std::string& stem, KindCode kind = 0) {
    auto record = std::make_unique<FilterRecord>();
    record->Directory = folder;
    record->FileNameDummy = stem;
    record->ContentType = kind;
    return set.Insert(std::move(record), -1);
  }

  // A pass over a loaded source with `choices`, as the engine runs one: over a copy of
  // the set, whose resolved folders the set keeps.
  int Comb(CCacheBrowser& source, bool oneCopy = true, bool skipDuplicates = true) {
    choices.OneCopy = oneCopy;
    choices.SkipDuplicates = skipDuplicates;
    pass = std::make_unique<CCapturePass>(set, choices);
    pass->SetImageProbe(&FakeProbe);
    pass->SetProgressCallback(progress);
    EXPECT_TRUE(pass->Comb(source));
    set.KeepResolvedFolders(pass->GetFilters());
    return pass->GetNewFileCount();
  }

  int Run(vorlane::test::MemorySource& source, bool oneCopy = true, bool skipDuplicates = true) {
    source.LoadEntries();
    return Comb(source, oneCopy, skipDuplicates);
  }

  vorlane::test::TempDir dir;
  std::string out = dir / "out";
  CCacheFilter set;
  CCapturePass::PassChoices choices;
  CCapturePass::ProgressFunction progress;
  std::unique_ptr<CCapturePass> pass;  // the last one run
};

}  // namespace
