#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>
#include <memory>
#include <optional>

#include "foundation/OwnerLifetime.h"
#include "foundation/Scheduler.h"
#include "platform/EventMonitorRegistry.h"
#include "platform/EventMonitors.h"
#include "platform/real/PointerMotionSource.h"

namespace pelko::real {

// Event monitors over Qt. Local monitors see the events Qt delivers to this process's windows through an
// application-wide event filter (a handler that swallows an event keeps it from the window). The global
// pointer is watched only while a global monitor or a tracked rectangle exists, and reported only when it
// moved and is not over one of this process's windows. On X11 the display server's raw motion events
// wake it, so a still pointer wakes nothing; elsewhere QCursor is read on the Scheduler as a fallback.
// Over one of this process's windows Qt already delivers every move, so the raw events are turned off
// there and each move wakes the process once. While a move is delivered, mouseLocation() answers the
// move's own location without asking the display server. Global key events are not available.
class QtEventMonitors final : public QObject, public platform::EventMonitors {
 public:
  static constexpr double kPollInterval = 1.0 / 30.0;

  // `useDisplayServerEvents`: false always polls (as on a display server without pointer events).
  explicit QtEventMonitors(Scheduler& scheduler, bool useDisplayServerEvents = true);
  // With the display server's motion reports from `makeSource` (polling when it makes nothing).
  QtEventMonitors(Scheduler& scheduler, const PointerMotionSourceFactory& makeSource);
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
  // The moves over our windows handed to the monitors so far (for tests and benchmarks: a move nothing
  // watches is not converted).
  uint64_t pointerMovesDelivered() const { return pointerMovesDelivered_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void installFilter();
  void updatePolling();
  void poll();
  void rawMotion();
  void pointerLeft(QObject* window);
  void findPointerWindow();

  Scheduler& scheduler_;
  platform::EventMonitorRegistry registry_;
  RepeatingTimerPtr pollTimer_;
  std::unique_ptr<PointerMotionSource> rawMotion_;
  // Whether a global monitor or a tracked rectangle wants the pointer.
  bool watching_ = false;
  // The window of ours the pointer is in, as Qt's crossing events tell.
  QPointer<QWindow> pointerWindow_;
  // The location of the move being delivered.
  std::optional<Point> deliveringLocation_;
  bool readPending_ = false;
  std::optional<Point> lastPolled_;
  bool filterInstalled_ = false;
  uint64_t pointerMovesDelivered_ = 0;
  OwnerLifetime lifetime_;
};

}  // namespace pelko::real
