#include "platform/sim/SimulatedMac.h"

#include <algorithm>
#include <stdexcept>

#include "platform/sim/SimWorkspace.h"

namespace pelko::sim {

using platform::WorkspaceNotificationName;
namespace ax = platform::ax;

using Lock = std::lock_guard<std::recursive_mutex>;

// ---- Applications ----

int32_t SimulatedMac::launchApp(const SimAppSetup& setup) {
  Lock lock(anchor_->mutex);
  int32_t pid = 0;
  if (setup.pid) {
    pid = *setup.pid;
    if (pid <= 0 || apps_.count(pid)) throw std::invalid_argument("launchApp: process identifier in use");
  } else {
    while (apps_.count(nextPid_)) ++nextPid_;
    pid = nextPid_++;
  }
  App app;
  app.pid = pid;
  app.serial = nextSerial_++;
  app.setup = setup;
  app.hidden = setup.hidden;
  app.handle = std::make_shared<SimRunningApplication>(anchor_, pid, app.serial, setup);
  apps_.emplace(pid, std::move(app));
  launchOrder_.push_back(pid);
  postWorkspace(WorkspaceNotificationName::didLaunchApplication, pid);
  if (setup.activate && !setup.hidden && setup.policy != platform::ActivationPolicy::prohibited)
    activateLocked(pid, platform::activateNone);
  return pid;
}

int32_t SimulatedMac::launchApp(const std::string& bundleID, const std::string& name) {
  SimAppSetup setup;
  setup.bundleID = bundleID;
  setup.name = name;
  setup.bundlePath = "/Applications/" + name + ".app";
  setup.executablePath = "/Applications/" + name + ".app/Contents/MacOS/" + name;
  setup.icon = platform::AppIcon{setup.bundlePath.value_or(""), Color{0.2, 0.4, 0.8, 1.0}};
  return launchApp(setup);
}

void SimulatedMac::quitApp(int32_t pid) {
  Lock lock(anchor_->mutex);
  quitLocked(pid);
}

void SimulatedMac::quitLocked(int32_t pid) {
  App* app = runningApp(pid);
  if (!app) return;
  // A quitting application's windows all go: none of them becomes main on the way.
  app->mainWindow = 0;
  app->focusedWindow = 0;
  for (WindowID window : appWindowsFrontToBack(pid)) closeWindowLocked(window);
  if (frontmost_ == pid) {
    chooseNextFrontmost(pid);
  }
  postWorkspace(WorkspaceNotificationName::didTerminateApplication, pid);
  apps_.erase(pid);
  launchOrder_.erase(std::remove(launchOrder_.begin(), launchOrder_.end(), pid), launchOrder_.end());
}

bool SimulatedMac::activate(int32_t pid, uint32_t options) {
  Lock lock(anchor_->mutex);
  App* app = runningApp(pid);
  if (!app || app->refusesActivation) return false;
  activateLocked(pid, options);
  return true;
}

void SimulatedMac::activateLocked(int32_t pid, uint32_t options) {
  App* app = runningApp(pid);
  if (!app) return;
  if (app->hidden) unhideLocked(pid);
  if (frontmost_ != pid) {
    std::optional<int32_t> previous = frontmost_;
    if (previous) postWorkspace(WorkspaceNotificationName::didDeactivateApplication, *previous);
    frontmost_ = pid;
    postWorkspace(WorkspaceNotificationName::didActivateApplication, pid);
    if (previous) postAX(*previous, 0, ax::kApplicationDeactivatedNotification);
    postAX(pid, 0, ax::kApplicationActivatedNotification);
  }
  if (app->restoresMinimizedOnActivation) {
    for (WindowID window : appWindowsFrontToBack(pid))
      if (windows_.at(window).minimized) setMinimizedLocked(window, false);
  }
  if (options & platform::activateAllWindows) {
    // Bringing the back window forward first keeps the application's own order.
    std::vector<Window*> mine;
    for (const AppWindow& entry : app->windows) mine.push_back(entry.window);
    for (auto it = mine.rbegin(); it != mine.rend(); ++it) bringToFront(**it);
  } else if (Window* appMain = findWindow(app->mainWindow); appMain && isVisible(*appMain)) {
    bringToFront(*appMain);
  } else {
    for (const AppWindow& entry : app->windows)
      if (isVisible(*entry.window)) {
        bringToFront(*entry.window);
        break;
      }
  }
}

void SimulatedMac::chooseNextFrontmost(int32_t leaving) {
  std::optional<int32_t> next;
  for (const Window* w : zOrder_) {
    const Window& window = *w;
    if (window.owner == leaving || window.layer != platform::window_layer::kNormal) continue;
    const App* app = findApp(window.owner);
    if (!app || app->setup.policy == platform::ActivationPolicy::prohibited || !isOnScreen(window)) continue;
    next = window.owner;
    break;
  }
  postWorkspace(WorkspaceNotificationName::didDeactivateApplication, leaving);
  frontmost_ = next;
  if (next) postWorkspace(WorkspaceNotificationName::didActivateApplication, *next);
  postAX(leaving, 0, ax::kApplicationDeactivatedNotification);
  if (next) postAX(*next, 0, ax::kApplicationActivatedNotification);
}

void SimulatedMac::hide(int32_t pid) {
  Lock lock(anchor_->mutex);
  hideLocked(pid);
}

void SimulatedMac::hideLocked(int32_t pid) {
  App* app = runningApp(pid);
  if (!app || app->hidden) return;
  if (frontmost_ == pid) chooseNextFrontmost(pid);
  app->hidden = true;
  postWorkspace(WorkspaceNotificationName::didHideApplication, pid);
  postAX(pid, 0, ax::kApplicationHiddenNotification);
}

void SimulatedMac::unhide(int32_t pid) {
  Lock lock(anchor_->mutex);
  unhideLocked(pid);
}

void SimulatedMac::unhideLocked(int32_t pid) {
  App* app = runningApp(pid);
  if (!app || !app->hidden) return;
  app->hidden = false;
  postWorkspace(WorkspaceNotificationName::didUnhideApplication, pid);
  postAX(pid, 0, ax::kApplicationShownNotification);
}

void SimulatedMac::installApp(const SimAppSetup& setup) {
  Lock lock(anchor_->mutex);
  installed_.push_back(setup);
}

bool SimulatedMac::isRunning(int32_t pid) const {
  Lock lock(anchor_->mutex);
  return findApp(pid) != nullptr;
}

bool SimulatedMac::isHidden(int32_t pid) const {
  Lock lock(anchor_->mutex);
  const App* app = findApp(pid);
  return app && app->hidden;
}

std::optional<int32_t> SimulatedMac::frontmostPID() const {
  Lock lock(anchor_->mutex);
  return frontmost_;
}

std::vector<int32_t> SimulatedMac::runningPIDs() const {
  Lock lock(anchor_->mutex);
  return launchOrder_;
}

// ---- Reopen and URLs ----

void SimulatedMac::handleReopen(int32_t pid) {
  App* app = runningApp(pid);
  if (!app) return;
  const std::vector<AppWindow>& mine = app->windows;
  bool hasVisible =
      std::any_of(mine.begin(), mine.end(), [&](const AppWindow& entry) { return isVisible(*entry.window); });
  if (hasVisible) return;
  for (const AppWindow& entry : mine)
    if (entry.minimized) {
      // Restoring reorders the list being walked: stop right after it.
      setMinimizedLocked(entry.number, false);
      return;
    }
  if (app->opensWindowOnReopen) {
    SimWindowSetup setup;
    setup.title = "Untitled";
    if (!displays_.empty()) {
      const Rect& main = displays_.front().bounds;
      setup.bounds = Rect(main.minX() + 100, main.minY() + 100, 800, 600);
    }
    openWindow(pid, setup);
  }
}

bool SimulatedMac::openURLLocked(const std::string& url) {
  openedURLs_.push_back(url);
  if (openedURLs_.size() > kActionLogCapacity) openedURLs_.pop_front();
  record("openURL " + url, 0);
  std::string path = url.rfind("file://", 0) == 0 ? url.substr(7) : url;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (!path.empty() && path.front() == '/') return openBundleLocked(path);
  return url.find(':') != std::string::npos;
}

bool SimulatedMac::openBundleLocked(const std::string& path) {
  for (int32_t pid : launchOrder_) {
    App& app = apps_.at(pid);
    if (app.setup.bundlePath != path) continue;
    if (!app.refusesActivation) activateLocked(pid, platform::activateNone);
    std::weak_ptr<Anchor> weak = anchor_;
    scheduler_.mainAsync([weak, pid] {
      if (auto anchor = weak.lock()) {
        Lock lock(anchor->mutex);
        if (anchor->mac) anchor->mac->handleReopen(pid);
      }
    });
    return true;
  }
  for (const SimAppSetup& setup : installed_)
    if (setup.bundlePath == path) {
      launchApp(setup);
      return true;
    }
  return false;
}

}  // namespace pelko::sim
