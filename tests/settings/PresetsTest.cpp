#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "SettingsTestWorld.h"

namespace pelko {
namespace {

using platform::PlistValue;

class Presets : public ::testing::Test {
 protected:
  // The names of the settings whose publishers deliver from now on, as `delivered` tells.
  void watchEverySetting() {
    auto watch = [&](auto& setting) {
      world.subscriptions.push_back(setting.publisher().dropFirst().sink(
          [this, name = setting.name()](const auto&) { delivered.insert(name); }));
      all.insert(setting.name());
    };
#define PELKO_WATCH(name, ...) watch(settings->name);
    PELKO_SETTINGS(PELKO_WATCH, PELKO_WATCH, PELKO_WATCH)
#undef PELKO_WATCH
  }

  test::SettingsTestWorld world;
  std::unique_ptr<SettingsManager> settings = world.make();
  std::set<std::string> delivered, all;
};

TEST_F(Presets, EachBatchIsFlaggedThroughoutAndFinishesOnceOnALaterPass) {
  int completions = 0, emissions = 0, outsideBatch = 0;
  bool flagDuringCompletion = true;
  settings->onBatchResetComplete = [&] {
    ++completions;
    flagDuringCompletion = settings->isBatchingUpdates;
  };
  world.subscriptions.push_back(settings->objectWillChange.sink([&](std::monostate) {
    ++emissions;
    if (!settings->isBatchingUpdates) ++outsideBatch;
  }));
  settings->applyPreset(TaskbarPresetID::productivity);
  EXPECT_GE(emissions, 56);
  EXPECT_TRUE(settings->isBatchingUpdates);
  EXPECT_EQ(completions, 0);
  world.scheduler.runUntilIdle();
  EXPECT_FALSE(settings->isBatchingUpdates);
  EXPECT_EQ(completions, 1);
  EXPECT_FALSE(flagDuringCompletion);

  // Two batches before a pass finish twice; the reset is a batch of every setting.
  settings->applyPreset(TaskbarPresetID::dock);
  settings->resetToDefaults();
  EXPECT_GE(emissions, 56 * 2 + 76);
  world.scheduler.runUntilIdle();
  EXPECT_EQ(completions, 3);
  EXPECT_EQ(outsideBatch, 0);

  // A finish that comes after the store is gone does nothing.
  settings->applyPreset(TaskbarPresetID::glass);
  settings.reset();
  world.scheduler.runUntilIdle();
  EXPECT_EQ(completions, 3);
}

TEST_F(Presets, EachBatchAssignsExactlyItsSettingsAndKeepsThumbnailsOffWithoutScreenRecording) {
  // What no preset assigns; the indicator position still follows the position's rule.
  std::set<std::string> untouched;
  std::istringstream names(
      "showBattery showTime suppressAccessibilityPermissionPrompt suppressScreenRecordingPermissionPrompt "
      "multiMonitorMode autoResizeWindows fullyHideDock excludeFromCapture blacklistedBundleIDs "
      "showActiveIndicator activeIndicatorColor launchAtLogin clockFontSize trayFontSize clockAlignment "
      "dateAlignment showBatteryPercentage showBatteryIcon colorCodedBattery batteryIconStyle "
      "customAppOrder");
  for (std::string name; names >> name;) untouched.insert(name);
  ASSERT_EQ(untouched.size(), 21u);
  watchEverySetting();
  ASSERT_EQ(all.size(), 77u);
  std::set<std::string> expected;
  std::set_difference(all.begin(), all.end(), untouched.begin(), untouched.end(),
                      std::inserter(expected, expected.end()));
  // Without screen recording the thumbnails stay off whatever a batch assigns.
  world.permissions.screenCaptureGranted = false;
  for (auto id : allPresetIDs()) {
    delivered.clear();
    settings->applyPreset(id);
    EXPECT_EQ(delivered, expected) << title(id);
    EXPECT_FALSE(settings->showThumbnails.get()) << title(id);
  }
  delivered.clear();
  settings->resetToDefaults();
  all.erase("blacklistedBundleIDs");
  EXPECT_EQ(delivered, all) << "the reset assigns everything but the hidden apps";
  EXPECT_FALSE(settings->showThumbnails.get());
}

TEST_F(Presets, EachPresetStoresTheValueOnlyItGives) {
  using P = TaskbarPresetID;
  const std::tuple<P, const char*, PlistValue> rows[] = {
      {P::dock, "PelkoCornerRadius", 15.0},
      {P::minimal, "PelkoMarginHorizontal", 52.0},
      {P::windowsIcons, "PelkoTaskbarSize", 98.0},
      {P::windowsText, "PelkoMaxTaskWidth", 172.0},
      {P::windows11, "PelkoBorderOpacity", 15.0},
      {P::productivity, "PelkoItemTextSize", 12.0},
      {P::glass, "PelkoBackgroundOpacity", 26.0},
      {P::topBar, "PelkoBorderBottom", true},
      // Its size outlasts the reset to 100 that its move to a vertical edge makes.
      {P::sidebar, "PelkoTaskbarSize", 96.0},
  };
  for (const auto& [preset, key, value] : rows) {
    settings->applyPreset(preset);
    EXPECT_EQ(world.stored(key), value) << title(preset);
    for (const auto& [other, otherKey, otherValue] : rows) {
      if (other == preset) continue;
      EXPECT_NE(world.stored(otherKey), otherValue) << title(preset) << " " << otherKey;
    }
  }
}

TEST_F(Presets, ResetRestoresEveryDefaultButKeepsTheHiddenApps) {
  world.loginItems.currentStatus = platform::LoginItemStatus::enabled;
  settings->applyPreset(TaskbarPresetID::sidebar);
  settings->addToBlacklist("com.hidden");
  settings->customAppOrder = StringList{"com.first"};
  settings->acknowledgeLimitedModeWithoutAccessibility();
  settings->showBattery = false;
  settings->activeIndicatorColor = Color{1, 0, 0, 1};
  world.appearance.accentColor = Color{0, 1, 0, 1};  // the accent of the moment is the default

  settings->resetToDefaults();

  test::SettingsTestWorld fresh;
  fresh.appearance.accentColor = Color{0, 1, 0, 1};
  auto defaults = fresh.make();
  // Colours are compared in their stored form: a start reads the registered text back.
  auto expectDefault = [&](auto& setting, auto& byDefault) {
    if (setting.name() == "blacklistedBundleIDs") return;
    if constexpr (!std::is_same_v<std::decay_t<decltype(setting.get())>, Color>) {
      EXPECT_EQ(setting.get(), byDefault.get()) << setting.name();
    }
    if (auto registered = fresh.defaults.objectForKey(setting.key())) {
      EXPECT_EQ(world.stored(setting.key()), registered) << setting.name();
    }
  };
#define PELKO_EXPECT_DEFAULT(name, ...) expectDefault(settings->name, defaults->name);
  PELKO_SETTINGS(PELKO_EXPECT_DEFAULT, PELKO_EXPECT_DEFAULT, PELKO_EXPECT_DEFAULT)
#undef PELKO_EXPECT_DEFAULT
  EXPECT_EQ(settings->blacklistedBundleIDs.get(), StringList{"com.hidden"});
  EXPECT_EQ(world.loginItems.currentStatus, platform::LoginItemStatus::notRegistered);
}

}  // namespace
}  // namespace pelko
