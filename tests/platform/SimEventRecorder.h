#pragma once

#include <string>
#include <utility>
#include <vector>

#include "foundation/Cancellable.h"
#include "platform/Workspace.h"
#include "platform/sim/SimAccessibility.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko::sim::testing {

// Collects, as short texts in arrival order, the workspace notifications ("activate 501") and the
// Accessibility notifications of observed processes ("AXWindowCreated 501/101", the element's window
// or "app").
class SimEventRecorder {
 public:
  explicit SimEventRecorder(SimulatedMac& mac) : mac_(mac) {
    // In the order the notification names are declared.
    const char* const shortNames[] = {"launch", "terminate", "activate", "deactivate", "hide",
                                      "unhide", "space",     "sleep",    "wake"};
    for (int i = 0; i < 9; ++i) {
      mac.workspace()
          .notifications(static_cast<platform::WorkspaceNotificationName>(i))
          .sink([this, text = std::string(shortNames[i])](const platform::WorkspaceNotification& n) {
            events.push_back(n.application ? text + " " + std::to_string(n.application->processIdentifier())
                                           : text);
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
