#include "platform/EventMonitorRegistry.h"

#include <vector>

namespace pelko::platform {

MonitorToken EventMonitorRegistry::addLocalMonitor(EventMask mask, LocalEventHandler handler) {
  const auto token = nextToken_++;
  monitors_[token] = Monitor{mask, false, std::make_shared<LocalEventHandler>(std::move(handler)), {}};
  return token;
}

MonitorToken EventMonitorRegistry::addGlobalMonitor(EventMask mask, GlobalEventHandler handler) {
  const auto token = nextToken_++;
  monitors_[token] = Monitor{mask, true, {}, std::make_shared<GlobalEventHandler>(std::move(handler))};
  return token;
}

void EventMonitorRegistry::removeMonitor(MonitorToken token) {
  monitors_.erase(token);
}

uint64_t EventMonitorRegistry::addTrackingRect(const Rect& screenRect, bool inside,
                                               GlobalEventHandler handler) {
  const auto token = nextToken_++;
  trackingRects_[token] =
      Tracking{screenRect, inside, std::make_shared<GlobalEventHandler>(std::move(handler))};
  return token;
}

void EventMonitorRegistry::removeTrackingRect(uint64_t trackingRect) {
  trackingRects_.erase(trackingRect);
}

void EventMonitorRegistry::updateTracking(Point location) {
  if (trackingRects_.empty()) return;
  std::vector<uint64_t> tokens;
  for (const auto& [token, tracking] : trackingRects_) tokens.push_back(token);
  for (uint64_t token : tokens) {
    auto it = trackingRects_.find(token);
    if (it == trackingRects_.end()) continue;
    const bool inside = it->second.rect.contains(location);
    if (inside == it->second.inside) continue;
    it->second.inside = inside;
    Event event;
    event.type = inside ? EventType::mouseEntered : EventType::mouseExited;
    event.locationInScreen = location;
    event.trackingRect = token;
    auto handler = it->second.handler;
    (*handler)(event);
  }
}

std::vector<MonitorToken> EventMonitorRegistry::monitorsFor(const Event& event, bool global) const {
  const auto bit = eventMaskFor(event.type);
  std::vector<MonitorToken> tokens;
  for (const auto& [token, monitor] : monitors_)
    if (monitor.global == global && (monitor.mask & bit)) tokens.push_back(token);
  return tokens;
}

std::optional<Event> EventMonitorRegistry::deliverLocal(Event event) {
  for (auto token : monitorsFor(event, false)) {
    auto it = monitors_.find(token);
    if (it == monitors_.end()) continue;
    auto handler = it->second.local;
    auto passed = (*handler)(event);
    if (!passed) return std::nullopt;
    event = *passed;
  }
  return event;
}

void EventMonitorRegistry::deliverGlobal(const Event& event) {
  for (auto token : monitorsFor(event, true)) {
    auto it = monitors_.find(token);
    if (it == monitors_.end()) continue;
    auto handler = it->second.globalHandler;
    (*handler)(event);
  }
}

bool EventMonitorRegistry::hasLocalMonitorFor(EventType type) const {
  const auto bit = eventMaskFor(type);
  for (const auto& [token, monitor] : monitors_)
    if (!monitor.global && (monitor.mask & bit)) return true;
  return false;
}

size_t EventMonitorRegistry::localMonitorCount() const {
  size_t count = 0;
  for (const auto& [token, monitor] : monitors_) count += monitor.global ? 0 : 1;
  return count;
}

}  // namespace pelko::platform
