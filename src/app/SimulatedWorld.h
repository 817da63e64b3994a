#pragma once

#include <memory>
#include <string>

#include "foundation/Scheduler.h"

namespace pelko::platform {
class Screens;
}  // namespace pelko::platform

namespace pelko::sim {
class SimAppShell;
class SimAppearance;
class SimMemoryPressure;
class SimOwnWindows;
class SimulatedMac;
}  // namespace pelko::sim

namespace pelko {

class DisplayMirror;

// The simulated Mac the bars show: its applications and windows, its displays kept equal to the real
// screens, the program's own windows in it, its memory pressure and its appearance. This process is
// one of the simulated Mac's applications (its bars are windows of that world), under the simulated
// world's own process identifier. The entry point tears the parts down one by one, in the order the
// program's teardown needs.
struct SimulatedWorld {
  // Without `screens` (a restore-only run has no display to ask) the simulated displays stay as made.
  SimulatedWorld(Scheduler& scheduler, platform::Screens* screens, const std::string& version,
                 const std::string& build);
  ~SimulatedWorld();
  SimulatedWorld(const SimulatedWorld&) = delete;
  SimulatedWorld& operator=(const SimulatedWorld&) = delete;

  // Starts the Dock and the applications of the scenario named by PELKO_SCENARIO, else of the built-in
  // one. False, after saying why on standard error, when that file cannot be used.
  bool startScenario();

  // The program's own process in the simulated world.
  sim::SimAppShell& shell() const;

  std::unique_ptr<sim::SimulatedMac> mac;
  std::unique_ptr<sim::SimAppearance> appearance;
  std::unique_ptr<DisplayMirror> displayMirror;
  std::unique_ptr<sim::SimOwnWindows> ownWindows;
  std::unique_ptr<sim::SimMemoryPressure> memoryPressure;
};

}  // namespace pelko
