#include "AppTrackerTestWorld.h"

namespace pelko::testing {
namespace {

using E = AppTrackerTestAccess;

class AppTrackerUpdate : public AppTrackerTest {
 protected:
  // Counts every change notification of the current entries.
  int watchEntries() {
    watches.clear();
    for (const auto& entry : apps())
      watches.push_back(entry->objectWillChange().sink([this](const auto&) { ++entryChanges; }));
    return entryChanges = 0;
  }
  int entryChanges = 0;
  std::vector<Cancellable> watches;
};

TEST_F(AppTrackerUpdate, SameIdsKeepTheObjectsAndPublishNothingUnlessReordered) {
  // An empty list is published even when the list was empty.
  Access::applyUpdate(*tracker, {});
  EXPECT_EQ(listPublications, 1);
  EXPECT_TRUE(apps().empty());
  Access::applyUpdate(*tracker, {E::entry("a", 1, 10, "A", 1), E::entry("b", 2, {}, "B", 1)});
  auto before = apps();
  listPublications = 0;
  watchEntries();

  Access::applyUpdate(*tracker, {E::entry("a", 1, 10, "A", 1), E::entry("b", 2, {}, "B", 1)});
  EXPECT_EQ(listPublications, 0);
  EXPECT_EQ(entryChanges, 0);
  EXPECT_EQ(displayGenerationPublications, 0);
  EXPECT_EQ(apps(), before);

  // A changed flag is written into the same object, once.
  auto changed = E::entry("a", 1, 10, "A", 1);
  changed.isMinimized = true;
  Access::applyUpdate(*tracker, {std::move(changed), E::entry("b", 2, {}, "B", 1)});
  EXPECT_EQ(listPublications, 0);
  EXPECT_EQ(entryChanges, 1);
  EXPECT_TRUE(before[0]->isMinimized.get());

  // A reorder republishes the same objects without raising the generation.
  listPublications = 0;
  Access::applyUpdate(*tracker, {E::entry("b", 2, {}, "B", 2), E::entry("a", 1, 10, "A", 1)});
  EXPECT_EQ(listPublications, 1);
  EXPECT_EQ(apps(), (std::vector<TrackedAppPtr>{before[1], before[0]}));
  EXPECT_EQ(before[1]->displayID, 2u);
  EXPECT_EQ(tracker->displayIDGeneration.get(), 0u);
}

TEST_F(AppTrackerUpdate, DisplayMovesRaiseTheGenerationOncePerUpdate) {
  struct Case {
    const char* name;
    std::vector<std::optional<uint32_t>> newDisplays;
    uint64_t raised;
    std::vector<std::optional<uint32_t>> expected;
  };
  const std::vector<Case> cases = {
      {"one entry moves", {2, 1, 1}, 1, {2, 1, 1}},
      {"three entries move", {2, 2, 2}, 1, {2, 2, 2}},
      {"an absent display keeps the old one", {std::nullopt, 1, 1}, 0, {1, 1, 1}},
      {"nothing moves", {1, 1, 1}, 0, {1, 1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Access::applyUpdate(
        *tracker, {E::entry("a", 1, {}, {}, 1), E::entry("b", 2, {}, {}, 1), E::entry("c", 3, {}, {}, 1)});
    uint64_t generation = tracker->displayIDGeneration.get();
    Access::applyUpdate(
        *tracker, {E::entry("a", 1, {}, {}, c.newDisplays[0]), E::entry("b", 2, {}, {}, c.newDisplays[1]),
                   E::entry("c", 3, {}, {}, c.newDisplays[2])});
    EXPECT_EQ(tracker->displayIDGeneration.get(), generation + c.raised);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(apps()[i]->displayID, c.expected[i]);
  }
}

TEST_F(AppTrackerUpdate, ARebuildKeepsSurvivorsFirstNamesAndFastPathTitlesDropsTheGoneAndLaterDuplicates) {
  Access::applyUpdate(*tracker, {E::entry("a", 1, 10), E::entry("a", 1, 11)});
  auto a10 = apps()[0];
  auto duplicateFirst = E::entry("b", 2, {}, "first");
  auto duplicateSecond = E::entry("b", 2, {}, "second");
  Access::applyUpdate(*tracker,
                      {E::entry("a", 1, 10), std::move(duplicateFirst), std::move(duplicateSecond)});
  ASSERT_EQ(apps().size(), 2u);
  EXPECT_EQ(apps()[0], a10);
  EXPECT_EQ(apps()[1]->id, "b-2");
  EXPECT_EQ(apps()[1]->windowTitle.get(), "first");
  EXPECT_EQ(apps()[1]->name, "b name");

  // An id that leaves and comes back is a new object.
  Access::applyUpdate(*tracker, {E::entry("b", 2)});
  Access::applyUpdate(*tracker, {E::entry("a", 1, 10), E::entry("b", 2)});
  EXPECT_NE(apps()[0], a10);

  // Entries keep their first name.
  Access::applyUpdate(*tracker, {E::entry("b", 2, {}, {}, {}, "New Name", true)});
  EXPECT_EQ(apps()[0]->name, "b name");
  EXPECT_TRUE(apps()[0]->isHidden.get());

  // Titles from the fast path survive one pass, and empty titles never replace one.
  Access::applyUpdate(*tracker, {E::entry("a", 1, 10, "Built")});
  auto entry = apps()[0];
  entry->windowTitle = std::string("From notification");
  entry->titleFreshFromFastPath = true;

  Access::applyUpdate(*tracker, {E::entry("a", 1, 10, "Built")});
  EXPECT_EQ(entry->windowTitle.get(), "From notification");
  EXPECT_FALSE(entry->titleFreshFromFastPath);
  Access::applyUpdate(*tracker, {E::entry("a", 1, 10, "")});
  EXPECT_EQ(entry->windowTitle.get(), "From notification");
  Access::applyUpdate(*tracker, {E::entry("a", 1, 10, std::nullopt)});
  EXPECT_EQ(entry->windowTitle.get(), "From notification");
  Access::applyUpdate(*tracker, {E::entry("a", 1, 10, "Built")});
  EXPECT_EQ(entry->windowTitle.get(), "Built");
}

}  // namespace
}  // namespace pelko::testing
