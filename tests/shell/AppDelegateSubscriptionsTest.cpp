#include <gtest/gtest.h>

#include <functional>

#include "ShellTestWorld.h"
#include "shell/MonitorManagerTaskbars.h"
#include "support/AppItemViewTestAccess.h"
#include "taskbar/AppItemView.h"
#include "taskbar/BadgeView.h"
#include "taskbar/TaskbarContainerView.h"
#include "taskbar/TaskbarViewController.h"

namespace pelko::testing {
namespace {

using M = SettingsManager;
enum class Timing { debounced, throttled, onMain };
constexpr Timing D = Timing::debounced, T = Timing::throttled, O = Timing::onMain;

struct Row {
  std::string name;
  std::function<void(M&)> change;
  Timing timing;
  bool skippedInBatch;
  std::vector<std::string> reaction;
  // What the setting's own change rule sets off at once in other rows.
  std::vector<std::string> knockOn = {};
};
void PrintTo(const Row& row, std::ostream* os) {
  *os << row.name;
}

template <class V, class W>
std::function<void(M&)> set(Setting<V> M::*member, W value) {
  return [member, value](M& m) { m.*member = V(value); };
}

const Color kRed{1, 0, 0, 1};
const std::vector<std::string> kLayout{"updateLayout bottom"}, kReposition{"repositionAllPanels"},
    kSizes{"reconfigureItemSizes"}, kCounts{"refreshWindowCounts"}, kBorder{"updateBorder"},
    kRepositionAndLayout{"repositionAllPanels", "updateLayout bottom"};

// clang-format off
// The reaction table: one change of one setting of each row, and what every bar (or the tracker) does.
const std::vector<Row> kRows = {
    {"Position", set(&M::position, TaskbarPosition::top), D, true, {"rebuildAll"}, kSizes},
    {"SystemTray", set(&M::showSystemTray, true), D, true, kRepositionAndLayout},
    {"CenterItems", set(&M::centerItems, true), D, true, kRepositionAndLayout},
    {"ItemAlignment", set(&M::itemAlignment, ItemAlignment::right), D, true, kRepositionAndLayout},
    {"FloatingBar", set(&M::floatingBar, true), O, true, {"rebuildAll"}},
    {"ItemSpacing", set(&M::itemSpacing, 6.0), T, true, kLayout},
    {"TrashIcon", set(&M::showTrashIcon, true), D, true, kLayout},
    {"GroupWindows", set(&M::groupWindows, false), D, true, kLayout},
    {"Style", set(&M::style, TaskbarStyle::iconsOnly), D, true, kLayout},
    {"MarginHorizontal", set(&M::marginHorizontal, 8.0), T, true, kReposition},
    {"MarginVertical", set(&M::marginVertical, 8.0), T, true, kReposition},
    {"WindowGap", set(&M::windowGap, 4.0), T, true, kReposition},
    {"TaskbarSize", set(&M::taskbarSize, 120.0), T, true, {"repositionAllPanels", "reconfigureItemSizes"}},
    {"IconSize", set(&M::iconSize, 120.0), T, true, kSizes},
    {"EqualWidth", set(&M::equalWidth, true), O, true, kSizes},
    {"MaxTaskWidth", set(&M::maxTaskWidth, 300.0), T, true, kSizes},
    {"ThumbnailsOff", set(&M::showThumbnails, false), O, false, {"dismissAllThumbnails"}},
    {"WindowTitle", set(&M::showWindowTitle, true), O, true, {"reconfigureItems"}},
    {"ItemTextSize", set(&M::itemTextSize, 13.0), O, true, {"reconfigureItems"}},
    {"WindowCount", set(&M::showWindowCount, false), D, true, kCounts},
    {"WindowCountStyle", set(&M::windowCountStyle, WindowCountStyle::dots), D, true, kCounts},
    {"BadgeColor", set(&M::badgeColor, kRed), D, true, kCounts},
    {"BadgeTextColor", set(&M::badgeTextColor, kRed), D, true, kCounts},
    {"BadgeOpacity", set(&M::badgeOpacity, 40.0), D, true, kCounts},
    {"GroupByApp", set(&M::groupByApp, false), O, true, {"forceRefresh"}},
    {"IndicateMinimized", set(&M::indicateMinimized, true), O, true, {"refreshDimming"}},
    {"IndicateHidden", set(&M::indicateHidden, true), O, true, {"refreshDimming"}},
    {"HiddenApps", set(&M::blacklistedBundleIDs, StringList{"com.example.hidden"}), O, true, {"forceRefresh"}},
    {"ActiveIndicator", set(&M::showActiveIndicator, false), O, true, {"refreshActiveIndicators"}},
    {"ActiveIndicatorColor", set(&M::activeIndicatorColor, kRed), O, true, {"refreshActiveIndicators"}},
    {"ActiveIndicatorPosition", set(&M::activeIndicatorPosition, "top"), O, true, kSizes},
    {"BorderTop", set(&M::borderTop, false), D, true, kBorder},
    {"BorderLeft", set(&M::borderLeft, true), D, true, kBorder},
    {"BackgroundOpacity", set(&M::backgroundOpacity, 50.0), T, true, {"updateBackgroundOpacity"}},
    {"BackgroundColor", set(&M::backgroundColor, kRed), O, true, {"updateBackgroundOpacity"}},
    {"Vibrancy", set(&M::useVibrancy, true), O, true, {"updateVibrancy"}},
    {"BorderColor", set(&M::borderColor, kRed), O, true, kBorder},
    {"BorderOpacity", set(&M::borderOpacity, 60.0), T, true, kBorder},
    {"BorderWidth", set(&M::borderWidth, 2.0), T, true, kBorder},
    {"CornerRadius", set(&M::cornerRadius, 12.0), T, true, {"updateCornerRadius", "repositionAllPanels"}},
    {"ExcludeFromCapture", set(&M::excludeFromCapture, true), O, false, {"sharing none"}},
    {"IncludeInCapture", set(&M::excludeFromCapture, false), O, false, {"sharing readOnly"}},
};
// clang-format on

class AppDelegateSubscriptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Another application, so that a refresh pass of the tracker shows in its Accessibility requests.
    editor = world.mac.launchApp("com.example.editor", "Editor");
    world.mac.openWindow(editor);
    world.defaults.setBool(AppDelegate::kFullyHideDockKey, false);
    world.start();
    world.scheduler.advance(1);
    world.bars.clear();
    refreshes = world.mac.axRequestCount(editor);
  }

