#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/FilterRow.h"
#include "config/Settings.h"
#include "engine/CCacheFilter.h"
#include "engine/FilterRecord.h"

namespace {

class FilterRows : public apptest::AppTest {};

constexpr KindCode kJpg = 1;
constexpr KindCode kPng = 3;

FilterRecord Filter(KindCode kind, int32_t minSize = 0, const std::string& url = {},
                    int32_t width = 0, int32_t height = 0) {
  FilterRecord record;
  record.ContentType = kind;
  record.MinSize = minSize;
  record.URL = url;
  SplitUrl(record);
  record.MinWidth = width;
  record.MinHeight = height;
  record.Directory = "/saves/" + std::to_string(kind);
  return record;
}

}  // namespace

// Under One Copy a filter above takes what a filter below would take when its kinds,
// sizes, URL words and pixel test all let through at least as much.
TEST_F(FilterRows, AFilterAboveTakesAllOfOneBelow) {
  const struct {
    const char* Case;
    FilterRecord Above;
    FilterRecord Below;
    bool Takes;
  } cases[] = {
      {"same kind", Filter(kJpg), Filter(kJpg), true},
      {"other kind", Filter(kJpg), Filter(kPng), false},
      {"every kind above", Filter(KindAll), Filter(kPng, 5, "x", 9, 9), true},
      {"every kind below", Filter(kJpg), Filter(KindAll), false},
      {"group holds the kind", Filter(KindEveryPicture), Filter(kPng), true},
      {"kind does not hold the group", Filter(kPng), Filter(KindEveryPicture), false},
      {"other group", Filter(KindEveryAudio), Filter(KindEveryPicture), false},
      {"larger minimum above", Filter(kJpg, 1000), Filter(kJpg, 999), false},
      {"same minimum", Filter(kJpg, 1000), Filter(kJpg, 1000), true},
      {"smaller minimum above", Filter(kJpg, 10), Filter(kJpg, 1000), true},
      {"words above, none below", Filter(kJpg, 0, "cat"), Filter(kJpg), false},
      {"a word below holds one above", Filter(kJpg, 0, "cat"), Filter(kJpg, 0, "cats"), true},
      {"one word below holds none", Filter(kJpg, 0, "cat"), Filter(kJpg, 0, "cats, dog"), false},
      {"every word below holds one", Filter(kJpg, 0, "cat, dog"), Filter(kJpg, 0, "dogs, cat"),
       true},
      {"no words above", Filter(kJpg), Filter(kJpg, 0, "x"), true},
      {"pixel test above only", Filter(kJpg, 0, "", 100, 100), Filter(kJpg), false},
      {"stricter pixel test below", Filter(kJpg, 0, "", 100, 100), Filter(kJpg, 0, "", 200, 100),
       true},
      {"one side looser below", Filter(kJpg, 0, "", 100, 100), Filter(kJpg, 0, "", 50, 200), false},
      {"half a pixel test is none", Filter(kJpg, 0, "", 100, 0), Filter(kJpg), true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TakesAllOf(c.Above, c.Below), c.Takes) << c.Case;
  }
}

// The list marks a filter only under One Copy, only when it and the filter above are
// enabled, and names the first filter above that takes its entries.
TEST_F(FilterRows, RowsOfFiltersThatNeverMatchAreMarked) {
  const auto rows = [](const std::vector<FilterRecord>& filters, bool oneCopy) {
    UpdateSettings([&](Settings& settings) { settings.OneCopy = oneCopy; });
    CCacheFilter set;
    for (const FilterRecord& record : filters) {
      set.Insert(std::make_unique<FilterRecord>(record), -1);
    }
    std::vector<std::string> marks;
    for (const FilterRow& row : FilterRow::AllOf(set)) marks.push_back(row.NeverMatches);
    return marks;
  };
  const std::string hint = UiTexts::Get(UiTextKey::HintFilterNeverMatches) + "\n";
  FilterRecord disabled = Filter(KindEveryPicture);
  disabled.Disabled = true;
  const std::vector<FilterRecord> list = {Filter(kPng), Filter(KindEveryPicture, 100),
                                          Filter(kPng, 500), Filter(kJpg, 200)};
  EXPECT_EQ(rows(list, true),
            (std::vector<std::string>{"", "", hint + "1. PNG \u2192 /saves/3",
                                      hint + "2. Every Picture \u2192 /saves/100"}));
  EXPECT_EQ(rows(list, false), std::vector<std::string>(4));
  EXPECT_EQ(rows({disabled, Filter(kPng)}, true), std::vector<std::string>(2));
  EXPECT_EQ(rows({Filter(kPng), disabled}, true), std::vector<std::string>(2));
}
