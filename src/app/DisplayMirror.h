#pragma once

#include "foundation/Cancellable.h"
#include "platform/Screens.h"

namespace pelko::sim {
class SimulatedMac;
}  // namespace pelko::sim

namespace pelko {

// Keeps the simulated window server's displays equal to the real screens: same display numbers, the
// same frames (in the window server's coordinates) and scale, the main screen first. Main thread only.
class DisplayMirror {
 public:
  DisplayMirror(platform::Screens& screens, sim::SimulatedMac& mac);
  DisplayMirror(const DisplayMirror&) = delete;
  DisplayMirror& operator=(const DisplayMirror&) = delete;

  // Brings the simulated displays in line now; also done on every screen change.
  void sync();

 private:
  platform::Screens& screens_;
  sim::SimulatedMac& mac_;
  Cancellable subscription_;
};

}  // namespace pelko
