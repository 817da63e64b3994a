#include <gtest/gtest.h>

#include <map>
#include <set>

#include "SettingsTestWorld.h"

namespace pelko {
namespace {

using platform::PlistValue;

class Presets : public ::testing::Test {
 protected:
  test::SettingsTestWorld world;
  std::unique_ptr<SettingsManager> settings = world.make();
};

TEST_F(Presets, BatchFlagClearsOnALaterPassAndCompletionRunsOnce) {
  int completions = 0;
  bool flagDuringCompletion = true;
  settings->onBatchResetComplete = [&] {
    ++completions;
    flagDuringCompletion = settings->isBatchingUpdates;
  };
  settings->applyPreset(TaskbarPresetID::windows11);
  EXPECT_TRUE(settings->isBatchingUpdates);
  EXPECT_EQ(completions, 0);
  world.scheduler.runUntilIdle();
  EXPECT_FALSE(settings->isBatchingUpdates);
  EXPECT_EQ(completions, 1);
  EXPECT_FALSE(flagDuringCompletion);
}

TEST_F(Presets, EveryEmissionOfABatchHappensWhileTheFlagIsSet) {
  int emissions = 0, outsideBatch = 0;
  auto subscription = settings->objectWillChange.sink([&](std::monostate) {
    ++emissions;
    if (!settings->isBatchingUpdates) ++outsideBatch;
  });
  settings->applyPreset(TaskbarPresetID::productivity);
  EXPECT_GE(emissions, 55);
  settings->resetToDefaults();
  EXPECT_GE(emissions, 55 + 76);
  EXPECT_EQ(outsideBatch, 0);
}

// How often each setting's publisher delivered, by setting name.
void countDeliveries(SettingsManager& settings, CancellableBag& bag, std::map<std::string, int>& counts) {
  auto watch = [&](auto& setting) {
    counts[setting.name()] = 0;
    bag.push_back(setting.publisher().dropFirst().sink(
        [&counts, name = setting.name()](const auto&) { ++counts[name]; }));
  };
#define PELKO_WATCH(name, ...) watch(settings.name);
  PELKO_SETTINGS(PELKO_WATCH, PELKO_WATCH, PELKO_WATCH)
#undef PELKO_WATCH
}

std::set<std::string> delivered(const std::map<std::string, int>& counts) {
  std::set<std::string> names;
  for (const auto& [name, count] : counts)
    if (count > 0) names.insert(name);
  return names;
}

TEST_F(Presets, EachBatchAssignsExactlyItsSettings) {
  // What no preset assigns; the indicator position still follows the position's rule.
  const std::set<std::string> untouched{"showBattery",
                                        "showTime",
                                        "suppressAccessibilityPermissionPrompt",
                                        "suppressScreenRecordingPermissionPrompt",
                                        "multiMonitorMode",
                                        "autoResizeWindows",
                                        "fullyHideDock",
                                        "excludeFromCapture",
                                        "blacklistedBundleIDs",
                                        "showActiveIndicator",
                                        "activeIndicatorColor",
                                        "launchAtLogin",
                                        "clockFontSize",
                                        "trayFontSize",
                                        "clockAlignment",
                                        "dateAlignment",
                                        "showBatteryPercentage",
                                        "showBatteryIcon",
                                        "colorCodedBattery",
                                        "batteryIconStyle",
                                        "customAppOrder"};
  for (auto id : allPresetIDs()) {
    CancellableBag bag;
    std::map<std::string, int> counts;
    countDeliveries(*settings, bag, counts);
    ASSERT_EQ(counts.size(), 77u);
    settings->applyPreset(id);
    std::set<std::string> expected;
    for (const auto& [name, count] : counts)
      if (!untouched.count(name)) expected.insert(name);
    EXPECT_EQ(expected.size(), 56u);
    EXPECT_EQ(delivered(counts), expected) << title(id);
  }

  CancellableBag bag;
  std::map<std::string, int> counts;
  countDeliveries(*settings, bag, counts);
  settings->resetToDefaults();
  std::set<std::string> everyButTheHiddenApps;
  for (const auto& [name, count] : counts)
    if (name != "blacklistedBundleIDs") everyButTheHiddenApps.insert(name);
  EXPECT_EQ(delivered(counts), everyButTheHiddenApps);
}

TEST_F(Presets, SidebarFromTheBottom) {
  std::vector<double> sizes;
  auto subscription =
      settings->taskbarSize.publisher().dropFirst().sink([&](const double& v) { sizes.push_back(v); });
  settings->taskbarSize = 140.0;
  settings->applyPreset(TaskbarPresetID::sidebar);
  EXPECT_EQ(sizes, (std::vector<double>{140, 100, 96}));
  EXPECT_EQ(settings->position.get(), TaskbarPosition::left);
  EXPECT_EQ(settings->taskbarSize.get(), 96);
  EXPECT_EQ(settings->activeIndicatorPosition.get(), "right");
  EXPECT_TRUE(settings->autoHide.get());
  EXPECT_TRUE(settings->borderRight.get());
  EXPECT_EQ(world.stored("PelkoTaskbarSize"), PlistValue(96.0));
}

TEST_F(Presets, TopBarFromTheBottomHasNoIntermediateSize) {
  std::vector<double> sizes;
  auto subscription =
      settings->taskbarSize.publisher().dropFirst().sink([&](const double& v) { sizes.push_back(v); });
  settings->applyPreset(TaskbarPresetID::topBar);
  EXPECT_EQ(sizes, std::vector<double>{88});
  EXPECT_EQ(settings->activeIndicatorPosition.get(), "top");
  EXPECT_EQ(settings->style.get(), TaskbarStyle::iconsTextRight);
  EXPECT_TRUE(settings->borderBottom.get());
}

TEST_F(Presets, GlassAndDockSpotChecks) {
  settings->applyPreset(TaskbarPresetID::glass);
  EXPECT_EQ(world.stored("PelkoBackgroundColor"), PlistValue("#2E2E2E"));  // white 0.18
  EXPECT_EQ(settings->backgroundOpacity.get(), 26);
  EXPECT_EQ(settings->style.get(), TaskbarStyle::iconsOnly);
  EXPECT_EQ(world.stored("PelkoStyle"), PlistValue("icons"));
  settings->applyPreset(TaskbarPresetID::dock);
  EXPECT_EQ(settings->backgroundColor.get(), SettingsManager::defaultBackgroundColor);
  EXPECT_EQ(settings->taskbarSize.get(), 124);
  EXPECT_EQ(settings->iconSize.get(), 118);
  EXPECT_FALSE(settings->hideInFullscreen.get());
  EXPECT_EQ(settings->cornerRadius.get(), 15);
}

TEST_F(Presets, PresetsLeaveTheirUntouchedSettingsAlone) {
  settings->showBattery = false;
  settings->multiMonitorMode = MultiMonitorMode::primaryOnly;
  settings->clockFontSize = 14.0;
  settings->addToBlacklist("com.hidden");
  settings->customAppOrder = StringList{"com.first"};
  settings->acknowledgeLimitedModeWithoutAccessibility();
  for (auto id : allPresetIDs()) settings->applyPreset(id);
  EXPECT_FALSE(settings->showBattery.get());
  EXPECT_EQ(settings->multiMonitorMode.get(), MultiMonitorMode::primaryOnly);
  EXPECT_EQ(settings->clockFontSize.get(), 14);
  EXPECT_EQ(settings->blacklistedBundleIDs.get(), StringList{"com.hidden"});
  EXPECT_EQ(settings->customAppOrder.get(), StringList{"com.first"});
  EXPECT_TRUE(settings->suppressAccessibilityPermissionPrompt.get());
}

TEST_F(Presets, ApplyingTwiceStoresTheSameAndRewritesEverything) {
  settings->applyPreset(TaskbarPresetID::minimal);
  auto first = world.defaults.storedDictionary();
  int writes = world.defaults.writeCount();
  settings->applyPreset(TaskbarPresetID::minimal);
  EXPECT_EQ(world.defaults.storedDictionary(), first);
  EXPECT_GE(world.defaults.writeCount() - writes, 55);
}

TEST_F(Presets, ThumbnailsStayOffWithoutScreenRecording) {
  world.permissions.screenCaptureGranted = false;
  settings->applyPreset(TaskbarPresetID::windowsText);
  EXPECT_FALSE(settings->showThumbnails.get());
  settings->resetToDefaults();
  EXPECT_FALSE(settings->showThumbnails.get());
}

TEST_F(Presets, ResetRestoresDefaultsButKeepsTheHiddenApps) {
  world.loginItems.currentStatus = platform::LoginItemStatus::enabled;
  settings->applyPreset(TaskbarPresetID::sidebar);
  settings->addToBlacklist("com.hidden");
  settings->customAppOrder = StringList{"com.first"};
  settings->acknowledgeLimitedModeWithoutAccessibility();
  settings->showBattery = false;
  settings->activeIndicatorColor = Color{1, 0, 0, 1};
  world.appearance.accentColor = Color{0, 1, 0, 1};

  settings->resetToDefaults();

  test::SettingsTestWorld fresh;
  auto defaults = fresh.make();
  EXPECT_EQ(settings->position.get(), TaskbarPosition::bottom);
  EXPECT_EQ(settings->taskbarSize.get(), 100);
  EXPECT_EQ(settings->activeIndicatorPosition.get(), "bottom");
  EXPECT_TRUE(settings->showBattery.get());
  EXPECT_FALSE(settings->autoHide.get());
  EXPECT_TRUE(settings->borderTop.get());
  EXPECT_FALSE(settings->borderRight.get());
  EXPECT_EQ(settings->activeIndicatorColor.get(), (Color{0, 1, 0, 1}));  // the accent of the moment
  EXPECT_EQ(settings->blacklistedBundleIDs.get(), StringList{"com.hidden"});
  EXPECT_TRUE(settings->customAppOrder.get().empty());
  EXPECT_FALSE(settings->launchAtLogin.get());
  EXPECT_EQ(world.loginItems.currentStatus, platform::LoginItemStatus::notRegistered);
  EXPECT_FALSE(settings->suppressAccessibilityPermissionPrompt.get());
  for (const char* key : {"PelkoMaxTaskWidth", "PelkoThumbnailDelay", "PelkoBackgroundOpacity", "PelkoStyle",
                          "PelkoWindowCountStyle", "PelkoBorderOpacity", "PelkoHideInFullscreen"})
    EXPECT_EQ(world.defaults.objectForKey(key), fresh.defaults.objectForKey(key)) << key;
}

TEST_F(Presets, TwoBatchesBeforeAPassFinishTwice) {
  int completions = 0;
  settings->onBatchResetComplete = [&] { ++completions; };
  settings->applyPreset(TaskbarPresetID::dock);
  settings->resetToDefaults();
  world.scheduler.runUntilIdle();
  EXPECT_EQ(completions, 2);
  EXPECT_FALSE(settings->isBatchingUpdates);
}

TEST_F(Presets, FinishAfterTheStoreIsGoneDoesNothing) {
  int completions = 0;
  settings->onBatchResetComplete = [&] { ++completions; };
  settings->applyPreset(TaskbarPresetID::glass);
  settings.reset();
  world.scheduler.runUntilIdle();
  EXPECT_EQ(completions, 0);
}

}  // namespace
}  // namespace pelko
