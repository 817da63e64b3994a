#pragma once

#include <QObject>
#include <memory>
#include <optional>

#include "foundation/Scheduler.h"
#include "platform/EventMonitorRegistry.h"
#include "platform/EventMonitors.h"
#include "platform/real/X11RawMotion.h"

namespace pelko::real {

// Event monitors over Qt. Local monitors see the events Qt delivers to this process's windows through an
// application-wide event filter (a handler that swallows an event keeps it from the window). The global
// pointer is watched only while a global monitor or a tracked rectangle exists, and reported only when it
// moved and is not over one of this process's windows. On X11 the display server's raw motion events
// wake it, so a still pointer wakes nothing; elsewhere QCursor is read on the Scheduler as a fallback.
// Global key events are not available.
class QtEventMonitors final : public QObject, public platform::EventMonitors {
 public:
  static constexpr double kPollInterval = 1.0 / 30.0;

  // `useDisplayServerEvents`: false always polls (as on a display server without pointer events).
  explicit QtEventMonitors(Scheduler& scheduler, bool useDisplayServerEvents = true);
  ~QtEventMonitors() override;

  platform::MonitorToken addLocalMonitor(platform::EventMask mask,
                                         platform::LocalEventHandler handler) override;
  std::optional<platform::MonitorToken> addGlobalMonitor(platform::EventMask mask,
                                                         platform::GlobalEventHandler handler) override;
  void removeMonitor(platform::MonitorToken token) override;
  uint64_t addTrackingRect(const Rect& screenRect, platform::GlobalEventHandler handler) override;
  void removeTrackingRect(uint64_t trackingRect) override;
  Point mouseLocation() override;

  bool isPolling() const { return pollTimer_ != nullptr; }
  // Whether the display server reports the pointer's movement (and the position is read on each report).
  bool isEventDriven() const { return rawMotion_ != nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void updatePolling();
  void poll();
  void rawMotion();

  Scheduler& scheduler_;
  platform::EventMonitorRegistry registry_;
  RepeatingTimerPtr pollTimer_;
  std::unique_ptr<X11RawMotion> rawMotion_;
  bool readPending_ = false;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  std::optional<Point> lastPolled_;
  bool filterInstalled_ = false;
};

}  // namespace pelko::real
