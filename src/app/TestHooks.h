#pragma once

#include <memory>

#include "foundation/Scheduler.h"

namespace pelko {

namespace sim {
class SimulatedMac;
}  // namespace sim

class AppDelegate;

// Hooks for the end-to-end tests, each switched on by an environment variable set to "1"; a normal run
// has none of them set. They act only in a run whose start-up went through (not in a second instance
// or a restore-only run):
//   PELKO_TEST_HOOK_THROW  right after start-up, a main-queue task throws an exception nobody catches.
//   PELKO_TEST_HOOK_QUIT   once the Dock hide that start-up began has finished, quits the ordinary way,
//                          as the quit command does.
//   PELKO_TEST_HOOK_FRAMES every 0.1 s, prints to standard error each window of the simulated world whose
//                          frame is new or changed: "PELKO_FRAME wn=<number> pid=<pid> <x> <y> <w> <h>",
//                          and the frontmost application when it changed: "PELKO_FRONTMOST pid=<pid>".
void installTestHooks(Scheduler& scheduler, const std::shared_ptr<AppDelegate>& delegate,
                      sim::SimulatedMac* world = nullptr);

}  // namespace pelko
