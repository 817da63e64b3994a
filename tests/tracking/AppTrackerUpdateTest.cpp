#include "TrackingTestWorld.h"

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

using WindowInfo = AppTracker::WindowInfo;

std::vector<std::string> bundlesOf(const E::EntryList& entries) {
  std::vector<std::string> result;
  for (const auto& entry : entries)
    result.push_back(entry.bundleID() + (entry.windowTitle ? ":" + *entry.windowTitle : ""));
  return result;
}

TEST(AppTrackerOrdering, CustomOrderPutsListedApplicationsFirstAndKeepsTheRest) {
  struct Case {
    std::vector<std::string> order;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {{}, {"A:1", "C:1", "B:1", "A:2"}},
      {{"B", "A"}, {"B:1", "A:1", "A:2", "C:1"}},
      {{"B", "A", "B"}, {"B:1", "A:1", "A:2", "C:1"}},
      {{"A", "Z", "B", "A"}, {"A:1", "A:2", "B:1", "C:1"}},
  };
  for (const auto& c : cases) {
    E::EntryList entries;
    entries.push_back(E::entry("A", 1, 1, "1"));
    entries.push_back(E::entry("C", 3, 3, "1"));
    entries.push_back(E::entry("B", 2, 2, "1"));
    entries.push_back(E::entry("A", 1, 4, "2"));
    E::applyCustomOrder(entries, c.order);
    EXPECT_EQ(bundlesOf(entries), c.expected);
  }
}

TEST(AppTrackerOrdering, BoundsMatchToleratesSmallDifferencesAndPrefersTheClosest) {
  auto window = [](int64_t number, Rect bounds) { return WindowInfo{1, number, "", bounds, std::nullopt}; };
  Rect ax(100, 100, 800, 600);
  struct Case {
    const char* name;
    std::vector<WindowInfo> candidates;
    std::unordered_set<int64_t> matched;
    std::optional<int64_t> expected;
  };
  auto at = [&window](double x, double width = 800, double height = 600, int64_t number = 1) {
    return window(number, Rect(x, 100, width, height));
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"off by exactly 10 in x and 30 in width", {at(110, 830)},                  {},  1},
      {"off by 10.5 in x",                       {at(110.5)},                     {},  std::nullopt},
      {"off by 31 in height",                    {at(100, 800, 631)},             {},  std::nullopt},
      {"equal scores: the first",                {at(105), at(95, 800, 600, 2)},  {},  1},
      {"the closest",                            {at(108), at(101, 800, 600, 2)}, {},  2},
      {"already matched is skipped",             {at(100), at(104, 800, 600, 2)}, {1}, 2},
      {"no candidates",                          {},                              {},  std::nullopt},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const WindowInfo* match = E::bestBoundsMatch(ax, c.candidates, c.matched);
    EXPECT_EQ(match ? std::optional<int64_t>(match->number) : std::nullopt, c.expected);
  }
}

TEST(AppTrackerOrdering, DisplayOfAWindowIsTheOneWithTheLargestOverlap) {
  std::vector<E::DisplayGeometry> two = {{1, Rect(0, 0, 1000, 800)}, {2, Rect(1000, 0, 1000, 800)}};
  std::vector<E::DisplayGeometry> one = {{7, Rect(0, 0, 1000, 800)}};
  EXPECT_EQ(E::displayIDForBounds(Rect(900, 0, 300, 300), two), 2u);
  EXPECT_EQ(E::displayIDForBounds(Rect(800, 0, 300, 300), two), 1u);
  EXPECT_EQ(E::displayIDForBounds(Rect(900, 0, 200, 300), two), 1u);  // equal overlaps: the first
  EXPECT_EQ(E::displayIDForBounds(Rect(5000, 0, 200, 300), two), std::nullopt);
  EXPECT_EQ(E::displayIDForBounds(Rect(5000, 0, 200, 300), one), 7u);  // the only display, always
  EXPECT_EQ(E::displayIDForBounds(Rect(0, 0, 200, 300), {}), std::nullopt);
}

TEST(AppTrackerOrdering, DetailedWindowsAreLargeNormalWindowsAndTheSettingsWindowByProcessInOrder) {
  auto row = [](int64_t pid, int64_t number, int64_t layer, Rect bounds,
                std::optional<std::string> name = {}) {
    platform::WindowInfo info{{platform::window_key::kOwnerPID, pid},
                              {platform::window_key::kNumber, number},
                              {platform::window_key::kLayer, layer},
                              {platform::window_key::kBounds, platform::rectDictionary(bounds)}};
    if (name) info[platform::window_key::kName] = *name;
    return info;
  };
  const int32_t own = 4242;
  std::vector<platform::WindowInfo> rows = {
      row(501, 1, 0, Rect(0, 0, 50, 50)),
      row(501, 2, 0, Rect(0, 0, 51, 50)),
      row(502, 9, 0, Rect(0, 0, 400, 300), "Other front"),
      row(501, 3, 0, Rect(0, 0, 51, 51), "Named"),
      row(501, 4, 3, Rect(0, 0, 500, 500)),
      row(own, 5, 3, Rect(0, 0, 500, 500), "Pelko Settings"),
      row(own, 6, 0, Rect(0, 0, 500, 500), "About"),
      row(502, 10, 0, Rect(0, 0, 400, 300)),
      row(own, 7, 0, Rect(0, 0, 500, 500)),
      row(501, 8, 0, Rect(0, 0, 600, 400), "Behind"),
      row(503, 11, 0, Rect(0, 0, 10, 10)),  // no window worth an entry: no list at all
      platform::WindowInfo{{platform::window_key::kOwnerPID, int64_t{501}}},
  };
  rows.back()[platform::window_key::kLayer] = "zero";  // values of the wrong kind are passed over
  auto byProcess = E::windowsByProcess(rows, own);
  auto numbers = [&byProcess](int32_t pid) {
    std::vector<int64_t> result;
    for (const auto& info : byProcess[pid]) result.push_back(info.number);
    return result;
  };
  EXPECT_EQ(byProcess.size(), 3u);
  EXPECT_EQ(numbers(501), (std::vector<int64_t>{3, 8}));
  EXPECT_EQ(numbers(502), (std::vector<int64_t>{9, 10}));
  EXPECT_EQ(numbers(own), (std::vector<int64_t>{5}));
  EXPECT_EQ(byProcess[501][0].title, "Named");
  EXPECT_EQ(byProcess[501][1].title, "Behind");
  EXPECT_EQ(byProcess[502][1].title, "");
  EXPECT_EQ(byProcess[own][0].title, "Pelko Settings");
}

}  // namespace
}  // namespace pelko::testing
