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
  std::optional<std::vector<platform::WindowListRow>> copyWindowListRows(uint32_t options,
                                                                         WindowID relativeToWindow) override;
  std::optional<platform::WindowImage> createWindowImage(WindowID window) override;
  platform::DisplayListResult onlineDisplayList() override;
  Rect displayBounds(DisplayID display) override;
  DisplayID mainDisplayID() override;

 private:
  platform::WindowInfo describe(const SimulatedMac::Window& window, bool onScreen) const;
  platform::WindowListRow rowOf(const SimulatedMac::Window& window) const;
  bool nameIsReadable(const SimulatedMac::Window& window) const;
  // How the window server answers a request for its list.
  enum class Answer { none, emptyList, windows };
  // Visits the windows of the list `options` asks for, front to back, with whether each is on screen.
  // The caller holds the world's mutex.
  template <class Visit>
  Answer forEachSelected(uint32_t options, WindowID relativeToWindow, Visit&& visit) const;

  SimulatedMac& mac_;
};

}  // namespace pelko::sim
