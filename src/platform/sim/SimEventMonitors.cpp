#include "platform/sim/SimEventMonitors.h"

#include <vector>

namespace pelko::sim {

using platform::Event;
using platform::EventType;

platform::MonitorToken SimEventMonitors::addLocalMonitor(platform::EventMask mask,
                                                         platform::LocalEventHandler handler) {
  const auto token = nextToken_++;
  monitors_[token] =
      Monitor{mask, false, std::make_shared<platform::LocalEventHandler>(std::move(handler)), {}};
  return token;
}

std::optional<platform::MonitorToken> SimEventMonitors::addGlobalMonitor(
    platform::EventMask mask, platform::GlobalEventHandler handler) {
  if (!globalAvailable_) return std::nullopt;
  const auto token = nextToken_++;
  monitors_[token] =
      Monitor{mask, true, {}, std::make_shared<platform::GlobalEventHandler>(std::move(handler))};
  return token;
}

void SimEventMonitors::removeMonitor(platform::MonitorToken token) {
  monitors_.erase(token);
}

uint64_t SimEventMonitors::addTrackingRect(const Rect& screenRect, platform::GlobalEventHandler handler) {
  const auto token = nextToken_++;
  trackingRects_[token] = Tracking{screenRect, screenRect.contains(pointer_),
                                   std::make_shared<platform::GlobalEventHandler>(std::move(handler))};
  return token;
}

void SimEventMonitors::removeTrackingRect(uint64_t trackingRect) {
  trackingRects_.erase(trackingRect);
}

size_t SimEventMonitors::localMonitorCount() const {
  size_t count = 0;
  for (const auto& [token, monitor] : monitors_) count += monitor.global ? 0 : 1;
  return count;
}

size_t SimEventMonitors::globalMonitorCount() const {
  return monitors_.size() - localMonitorCount();
}

void SimEventMonitors::movePointer(Point screenLocation, bool inOwnWindow) {
  pointer_ = screenLocation;
  // Handlers may add or remove rectangles: walk a snapshot and skip the ones gone meanwhile.
  std::vector<uint64_t> tokens;
  for (const auto& [token, tracking] : trackingRects_) tokens.push_back(token);
  for (uint64_t token : tokens) {
    auto it = trackingRects_.find(token);
    if (it == trackingRects_.end()) continue;
    const bool inside = it->second.rect.contains(screenLocation);
    if (inside == it->second.inside) continue;
    it->second.inside = inside;
    Event event;
    event.type = inside ? EventType::mouseEntered : EventType::mouseExited;
    event.locationInScreen = screenLocation;
    event.trackingRect = token;
    auto handler = it->second.handler;
    (*handler)(event);
  }
  Event moved;
  moved.type = EventType::mouseMoved;
  post(moved, inOwnWindow);
}

std::optional<Event> SimEventMonitors::post(Event event, bool inOwnWindow) {
  event.locationInScreen = pointer_;
  const auto bit = platform::eventMaskFor(event.type);
  std::vector<platform::MonitorToken> tokens;
  for (const auto& [token, monitor] : monitors_)
    if (monitor.global != inOwnWindow && (monitor.mask & bit)) tokens.push_back(token);
  std::optional<Event> passed = event;
  for (auto token : tokens) {
    auto it = monitors_.find(token);
    if (it == monitors_.end()) continue;  // removed by an earlier handler
    if (inOwnWindow) {
      auto handler = it->second.local;
      passed = (*handler)(*passed);
      if (!passed) return std::nullopt;
    } else {
      auto handler = it->second.globalHandler;
      (*handler)(event);
    }
  }
  return passed;
}

}  // namespace pelko::sim
