#pragma once

#include <string>
#include <utility>
#include <vector>

#include "foundation/Cancellable.h"
#include "platform/Workspace.h"
#include "platform/sim/SimAccessibility.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko::sim::testing {

inline const char* shortName(platform::WorkspaceNotificationName name) {
  using N = platform::WorkspaceNotificationName;
  switch (name) {
    case N::didLaunchApplication:
      return "launch";
    case N::didTerminateApplication:
      return "terminate";
    case N::didActivateApplication:
      return "activate";
    case N::didDeactivateApplication:
      return "deactivate";
    case N::didHideApplication:
      return "hide";
    case N::didUnhideApplication:
      return "unhide";
    case N::activeSpaceDidChange:
      return "space";
    case N::screensDidSleep:
      return "sleep";
    case N::screensDidWake:
      return "wake";
  }
  return "?";
}

// Collects, as short texts in arrival order, the workspace notifications ("activate 501") and the
// Accessibility notifications of observed processes ("AXWindowCreated 501/101", the element's window
// or "app").
class SimEventRecorder {
 public:
  explicit SimEventRecorder(SimulatedMac& mac) : mac_(mac) {
    using N = platform::WorkspaceNotificationName;
    for (auto name : {N::didLaunchApplication, N::didTerminateApplication, N::didActivateApplication,
                      N::didDeactivateApplication, N::didHideApplication, N::didUnhideApplication,
                      N::activeSpaceDidChange, N::screensDidSleep, N::screensDidWake}) {
      mac.workspace()
          .notifications(name)
          .sink([this](const platform::WorkspaceNotification& n) {
            std::string text = shortName(n.name);
            if (n.application) text += " " + std::to_string(n.application->processIdentifier());
            events.push_back(text);
          })
          .store(bag_);
    }
  }

  // Observes every notification name of interest on the application element of `pid`.
  void observe(int32_t pid) {
    auto& ax = mac_.accessibility();
    auto result = ax.createObserver(pid, [this](const platform::AXElement& element, const std::string& name) {
      // Read the window from the element itself: a destroyed window's element answers no more calls.
      auto* ref = dynamic_cast<const SimAXElementRef*>(element.ref());
      events.push_back(name + " " + std::to_string(element.pid()) + "/" +
                       (ref && ref->window() ? std::to_string(ref->window()) : std::string("app")));
    });
    if (!result.observer) return;
    auto app = ax.createApplicationElement(pid);
    for (auto name :
         {platform::ax::kWindowCreatedNotification, platform::ax::kUIElementDestroyedNotification,
          platform::ax::kWindowMovedNotification, platform::ax::kWindowResizedNotification,
          platform::ax::kTitleChangedNotification, platform::ax::kFocusedWindowChangedNotification,
          platform::ax::kMainWindowChangedNotification, platform::ax::kWindowMiniaturizedNotification,
          platform::ax::kWindowDeminiaturizedNotification, platform::ax::kApplicationActivatedNotification,
          platform::ax::kApplicationDeactivatedNotification, platform::ax::kApplicationHiddenNotification,
          platform::ax::kApplicationShownNotification})
      result.observer->addNotification(app, name);
    result.observer->addToMainRunLoop();
    observers_.push_back(result.observer);
  }

  std::vector<std::string> take() { return std::exchange(events, {}); }

  std::vector<std::string> events;

 private:
  SimulatedMac& mac_;
  CancellableBag bag_;
  std::vector<platform::AXObserverPtr> observers_;
};

}  // namespace pelko::sim::testing
