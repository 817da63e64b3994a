#include "platform/sim/SimEventMonitors.h"

namespace pelko::sim {

using platform::Event;
using platform::EventType;

platform::MonitorToken SimEventMonitors::addLocalMonitor(platform::EventMask mask,
                                                         platform::LocalEventHandler handler) {
  return registry_.addLocalMonitor(mask, std::move(handler));
}

std::optional<platform::MonitorToken> SimEventMonitors::addGlobalMonitor(
    platform::EventMask mask, platform::GlobalEventHandler handler) {
  if (!globalAvailable_) return std::nullopt;
  return registry_.addGlobalMonitor(mask, std::move(handler));
}

void SimEventMonitors::removeMonitor(platform::MonitorToken token) {
  registry_.removeMonitor(token);
}

uint64_t SimEventMonitors::addTrackingRect(const Rect& screenRect, platform::GlobalEventHandler handler) {
  return registry_.addTrackingRect(screenRect, screenRect.contains(pointer_), std::move(handler));
}

void SimEventMonitors::removeTrackingRect(uint64_t trackingRect) {
  registry_.removeTrackingRect(trackingRect);
}

void SimEventMonitors::movePointer(Point screenLocation, bool inOwnWindow) {
  pointer_ = screenLocation;
  registry_.updateTracking(screenLocation);
  Event moved;
  moved.type = EventType::mouseMoved;
  post(moved, inOwnWindow);
}

std::optional<Event> SimEventMonitors::post(Event event, bool inOwnWindow) {
  event.locationInScreen = pointer_;
  if (inOwnWindow) return registry_.deliverLocal(event);
  registry_.deliverGlobal(event);
  return event;
}

}  // namespace pelko::sim
