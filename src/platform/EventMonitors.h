#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "foundation/Geometry.h"

namespace pelko::platform {

// Event types with the raw numbers the Mac gives them; a mask has bit (1 << type) per type.
enum class EventType : uint32_t {
  mouseMoved = 5,
  leftMouseDragged = 6,
  rightMouseDragged = 7,
  mouseEntered = 8,
  mouseExited = 9,
  keyDown = 10,
  scrollWheel = 22,
  otherMouseDragged = 27,
};

using EventMask = uint64_t;
constexpr EventMask eventMaskFor(EventType type) {
  return EventMask{1} << static_cast<uint32_t>(type);
}
namespace event_mask {
inline constexpr EventMask kMouseMoved = eventMaskFor(EventType::mouseMoved);
inline constexpr EventMask kScrollWheel = eventMaskFor(EventType::scrollWheel);
inline constexpr EventMask kKeyDown = eventMaskFor(EventType::keyDown);
// Moves with or without a button held (0x80000E0).
inline constexpr EventMask kMouseMovedOrDragged =
    eventMaskFor(EventType::mouseMoved) | eventMaskFor(EventType::leftMouseDragged) |
    eventMaskFor(EventType::rightMouseDragged) | eventMaskFor(EventType::otherMouseDragged);
}  // namespace event_mask

// Modifier flags as the Mac's raw bits.
namespace modifier_flag {
inline constexpr uint64_t kShift = 1u << 17;
inline constexpr uint64_t kControl = 1u << 18;
inline constexpr uint64_t kOption = 1u << 19;
inline constexpr uint64_t kCommand = 1u << 20;
}  // namespace modifier_flag

struct Event {
  EventType type = EventType::mouseMoved;
  Point locationInScreen;  // screen coordinates (origin bottom left, y up)
  uint64_t modifierFlags = 0;
  uint16_t keyCode = 0;
  std::string characters;
  // The characters the key gives without any modifier (for shortcuts that hold Control).
  std::string charactersIgnoringModifiers;
  double scrollingDeltaY = 0;
  // For entered and exited events: the tracked rectangle the pointer crossed.
  uint64_t trackingRect = 0;
};

using MonitorToken = uint64_t;
// A local handler answers the event to pass on, or nothing to swallow it.
using LocalEventHandler = std::function<std::optional<Event>(const Event&)>;
using GlobalEventHandler = std::function<void(const Event&)>;

// Watching input events: local monitors see the events sent to this process's own windows (and may
// swallow them), global monitors those sent to other applications (they only observe). The two kinds
// are independent: adding or removing one never touches the other. Tracked rectangles report the
// pointer entering and leaving them wherever it goes. Handlers run on the main thread; they may add and
// remove monitors, their own included. Main thread only.
class EventMonitors {
 public:
  virtual ~EventMonitors() = default;
  virtual MonitorToken addLocalMonitor(EventMask mask, LocalEventHandler handler) = 0;
  // Nothing when the platform offers no global monitoring.
  virtual std::optional<MonitorToken> addGlobalMonitor(EventMask mask, GlobalEventHandler handler) = 0;
  // Removes a local or global monitor; an unknown token is ignored.
  virtual void removeMonitor(MonitorToken token) = 0;

  // Reports `mouseEntered` and `mouseExited` events (with the returned number as `trackingRect`) as the
  // pointer crosses the edge of `screenRect`.
  virtual uint64_t addTrackingRect(const Rect& screenRect, GlobalEventHandler handler) = 0;
  virtual void removeTrackingRect(uint64_t trackingRect) = 0;

  // The pointer's location in screen coordinates.
  virtual Point mouseLocation() = 0;
};

}  // namespace pelko::platform
