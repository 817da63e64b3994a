#include <gtest/gtest.h>

#include "ShellTestWorld.h"
#include "settings/SettingsManager.h"

namespace pelko::testing {
namespace {

// The bars leave the user's excluded applications alone from the start, and follow every change.
TEST(ScreenSpaceBlacklistTest, TheBarsGetTheExcludedApplicationsAtStartAndOnEveryChange) {
  ShellTestWorld world;
  world.withRealBars = true;
  world.defaults.setBool(AppDelegate::kFullyHideDockKey, false);
  world.defaults.setObject("PelkoBlacklistedBundleIDs",
                           platform::PlistValue(platform::PlistValue::Array{
                               platform::PlistValue(std::string("com.example.hidden"))}));
  const int32_t other = world.mac.launchApp("com.example.other", "Other");
  world.start();
  world.scheduler.advance(1);
  MonitorManager& monitors = world.realBars->monitorManager();
  EXPECT_EQ(monitors.screenSpaceSharedState().blacklistedBundleIDs,
            std::set<std::string>{"com.example.hidden"});
  ScreenSpaceManager* manager = monitors.screenSpaceManager(monitors.displayIDs().front());
  ASSERT_TRUE(manager->hasObserver(other));

  world.settings().blacklistedBundleIDs = StringList{"com.example.other"};
  world.scheduler.advance(0.1);
  EXPECT_EQ(monitors.screenSpaceSharedState().blacklistedBundleIDs,
            std::set<std::string>{"com.example.other"});
  EXPECT_FALSE(manager->hasObserver(other));
}

}  // namespace
}  // namespace pelko::testing
