#include "platform/sim/SimWindowServer.h"

#include <algorithm>

namespace pelko::sim {

using Lock = std::lock_guard<std::recursive_mutex>;
namespace key = platform::window_key;

namespace {
// Desktop elements are the wallpaper and the desktop icons, at and just above the desktop layer.
bool isDesktopElement(int layer) {
  return layer <= platform::window_layer::kDesktop + 20;
}
}  // namespace

platform::WindowInfo SimWindowServer::describe(const SimulatedMac::Window& window) const {
  platform::WindowInfo info;
  info[key::kNumber] = static_cast<int64_t>(window.number);
  info[key::kStoreType] = int64_t{1};
  info[key::kLayer] = static_cast<int64_t>(window.spec.layer);
  info[key::kBounds] = platform::rectDictionary(window.bounds);
  info[key::kSharingState] = int64_t{1};
  info[key::kAlpha] = window.spec.alpha;
  info[key::kOwnerPID] = static_cast<int64_t>(window.owner);
  info[key::kMemoryUsage] = int64_t{1024};
  const SimulatedMac::App* app = mac_.findApp(window.owner);
  if (app && app->spec.name) info[key::kOwnerName] = *app->spec.name;
  // Other applications' window names are private unless screen capture is allowed.
  if (mac_.permissions_.screenCaptureGranted || window.owner == mac_.appShell_.pid)
    info[key::kName] = window.title;
  if (mac_.isOnScreen(window)) info[key::kIsOnscreen] = true;
  return info;
}

std::optional<std::vector<platform::WindowInfo>> SimWindowServer::copyWindowInfo(uint32_t options,
                                                                                 WindowID relativeToWindow) {
  Lock lock(mac_.anchor_->mutex);
  if (mac_.windowListUnavailable_) return std::nullopt;

  std::vector<const SimulatedMac::Window*> ordered;
  for (WindowID number : mac_.zOrder_) {
    const auto& window = mac_.windows_.at(number);
    if (window.spec.listedInWindowList) ordered.push_back(&window);
  }
  std::stable_sort(ordered.begin(), ordered.end(), [&](const auto* a, const auto* b) {
    bool aOn = mac_.isOnScreen(*a), bOn = mac_.isOnScreen(*b);
    if (aOn != bOn) return aOn;
    return a->spec.layer > b->spec.layer;
  });

  const bool above = options & platform::kWindowListOptionOnScreenAboveWindow;
  const bool below = options & platform::kWindowListOptionOnScreenBelowWindow;
  const bool including = options & platform::kWindowListOptionIncludingWindow;
  const bool onScreenOnly = (options & platform::kWindowListOptionOnScreenOnly) || above || below;
  const bool relative = relativeToWindow != platform::kNullWindowID && (above || below || including);

  std::optional<size_t> anchorIndex;
  if (relative) {
    for (size_t i = 0; i < ordered.size(); ++i)
      if (ordered[i]->number == relativeToWindow) anchorIndex = i;
    if (!anchorIndex && (above || below)) return std::vector<platform::WindowInfo>{};
  }

  std::vector<platform::WindowInfo> result;
  for (const auto& [row, atFront] : mac_.rawRows_)
    if (atFront) result.push_back(row);
  for (size_t i = 0; i < ordered.size(); ++i) {
    const auto& window = *ordered[i];
    if (relative) {
      bool isAnchor = anchorIndex && i == *anchorIndex;
      bool keep = (isAnchor && including) || (anchorIndex && above && i < *anchorIndex) ||
                  (anchorIndex && below && i > *anchorIndex);
      if (!keep) continue;
    }
    if (onScreenOnly && !mac_.isOnScreen(window)) continue;
    if ((options & platform::kWindowListExcludeDesktopElements) && isDesktopElement(window.spec.layer))
      continue;
    result.push_back(describe(window));
  }
  for (const auto& [row, atFront] : mac_.rawRows_)
    if (!atFront) result.push_back(row);
  return result;
}

platform::DisplayListResult SimWindowServer::onlineDisplayList() {
  Lock lock(mac_.anchor_->mutex);
  if (mac_.displayListError_) return {*mac_.displayListError_, {}};
  platform::DisplayListResult result;
  for (const auto& display : mac_.displays_) result.displays.push_back(display.id);
  return result;
}

Rect SimWindowServer::displayBounds(DisplayID display) {
  Lock lock(mac_.anchor_->mutex);
  for (const auto& d : mac_.displays_)
    if (d.id == display) return d.bounds;
  return Rect();
}

DisplayID SimWindowServer::mainDisplayID() {
  Lock lock(mac_.anchor_->mutex);
  return mac_.displays_.empty() ? 0 : mac_.displays_.front().id;
}

}  // namespace pelko::sim
