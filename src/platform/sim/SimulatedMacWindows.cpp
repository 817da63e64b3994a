#include "platform/sim/SimulatedMac.h"

#include <algorithm>
#include <stdexcept>

namespace pelko::sim {

namespace ax = platform::ax;

using Lock = std::lock_guard<std::recursive_mutex>;

// ---- Windows ----

WindowID SimulatedMac::openWindow(int32_t pid, const SimWindowSetup& setup) {
  Lock lock(anchor_->mutex);
  App* app = runningApp(pid);
  if (!app) throw std::invalid_argument("openWindow: no such process");
  Window window;
  window.number = nextWindow_++;
  window.owner = pid;
  window.layer = setup.layer;
  window.listedInAccessibility = setup.listedInAccessibility;
  window.listedInWindowList = setup.listedInWindowList;
  window.subrole = internSubrole(setup.subrole);
  window.hasCloseButton = setup.hasCloseButton;
  window.alpha = setup.alpha;
  window.minimumSize = setup.minimumSize;
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
      if ((*position)->layer == setup.layer) passedInLayer = *position;
  }
  Window& stored = windows_.emplace(number, std::move(window)).first->second;
  windowIndex_.insert(number, &stored);
  stored.inWorld = zOrder_.insert(position, &stored);
  app->windows.insert(app->windows.begin(), AppWindow{&stored, number, stored.space, stored.minimized,
                                                      stored.listedInAccessibility});
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
  if (App* app = findApp(pid))
    std::erase_if(app->windows, [&](const AppWindow& entry) { return entry.window == window; });
  auto layer = layers_.find(window->layer);
  layer->second.erase(window->inLayer);
  if (layer->second.empty()) layers_.erase(layer);
  windowIndex_.erase(number);
  windows_.erase(number);
  passMainAndFocusOn(pid, number);
}

void SimulatedMac::passMainAndFocusOn(int32_t pid, WindowID leaving) {
  App* app = findApp(pid);
  if (!app || (app->mainWindow != leaving && app->focusedWindow != leaving)) return;
  WindowID next = 0;
  for (const AppWindow& entry : app->windows)
    if (entry.number != leaving && isVisible(*entry.window)) {
      next = entry.number;
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
  if (App* app = findApp(window.owner)) {
    AppWindow* entry = &appEntry(window);
    std::rotate(app->windows.data(), entry, entry + 1);
  }
  WindowOrder& layer = layers_.at(window.layer);
  layer.splice(layer.begin(), layer, window.inLayer);
}

void SimulatedMac::setFrameLocked(WindowID number, Rect frame) {
  Window* window = findWindow(number);
  if (!window) return;
  frame.size.width = std::max(frame.size.width, window->minimumSize.width);
  frame.size.height = std::max(frame.size.height, window->minimumSize.height);
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
  appEntry(*window).minimized = minimized;
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
  if (Window* window = findWindow(number)) {
    window->space = space;
    appEntry(*window).space = space;
  }
}

std::optional<SimWindowState> SimulatedMac::window(WindowID number) const {
  Lock lock(anchor_->mutex);
  const Window* window = findWindow(number);
  if (!window) return std::nullopt;
  return SimWindowState{window->number,      window->owner,
                        window->title,       window->bounds,
                        window->layer,       window->subrole ? std::optional(*window->subrole) : std::nullopt,
                        window->minimized,   window->fullScreen,
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

}  // namespace pelko::sim
