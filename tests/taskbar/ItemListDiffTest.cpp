#include "taskbar/ItemListDiff.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

using Existing = std::vector<ExistingItem>;
using Incoming = std::vector<IncomingEntry>;

struct DiffCase {
  const char* name;
  Existing existing;
  Incoming entries;
  std::vector<std::pair<std::string, size_t>> handOvers;
  std::vector<std::string> removed;
  std::vector<size_t> added;
  bool needsReorder;
};

class ItemListDiffTest : public ::testing::TestWithParam<DiffCase> {};

TEST_P(ItemListDiffTest, Diff) {
  const DiffCase& c = GetParam();
  ItemListDiff diff = diffItemList(c.existing, c.entries);
  std::vector<std::pair<std::string, size_t>> handOvers;
  for (const auto& h : diff.handOvers) handOvers.emplace_back(h.oldID, h.entryIndex);
  EXPECT_EQ(handOvers, c.handOvers);
  EXPECT_EQ(diff.removed, c.removed);
  EXPECT_EQ(diff.added, c.added);
  EXPECT_EQ(diff.needsReorder, c.needsReorder);
  EXPECT_EQ(diff.changesMembership(), !c.handOvers.empty() || !c.removed.empty() || !c.added.empty());
}

const Existing kABC = {{"a-1", 1}, {"b-2", 2}, {"c-3", 3}};

INSTANTIATE_TEST_SUITE_P(
    Cases, ItemListDiffTest,
    ::testing::Values(
        DiffCase{"unchanged", kABC, {{"a-1", 1}, {"b-2", 2}, {"c-3", 3}}, {}, {}, {}, false},
        DiffCase{
            "swap re-orders without fades", kABC, {{"b-2", 2}, {"a-1", 1}, {"c-3", 3}}, {}, {}, {}, true},
        DiffCase{"removal keeps the rest in order", kABC, {{"a-1", 1}, {"c-3", 3}}, {}, {"b-2"}, {}, false},
        DiffCase{"addition at the end is appended",
                 kABC,
                 {{"a-1", 1}, {"b-2", 2}, {"c-3", 3}, {"d-4", 4}},
                 {},
                 {},
                 {3},
                 false},
        DiffCase{"addition in the middle re-orders",
                 kABC,
                 {{"a-1", 1}, {"d-4", 4}, {"b-2", 2}, {"c-3", 3}},
                 {},
                 {},
                 {1},
                 true},
        DiffCase{"application entry replaced by a window entry of the same process",
                 kABC,
                 {{"a-1", 1}, {"b-2-77", 2}, {"c-3", 3}},
                 {{"b-2", 1}},
                 {},
                 {},
                 false},
        DiffCase{"two vanished buttons of one process, one new entry: the first in bar order is handed over",
                 {{"a-1-10", 1}, {"x-9", 9}, {"a-1-11", 1}},
                 {{"a-1", 1}, {"x-9", 9}},
                 {{"a-1-10", 0}},
                 {"a-1-11"},
                 {},
                 false},
        DiffCase{"hand-over to an entry in another place re-orders",
                 kABC,
                 {{"a-1", 1}, {"c-3", 3}, {"b-2-5", 2}},
                 {{"b-2", 2}},
                 {},
                 {},
                 true},
        DiffCase{"a button never bound takes no part in the hand-over",
                 {{"a-1", std::nullopt}, {"b-2", 2}},
                 {{"a-1-5", 1}, {"b-2", 2}},
                 {},
                 {"a-1"},
                 {0},
                 true},
        DiffCase{"other processes do not hand over",
                 kABC,
                 {{"a-1", 1}, {"b-2", 2}, {"z-26", 26}},
                 {},
                 {"c-3"},
                 {2},
                 false},
        DiffCase{"a repeated identifier counts once",
                 kABC,
                 {{"a-1", 1}, {"b-2", 2}, {"a-1", 1}, {"c-3", 3}},
                 {},
                 {},
                 {},
                 false},
        DiffCase{"from empty", {}, {{"a-1", 1}, {"b-2", 2}}, {}, {}, {0, 1}, false},
        DiffCase{"to empty", kABC, {}, {}, {"a-1", "b-2", "c-3"}, {}, false}),
    [](const ::testing::TestParamInfo<DiffCase>& info) {
      std::string name;
      for (const char* p = info.param.name; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
      return name;
    });

TEST(ItemListDiffShownEntriesTest, RepeatedIdentifiersAreDroppedAfterTheirFirstPlace) {
  auto diff = diffItemList({}, {{"a-1", 1}, {"b-2", 2}, {"a-1", 1}});
  EXPECT_EQ(diff.shownEntries, (std::vector<size_t>{0, 1}));
  EXPECT_EQ(diff.added, (std::vector<size_t>{0, 1}));
}

}  // namespace
}  // namespace pelko
