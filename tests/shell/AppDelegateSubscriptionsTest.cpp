#include <gtest/gtest.h>

#include <functional>

#include "ShellTestWorld.h"

namespace pelko::testing {
namespace {

enum class Timing { debounced, throttled, onMain };

struct Row {
  std::string name;
  std::function<void(SettingsManager&)> change;
  Timing timing;
  bool skippedInBatch;
  std::vector<std::string> reaction;
  // What the setting's own change rule sets off at once in other rows.
  std::vector<std::string> knockOn = {};
};
void PrintTo(const Row& row, std::ostream* os) {
  *os << row.name;
}

const Color kRed{1, 0, 0, 1};

// The reaction table: one change of one setting of each row, and what every bar (or the tracker) does.
const std::vector<Row> kRows = {
    {"Position",
     [](auto& m) { m.position = TaskbarPosition::top; },
     Timing::debounced,
     true,
     {"rebuildAll"},
     {"reconfigureItemSizes"}},
    {"SystemTray",
     [](auto& m) { m.showSystemTray = true; },
     Timing::debounced,
     true,
     {"repositionAllPanels", "updateLayout bottom"}},
    {"CenterItems",
     [](auto& m) { m.centerItems = true; },
     Timing::debounced,
     true,
     {"repositionAllPanels", "updateLayout bottom"}},
    {"ItemAlignment",
     [](auto& m) { m.itemAlignment = ItemAlignment::right; },
     Timing::debounced,
     true,
     {"repositionAllPanels", "updateLayout bottom"}},
    {"FloatingBar", [](auto& m) { m.floatingBar = true; }, Timing::onMain, true, {"rebuildAll"}},
    {"ItemSpacing", [](auto& m) { m.itemSpacing = 6.0; }, Timing::throttled, true, {"updateLayout bottom"}},
    {"TrashIcon", [](auto& m) { m.showTrashIcon = true; }, Timing::debounced, true, {"updateLayout bottom"}},
    {"GroupWindows",
     [](auto& m) { m.groupWindows = false; },
     Timing::debounced,
     true,
     {"updateLayout bottom"}},
    {"Style",
     [](auto& m) { m.style = TaskbarStyle::iconsOnly; },
     Timing::debounced,
     true,
     {"updateLayout bottom"}},
    {"MarginHorizontal",
     [](auto& m) { m.marginHorizontal = 8.0; },
     Timing::throttled,
     true,
     {"repositionAllPanels"}},
    {"MarginVertical",
     [](auto& m) { m.marginVertical = 8.0; },
     Timing::throttled,
     true,
     {"repositionAllPanels"}},
    {"WindowGap", [](auto& m) { m.windowGap = 4.0; }, Timing::throttled, true, {"repositionAllPanels"}},
    {"TaskbarSize",
     [](auto& m) { m.taskbarSize = 120.0; },
     Timing::throttled,
     true,
     {"repositionAllPanels", "reconfigureItemSizes"}},
    {"IconSize", [](auto& m) { m.iconSize = 120.0; }, Timing::throttled, true, {"reconfigureItemSizes"}},
    {"EqualWidth", [](auto& m) { m.equalWidth = true; }, Timing::onMain, true, {"reconfigureItemSizes"}},
    {"MaxTaskWidth",
     [](auto& m) { m.maxTaskWidth = 300.0; },
     Timing::throttled,
     true,
     {"reconfigureItemSizes"}},
    {"ThumbnailsOff",
     [](auto& m) { m.showThumbnails = false; },
     Timing::onMain,
     false,
     {"dismissAllThumbnails"}},
    {"WindowTitle", [](auto& m) { m.showWindowTitle = true; }, Timing::onMain, true, {"reconfigureItems"}},
    {"ItemTextSize", [](auto& m) { m.itemTextSize = 13.0; }, Timing::onMain, true, {"reconfigureItems"}},
    {"WindowCount",
     [](auto& m) { m.showWindowCount = false; },
     Timing::debounced,
     true,
     {"refreshWindowCounts"}},
    {"WindowCountStyle",
     [](auto& m) { m.windowCountStyle = WindowCountStyle::dots; },
     Timing::debounced,
     true,
     {"refreshWindowCounts"}},
    {"BadgeColor", [](auto& m) { m.badgeColor = kRed; }, Timing::debounced, true, {"refreshWindowCounts"}},
    {"BadgeTextColor",
     [](auto& m) { m.badgeTextColor = kRed; },
     Timing::debounced,
     true,
     {"refreshWindowCounts"}},
    {"BadgeOpacity",
     [](auto& m) { m.badgeOpacity = 40.0; },
     Timing::debounced,
     true,
     {"refreshWindowCounts"}},
    {"GroupByApp", [](auto& m) { m.groupByApp = false; }, Timing::onMain, true, {"forceRefresh"}},
    {"IndicateMinimized",
     [](auto& m) { m.indicateMinimized = true; },
     Timing::onMain,
     true,
     {"refreshDimming"}},
    {"IndicateHidden", [](auto& m) { m.indicateHidden = true; }, Timing::onMain, true, {"refreshDimming"}},
    {"HiddenApps",
     [](auto& m) { m.blacklistedBundleIDs = StringList{"com.example.hidden"}; },
     Timing::onMain,
     true,
     {"forceRefresh"}},
    {"ActiveIndicator",
     [](auto& m) { m.showActiveIndicator = false; },
     Timing::onMain,
     true,
     {"refreshActiveIndicators"}},
    {"ActiveIndicatorColor",
     [](auto& m) { m.activeIndicatorColor = kRed; },
     Timing::onMain,
     true,
     {"refreshActiveIndicators"}},
    {"ActiveIndicatorPosition",
     [](auto& m) { m.activeIndicatorPosition = std::string("top"); },
     Timing::onMain,
     true,
     {"reconfigureItemSizes"}},
    {"BorderTop", [](auto& m) { m.borderTop = false; }, Timing::debounced, true, {"updateBorder"}},
    {"BorderLeft", [](auto& m) { m.borderLeft = true; }, Timing::debounced, true, {"updateBorder"}},
    {"BackgroundOpacity",
     [](auto& m) { m.backgroundOpacity = 50.0; },
     Timing::throttled,
     true,
     {"updateBackgroundOpacity"}},
    {"BackgroundColor",
     [](auto& m) { m.backgroundColor = kRed; },
     Timing::onMain,
     true,
     {"updateBackgroundOpacity"}},
    {"Vibrancy", [](auto& m) { m.useVibrancy = true; }, Timing::onMain, true, {"updateVibrancy"}},
    {"BorderColor", [](auto& m) { m.borderColor = kRed; }, Timing::onMain, true, {"updateBorder"}},
    {"BorderOpacity", [](auto& m) { m.borderOpacity = 60.0; }, Timing::throttled, true, {"updateBorder"}},
    {"BorderWidth", [](auto& m) { m.borderWidth = 2.0; }, Timing::throttled, true, {"updateBorder"}},
    {"CornerRadius",
     [](auto& m) { m.cornerRadius = 12.0; },
     Timing::throttled,
     true,
     {"updateCornerRadius", "repositionAllPanels"}},
    {"ExcludeFromCapture",
     [](auto& m) { m.excludeFromCapture = true; },
     Timing::onMain,
     false,
     {"sharing none"}},
    {"IncludeInCapture",
     [](auto& m) { m.excludeFromCapture = false; },
     Timing::onMain,
     false,
     {"sharing readOnly"}},
};

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

TEST_P(ReactionRowTest, ReactsOnceWithTheRowsTiming) {
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
}

TEST_P(ReactionRowTest, ASecondChangeSoonAfterIsHeldBackOnlyByTheRowsTiming) {
  const Row& row = GetParam();
  if (row.timing == Timing::debounced) {
    row.change(world.settings());
    world.scheduler.advance(0.03);
    row.change(world.settings());
    world.scheduler.advance(0.049);
    for (const auto& call : reactions()) {
      EXPECT_EQ(std::count(row.reaction.begin(), row.reaction.end(), call), 0)
          << "50 ms after the last, not the first";
    }
    world.scheduler.advance(0.001);
    EXPECT_EQ(reactions(), row.reaction) << "once for the burst";
    return;
  }
  row.change(world.settings());
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

TEST_P(ReactionRowTest, IsSilentWhileAPresetOrResetIsApplied) {
  const Row& row = GetParam();
  world.settings().isBatchingUpdates = true;
  row.change(world.settings());
  world.scheduler.runUntilIdle();
  if (row.timing == Timing::debounced) world.scheduler.advance(0.05);
  EXPECT_EQ(reactions(), row.skippedInBatch ? std::vector<std::string>{} : row.reaction);
  world.settings().isBatchingUpdates = false;
}

INSTANTIATE_TEST_SUITE_P(Rows, ReactionRowTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

TEST_F(AppDelegateSubscriptionsTest, TheCurrentValuesAtSubscriptionCauseNoReaction) {
  world.bars.clear();
  ShellTestWorld fresh;
  fresh.defaults.setBool(AppDelegate::kFullyHideDockKey, false);
  fresh.start();
  fresh.scheduler.advance(1);
  EXPECT_EQ(fresh.bars, std::vector<std::string>{"start"});
}

TEST_F(AppDelegateSubscriptionsTest, AssigningTheSameValueStillReacts) {
  world.settings().itemSpacing = world.settings().itemSpacing.get();
  world.scheduler.runUntilIdle();
  EXPECT_EQ(reactions(), std::vector<std::string>{"updateLayout bottom"});
}

TEST_F(AppDelegateSubscriptionsTest, TwoPositionChangesWithin50msRebuildOnceForTheSecond) {
  auto rebuilds = [&] {
    auto calls = reactions();
    return std::count(calls.begin(), calls.end(), "rebuildAll");
  };
  world.settings().position = TaskbarPosition::left;
  world.scheduler.advance(0.03);
  world.settings().position = TaskbarPosition::right;
  world.scheduler.advance(0.049);
  EXPECT_EQ(rebuilds(), 0);
  world.scheduler.advance(0.001);
  EXPECT_EQ(rebuilds(), 1);
  EXPECT_EQ(world.settings().position.get(), TaskbarPosition::right);
}

TEST_F(AppDelegateSubscriptionsTest, BorderSwitchesInQuickSuccessionRedrawTheBorderOnce) {
  auto& m = world.settings();
  m.borderTop = false;
  world.scheduler.advance(0.01);
  m.borderBottom = true;
  world.scheduler.advance(0.01);
  m.borderLeft = true;
  world.scheduler.advance(0.01);
  m.borderRight = true;
  world.scheduler.advance(0.049);
  EXPECT_TRUE(reactions().empty());
  world.scheduler.advance(0.001);
  EXPECT_EQ(reactions(), std::vector<std::string>{"updateBorder"});
}

TEST_F(AppDelegateSubscriptionsTest, ADragOfAThrottledSettingReactsAtMostEvery30msAndEndsWithTheLastValue) {
  // The layout each reaction saw, read from the setting when the bars were told to lay out again.
  std::vector<double> seen;
  std::vector<double> times;
  auto& m = world.settings();
  for (int step = 0; step < 20; ++step) {
    m.itemSpacing = 1.0 + step * 0.5;
    for (int tick = 0; tick < 10; ++tick) {
      world.scheduler.advance(0.001);
      for (const auto& call : reactions()) {
        ASSERT_EQ(call, "updateLayout bottom");
        seen.push_back(m.itemSpacing);
        times.push_back(world.scheduler.now());
      }
    }
  }
  world.scheduler.advance(0.1);
  for (const auto& call : reactions()) {
    ASSERT_EQ(call, "updateLayout bottom");
    seen.push_back(m.itemSpacing);
    times.push_back(world.scheduler.now());
  }
  ASSERT_GE(seen.size(), 2u);
  EXPECT_LE(seen.size(), 200u / 30u + 2u);
  // Observed to the millisecond: a reaction may show up to 1 ms after it ran.
  for (size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 0.029 - 1e-9);
  EXPECT_EQ(seen.back(), 10.5) << "the last value is always reacted to";
}

TEST_F(AppDelegateSubscriptionsTest, APresetRebuildsTheBarsOnceWhenItEnds) {
  world.settings().applyPreset(TaskbarPresetID::topBar);
  // The batch ends on the next pass of the main run loop, after its own deliveries.
  world.scheduler.runUntilIdle();
  EXPECT_EQ(reactions(), std::vector<std::string>{"rebuildAll"});
  EXPECT_FALSE(world.settings().isBatchingUpdates);
}

TEST_F(AppDelegateSubscriptionsTest, ThumbnailsCannotBeSwitchedOnWithoutScreenRecording) {
  world.settings().showThumbnails = false;
  world.scheduler.runUntilIdle();
  reactions();
  world.mac.permissions().screenCaptureGranted = false;
  world.log.clear();
  // The store itself refuses too; its publisher still delivers the request, which the shell answers.
  world.settings().showThumbnails = true;
  world.scheduler.runUntilIdle();
  EXPECT_FALSE(world.settings().showThumbnails);
  EXPECT_EQ(
      world.countLog("AppDelegate: ignoring thumbnail enable while Screen Recording permission is missing"),
      1u);
  reactions();

  world.mac.permissions().screenCaptureGranted = true;
  world.settings().showThumbnails = true;
  world.scheduler.runUntilIdle();
  EXPECT_TRUE(world.settings().showThumbnails);
  EXPECT_TRUE(reactions().empty()) << "switching thumbnails on needs nothing of the bars";
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
  std::vector<std::string> calls = reactions();
  EXPECT_EQ(calls, std::vector<std::string>{}) << "clean-up ended every subscription";
}

}  // namespace
}  // namespace pelko::testing
