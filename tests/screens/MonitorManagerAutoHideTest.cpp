// The monitor manager's side of auto-hide: the pointer and key monitors, the shortcut, the reveals on
// an application switch and a new entry, and the floating bar's placement from content-size reports.

#include "MonitorManagerTestWorld.h"
#include "platform/sim/SimEventMonitors.h"
#include "settings/SettingsManager.h"

namespace pelko::test {
namespace {

using platform::Event;
using platform::EventType;
namespace flag = platform::modifier_flag;

class MonitorManagerAutoHideTest : public MonitorManagerTest {
 protected:
  std::unique_ptr<sim::SimEventMonitors> monitors = std::make_unique<sim::SimEventMonitors>();

  void TearDown() override {
    MonitorManagerTest::TearDown();
    monitors.reset();
  }
  // The pointer rests in the middle of the main display, away from the bar.
  void startWithMonitors() {
    monitors->movePointer({960, 600});
    manager = makeManager();
    manager->setEventMonitors(monitors.get());
    manager->start();
    settle();
  }
  AutoHideManager& autoHide(platform::DisplayID display = kMain) {
    return *manager->autoHideManager(display);
  }
  // A key press in one of this process's windows; answers whether it reached the window.
  bool pressKey(uint64_t modifiers, const std::string& characters) {
    Event key;
    key.type = EventType::keyDown;
    key.modifierFlags = modifiers;
    key.charactersIgnoringModifiers = characters;
    return monitors->post(key, true).has_value();
  }
};

TEST_F(MonitorManagerAutoHideTest, RebuildsWithoutGlobalMonitorsKeepOneLocalMonitorOfEachKind) {
  monitors = std::make_unique<sim::SimEventMonitors>(false);
  settings->autoHide = true;
  startWithMonitors();
  for (int i = 0; i < 5; ++i) {
    manager->rebuildAll();
    settings->autoHideShortcut = false;
    settle();
    settings->autoHideShortcut = true;
    settle();
  }
  EXPECT_EQ(monitors->localMonitorCount(), 2u);  // the pointer's and the keys'
  EXPECT_EQ(monitors->globalMonitorCount(), 0u);

  settings->autoHide = false;
  settle();
  EXPECT_EQ(monitors->localMonitorCount(), 0u);
}

TEST_F(MonitorManagerAutoHideTest, TheGlobalPointerMonitorRunsOnlyWhileABarIsShown) {
  settings->autoHide = true;
  startWithMonitors();
  EXPECT_EQ(monitors->globalMonitorCount(), 2u);  // the pointer's and the keys'
  advance(1);
  ASSERT_TRUE(autoHide().isTaskbarHidden());
  EXPECT_EQ(monitors->globalMonitorCount(), 1u);
  EXPECT_EQ(monitors->localMonitorCount(), 2u);
  autoHide().showTaskbar(false);
  EXPECT_EQ(monitors->globalMonitorCount(), 2u);
  // Pointer movement anywhere on the monitor restarts the shown bar's hide timer.
  advance(0.45);
  monitors->movePointer({900, 700});
  advance(0.45);
  EXPECT_FALSE(autoHide().isTaskbarHidden());
  advance(0.1);
  EXPECT_TRUE(autoHide().isTaskbarHidden());
}

TEST_F(MonitorManagerAutoHideTest, ControlOptionTTogglesEveryBarAndNothingElseDoes) {
  addRight();
  settings->autoHide = true;
  startWithMonitors();
  advance(1);
  const auto displays = manager->displayIDs();
  ASSERT_EQ(displays.size(), 2u);
  struct Row {
    uint64_t modifiers;
    std::string characters;
    bool toggles;
  };
  const uint64_t controlOption = flag::kControl | flag::kOption;
  for (const Row& row :
       {Row{controlOption, "t", true}, Row{controlOption, "T", true},
        Row{controlOption | flag::kShift, "t", false}, Row{controlOption | flag::kCommand, "t", false},
        Row{controlOption | (1u << 16), "t", false},  // Caps Lock
        Row{flag::kControl, "t", false}, Row{controlOption, "x", false}, Row{controlOption, "", false},
        Row{controlOption | 0x100, "t", true}}) {
    SCOPED_TRACE(row.characters + " " + std::to_string(row.modifiers));
    const bool hiddenBefore = autoHide(displays[0]).isTaskbarHidden();
    const bool reachedWindow = pressKey(row.modifiers, row.characters);
    EXPECT_EQ(reachedWindow, !row.toggles);
    for (auto display : displays) EXPECT_EQ(autoHide(display).isTaskbarHidden(), row.toggles != hiddenBefore);
    advance(1);  // past the grace period, so that the next toggle may hide again
    for (auto display : displays)
      if (!autoHide(display).isTaskbarHidden()) autoHide(display).hideTaskbar(false);
  }
  settings->autoHide = false;
  settle();
  EXPECT_TRUE(pressKey(controlOption, "t"));
}

TEST_F(MonitorManagerAutoHideTest, SwitchingToAnotherApplicationRevealsHiddenBars) {
  settings->autoHide = true;
  settings->autoHideShowOnAppSwitch = true;
  const int32_t other = mac.launchApp({.bundleID = "com.example.Other", .name = "Other", .activate = false});
  startWithMonitors();
  advance(1);
  ASSERT_TRUE(autoHide().isTaskbarHidden());
  mac.activate(mac.appShell().pid);
  settle();
  EXPECT_TRUE(autoHide().isTaskbarHidden());
  mac.activate(other);
  settle();
  EXPECT_FALSE(autoHide().isTaskbarHidden());
}

TEST_F(MonitorManagerAutoHideTest, AGrowingEntryListRevealsHiddenBars) {
  settings->autoHide = true;
  settings->autoHideShowOnNewWindow = true;
  tracker->apps = std::vector<TrackedAppPtr>{entry("Editor", kMain)};
  startWithMonitors();
  advance(1);
  ASSERT_TRUE(autoHide().isTaskbarHidden());
  tracker->apps = std::vector<TrackedAppPtr>{entry("Editor", kMain)};
  advance(0.2);
  EXPECT_TRUE(autoHide().isTaskbarHidden());
  tracker->apps = std::vector<TrackedAppPtr>{entry("Editor", kMain), entry("Viewer", kMain)};
  advance(0.2);
  EXPECT_FALSE(autoHide().isTaskbarHidden());
}

TEST_F(MonitorManagerAutoHideTest, FloatingReportsCoalescePerDisplayAndSmallChangesAreIgnored) {
  settings->floatingBar = true;
  startWithMonitors();
  TaskbarViewController* bar = manager->viewController(kMain);
  TaskbarPanel* panel = manager->panel(kMain);
  ASSERT_TRUE(bar && panel && bar->onContentSizeChanged);
  const double y = panel->frame().minY(), height = panel->frame().height();

  const size_t pending = scheduler.pendingCount();
  bar->onContentSizeChanged(600);
  bar->onContentSizeChanged(700);
  bar->onContentSizeChanged(800);
  EXPECT_EQ(scheduler.pendingCount(), pending + 1);  // one apply step for the three
  settle();
  EXPECT_EQ(panel->frame(), Rect(560, y, 800, height));

  bar->onContentSizeChanged(800.8);
  bar->onContentSizeChanged(799);
  EXPECT_EQ(scheduler.pendingCount(), pending);
  settle();
  EXPECT_EQ(panel->frame(), Rect(560, y, 800, height));
}

}  // namespace
}  // namespace pelko::test
