#include "platform/sim/SimulatedMac.h"

#include "platform/sim/SimDistributedNotifications.h"

namespace pelko::sim {

using Lock = std::lock_guard<std::recursive_mutex>;

// ---- The Dock and Mission Control ----

int32_t SimulatedMac::launchDock() {
  {
    Lock lock(anchor_->mutex);
    if (missionControl_.dockPID && findApp(*missionControl_.dockPID)) return *missionControl_.dockPID;
  }
  SimAppSetup setup;
  setup.bundleID = kDockBundleID;
  setup.name = "Dock";
  setup.bundlePath = "/System/Library/CoreServices/Dock.app";
  setup.policy = platform::ActivationPolicy::accessory;
  setup.activate = false;
  int32_t pid = launchApp(setup);
  Lock lock(anchor_->mutex);
  missionControl_.dockPID = pid;
  return pid;
}

std::optional<int32_t> SimulatedMac::dockPID() const {
  Lock lock(anchor_->mutex);
  if (missionControl_.dockPID && findApp(*missionControl_.dockPID)) return missionControl_.dockPID;
  return std::nullopt;
}

void SimulatedMac::setMissionControlSignals(MissionControlSignals enabled) {
  Lock lock(anchor_->mutex);
  missionControl_.enabledSignals = enabled;
}

void SimulatedMac::showMissionControl() {
  const int32_t dock = launchDock();
  Lock lock(anchor_->mutex);
  if (missionControl_.showing) return;
  missionControl_.showing = true;
  if (missionControl_.enabledSignals.willShowSpacesNotification)
    distributed_->post(kWillShowSpacesNotification);
  if (missionControl_.enabledSignals.overlayWindows) {
    for (const SimDisplay& display : std::vector<SimDisplay>(displays_)) {
      SimWindowSetup overlay;
      overlay.bounds = display.bounds;
      overlay.subrole = std::nullopt;
      overlay.hasCloseButton = false;
      overlay.listedInAccessibility = false;
      overlay.becomesMain = false;
      missionControl_.overlays.push_back(openWindow(dock, overlay));
    }
  }
  if (missionControl_.enabledSignals.dockActivation) {
    missionControl_.frontmostBefore = frontmost_;
    activateLocked(dock, platform::activateNone);
  }
}

void SimulatedMac::hideMissionControl() {
  Lock lock(anchor_->mutex);
  if (!missionControl_.showing) return;
  missionControl_.showing = false;
  for (WindowID overlay : std::exchange(missionControl_.overlays, {})) closeWindowLocked(overlay);
  if (missionControl_.dockPID && frontmost_ == missionControl_.dockPID) {
    auto previous = std::exchange(missionControl_.frontmostBefore, std::nullopt);
    if (previous && runningApp(*previous))
      activateLocked(*previous, platform::activateNone);
    else
      chooseNextFrontmost(*missionControl_.dockPID);
  }
}

bool SimulatedMac::isMissionControlShowing() const {
  Lock lock(anchor_->mutex);
  return missionControl_.showing;
}

void SimulatedMac::postDistributedNotification(const std::string& name) {
  distributed_->post(name);
}

}  // namespace pelko::sim
