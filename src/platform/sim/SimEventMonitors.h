#pragma once

#include "platform/EventMonitorRegistry.h"
#include "platform/EventMonitors.h"

namespace pelko::sim {

// Event monitors of the simulated Mac. Tests move the pointer and post events; an event goes to the
// local monitors when it happens in this process's own windows, to the global ones otherwise.
class SimEventMonitors final : public platform::EventMonitors {
 public:
  // `globalMonitoringAvailable`: false models a platform that offers no global monitors.
  explicit SimEventMonitors(bool globalMonitoringAvailable = true)
      : globalAvailable_(globalMonitoringAvailable) {}

  platform::MonitorToken addLocalMonitor(platform::EventMask mask,
                                         platform::LocalEventHandler handler) override;
  std::optional<platform::MonitorToken> addGlobalMonitor(platform::EventMask mask,
                                                         platform::GlobalEventHandler handler) override;
  void removeMonitor(platform::MonitorToken token) override;
  uint64_t addTrackingRect(const Rect& screenRect, platform::GlobalEventHandler handler) override;
  void removeTrackingRect(uint64_t trackingRect) override;
  Point mouseLocation() override { return pointer_; }

  // ---- Driving ----
  // Moves the pointer and posts a mouse-moved event there (to the local monitors when over our own
  // windows); tracked rectangles the pointer crossed report it first.
  void movePointer(Point screenLocation, bool inOwnWindow = false);
  // Posts an event at the pointer's location. Answers the event as the window finally receives it
  // (nothing when a local monitor swallowed it); global events always pass.
  std::optional<platform::Event> post(platform::Event event, bool inOwnWindow);

  size_t localMonitorCount() const { return registry_.localMonitorCount(); }
  size_t globalMonitorCount() const { return registry_.globalMonitorCount(); }
  size_t trackingRectCount() const { return registry_.trackingRectCount(); }

 private:
  bool globalAvailable_;
  Point pointer_{0, 0};
  platform::EventMonitorRegistry registry_;
};

}  // namespace pelko::sim
