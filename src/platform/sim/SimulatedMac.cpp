#include "platform/sim/SimulatedMac.h"

#include <algorithm>
#include <stdexcept>

#include "platform/sim/SimAccessibility.h"
#include "platform/sim/SimDistributedNotifications.h"
#include "platform/sim/SimScreens.h"
#include "platform/sim/SimWindowServer.h"
#include "platform/sim/SimWorkspace.h"

namespace pelko::sim {

using platform::WorkspaceNotificationName;
namespace ax = platform::ax;

using Lock = std::lock_guard<std::recursive_mutex>;

namespace {
class SimProcessExistence final : public platform::ProcessExistence {
 public:
  explicit SimProcessExistence(SimulatedMac& mac) : mac_(mac) {}
  bool processExists(int32_t pid) override { return mac_.isRunning(pid); }

 private:
  SimulatedMac& mac_;
};
}  // namespace

SimulatedMac::SimulatedMac(Scheduler& scheduler, bool includeOwnProcess)
    : scheduler_(scheduler), anchor_(std::make_shared<Anchor>()) {
  anchor_->mac = this;
  workspace_ = std::make_unique<SimWorkspace>(*this);
  windowServer_ = std::make_unique<SimWindowServer>(*this);
  accessibility_ = std::make_unique<SimAccessibility>(*this);
  screens_ = std::make_unique<SimScreens>(*this);
  distributed_ = std::make_unique<SimDistributedNotifications>(scheduler);
  processExistence_ = std::make_unique<SimProcessExistence>(*this);
  displays_.push_back({nextDisplay_++, Rect(0, 0, 1920, 1080), 2.0, "Built-in Display"});

  appShell_.onActivateOwnProcess = [this] {
    Lock lock(anchor_->mutex);
    record("activate pid=" + std::to_string(appShell_.pid) + " options=0", appShell_.pid);
    activateLocked(appShell_.pid, platform::activateNone);
  };
  if (includeOwnProcess) {
    App app;
    app.pid = appShell_.pid;
    app.serial = nextSerial_++;
    app.setup.bundleID = appShell_.bundleID;
    app.setup.name = "Pelko";
    app.setup.bundlePath = "/Applications/Pelko.app";
    app.setup.executablePath = appShell_.executablePath;
    app.setup.policy = platform::ActivationPolicy::accessory;
    app.handle = std::make_shared<SimRunningApplication>(anchor_, app.pid, app.serial, app.setup);
    apps_.emplace(app.pid, std::move(app));
    launchOrder_.push_back(appShell_.pid);
  }
}

SimulatedMac::~SimulatedMac() {
  Lock lock(anchor_->mutex);
  anchor_->mac = nullptr;
  appShell_.onActivateOwnProcess = nullptr;
}

platform::Workspace& SimulatedMac::workspace() {
  return *workspace_;
}
platform::WindowServer& SimulatedMac::windowServer() {
  return *windowServer_;
}
platform::Accessibility& SimulatedMac::accessibility() {
  return *accessibility_;
}
platform::Screens& SimulatedMac::screens() {
  return *screens_;
}
platform::DistributedNotifications& SimulatedMac::distributedNotifications() {
  return *distributed_;
}
platform::ProcessExistence& SimulatedMac::processExistence() {
  return *processExistence_;
}

// ---- The Dock and Mission Control ----

int32_t SimulatedMac::launchDock() {
  {
    Lock lock(anchor_->mutex);
    if (dockPID_ && findApp(*dockPID_)) return *dockPID_;
  }
  SimAppSetup setup;
  setup.bundleID = kDockBundleID;
  setup.name = "Dock";
  setup.bundlePath = "/System/Library/CoreServices/Dock.app";
  setup.policy = platform::ActivationPolicy::accessory;
  setup.activate = false;
  int32_t pid = launchApp(setup);
  Lock lock(anchor_->mutex);
  dockPID_ = pid;
  return pid;
}

std::optional<int32_t> SimulatedMac::dockPID() const {
  Lock lock(anchor_->mutex);
  if (dockPID_ && findApp(*dockPID_)) return dockPID_;
  return std::nullopt;
}

void SimulatedMac::setMissionControlSignals(MissionControlSignals enabled) {
  Lock lock(anchor_->mutex);
  missionControlSignals_ = enabled;
}

void SimulatedMac::showMissionControl() {
  const int32_t dock = launchDock();
  Lock lock(anchor_->mutex);
  if (missionControlShowing_) return;
  missionControlShowing_ = true;
  if (missionControlSignals_.willShowSpacesNotification) distributed_->post(kWillShowSpacesNotification);
  if (missionControlSignals_.overlayWindows) {
    for (const SimDisplay& display : std::vector<SimDisplay>(displays_)) {
      SimWindowSetup overlay;
      overlay.bounds = display.bounds;
      overlay.subrole = std::nullopt;
      overlay.hasCloseButton = false;
      overlay.listedInAccessibility = false;
      overlay.becomesMain = false;
      missionControlOverlays_.push_back(openWindow(dock, overlay));
    }
  }
  if (missionControlSignals_.dockActivation) {
    frontmostBeforeMissionControl_ = frontmost_;
    activateLocked(dock, platform::activateNone);
  }
}

void SimulatedMac::hideMissionControl() {
  Lock lock(anchor_->mutex);
  if (!missionControlShowing_) return;
  missionControlShowing_ = false;
  for (WindowID overlay : std::exchange(missionControlOverlays_, {})) closeWindowLocked(overlay);
  if (dockPID_ && frontmost_ == dockPID_) {
    auto previous = std::exchange(frontmostBeforeMissionControl_, std::nullopt);
    if (previous && runningApp(*previous))
      activateLocked(*previous, platform::activateNone);
    else
      chooseNextFrontmost(*dockPID_);
  }
}

bool SimulatedMac::isMissionControlShowing() const {
  Lock lock(anchor_->mutex);
  return missionControlShowing_;
}

void SimulatedMac::postDistributedNotification(const std::string& name) {
  distributed_->post(name);
}

void SimulatedMac::noteFrameWrite(Window& window, const Rect& before) {
  const App* app = findApp(window.owner);
  if (!app || !app->restoresFrameAfterWrite || window.frameToPutBack) return;
  window.frameToPutBack = before;
  std::weak_ptr<Anchor> weak = anchor_;
  const WindowID number = window.number;
  scheduler_.mainAsync([weak, number] {
    auto anchor = weak.lock();
    if (!anchor) return;
    Lock lock(anchor->mutex);
    SimulatedMac* mac = anchor->mac;
    Window* putBack = mac ? mac->findWindow(number) : nullptr;
    if (!putBack || !putBack->frameToPutBack) return;
    const Rect frame = *std::exchange(putBack->frameToPutBack, std::nullopt);
    mac->setFrameLocked(number, frame);
  });
}

// ---- Lookups ----

SimulatedMac::App* SimulatedMac::findApp(int32_t pid) {
  auto it = apps_.find(pid);
  return it == apps_.end() ? nullptr : &it->second;
}
const SimulatedMac::App* SimulatedMac::findApp(int32_t pid) const {
  auto it = apps_.find(pid);
  return it == apps_.end() ? nullptr : &it->second;
}
SimulatedMac::App* SimulatedMac::runningApp(int32_t pid) {
  return findApp(pid);
}

SimulatedMac::Window* SimulatedMac::findWindow(WindowID window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}
const SimulatedMac::Window* SimulatedMac::findWindow(WindowID window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

bool SimulatedMac::isVisible(const Window& window) const {
  return !window.minimized && window.space == activeSpace_;
}

bool SimulatedMac::isOnScreen(const Window& window) const {
  const App* app = findApp(window.owner);
  return app && !app->hidden && isVisible(window);
}

std::vector<WindowID> SimulatedMac::appWindowsFrontToBack(int32_t pid) const {
  std::vector<WindowID> result;
  const App* app = findApp(pid);
  if (!app) return result;
  result.reserve(app->windows.size());
  for (const Window* window : app->windows) result.push_back(window->number);
  return result;
}

std::vector<WindowID> SimulatedMac::axWindowList(int32_t pid) const {
  std::vector<WindowID> result;
  const App* app = findApp(pid);
  if (!app) return result;
  result.reserve(app->windows.size());
  for (const Window* window : app->windows)
    if (window->setup.listedInAccessibility && !window->minimized && window->space == activeSpace_)
      result.push_back(window->number);
  for (const Window* window : app->windows)
    if (window->setup.listedInAccessibility && window->minimized) result.push_back(window->number);
  return result;
}

std::optional<size_t> SimulatedMac::displayIndexFor(const Rect& bounds) const {
  std::optional<size_t> best;
  double bestArea = 0;
  for (size_t i = 0; i < displays_.size(); ++i) {
    double area = bounds.intersectionArea(displays_[i].bounds);
    if (area > bestArea) {
      bestArea = area;
      best = i;
    }
  }
  return best;
}

platform::AXElement SimulatedMac::makeElement(int32_t pid, SimElementKind kind, WindowID window) const {
  return platform::AXElement(std::make_shared<SimAXElementRef>(pid, kind, window));
}

// ---- Notifications and the log ----

void SimulatedMac::postWorkspace(WorkspaceNotificationName name, int32_t pid) {
  platform::WorkspaceNotification notification{name, nullptr};
  if (const App* app = findApp(pid)) notification.application = app->handle;
  std::weak_ptr<Anchor> weak = anchor_;
  scheduler_.mainAsync([weak, notification] {
    SimulatedMac* mac = nullptr;
    if (auto anchor = weak.lock()) {
      Lock lock(anchor->mutex);
      mac = anchor->mac;
    }
    if (mac) mac->workspace_->deliver(notification);
  });
}

void SimulatedMac::postAX(int32_t pid, WindowID window, std::string_view notification) {
  App* app = findApp(pid);
  if (!app) return;
  if (window) {
    const Window* w = findWindow(window);
    if (w && !w->setup.listedInAccessibility) return;
  }
  auto application = makeElement(pid, SimElementKind::application);
  auto target = window ? makeElement(pid, SimElementKind::window, window) : application;
  std::string name(notification);
  auto& observers = app->observers;
  observers.erase(
      std::remove_if(observers.begin(), observers.end(), [](auto& weak) { return weak.expired(); }),
      observers.end());
  for (const auto& weakObserver : observers) {
    auto observer = weakObserver.lock();
    if (!observer || !observer->wants(target, application, name)) continue;
    std::weak_ptr<SimAXObserver> weak = observer;
    scheduler_.mainAsync([weak, target, application, name] {
      if (auto o = weak.lock()) o->deliver(target, application, name);
    });
  }
}

void SimulatedMac::postScreensChanged() {
  std::weak_ptr<Anchor> weak = anchor_;
  scheduler_.mainAsync([weak] {
    SimulatedMac* mac = nullptr;
    if (auto anchor = weak.lock()) {
      Lock lock(anchor->mutex);
      mac = anchor->mac;
    }
    if (mac) mac->screens_->deliverChange();
  });
}

void SimulatedMac::record(std::string text, int32_t pid, WindowID window, AXError result, bool appendCode) {
  if (result != AXError::success && appendCode) text += " -> error " + std::to_string(platform::code(result));
  actions_.push_back({std::move(text), pid, window, result});
  if (actions_.size() > kActionLogCapacity) actions_.pop_front();
}

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
    std::vector<Window*> mine(app->windows.begin(), app->windows.end());
    for (auto it = mine.rbegin(); it != mine.rend(); ++it) bringToFront(**it);
  } else if (Window* appMain = findWindow(app->mainWindow); appMain && isVisible(*appMain)) {
    bringToFront(*appMain);
  } else {
    for (Window* window : app->windows)
      if (isVisible(*window)) {
        bringToFront(*window);
        break;
      }
  }
}

