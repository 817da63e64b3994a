#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/sim/SimLocaleTimeZone.h"
#include "platform/sim/SimPowerSources.h"
#include "support/SimulatedSystem.h"
#include "taskbar/SystemTrayManager.h"

namespace pelko::test {

// A simulated Mac with power sources, locale and time zone, and one tray manager on them. The virtual
// wall clock starts at 2027-01-15 08:16:40 UTC.
class SystemTrayTest : public ::testing::Test, protected SimulatedSystem {
 protected:
  sim::SimPowerSources powerSources{scheduler};
  sim::SimLocaleTimeZone localeTimeZone{scheduler};
  std::shared_ptr<SystemTrayManager> manager =
      SystemTrayManager::create({scheduler, mac.workspace(), powerSources, localeTimeZone});

  // Moves the virtual clock to `second` (with its fraction) of the current or the next minute.
  void advanceToSecond(double second) {
    double now = std::fmod(scheduler.wallClockNow(), 60.0);
    scheduler.advance(second >= now ? second - now : 60 - now + second);
  }
};

}  // namespace pelko::test
