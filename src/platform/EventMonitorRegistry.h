#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/EventMonitors.h"

namespace pelko::platform {

// The monitors and tracked rectangles behind an EventMonitors implementation, and their delivery. Every
// delivery walks a snapshot of the tokens and skips the ones removed meanwhile, so handlers may add and
// remove monitors and rectangles, their own included.
class EventMonitorRegistry {
 public:
  MonitorToken addLocalMonitor(EventMask mask, LocalEventHandler handler);
  MonitorToken addGlobalMonitor(EventMask mask, GlobalEventHandler handler);
  void removeMonitor(MonitorToken token);
  // `inside`: whether the pointer is in `screenRect` now, so the first crossing is the one reported.
  uint64_t addTrackingRect(const Rect& screenRect, bool inside, GlobalEventHandler handler);
  void removeTrackingRect(uint64_t trackingRect);

  // Reports entering or leaving to each rectangle whose edge the pointer crossed on its way to `location`.
  void updateTracking(Point location);
  // Runs the local monitors for the event in turn, each on what the one before passed on; nothing when
  // one swallowed it.
  std::optional<Event> deliverLocal(Event event);
  void deliverGlobal(const Event& event);

  size_t localMonitorCount() const;
  // Whether a local monitor watches events of `type` (so one of them needs converting at all).
  bool hasLocalMonitorFor(EventType type) const;
  size_t globalMonitorCount() const { return monitors_.size() - localMonitorCount(); }
  size_t trackingRectCount() const { return trackingRects_.size(); }

 private:
  struct Monitor {
    EventMask mask = 0;
    bool global = false;
    std::shared_ptr<LocalEventHandler> local;
    std::shared_ptr<GlobalEventHandler> globalHandler;
  };
  struct Tracking {
    Rect rect;
    bool inside = false;
    std::shared_ptr<GlobalEventHandler> handler;
  };

  std::vector<MonitorToken> monitorsFor(const Event& event, bool global) const;

  MonitorToken nextToken_ = 1;
  std::map<MonitorToken, Monitor> monitors_;
  std::map<uint64_t, Tracking> trackingRects_;
};

}  // namespace pelko::platform
