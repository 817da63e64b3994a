#include "platform/sim/SimWorkspace.h"

namespace pelko::sim {

using Lock = std::lock_guard<std::recursive_mutex>;
using platform::WorkspaceNotificationName;

template <class F, class R>
R SimRunningApplication::withApp(F f, R fallback) const {
  auto anchor = anchor_.lock();
  if (!anchor) return fallback;
  Lock lock(anchor->mutex);
  SimulatedMac* mac = anchor->mac;
  if (!mac) return fallback;
  SimulatedMac::App* app = mac->findApp(pid_);
  if (!app || app->serial != serial_) return fallback;
  return f(*mac, *app);
}

bool SimRunningApplication::isHidden() const {
  return withApp([](SimulatedMac&, SimulatedMac::App& app) { return app.hidden; }, false);
}

bool SimRunningApplication::isActive() const {
  return withApp([this](SimulatedMac& mac, SimulatedMac::App&) { return mac.frontmost_ == pid_; }, false);
}

bool SimRunningApplication::isTerminated() const {
  return withApp([](SimulatedMac&, SimulatedMac::App&) { return false; }, true);
}

bool SimRunningApplication::activate(uint32_t options) {
  return withApp(
      [this, options](SimulatedMac& mac, SimulatedMac::App& app) {
        std::string text = "activate pid=" + std::to_string(pid_) + " options=" + std::to_string(options);
        if (app.refusesActivation) {
          mac.record(text + " -> refused", pid_, 0, AXError::failure, false);
          return false;
        }
        mac.record(text, pid_);
        mac.activateLocked(pid_, options);
        return true;
      },
      false);
}

bool SimRunningApplication::hide() {
  return withApp(
      [this](SimulatedMac& mac, SimulatedMac::App&) {
        mac.record("hide pid=" + std::to_string(pid_), pid_);
        mac.hideLocked(pid_);
        return true;
      },
      false);
}

bool SimRunningApplication::unhide() {
  return withApp(
      [this](SimulatedMac& mac, SimulatedMac::App&) {
        mac.record("unhide pid=" + std::to_string(pid_), pid_);
        mac.unhideLocked(pid_);
        return true;
      },
      false);
}

bool SimRunningApplication::terminate() {
  return withApp(
      [this](SimulatedMac& mac, SimulatedMac::App& app) {
        mac.record("terminate pid=" + std::to_string(pid_), pid_);
        if (!app.ignoresTerminate) mac.quitLocked(pid_);
        return true;
      },
      false);
}

bool SimRunningApplication::forceTerminate() {
  return withApp(
      [this](SimulatedMac& mac, SimulatedMac::App&) {
        mac.record("forceTerminate pid=" + std::to_string(pid_), pid_);
        mac.quitLocked(pid_);
        return true;
      },
      false);
}

SimWorkspace::SimWorkspace(SimulatedMac& mac) : mac_(mac) {
  for (auto name :
       {WorkspaceNotificationName::didLaunchApplication, WorkspaceNotificationName::didTerminateApplication,
        WorkspaceNotificationName::didActivateApplication,
        WorkspaceNotificationName::didDeactivateApplication, WorkspaceNotificationName::didHideApplication,
        WorkspaceNotificationName::didUnhideApplication, WorkspaceNotificationName::activeSpaceDidChange,
        WorkspaceNotificationName::screensDidSleep, WorkspaceNotificationName::screensDidWake})
    subjects_[name] = std::make_unique<Subject<platform::WorkspaceNotification>>();
}

std::vector<platform::RunningApplicationPtr> SimWorkspace::runningApplications() {
  Lock lock(mac_.anchor_->mutex);
  std::vector<platform::RunningApplicationPtr> result;
  for (int32_t pid : mac_.launchOrder_) result.push_back(mac_.apps_.at(pid).handle);
  return result;
}

platform::RunningApplicationPtr SimWorkspace::frontmostApplication() {
  Lock lock(mac_.anchor_->mutex);
  if (!mac_.frontmost_) return nullptr;
  SimulatedMac::App* app = mac_.findApp(*mac_.frontmost_);
  return app ? app->handle : nullptr;
}

platform::RunningApplicationPtr SimWorkspace::runningApplication(int32_t pid) {
  Lock lock(mac_.anchor_->mutex);
  SimulatedMac::App* app = mac_.findApp(pid);
  return app ? app->handle : nullptr;
}

platform::AppIcon SimWorkspace::iconForFile(const std::string& path) {
  Lock lock(mac_.anchor_->mutex);
  // The lowest process identifier wins when several running copies share the bundle.
  const SimulatedMac::App* match = nullptr;
  for (const auto& [pid, app] : mac_.apps_)
    if (app.setup.bundlePath == path && app.setup.icon && (!match || pid < match->pid)) match = &app;
  if (match) return *match->setup.icon;
  for (const auto& setup : mac_.installed_)
    if (setup.bundlePath == path && setup.icon) return *setup.icon;
  return platform::AppIcon{path, Color{0.5, 0.5, 0.5, 1.0}};
}

bool SimWorkspace::openURL(const std::string& url) {
  Lock lock(mac_.anchor_->mutex);
  return mac_.openURLLocked(url);
}

bool SimWorkspace::openApplication(const std::string& path) {
  Lock lock(mac_.anchor_->mutex);
  mac_.record("openApplication " + path, 0);
  return mac_.openBundleLocked(path);
}

bool SimWorkspace::activateFileViewerSelecting(const std::vector<std::string>& paths) {
  Lock lock(mac_.anchor_->mutex);
  for (const auto& path : paths) mac_.record("reveal " + path, 0);
  return !paths.empty();
}

bool SimWorkspace::accessibilityDisplayShouldReduceMotion() {
  Lock lock(mac_.anchor_->mutex);
  return mac_.reduceMotion_;
}

bool SimWorkspace::sendReopenEvent(int32_t pid, double /*timeoutSeconds*/) {
  Lock lock(mac_.anchor_->mutex);
  SimulatedMac::App* app = mac_.findApp(pid);
  std::string text = "reopen pid=" + std::to_string(pid);
  if (!app || app->reopenFails) {
    mac_.record(text + " -> failed", pid, 0, AXError::failure, false);
    return false;
  }
  mac_.record(text, pid);
  std::weak_ptr<SimulatedMac::Anchor> weak = mac_.anchor_;
  mac_.scheduler_.mainAsync([weak, pid] {
    if (auto anchor = weak.lock()) {
      Lock lock(anchor->mutex);
      if (anchor->mac) anchor->mac->handleReopen(pid);
    }
  });
  return true;
}

Publisher<platform::WorkspaceNotification> SimWorkspace::notifications(WorkspaceNotificationName name) {
  return subjects_.at(name)->publisher();
}

void SimWorkspace::deliver(const platform::WorkspaceNotification& notification) {
  subjects_.at(notification.name)->send(notification);
}

}  // namespace pelko::sim
