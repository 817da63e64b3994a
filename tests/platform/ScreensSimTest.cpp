#include <gtest/gtest.h>

#include "foundation/VirtualScheduler.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko {
namespace {

// The simulated screens and the simulated window server describe the same displays: the same numbers
// in the same order, and frames that are the displays' bounds flipped against the main display.
TEST(SimScreensAgreementTest, ScreensFollowTheWindowServersDisplaysWhenTheMainOneGoes) {
  VirtualScheduler scheduler;
  sim::SimulatedMac mac(scheduler);
  const auto side = mac.addDisplay({.bounds = Rect(1920, 0, 1280, 1024), .scale = 1.0});
  const auto below = mac.addDisplay({.bounds = Rect(0, 1080, 1920, 1200)});
  auto check = [&] {
    auto list = mac.windowServer().onlineDisplayList();
    auto all = mac.screens().screens();
    ASSERT_EQ(all.size(), list.displays.size());
    const double mainHeight = mac.windowServer().displayBounds(list.displays.front()).height();
    for (size_t i = 0; i < all.size(); ++i) {
      EXPECT_EQ(all[i].displayID, list.displays[i]);
      EXPECT_EQ(all[i].frame, flipRect(mac.windowServer().displayBounds(list.displays[i]), mainHeight));
    }
    EXPECT_EQ(mac.screens().mainScreen()->displayID, mac.windowServer().mainDisplayID());
  };
  check();
  mac.removeDisplay(1);
  check();
  auto all = mac.screens().screens();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].displayID, side);
  EXPECT_EQ(all[0].frame, Rect(0, 0, 1280, 1024));
  // The display that hung below the old main one is now below and left of the new one.
  EXPECT_EQ(all[1].displayID, below);
  EXPECT_EQ(all[1].frame, Rect(-1920, 1024 - 1080 - 1200, 1920, 1200));
}

}  // namespace
}  // namespace pelko
