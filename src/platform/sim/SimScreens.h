#pragma once

#include "foundation/Subject.h"
#include "platform/Screens.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko::sim {

// The screens of the simulated Mac, derived from its displays: each display's bounds flipped into
// screen coordinates, its visible frame less a menu bar of `kMenuBarHeight` points at the top.
class SimScreens final : public platform::Screens {
 public:
  static constexpr double kMenuBarHeight = 25;

  explicit SimScreens(SimulatedMac& mac) : mac_(mac) {}

  std::vector<platform::ScreenInfo> screens() override;
  // The first screen: the simulated Mac does not follow this process's key window.
  std::optional<platform::ScreenInfo> mainScreen() override;
  Publisher<platform::ScreenParametersChange> screenParametersChanged() override {
    return changes_.publisher();
  }

  // On the main queue.
  void deliverChange() { changes_.send({}); }

 private:
  SimulatedMac& mac_;
  Subject<platform::ScreenParametersChange> changes_;
};

}  // namespace pelko::sim