void SimulatedMac::chooseNextFrontmost(int32_t leaving) {
  std::optional<int32_t> next;
  for (const Window* w : zOrder_) {
    const Window& window = *w;
    if (window.owner == leaving || window.setup.layer != platform::window_layer::kNormal) continue;
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

// ---- Windows ----

WindowID SimulatedMac::openWindow(int32_t pid, const SimWindowSetup& setup) {
  Lock lock(anchor_->mutex);
  App* app = runningApp(pid);
  if (!app) throw std::invalid_argument("openWindow: no such process");
  Window window;
  window.number = nextWindow_++;
  window.owner = pid;
  window.setup = setup;
  window.title = setup.title;
  window.bounds = setup.bounds;
  window.minimized = setup.minimized;
  window.space = setup.space.value_or(activeSpace_);
  WindowID number = window.number;
  // Behind the frontmost application's windows, and so in front of every window of its own
  // application; in its layer, behind the last window of that layer it passed.
  auto position = zOrder_.begin();
  const Window* passedInLayer = nullptr;
  if (frontmost_ && *frontmost_ != pid) {
    for (; position != zOrder_.end() && (*position)->owner == *frontmost_; ++position)
      if ((*position)->setup.layer == setup.layer) passedInLayer = *position;
  }
  Window& stored = windows_.emplace(number, std::move(window)).first->second;
  stored.inWorld = zOrder_.insert(position, &stored);
  stored.inApp = app->windows.insert(app->windows.begin(), &stored);
  WindowOrder& layer = layers_[setup.layer];
  stored.inLayer = layer.insert(passedInLayer ? std::next(passedInLayer->inLayer) : layer.begin(), &stored);
  bool visible = isVisible(stored);
  postAX(pid, number, ax::kWindowCreatedNotification);
  if (visible && setup.becomesMain) {
    setMainWindowLocked(pid, number);
    setFocusedWindowLocked(pid, number);
  }
  return number;
}

void SimulatedMac::closeWindow(WindowID window) {
  Lock lock(anchor_->mutex);
  closeWindowLocked(window);
}

void SimulatedMac::closeWindowLocked(WindowID number) {
  Window* window = findWindow(number);
  if (!window) return;
  int32_t pid = window->owner;
  postAX(pid, number, ax::kUIElementDestroyedNotification);
  zOrder_.erase(window->inWorld);
  if (App* app = findApp(pid)) app->windows.erase(window->inApp);
  auto layer = layers_.find(window->setup.layer);
  layer->second.erase(window->inLayer);
  if (layer->second.empty()) layers_.erase(layer);
  windows_.erase(number);
  passMainAndFocusOn(pid, number);
}

void SimulatedMac::passMainAndFocusOn(int32_t pid, WindowID leaving) {
  App* app = findApp(pid);
  if (!app || (app->mainWindow != leaving && app->focusedWindow != leaving)) return;
  WindowID next = 0;
  for (const Window* window : app->windows)
    if (window->number != leaving && isVisible(*window)) {
      next = window->number;
      break;
    }
  if (app->mainWindow == leaving) setMainWindowLocked(pid, next);
  if (app->focusedWindow == leaving) setFocusedWindowLocked(pid, next);
}

void SimulatedMac::setMainWindowLocked(int32_t pid, WindowID window) {
  App* app = findApp(pid);
  if (!app || app->mainWindow == window) return;
  app->mainWindow = window;
  if (window) postAX(pid, window, ax::kMainWindowChangedNotification);
}

void SimulatedMac::setFocusedWindowLocked(int32_t pid, WindowID window) {
  App* app = findApp(pid);
  if (!app || app->focusedWindow == window) return;
  app->focusedWindow = window;
  if (window) postAX(pid, window, ax::kFocusedWindowChangedNotification);
}

void SimulatedMac::bringToFront(Window& window) {
  zOrder_.splice(zOrder_.begin(), zOrder_, window.inWorld);
  if (App* app = findApp(window.owner)) app->windows.splice(app->windows.begin(), app->windows, window.inApp);
  WindowOrder& layer = layers_.at(window.setup.layer);
  layer.splice(layer.begin(), layer, window.inLayer);
}

void SimulatedMac::setFrameLocked(WindowID number, Rect frame) {
  Window* window = findWindow(number);
  if (!window) return;
  frame.size.width = std::max(frame.size.width, window->setup.minimumSize.width);
  frame.size.height = std::max(frame.size.height, window->setup.minimumSize.height);
  bool moved = frame.origin != window->bounds.origin;
  bool resized = frame.size != window->bounds.size;
  window->bounds = frame;
  if (moved) postAX(window->owner, number, ax::kWindowMovedNotification);
  if (resized) postAX(window->owner, number, ax::kWindowResizedNotification);
}

void SimulatedMac::moveWindow(WindowID window, Point origin) {
  Lock lock(anchor_->mutex);
  if (Window* w = findWindow(window)) setFrameLocked(window, Rect(origin, w->bounds.size));
}

void SimulatedMac::resizeWindow(WindowID window, Size size) {
  Lock lock(anchor_->mutex);
  if (Window* w = findWindow(window)) setFrameLocked(window, Rect(w->bounds.origin, size));
}

void SimulatedMac::setWindowFrame(WindowID window, Rect frame) {
  Lock lock(anchor_->mutex);
  setFrameLocked(window, frame);
}

void SimulatedMac::setTitle(WindowID number, const std::string& title) {
  Lock lock(anchor_->mutex);
  Window* window = findWindow(number);
  if (!window || window->title == title) return;
  window->title = title;
  postAX(window->owner, number, ax::kTitleChangedNotification);
}

void SimulatedMac::minimize(WindowID window) {
  Lock lock(anchor_->mutex);
  setMinimizedLocked(window, true);
}

void SimulatedMac::unminimize(WindowID window) {
  Lock lock(anchor_->mutex);
  setMinimizedLocked(window, false);
}

void SimulatedMac::setMinimizedLocked(WindowID number, bool minimized) {
  Window* window = findWindow(number);
  if (!window || window->minimized == minimized) return;
  window->minimized = minimized;
  int32_t pid = window->owner;
  if (minimized) {
    postAX(pid, number, ax::kWindowMiniaturizedNotification);
    passMainAndFocusOn(pid, number);
    return;
  }
  bringToFront(*window);
  postAX(pid, number, ax::kWindowDeminiaturizedNotification);
  if (window->space == activeSpace_) {
    setMainWindowLocked(pid, number);
    setFocusedWindowLocked(pid, number);
  }
}

void SimulatedMac::raiseWindow(WindowID window) {
  Lock lock(anchor_->mutex);
  raiseLocked(window);
}

void SimulatedMac::raiseLocked(WindowID number) {
  Window* window = findWindow(number);
  if (!window) return;
  bringToFront(*window);
  if (isVisible(*window)) setMainWindowLocked(window->owner, number);
}

void SimulatedMac::setFullScreen(WindowID number, bool fullScreen) {
  Lock lock(anchor_->mutex);
  Window* window = findWindow(number);
  if (!window || window->fullScreen == fullScreen) return;
  window->fullScreen = fullScreen;
  if (fullScreen) {
    window->frameBeforeFullScreen = window->bounds;
    auto index = displayIndexFor(window->bounds);
    if (!index && !displays_.empty()) index = 0;
    if (index) setFrameLocked(number, displays_[*index].bounds);
  } else {
    setFrameLocked(number, window->frameBeforeFullScreen);
  }
}

void SimulatedMac::moveWindowToDisplay(WindowID number, DisplayID display) {
  Lock lock(anchor_->mutex);
  Window* window = findWindow(number);
  auto target = std::find_if(displays_.begin(), displays_.end(), [&](auto& d) { return d.id == display; });
  if (!window || target == displays_.end()) return;
  Rect source = displays_.empty() ? Rect() : displays_[displayIndexFor(window->bounds).value_or(0)].bounds;
  const Rect& to = target->bounds;
  Rect frame = window->bounds;
  frame.origin.x = to.minX() + (frame.origin.x - source.minX());
  frame.origin.y = to.minY() + (frame.origin.y - source.minY());
  if (frame.maxX() > to.maxX()) frame.origin.x = std::max(to.minX(), to.maxX() - frame.width());
  if (frame.maxY() > to.maxY()) frame.origin.y = std::max(to.minY(), to.maxY() - frame.height());
  frame.origin.x = std::max(frame.origin.x, to.minX());
  frame.origin.y = std::max(frame.origin.y, to.minY());
  setFrameLocked(number, frame);
}

void SimulatedMac::moveWindowToSpace(WindowID number, int space) {
  Lock lock(anchor_->mutex);
  if (Window* window = findWindow(number)) window->space = space;
}

std::optional<SimWindowState> SimulatedMac::window(WindowID number) const {
  Lock lock(anchor_->mutex);
  const Window* window = findWindow(number);
  if (!window) return std::nullopt;
  return SimWindowState{window->number,      window->owner,         window->title,     window->bounds,
                        window->setup.layer, window->setup.subrole, window->minimized, window->fullScreen,
                        isOnScreen(*window), window->space};
}

std::vector<WindowID> SimulatedMac::windowsOf(int32_t pid) const {
  Lock lock(anchor_->mutex);
  return appWindowsFrontToBack(pid);
}

std::vector<WindowID> SimulatedMac::windowOrder() const {
  Lock lock(anchor_->mutex);
  std::vector<WindowID> result;
  result.reserve(zOrder_.size());
  for (const Window* window : zOrder_) result.push_back(window->number);
  return result;
}

WindowID SimulatedMac::mainWindow(int32_t pid) const {
  return appField(pid, &App::mainWindow);
}

WindowID SimulatedMac::focusedWindow(int32_t pid) const {
  return appField(pid, &App::focusedWindow);
}

// ---- Spaces, screens, displays ----

void SimulatedMac::switchSpace(int space) {
  Lock lock(anchor_->mutex);
  if (space == activeSpace_) return;
  activeSpace_ = space;
  postWorkspace(WorkspaceNotificationName::activeSpaceDidChange, 0);
}

int SimulatedMac::activeSpace() const {
  Lock lock(anchor_->mutex);
  return activeSpace_;
}

void SimulatedMac::sleepScreens() {
  Lock lock(anchor_->mutex);
  postWorkspace(WorkspaceNotificationName::screensDidSleep, 0);
}

void SimulatedMac::wakeScreens() {
  Lock lock(anchor_->mutex);
  postWorkspace(WorkspaceNotificationName::screensDidWake, 0);
}

void SimulatedMac::setReduceMotion(bool reduce) {
  Lock lock(anchor_->mutex);
  reduceMotion_ = reduce;
}

DisplayID SimulatedMac::addDisplay(const SimDisplaySetup& setup) {
  Lock lock(anchor_->mutex);
  DisplayID id = setup.id.value_or(nextDisplay_);
  if (std::any_of(displays_.begin(), displays_.end(), [&](auto& d) { return d.id == id; }))
    throw std::invalid_argument("addDisplay: display identifier in use");
  nextDisplay_ = std::max(nextDisplay_, id + 1);
  displays_.push_back({id, setup.bounds, setup.scale, setup.name});
  postScreensChanged();
  return id;
}

void SimulatedMac::shiftCoordinates(Point delta) {
  auto shift = [&](Rect& r) {
    r.origin.x += delta.x;
    r.origin.y += delta.y;
  };
  for (auto& display : displays_) shift(display.bounds);
  for (auto& [number, window] : windows_) {
    shift(window.bounds);
    shift(window.frameBeforeFullScreen);
  }
}

void SimulatedMac::removeDisplay(DisplayID id) {
  Lock lock(anchor_->mutex);
  auto it = std::find_if(displays_.begin(), displays_.end(), [&](auto& d) { return d.id == id; });
  if (it == displays_.end()) return;
  size_t index = static_cast<size_t>(it - displays_.begin());
  Rect removed = it->bounds;
  std::vector<std::pair<WindowID, Point>> stranded;  // window and its offset from the removed display
  for (const Window* w : zOrder_) {
    const Window& window = *w;
    if (displayIndexFor(window.bounds) == index)
      stranded.push_back(
          {window.number,
           {window.bounds.origin.x - removed.minX(), window.bounds.origin.y - removed.minY()}});
  }
  displays_.erase(it);
  if (index == 0 && !displays_.empty()) {
    Point origin = displays_.front().bounds.origin;
    shiftCoordinates({-origin.x, -origin.y});
  }
  if (!displays_.empty()) {
    const Rect to = displays_.front().bounds;
    for (auto& [number, offset] : stranded) {
      Rect frame = windows_.at(number).bounds;
      frame.origin = {to.minX() + offset.x, to.minY() + offset.y};
      if (frame.maxX() > to.maxX()) frame.origin.x = std::max(to.minX(), to.maxX() - frame.width());
      if (frame.maxY() > to.maxY()) frame.origin.y = std::max(to.minY(), to.maxY() - frame.height());
      setFrameLocked(number, frame);
    }
  }
  postScreensChanged();
}

void SimulatedMac::setDisplays(const std::vector<SimDisplay>& displays) {
  Lock lock(anchor_->mutex);
  if (displays.empty()) return;
  struct Placement {
    WindowID number;
    std::optional<DisplayID> display;
    Point offset;  // from its display's origin
  };
  std::vector<Placement> placements;
  for (const Window* window : zOrder_) {
    auto index = displayIndexFor(window->bounds);
    if (!index) continue;  // on no display: stays where it is
    const Rect& on = displays_[*index].bounds;
    placements.push_back({window->number,
                          displays_[*index].id,
                          {window->bounds.minX() - on.minX(), window->bounds.minY() - on.minY()}});
  }
  displays_ = displays;
  for (const auto& display : displays_) nextDisplay_ = std::max(nextDisplay_, display.id + 1);
  for (const auto& placement : placements) {
    Window& window = windows_.at(placement.number);
    auto kept = std::find_if(displays_.begin(), displays_.end(),
                             [&](const SimDisplay& d) { return d.id == placement.display; });
    const bool stays = kept != displays_.end();
    const Rect to = stays ? kept->bounds : displays_.front().bounds;
    Rect frame = window.bounds;
    frame.origin = {to.minX() + placement.offset.x, to.minY() + placement.offset.y};
    if (!stays) {
      if (frame.maxX() > to.maxX()) frame.origin.x = std::max(to.minX(), to.maxX() - frame.width());
      if (frame.maxY() > to.maxY()) frame.origin.y = std::max(to.minY(), to.maxY() - frame.height());
    }
    if (window.fullScreen) {
      window.frameBeforeFullScreen.origin.x += frame.minX() - window.bounds.minX();
      window.frameBeforeFullScreen.origin.y += frame.minY() - window.bounds.minY();
      frame = to;
    }
    setFrameLocked(placement.number, frame);
  }
  postScreensChanged();
}

std::vector<SimDisplay> SimulatedMac::displays() const {
  Lock lock(anchor_->mutex);
  return displays_;
}

// ---- Reopen and URLs ----

void SimulatedMac::handleReopen(int32_t pid) {
  App* app = runningApp(pid);
  if (!app) return;
  const WindowOrder& mine = app->windows;
  bool hasVisible = std::any_of(mine.begin(), mine.end(), [&](const Window* w) { return isVisible(*w); });
  if (hasVisible) return;
  for (const Window* window : mine)
    if (window->minimized) {
      // Restoring reorders the list being walked: stop right after it.
      setMinimizedLocked(window->number, false);
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

// ---- Faults ----

void SimulatedMac::setAXError(int32_t pid, std::optional<AXError> error) {
  setAppFault(pid, &App::axError, error);
}

void SimulatedMac::setHung(int32_t pid, bool hung) {
  setAppFault(pid, &App::hung, hung);
}

namespace {
template <class Map>
void setOrErase(Map& map, const std::string& key, std::optional<AXError> error) {
  if (error)
    map[key] = *error;
  else
    map.erase(key);
}
}  // namespace

void SimulatedMac::setAttributeReadError(int32_t pid, const std::string& attribute,
                                         std::optional<AXError> error) {
  Lock lock(anchor_->mutex);
  if (App* app = findApp(pid)) setOrErase(app->readErrors, attribute, error);
}

void SimulatedMac::setAttributeWriteError(int32_t pid, const std::string& attribute,
                                          std::optional<AXError> error) {
  Lock lock(anchor_->mutex);
  if (App* app = findApp(pid)) setOrErase(app->writeErrors, attribute, error);
}

void SimulatedMac::setWindowAttributeReadError(WindowID window, const std::string& attribute,
                                               std::optional<AXError> error) {
  Lock lock(anchor_->mutex);
  if (Window* w = findWindow(window)) setOrErase(w->readErrors, attribute, error);
}

void SimulatedMac::setActionError(int32_t pid, const std::string& action, std::optional<AXError> error) {
  Lock lock(anchor_->mutex);
  if (App* app = findApp(pid)) setOrErase(app->actionErrors, action, error);
}

void SimulatedMac::setRefusesAttributeWrites(int32_t pid, std::optional<AXError> error) {
  setAppFault(pid, &App::refusedWriteError, error);
}

void SimulatedMac::setWindowNumberUnavailable(WindowID window, bool unavailable) {
  Lock lock(anchor_->mutex);
  if (Window* w = findWindow(window)) w->numberUnavailable = unavailable;
}

void SimulatedMac::setObserverCreationError(int32_t pid, std::optional<AXError> error) {
  setAppFault(pid, &App::observerCreationError, error);
}

void SimulatedMac::setRefusesActivation(int32_t pid, bool refuses) {
  setAppFault(pid, &App::refusesActivation, refuses);
}

void SimulatedMac::setIgnoresTerminate(int32_t pid, bool ignores) {
  setAppFault(pid, &App::ignoresTerminate, ignores);
}

void SimulatedMac::setReopenEventFails(int32_t pid, bool fails) {
  setAppFault(pid, &App::reopenFails, fails);
}

void SimulatedMac::setOpensWindowOnReopen(int32_t pid, bool opens) {
  setAppFault(pid, &App::opensWindowOnReopen, opens);
}

void SimulatedMac::setRestoresFrameAfterWrite(int32_t pid, bool restores) {
  setAppFault(pid, &App::restoresFrameAfterWrite, restores);
}

void SimulatedMac::setRestoresMinimizedWindowsOnActivation(int32_t pid, bool restores) {
  setAppFault(pid, &App::restoresMinimizedOnActivation, restores);
}

void SimulatedMac::setWindowListUnavailable(bool unavailable) {
  Lock lock(anchor_->mutex);
  windowListUnavailable_ = unavailable;
}

void SimulatedMac::addRawWindowListRow(const platform::WindowInfo& row, bool atFront) {
  Lock lock(anchor_->mutex);
  rawRows_.push_back({row, atFront});
}

void SimulatedMac::setDisplayListError(std::optional<platform::CGError> error) {
  Lock lock(anchor_->mutex);
  displayListError_ = error;
}

void SimulatedMac::setWindowCaptureFails(bool fails) {
  Lock lock(anchor_->mutex);
  captureFails_ = fails;
}

void SimulatedMac::setTinyWindowImages(bool tiny) {
  Lock lock(anchor_->mutex);
  tinyImages_ = tiny;
}

void SimulatedMac::setWindowCaptureSlowdown(int times) {
  Lock lock(anchor_->mutex);
  captureSlowdown_ = std::max(1, times);
}

int SimulatedMac::windowCaptureCount() const {
  Lock lock(anchor_->mutex);
  return captureCount_;
}

// ---- Observations ----

std::vector<SimAction> SimulatedMac::actions() const {
  Lock lock(anchor_->mutex);
  return {actions_.begin(), actions_.end()};
}

std::vector<std::string> SimulatedMac::actionTexts() const {
  Lock lock(anchor_->mutex);
  std::vector<std::string> texts;
  for (const auto& action : actions_) texts.push_back(action.text);
  return texts;
}

void SimulatedMac::clearActions() {
  Lock lock(anchor_->mutex);
  actions_.clear();
}

std::vector<std::string> SimulatedMac::openedURLs() const {
  Lock lock(anchor_->mutex);
  return {openedURLs_.begin(), openedURLs_.end()};
}

int SimulatedMac::axRequestCount(int32_t pid) const {
  return appField(pid, &App::axRequests);
}

double SimulatedMac::hungWaitSeconds(int32_t pid) const {
  return appField(pid, &App::hungWait);
}

int SimulatedMac::liveObserverCount(int32_t pid) const {
  Lock lock(anchor_->mutex);
  const App* app = findApp(pid);
  if (!app) return 0;
  return static_cast<int>(std::count_if(app->observers.begin(), app->observers.end(),
                                        [](const auto& weak) { return !weak.expired(); }));
}

}  // namespace pelko::sim