  // What the bars and the tracker did since the last call.
  std::vector<std::string> reactions() {
    std::vector<std::string> calls = std::move(world.bars);
    world.bars.clear();
    int requests = world.mac.axRequestCount(editor);
    if (requests > refreshes) calls.push_back("forceRefresh");
    refreshes = requests;
    return calls;
  }

  ShellTestWorld world;
  int32_t editor = 0;
  int refreshes = 0;
};

class ReactionRowTest : public AppDelegateSubscriptionsTest, public ::testing::WithParamInterface<Row> {};

TEST_P(ReactionRowTest, ReactsOnceWithTheRowsTimingAndIsSilentInABatchUnlessItMustAct) {
  const Row& row = GetParam();
  row.change(world.settings());
  EXPECT_TRUE(reactions().empty()) << "never inside the assignment";
  if (row.timing == Timing::debounced) {
    world.scheduler.advance(0.049);
    EXPECT_EQ(reactions(), row.knockOn) << "a debounced row waits 50 ms";
    world.scheduler.advance(0.001);
  } else {
    world.scheduler.runUntilIdle();
  }
  EXPECT_EQ(reactions(), row.reaction);
  world.scheduler.advance(0.5);
  EXPECT_TRUE(reactions().empty()) << "one change, one reaction";

  // A second change 30 ms (debounced) or 10 ms (otherwise) after the first of a while.
  row.change(world.settings());
  if (row.timing == Timing::debounced) {
    world.scheduler.advance(0.03);
    row.change(world.settings());
    world.scheduler.advance(0.049);
    for (const auto& call : reactions())
      EXPECT_EQ(std::count(row.reaction.begin(), row.reaction.end(), call), 0) << "50 ms after the last";
    world.scheduler.advance(0.001);
    EXPECT_EQ(reactions(), row.reaction) << "once for the burst";
  } else {
    world.scheduler.runUntilIdle();
    ASSERT_EQ(reactions(), row.reaction) << "the first change of a while reacts at once";
    world.scheduler.advance(0.01);
    row.change(world.settings());
    world.scheduler.runUntilIdle();
    if (row.timing == Timing::onMain) {
      EXPECT_EQ(reactions(), row.reaction) << "delivered as it comes";
    } else {
      EXPECT_TRUE(reactions().empty()) << "at most one reaction per 30 ms";
      world.scheduler.advance(0.02);
      EXPECT_EQ(reactions(), row.reaction) << "the latest value at the end of the 30 ms";
    }
  }

  // While a preset or a reset is applied.
  world.settle(0.5);
  reactions();
  world.settings().isBatchingUpdates = true;
  row.change(world.settings());
  world.settle(0.05);
  EXPECT_EQ(reactions(), row.skippedInBatch ? std::vector<std::string>{} : row.reaction) << "in a batch";
  world.settings().isBatchingUpdates = false;
}

