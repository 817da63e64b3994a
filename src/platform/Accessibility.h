#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/AXElement.h"

namespace pelko::platform {

// Called with the element a notification concerns (for a destroyed window: the window's element) and
// the notification's name.
using AXObserverCallback = std::function<void(const AXElement& element, const std::string& notification)>;

// Watches one process's interface for notifications. Callbacks arrive on the main queue, and only while
// the observer's source is added to the main run loop. Dropping the last reference ends the observer:
// nothing is delivered afterwards, not even notifications already on their way.
class AXObserver {
 public:
  virtual ~AXObserver() = default;
  virtual int32_t processIdentifier() const = 0;
  // Registers `notification` for `element`. Registered on the application element, a window
  // notification covers every window of the application.
  virtual AXError addNotification(const AXElement& element, std::string_view notification) = 0;
  virtual AXError removeNotification(const AXElement& element, std::string_view notification) = 0;
  // Adds (removes) the observer's run-loop source to (from) the main run loop in the default mode.
  virtual void addToMainRunLoop() = 0;
  virtual void removeFromMainRunLoop() = 0;
};
using AXObserverPtr = std::shared_ptr<AXObserver>;

struct AXObserverResult {
  AXError error = AXError::success;
  AXObserverPtr observer;  // null unless error is success

  bool ok() const { return error == AXError::success; }
};

// The Accessibility interface to other applications' user interfaces. Every call may be made from any
// thread and blocks for at most the element's messaging time-out. Whether this process is trusted is a
// question for the Permissions port; an untrusted process gets AXError::apiDisabled from every call.
class Accessibility {
 public:
  virtual ~Accessibility() = default;

  // The element of the application with this process identifier (whether or not it runs; calls on the
  // element of a process that does not run fail with invalidUIElement or cannotComplete).
  virtual AXElement createApplicationElement(int32_t pid) = 0;
  // How long calls on `element` wait for its application to answer before they fail with
  // cannotComplete. It belongs to the element object (and its copies); other elements of the same
  // application keep their own.
  virtual AXError setMessagingTimeout(const AXElement& element, float seconds) = 0;

  virtual AXCopyResult copyAttributeValue(const AXElement& element, std::string_view attribute) = 0;
  virtual AXError setAttributeValue(const AXElement& element, std::string_view attribute,
                                    const AXValue& value) = 0;
  virtual AXError performAction(const AXElement& element, std::string_view action) = 0;

  // The window-server number of a window element; fails for other elements.
  virtual AXWindowNumberResult windowNumber(const AXElement& element) = 0;

  // A new observer for the process; it delivers nothing until notifications are added and its source
  // is on the main run loop.
  virtual AXObserverResult createObserver(int32_t pid, AXObserverCallback callback) = 0;
};

}  // namespace pelko::platform
