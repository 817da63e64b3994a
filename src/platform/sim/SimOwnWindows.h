#pragma once

#include "platform/OwnWindows.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko::sim {

// This process's windows as windows of its own application in the simulated Mac. They are listed by
// the window server only: they take no part in Accessibility and never become main or focused, as
// non-activating panels do not.
class SimOwnWindows final : public platform::OwnWindows {
 public:
  explicit SimOwnWindows(SimulatedMac& mac) : mac_(mac) {}

  WindowID orderIn(const platform::OwnWindowDescription& window) override {
    SimWindowSetup setup;
    setup.title = window.title;
    setup.bounds = window.bounds;
    setup.layer = window.layer;
    setup.subrole = std::nullopt;
    setup.listedInAccessibility = false;
    setup.becomesMain = false;
    return mac_.openWindow(mac_.appShell().pid, setup);
  }
  void setBounds(WindowID window, const Rect& bounds) override { mac_.setWindowFrame(window, bounds); }
  void orderOut(WindowID window) override { mac_.closeWindow(window); }

 private:
  SimulatedMac& mac_;
};

}  // namespace pelko::sim
