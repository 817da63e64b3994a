#include "platform/sim/SimulatedMac.h"

#include <algorithm>
#include <stdexcept>

namespace pelko::sim {

using platform::WorkspaceNotificationName;

using Lock = std::lock_guard<std::recursive_mutex>;

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

}  // namespace pelko::sim