INSTANTIATE_TEST_SUITE_P(Rows, ReactionRowTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

TEST_F(AppDelegateSubscriptionsTest, BorderSwitchesInQuickSuccessionRedrawTheBorderOnce) {
  auto& m = world.settings();
  for (auto* side : {&m.borderTop, &m.borderBottom, &m.borderLeft, &m.borderRight}) {
    *side = !side->get();
    world.scheduler.advance(0.01);
  }
  world.scheduler.advance(0.039);
  EXPECT_TRUE(reactions().empty());
  world.scheduler.advance(0.001);
  EXPECT_EQ(reactions(), kBorder);
}

TEST_F(AppDelegateSubscriptionsTest, APresetRebuildsTheBarsOnceWhenItEnds) {
  world.settings().applyPreset(TaskbarPresetID::topBar);
  // The batch ends on the next pass of the main run loop, after its own deliveries; the debounced (50 ms)
  // and throttled (30 ms) deliveries of what it changed come later and rebuild nothing more.
  world.scheduler.runUntilIdle();
  world.scheduler.advance(0.2);
  EXPECT_EQ(reactions(), std::vector<std::string>{"rebuildAll"});
  EXPECT_FALSE(world.settings().isBatchingUpdates);

  // A change of the user's own after the batch still acts, within those 50 ms as later.
  world.settings().applyPreset(TaskbarPresetID::dock);
  world.scheduler.runUntilIdle();
  world.settings().showTrashIcon = !world.settings().showTrashIcon.get();
  world.scheduler.advance(0.2);
  EXPECT_EQ(reactions(), (std::vector<std::string>{"rebuildAll", "updateLayout bottom"}));
}

TEST_F(AppDelegateSubscriptionsTest, ThumbnailsCannotBeSwitchedOnWithoutScreenRecording) {
  world.settings().showThumbnails = false;
  world.scheduler.runUntilIdle();
  reactions();
  world.mac.permissions().screenCaptureGranted = false;
  // The store itself refuses too; its publisher still delivers the request, which the shell answers.
  world.settings().showThumbnails = true;
  world.scheduler.runUntilIdle();
  EXPECT_FALSE(world.settings().showThumbnails);
  EXPECT_EQ(
      world.countLog("AppDelegate: ignoring thumbnail enable while Screen Recording permission is missing"),
      1u);
  reactions();  // the refusal's own switch-off dismisses the thumbnails

  world.mac.permissions().screenCaptureGranted = true;
  world.settings().showThumbnails = true;
  world.scheduler.runUntilIdle();
  EXPECT_TRUE(world.settings().showThumbnails);
  EXPECT_EQ(reactions(), std::vector<std::string>{}) << "switching thumbnails on needs nothing of the bars";
}

TEST_F(AppDelegateSubscriptionsTest, FullyHideDockHidesAndRestoresTheDockEvenInABatch) {
  const ShellTestWorld::Dictionary usersDock = {{"autohide", true}, {"mineffect", "genie"}};
  world.setDockDomain(usersDock);
  world.settings().isBatchingUpdates = true;
  world.settings().fullyHideDock = true;
  world.scheduler.runUntilIdle();
  EXPECT_TRUE(world.delegate->isDockHidden());
  EXPECT_EQ(world.dockRestarts(), 1u);

  world.settings().fullyHideDock = false;
  world.scheduler.runUntilIdle();
  EXPECT_FALSE(world.delegate->isDockHidden());
  EXPECT_EQ(world.dockDomain(), usersDock);
  world.settings().isBatchingUpdates = false;
}

TEST_F(AppDelegateSubscriptionsTest, NothingReactsAfterCleanUp) {
  auto& settings = *world.delegate->settingsManager();
  world.delegate->cleanup();
  world.scheduler.advance(1);
  reactions();
  settings.position = TaskbarPosition::top;
  settings.floatingBar = true;
  world.scheduler.advance(1);
  EXPECT_EQ(reactions(), std::vector<std::string>{}) << "clean-up ended every subscription";
}

// The reactions as the program's own bars show them.
TEST(RealBarsTest, StartUpBuildsEachBarOnceAndTheReactionsChangeWhatTheBarsShow) {
  ShellTestWorld world;
  world.withRealBars = true;
  world.defaults.setBool(AppDelegate::kFullyHideDockKey, false);
  const int32_t editor = world.mac.launchApp("com.example.editor", "Editor");
  for (int i = 0; i < 3; ++i) world.mac.openWindow(editor);
  world.mac.hide(editor);
  world.start();
  world.scheduler.advance(1);
  MonitorManager& monitors = world.realBars->monitorManager();
  EXPECT_EQ(monitors.rebuildGeneration(), 1u) << "every bar built once";
  ASSERT_EQ(monitors.displayIDs().size(), world.mac.screens().screens().size());
  auto bar = [&] { return monitors.viewController(monitors.displayIDs().front()); };
  ASSERT_EQ(bar()->arrangedItems().size(), 1u);
  ASSERT_NE(AppItemViewTestAccess::countBadge(*bar()->arrangedItems().front()), nullptr);
  auto item = [&] { return bar()->arrangedItems().front(); };
  auto panel = [&] { return monitors.panel(monitors.displayIDs().front()); };
  auto background = [&] { return bar()->view()->backgroundColor(); };

  struct Case {
    std::string name;
    std::function<void(M&)> change;
    std::function<bool()> shows;
  };
  auto vibrancy = [&] { return bar()->vibrancyView(); };
  // clang-format off
  for (const auto& c : std::vector<Case>{
      {"BackgroundOpacity",  set(&M::backgroundOpacity, 40.0),         [&] { return background() && background()->alpha == 0.4; }},
      {"BackgroundColor",    set(&M::backgroundColor, kRed),           [&] { return background() && *background() == kRed.withAlpha(0.4); }},
      {"VibrancyOn",         set(&M::useVibrancy, true),               [&] { return !background() && vibrancy() && !vibrancy()->isHidden(); }},
      {"VibrancyOff",        set(&M::useVibrancy, false),              [&] { return background() && vibrancy() && vibrancy()->isHidden(); }},
      {"ExcludeFromCapture", set(&M::excludeFromCapture, true),        [&] { return panel()->sharingType() == WindowSharingType::none; }},
      {"IncludeInCapture",   set(&M::excludeFromCapture, false),       [&] { return panel()->sharingType() == WindowSharingType::readOnly; }},
      {"BadgeOpacity",       set(&M::badgeOpacity, 40.0),              [&] { return std::abs(AppItemViewTestAccess::countBadge(*item())->badgeOpacity() - 0.4) < 1e-9; }},
      {"IndicateHidden",     set(&M::indicateHidden, true),            [&] { return AppItemViewTestAccess::dimmedAlpha(*item()) == 0.4; }},
      {"BorderLeft",         set(&M::borderLeft, true),                [&] { return bar()->view()->borderLines().size() == 2; }},
      {"CornerRadius",       set(&M::cornerRadius, 10.0),              [&] { return bar()->view()->cornerRadius() == 10; }},
      {"Position",           set(&M::position, TaskbarPosition::top),  [&] { return monitors.rebuildGeneration() == 2; }},
  }) {
    // clang-format on
    c.change(world.settings());
    world.scheduler.advance(0.1);
    EXPECT_TRUE(c.shows()) << c.name;
  }
}

}  // namespace
}  // namespace pelko::testing
