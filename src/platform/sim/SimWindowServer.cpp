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

platform::WindowInfo SimWindowServer::describe(const SimulatedMac::Window& window, bool onScreen) const {
  // Keys go in in their sorted order, so that each one lands at the end without a search.
  platform::WindowInfo info;
  auto add = [&info](const char* name, platform::PlistValue value) {
    info.emplace_hint(info.end(), name, std::move(value));
  };
  add(key::kAlpha, window.setup.alpha);
  add(key::kBounds, platform::rectDictionary(window.bounds));
  if (onScreen) add(key::kIsOnscreen, true);
  add(key::kLayer, static_cast<int64_t>(window.setup.layer));
  add(key::kMemoryUsage, int64_t{1024});
  if (nameIsReadable(window)) add(key::kName, window.title);
  add(key::kNumber, static_cast<int64_t>(window.number));
  const SimulatedMac::App* app = mac_.findApp(window.owner);
  if (app && app->setup.name) add(key::kOwnerName, *app->setup.name);
  add(key::kOwnerPID, static_cast<int64_t>(window.owner));
  add(key::kSharingState, int64_t{1});
  add(key::kStoreType, int64_t{1});
  return info;
}

template <class Visit>
SimWindowServer::Answer SimWindowServer::forEachSelected(uint32_t options, WindowID relativeToWindow,
                                                         Visit&& visit) const {
  if (mac_.windowListUnavailable_) return Answer::none;

  const bool above = options & platform::kWindowListOptionOnScreenAboveWindow;
  const bool below = options & platform::kWindowListOptionOnScreenBelowWindow;
  const bool including = options & platform::kWindowListOptionIncludingWindow;
  const bool onScreenOnly = (options & platform::kWindowListOptionOnScreenOnly) || above || below;
  const bool relative = relativeToWindow != platform::kNullWindowID && (above || below || including);

  // Front to back: the windows on screen, then those off screen, each by layer (highest first) and
  // within a layer by window order. The layers keep that order, so it is walked rather than built.
  auto forEachListed = [this](auto&& each) {
    bool anyOffScreen = false;
    for (const auto& [layer, windows] : mac_.layers_)
      for (const SimulatedMac::Window* window : windows) {
        if (!window->setup.listedInWindowList) continue;
        if (mac_.isOnScreen(*window))
          each(*window, true);
        else
          anyOffScreen = true;
      }
    if (!anyOffScreen) return;
    for (const auto& [layer, windows] : mac_.layers_)
      for (const SimulatedMac::Window* window : windows)
        if (window->setup.listedInWindowList && !mac_.isOnScreen(*window)) each(*window, false);
  };

  std::optional<size_t> anchorIndex;
  if (relative) {
    size_t index = 0;
    forEachListed([&](const SimulatedMac::Window& window, bool) {
      if (window.number == relativeToWindow) anchorIndex = index;
      ++index;
    });
    if (!anchorIndex && (above || below)) return Answer::emptyList;
  }

  size_t index = 0;
  forEachListed([&](const SimulatedMac::Window& window, bool onScreen) {
    const size_t i = index++;
    if (relative) {
      bool isAnchor = anchorIndex && i == *anchorIndex;
      bool keep = (isAnchor && including) || (anchorIndex && above && i < *anchorIndex) ||
                  (anchorIndex && below && i > *anchorIndex);
      if (!keep) return;
    }
    if (onScreenOnly && !onScreen) return;
    if ((options & platform::kWindowListExcludeDesktopElements) && isDesktopElement(window.setup.layer))
      return;
    visit(window, onScreen);
  });
  return Answer::windows;
}

bool SimWindowServer::nameIsReadable(const SimulatedMac::Window& window) const {
  // Other applications' window names are private unless screen capture is allowed.
  return mac_.permissions_.screenCaptureGranted || window.owner == mac_.appShell_.pid;
}

// What describe() holds, read straight from the window.
platform::WindowListRow SimWindowServer::rowOf(const SimulatedMac::Window& window) const {
  platform::WindowListRow row;
  row.ownerPID = window.owner;
  row.layer = window.setup.layer;
  row.number = window.number;
  row.bounds = window.bounds;
  if (nameIsReadable(window)) row.name = window.title;
  return row;
}

std::optional<std::vector<platform::WindowInfo>> SimWindowServer::copyWindowInfo(uint32_t options,
                                                                                 WindowID relativeToWindow) {
  Lock lock(mac_.anchor_->mutex);
  std::vector<platform::WindowInfo> result;
  result.reserve(mac_.windows_.size() + mac_.rawRows_.size());
  for (const auto& [row, atFront] : mac_.rawRows_)
    if (atFront) result.push_back(row);
  const Answer answer = forEachSelected(options, relativeToWindow, [&](const auto& window, bool onScreen) {
    result.push_back(describe(window, onScreen));
  });
  if (answer == Answer::none) return std::nullopt;
  if (answer == Answer::emptyList) return decltype(result){};
  for (const auto& [row, atFront] : mac_.rawRows_)
    if (!atFront) result.push_back(row);
  return result;
}

std::optional<std::vector<platform::WindowListRow>> SimWindowServer::copyWindowListRows(
    uint32_t options, WindowID relativeToWindow) {
  Lock lock(mac_.anchor_->mutex);
  std::vector<platform::WindowListRow> result;
  result.reserve(mac_.windows_.size() + mac_.rawRows_.size());
  for (const auto& [row, atFront] : mac_.rawRows_)
    if (atFront) result.push_back(platform::decodeWindowListRow(row));
  const Answer answer = forEachSelected(options, relativeToWindow,
                                        [&](const auto& window, bool) { result.push_back(rowOf(window)); });
  if (answer == Answer::none) return std::nullopt;
  if (answer == Answer::emptyList) return decltype(result){};
  for (const auto& [row, atFront] : mac_.rawRows_)
    if (!atFront) result.push_back(platform::decodeWindowListRow(row));
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
