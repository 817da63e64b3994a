#include "AppTrackerTestWorld.h"

namespace pelko::testing {
namespace {

using E = AppTrackerTestAccess;
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

TEST(AppTrackerOrdering, DetailedWindowListKeepsOnlyLargeNormalWindowsAndTheSettingsWindow) {
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
      row(501, 3, 0, Rect(0, 0, 51, 51), "Named"),
      row(501, 4, 3, Rect(0, 0, 500, 500)),
      row(own, 5, 3, Rect(0, 0, 500, 500), "Pelko Settings"),
      row(own, 6, 0, Rect(0, 0, 500, 500), "About"),
      row(own, 7, 0, Rect(0, 0, 500, 500)),
      platform::WindowInfo{{platform::window_key::kOwnerPID, int64_t{501}}},
  };
  rows.back()[platform::window_key::kLayer] = "zero";  // values of the wrong kind are passed over
  auto list = E::detailedWindowList(rows, own);
  std::vector<int64_t> numbers;
  for (const auto& info : list) numbers.push_back(info.number);
  EXPECT_EQ(numbers, (std::vector<int64_t>{3, 5}));
  EXPECT_EQ(list[0].title, "Named");
  EXPECT_EQ(list[1].title, "Pelko Settings");
}

}  // namespace
}  // namespace pelko::testing
