#pragma once

#include "platform/WindowServer.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko::sim {

// The window-server port of the simulated Mac: its window list and displays.
class SimWindowServer final : public platform::WindowServer {
 public:
  explicit SimWindowServer(SimulatedMac& mac) : mac_(mac) {}

  std::optional<std::vector<platform::WindowInfo>> copyWindowInfo(uint32_t options,
                                                                  WindowID relativeToWindow) override;
  platform::DisplayListResult onlineDisplayList() override;
  Rect displayBounds(DisplayID display) override;
  DisplayID mainDisplayID() override;

 private:
  platform::WindowInfo describe(const SimulatedMac::Window& window, bool onScreen) const;

  SimulatedMac& mac_;
};

}  // namespace pelko::sim
