#include <gtest/gtest.h>

#include <algorithm>

#include "MonitorManagerTestWorld.h"
#include "taskbar/AppItemView.h"
#include "ui/WidgetOpacity.h"

namespace pelko::test {
namespace {

using Names = std::vector<std::string>;

struct ModeCase {
  const char* name;
  MultiMonitorMode mode;
  int displays;  // 2: main and right; 3: and left; -2: the right display is main, display 1 left of it
  // Per bar, in display order (1 main, 2 right, 3 left).
  std::vector<std::pair<platform::DisplayID, Names>> bars;
};

const Names kAll{"Editor", "Viewer", "Player", "Shell", "Mailer"};

class MonitorManagerModesTest : public MonitorManagerTest, public ::testing::WithParamInterface<ModeCase> {};

// The list: an entry on each display, one without a display, and a second one on the right display.
TEST_P(MonitorManagerModesTest, EachModePutsBarsOnItsScreensWithTheirEntries) {
  const ModeCase& c = GetParam();
  ASSERT_EQ(addRight(), 2u);
  if (c.displays == 3) {
    ASSERT_EQ(addLeft(), 3u);
  }
  if (c.displays == -2) {
    mac.setDisplays(
        {{2, Rect(0, 0, 1280, 1024), 1.0, "Right"}, {1, Rect(-1920, 0, 1920, 1080), 2.0, "Main"}});
    settle();
  }
  settings->multiMonitorMode = c.mode;
  tracker->apps = {entry("Editor", 1), entry("Viewer", 2), entry("Player", 3), entry("Shell", std::nullopt),
                   entry("Mailer", 2)};
  start();

  std::vector<platform::DisplayID> expectedIDs;
  for (const auto& [display, names] : c.bars) {
    expectedIDs.push_back(display);
    EXPECT_EQ(namesOn(display), names) << "bar on display " << display;
    ASSERT_NE(manager->panel(display), nullptr);
    EXPECT_TRUE(manager->panel(display)->isOrderedIn());
    EXPECT_EQ(manager->screen(display)->displayID, display);
    EXPECT_EQ(manager->viewController(display)->displayID, display);
  }
  std::sort(expectedIDs.begin(), expectedIDs.end());
  EXPECT_EQ(manager->displayIDs(), expectedIDs);
  EXPECT_EQ(ownWindowNumbers().size(), expectedIDs.size());
}

using M = MultiMonitorMode;
// clang-format off
const ModeCase kModeCases[] = {
    {"PrimaryOnly",         M::primaryOnly,         3,  {{1, kAll}}},
    {"AllOnAll",            M::allOnAll,            3,  {{1, kAll}, {2, kAll}, {3, kAll}}},
    // The entry on a display that is not there shows nowhere.
    {"ActiveOnlyTwo",       M::activeMonitorOnly,   2,  {{1, {"Editor", "Shell"}}, {2, {"Viewer", "Mailer"}}}},
    {"ActiveOnlyThree",     M::activeMonitorOnly,   3,  {{1, {"Editor", "Shell"}}, {2, {"Viewer", "Mailer"}}, {3, {"Player"}}}},
    {"PerMonitorWindows",   M::primaryAllOthersOwn, 3,  {{1, kAll}, {2, {"Viewer", "Mailer"}}, {3, {"Player"}}}},
    // The main display is the one the window server names main, not number 1.
    {"PrimaryOnlyMainIsTwo", M::primaryOnly,        -2, {{2, kAll}}},
    {"PerMonitorMainIsTwo", M::primaryAllOthersOwn, -2, {{2, kAll}, {1, {"Editor"}}}},
    {"ActiveOnlyMainIsTwo", M::activeMonitorOnly,   -2, {{2, {"Viewer", "Shell", "Mailer"}}, {1, {"Editor"}}}},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Modes, MonitorManagerModesTest, ::testing::ValuesIn(kModeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A bar in "primary only" follows the tracker by itself, at once; the others wait for the manager's
// throttled hand-out.
TEST_F(MonitorManagerTest, OnlyThePrimaryOnlyBarFollowsTheTrackerItself) {
  addRight();
  for (M mode : {M::primaryOnly, M::allOnAll, M::activeMonitorOnly, M::primaryAllOthersOwn}) {
    SCOPED_TRACE(static_cast<int>(mode));
    settings->multiMonitorMode = mode;
    tracker->apps = std::vector<TrackedAppPtr>{};
    start();
    advance(1);
    tracker->apps = {entry("Editor", std::nullopt), entry("Viewer", std::nullopt)};
    EXPECT_EQ(manager->viewController(kMain)->itemCount(), mode == MultiMonitorMode::primaryOnly ? 2u : 0u);
    settle();
    EXPECT_EQ(manager->viewController(kMain)->itemCount(), 2u);
    manager.reset();
    flushDeletes();
  }
}

// Entry lists reach the bars at most once per 100 ms, the latest at the window's end. The tracker keeps
// the same entries and raises its generation when one of them moves to another display; the bars are
// handed their lists again.
TEST_F(MonitorManagerTest, EntryListsAndMovesReachTheBarsAtMostOncePerHundredMillisecondsLatestFirst) {
  settings->multiMonitorMode = MultiMonitorMode::activeMonitorOnly;
  addRight();
  addLeft();
  start();
  advance(1);
  tracker->apps = {entry("Player", 2)};
  settle();
  EXPECT_EQ(namesOn(2), (Names{"Player"}));  // the first list of a quiet spell passes at once

  auto editor = entry("Editor", 1);
  auto viewer = entry("Viewer", 2);
  tracker->apps = {entry("Shell", 2)};
  tracker->apps = {editor, viewer};
  settle();
  EXPECT_EQ(namesOn(2), (Names{"Player"}));
  advance(0.1);
  EXPECT_EQ(namesOn(1), (Names{"Editor"}));
  EXPECT_EQ(namesOn(2), (Names{"Viewer"}));

  advance(1);
  viewer->displayID = 3;
  tracker->displayIDGeneration = 1;
  settle();
  EXPECT_EQ(namesOn(2), (Names{}));
  EXPECT_EQ(namesOn(3), (Names{"Viewer"}));

  // Within the throttle window the latest move wins, at the window's end.
  viewer->displayID = 1;
  tracker->displayIDGeneration = 2;
  editor->displayID = std::nullopt;
  viewer->displayID = 2;
  tracker->displayIDGeneration = 3;
  settle();
  EXPECT_EQ(namesOn(3), (Names{"Viewer"}));
  advance(0.1);
  EXPECT_EQ(namesOn(1), (Names{"Editor"}));  // without a display: the main display's
  EXPECT_EQ(namesOn(2), (Names{"Viewer"}));
  EXPECT_EQ(namesOn(3), (Names{}));
}

// Start-up in the shell's order, the bars before the tracker: the tracker's first entries are on the bars
// and fully drawn on the same pass, not at the end of a throttle window nor after a fade. A window moved
// to another display: the tracker's tests raise the generation, the modes test hands the lists out again.
TEST_F(MonitorManagerTest, FirstEntriesAppearWithTheBarsOnTheirWindowsDisplays) {
  settings->multiMonitorMode = MultiMonitorMode::activeMonitorOnly;  // the bars are handed their lists
  settings->groupWindows = false;
  addRight();
  tracker->settingsManager = settings.get();
  tracker->windowManager = windowManager;
  const int32_t editor = mac.launchApp("com.example.editor", "Editor");
  const int32_t viewer = mac.launchApp("com.example.viewer", "Viewer");
  mac.openWindow(editor, {.title = "Left page", .bounds = Rect(100, 100, 800, 600)});
  mac.openWindow(viewer, {.title = "Photo", .bounds = Rect(2000, 100, 800, 600)});
  start();
  const double started = scheduler.now();
  tracker->start();
  settle();
  ASSERT_EQ(scheduler.now(), started);
  auto items = manager->viewController(kMain)->arrangedItems();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(widgetOpacity(*items[0]), 1.0);
  EXPECT_EQ(namesOn(1), (std::vector<std::string>{"Editor"}));
  EXPECT_EQ(namesOn(2), (std::vector<std::string>{"Viewer"}));
  tracker->stop();
}

}  // namespace
}  // namespace pelko::test
