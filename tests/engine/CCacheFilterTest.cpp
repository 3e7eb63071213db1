#include <gtest/gtest.h>

#include "engine/CCacheFilter.h"

namespace {

std::vector<std::string> Words(const std::string& url) {
  FilterRecord record;
  record.URL = url;
  SplitUrl(record);
  return record.UrlWords;
}

std::vector<std::string> Stems(const CCacheFilter& set) {
  std::vector<std::string> stems;
  for (auto* record = set.GetFirst(); record; record = set.GetNext(*record)) {
    stems.push_back(record->FileNameDummy);
  }
  return stems;
}

std::unique_ptr<FilterRecord> Named(const std::string& stem) {
  auto record = std::make_unique<FilterRecord>();
  record->FileNameDummy = stem;
  return record;
}

}  // namespace

TEST(FilterSet, SplitUrlDropsBlanksAndEmptyWords) {
  EXPECT_EQ(Words(" jpg , , png"), (std::vector<std::string>{"jpg", "png"}));
  EXPECT_EQ(Words(",, ,\t,"), std::vector<std::string>{});
  EXPECT_EQ(Words("a b"), std::vector<std::string>{"ab"});
  EXPECT_EQ(Words("photo,img"), (std::vector<std::string>{"photo", "img"}));
  EXPECT_EQ(Words(""), std::vector<std::string>{});
}

TEST(FilterSet, InsertRemoveAndMoveKeepPositions) {
  CCacheFilter set;
  set.Insert(Named("a"), -1);
  set.Insert(Named("c"), 5);  // past the end appends
  set.Insert(Named("b"), 1);
  set.Insert(Named("z"), 0);
  EXPECT_EQ(Stems(set), (std::vector<std::string>{"z", "a", "b", "c"}));
  for (int i = 0; i < set.Count(); ++i) EXPECT_EQ(set.GetAt(i)->Position, i);

  EXPECT_EQ(set.MoveUp(0), 0);
  EXPECT_EQ(set.MoveDown(3), 3);
  EXPECT_EQ(set.MoveDown(0), 1);
  EXPECT_EQ(set.MoveUp(3), 2);
  EXPECT_EQ(Stems(set), (std::vector<std::string>{"a", "z", "c", "b"}));

  EXPECT_FALSE(set.Remove(4));
  EXPECT_FALSE(set.Remove(-1));
  EXPECT_TRUE(set.Remove(1));
  EXPECT_EQ(Stems(set), (std::vector<std::string>{"a", "c", "b"}));
  EXPECT_EQ(set.GetAt(2)->Position, 2);
  EXPECT_EQ(set.GetNext(*set.GetAt(2)), nullptr);
  EXPECT_EQ(set.GetAt(3), nullptr);

  // Out-of-range moves on an empty set are harmless.
  CCacheFilter empty;
  EXPECT_EQ(empty.MoveDown(0), 0);
  EXPECT_EQ(empty.MoveUp(0), 0);
  EXPECT_EQ(empty.GetFirst(), nullptr);

  set.SetHint("hint");
  set.Clear();
  EXPECT_EQ(set.Count(), 0);
  EXPECT_EQ(set.GetHint(), "");
}

TEST(FilterSet, InsertWithoutRecordMakesADefaultOneAndSplitsItsUrl) {
  CCacheFilter set;
  FilterRecord* made = set.Insert(nullptr, -1);
  ASSERT_NE(made, nullptr);
  EXPECT_FALSE(made->Disabled);
  EXPECT_EQ(made->ContentType, 0);
  auto record = std::make_unique<FilterRecord>();
  record->URL = "x, y";
  FilterRecord* inserted = set.Insert(std::move(record), 0);
  EXPECT_EQ(inserted->UrlWords, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(set.GetFirst(), inserted);
}
