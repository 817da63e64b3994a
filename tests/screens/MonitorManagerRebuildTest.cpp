#include <gtest/gtest.h>

#include <QPointer>
#include <algorithm>

#include "MonitorManagerTestWorld.h"

namespace pelko::test {
namespace {

using IDs = std::vector<platform::DisplayID>;

class MonitorManagerRebuildTest : public MonitorManagerTest {
 protected:
  void SetUp() override {
    settings->multiMonitorMode = MultiMonitorMode::allOnAll;
    tracker->apps = {entry("Editor", 1), entry("Viewer", 2)};
  }
  std::vector<QPointer<TaskbarPanel>> panels() const {
    std::vector<QPointer<TaskbarPanel>> result;
    for (auto id : manager->displayIDs()) result.emplace_back(manager->panel(id));
    return result;
  }
  static bool allGone(const std::vector<QPointer<TaskbarPanel>>& panels) {
    return std::all_of(panels.begin(), panels.end(), [](const auto& p) { return p.isNull(); });
  }
};

// A burst of screen changes rebuilds once, 300 ms after the last one. A removed display's bar stays until
// the rebuild. When the main display goes, every coordinate shifts to the new main display's origin; the
// remaining bars move there at once, not only after the rebuild.
TEST_F(MonitorManagerRebuildTest, DisplaysComeAndGoWithTheirBarsAfterThreeHundredMillisecondsOfQuiet) {
  start();
  auto generation = manager->rebuildGeneration();
  addRight();
  advance(0.2);
  addLeft();
  advance(0.29);
  EXPECT_EQ(manager->displayIDs(), (IDs{1}));
  advance(0.01);
  EXPECT_EQ(manager->displayIDs(), (IDs{1, 2, 3}));
  EXPECT_EQ(manager->rebuildGeneration(), generation + 1);
  EXPECT_EQ(namesOn(2), (std::vector<std::string>{"Editor", "Viewer"}));
  EXPECT_EQ(manager->panel(2)->frame(), Rect(1920, 56, 1280, 34));
  advance(5);
  EXPECT_EQ(manager->rebuildGeneration(), generation + 1);

  QPointer<TaskbarPanel> left = manager->panel(3);
  const Rect leftFrame = left->frame();
  mac.removeDisplay(3);
  settle();
  ASSERT_FALSE(left.isNull());
  EXPECT_EQ(left->frame(), leftFrame);
  EXPECT_EQ(manager->displayIDs(), (IDs{1, 2, 3}));
  advance(0.3);
  EXPECT_EQ(manager->displayIDs(), (IDs{1, 2}));
  EXPECT_TRUE(left.isNull());
  EXPECT_EQ(ownWindowNumbers().size(), 2u);

  TaskbarPanel* right = manager->panel(2);
  generation = manager->rebuildGeneration();
  mac.removeDisplay(kMain);
  settle();
  EXPECT_EQ(manager->rebuildGeneration(), generation);
  EXPECT_EQ(manager->panel(2), right);
  EXPECT_EQ(right->frame(), Rect(0, 0, 1280, 34));
  EXPECT_EQ(manager->screen(2)->frame, Rect(0, 0, 1280, 1024));
  EXPECT_EQ(right->contentView()->size(), QSize(1280, 34));
  advance(0.3);
  EXPECT_EQ(manager->displayIDs(), (IDs{2}));
  EXPECT_EQ(manager->panel(2)->frame(), Rect(manager->screen(2)->frame.origin, Size{1280, 34}));

  // Without screens there is no bar until one comes.
  mac.removeDisplay(2);
  advance(1);
  EXPECT_TRUE(manager->displayIDs().empty());
  const auto added = addLeft();
  advance(1);
  EXPECT_EQ(manager->displayIDs(), (IDs{added}));
  EXPECT_EQ(manager->panel(added)->frame(), Rect(manager->screen(added)->frame.origin, Size{1440, 34}));
}

// The shell rebuilds the bars when the position or the floating-bar setting changes.
// New panels come in front before the old ones are closed.
TEST_F(MonitorManagerRebuildTest, RebuildAllPlacesNewBarsForPositionFloatingAndCaptureExclusion) {
  addRight();
  start();
  auto old = panels();
  std::vector<std::string> oldOuts;
  for (auto id : manager->displayIDs())
    oldOuts.push_back("out " + std::to_string(*manager->panel(id)->windowNumber()));
  ownWindows.log.clear();

  settings->position = TaskbarPosition::left;
  manager->rebuildAll();
  // Closed: transparent and off the screen, deleted on a later pass.
  for (const auto& panel : old) {
    ASSERT_FALSE(panel.isNull());
    EXPECT_EQ(panel->windowOpacity(), 0.0);
    EXPECT_FALSE(panel->isOrderedIn());
    EXPECT_FALSE(panel->isVisible());
  }
  ASSERT_EQ(ownWindows.log.size(), 4u);
  std::vector<std::string> ins(ownWindows.log.begin(), ownWindows.log.begin() + 2);
  std::vector<std::string> outs(ownWindows.log.begin() + 2, ownWindows.log.end());
  for (const auto& in : ins) EXPECT_EQ(in.rfind("in ", 0), 0u) << in;
  EXPECT_EQ(outs, oldOuts);
  flushDeletes();
  EXPECT_TRUE(allGone(old));
  std::vector<platform::WindowID> now;
  for (auto id : manager->displayIDs()) now.push_back(*manager->panel(id)->windowNumber());
  auto listed = ownWindowNumbers();
  std::sort(now.begin(), now.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, now);

  EXPECT_EQ(manager->panel(1)->frame(), Rect(0, 0, 48, 1055));
  EXPECT_EQ(manager->panel(2)->frame(), Rect(1920, 56, 48, 999));
  EXPECT_EQ(manager->panel(2)->contentView()->size(), QSize(48, 999));
  EXPECT_EQ(namesOn(2), (std::vector<std::string>{"Editor", "Viewer"}));

  settings->position = TaskbarPosition::top;
  settings->marginHorizontal = 10;
  settings->marginVertical = 4;
  settings->floatingBar = true;
  manager->rebuildAll();
  // A floating bar keeps its edge and thickness and is as long as its contents, centred.
  const Rect floating = manager->panel(1)->frame();
  EXPECT_EQ(floating.minY(), 1055 - 34 - 4);
  EXPECT_EQ(floating.height(), 34);
  EXPECT_LT(floating.width(), 1900);
  EXPECT_DOUBLE_EQ(floating.midX(), 960);
  EXPECT_TRUE(manager->panel(1)->hasShadow());
  EXPECT_TRUE(manager->panel(2)->hasShadow());

  settings->floatingBar = false;
  settings->excludeFromCapture = true;
  EXPECT_EQ(manager->panel(2)->sharingType(), WindowSharingType::readOnly);
  manager->updateSharingType(WindowSharingType::none);
  EXPECT_EQ(manager->panel(2)->sharingType(), WindowSharingType::none);
  manager->rebuildAll();
  EXPECT_FALSE(manager->panel(1)->hasShadow());
  for (auto id : manager->displayIDs()) EXPECT_EQ(manager->panel(id)->sharingType(), WindowSharingType::none);
}

TEST_F(MonitorManagerRebuildTest, ScreensWithoutAUsableDisplayNumberGetNoBar) {
  // One without a display number, two claiming the same.
  auto screen = [](platform::DisplayID id, double x) {
    return platform::ScreenInfo{id, Rect(x, 0, 1000, 800), Rect(x, 0, 1000, 775), 1.0, "Odd"};
  };
  FixedScreens screens({screen(1, 0), screen(0, 1000), screen(7, 2000), screen(7, 3000)});
  manager = makeManager(&screens);
  manager->start();
  settle();
  EXPECT_EQ(manager->displayIDs(), (IDs{1, 7}));
  EXPECT_EQ(manager->panel(7)->frame(), Rect(2000, 0, 1000, 34));  // the first screen claiming 7
  EXPECT_EQ(ownWindowNumbers().size(), 2u);                        // no bar left behind unowned
}

TEST_F(MonitorManagerRebuildTest, ModeChangesRebuildStopRemovesEveryBarAndSubscriptionAndStartRebuilds) {
  addRight();
  start();
  auto old = panels();
  settings->multiMonitorMode = MultiMonitorMode::primaryOnly;
  EXPECT_EQ(manager->displayIDs(), (IDs{1, 2}));  // the setting announces before it holds the value
  settle();
  EXPECT_EQ(manager->displayIDs(), (IDs{1}));
  EXPECT_TRUE(allGone(old));
  settings->multiMonitorMode = MultiMonitorMode::primaryAllOthersOwn;
  settle();
  EXPECT_EQ(manager->displayIDs(), (IDs{1, 2}));
  EXPECT_EQ(namesOn(2), (std::vector<std::string>{"Viewer"}));

  old = panels();
  manager->stop();
  flushDeletes();
  EXPECT_TRUE(manager->displayIDs().empty());
  EXPECT_TRUE(allGone(old));
  EXPECT_TRUE(ownWindowNumbers().empty());

  const auto generation = manager->rebuildGeneration();
  addLeft();
  settings->multiMonitorMode = MultiMonitorMode::primaryOnly;
  advance(1);
  EXPECT_EQ(manager->rebuildGeneration(), generation);
  EXPECT_TRUE(manager->displayIDs().empty());

  manager->start();
  settle();
  EXPECT_EQ(manager->displayIDs(), (IDs{1}));
  const auto started = manager->rebuildGeneration();
  mac.removeDisplay(3);
  advance(1);
  EXPECT_EQ(manager->rebuildGeneration(), started + 1);

  // Nothing happens once the manager is gone.
  addLeft();
  settings->multiMonitorMode = MultiMonitorMode::allOnAll;
  tracker->apps = std::vector<TrackedAppPtr>{};
  manager.reset();
  advance(1);
  EXPECT_TRUE(ownWindowNumbers().empty());
}

}  // namespace
}  // namespace pelko::test
