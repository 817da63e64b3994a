#include "platform/sim/SimWindowServer.h"

#include <algorithm>
#include <cmath>

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
  add(key::kAlpha, window.alpha);
  add(key::kBounds, platform::rectDictionary(window.bounds));
  if (onScreen) add(key::kIsOnscreen, true);
  add(key::kLayer, static_cast<int64_t>(window.layer));
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

namespace {

uint32_t argb(double r, double g, double b) {
  auto channel = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
  return 0xFF000000u | channel(r) << 16 | channel(g) << 8 | channel(b);
}

// What a window looks like: a light title strip of 28 points, the body in a pale tint of the
// application's icon colour, crossed by diagonal stripes whose spacing and direction depend on the window
// number, so that two windows' pictures tell apart.
void renderWindow(platform::WindowImage& image, WindowID number, const Color& tint, double scale) {
  const uint32_t strip = argb(0.86, 0.86, 0.88);
  const uint32_t body = argb(0.55 + 0.45 * tint.red, 0.55 + 0.45 * tint.green, 0.55 + 0.45 * tint.blue);
  const uint32_t stripe = argb(0.75 * tint.red, 0.75 * tint.green, 0.75 * tint.blue);
  const int stripHeight = std::min(image.height, static_cast<int>(28 * scale));
  const int period = static_cast<int>((12 + (number % 5) * 6) * scale);
  const int width = std::max(1, static_cast<int>(3 * scale));
  const bool rising = number % 2 == 0;
  for (int y = 0; y < image.height; ++y) {
    uint32_t* row = image.pixels.data() + static_cast<size_t>(y) * image.width;
    if (y < stripHeight) {
      std::fill(row, row + image.width, strip);
      continue;
    }
    for (int x = 0; x < image.width; ++x) {
      const int diagonal = rising ? x + y : x - y + image.height;
      row[x] = diagonal % period < width ? stripe : body;
    }
  }
}

}  // namespace

std::optional<platform::WindowImage> SimWindowServer::createWindowImage(WindowID window) {
  Rect bounds;
  Color tint{0.5, 0.5, 0.5, 1.0};
  double scale = 1.0;
  int repeats = 1;
  bool tiny = false;
  {
    Lock lock(mac_.anchor_->mutex);
    const SimulatedMac::Window* found = mac_.findWindow(window);
    if (!found || found->closed || mac_.windowServerFaults_.captureFails) return std::nullopt;
    bounds = found->bounds;
    if (const SimulatedMac::App* app = mac_.findApp(found->owner); app && app->setup.icon)
      tint = app->setup.icon->color;
    auto index = mac_.displayIndexFor(bounds);
    if (!index && !mac_.displays_.empty()) index = 0;
    if (index) scale = mac_.displays_[*index].scale;
    repeats = mac_.windowServerFaults_.captureSlowdown;
    tiny = mac_.windowServerFaults_.tinyImages;
    ++mac_.captureCount_;
  }
  platform::WindowImage image;
  image.width = tiny ? 8 : std::max(1, static_cast<int>(std::lround(bounds.size.width * scale)));
  image.height = tiny ? 8 : std::max(1, static_cast<int>(std::lround(bounds.size.height * scale)));
  image.pixels.assign(static_cast<size_t>(image.width) * image.height, 0);
  // The world's lock is not held while drawing: a capture takes long and other threads read the world.
  for (int i = 0; i < repeats; ++i) renderWindow(image, window, tint, scale);
  return image;
}

template <class Visit>
SimWindowServer::Answer SimWindowServer::forEachSelected(uint32_t options, WindowID relativeToWindow,
                                                         Visit&& visit) const {
  if (mac_.windowServerFaults_.windowListUnavailable) return Answer::none;

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
        if (!window->listedInWindowList) continue;
        if (mac_.isOnScreen(*window))
          each(*window, true);
        else
          anyOffScreen = true;
      }
    if (!anyOffScreen) return;
    for (const auto& [layer, windows] : mac_.layers_)
      for (const SimulatedMac::Window* window : windows)
        if (window->listedInWindowList && !mac_.isOnScreen(*window)) each(*window, false);
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
    if ((options & platform::kWindowListExcludeDesktopElements) && isDesktopElement(window.layer)) return;
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
  row.layer = window.layer;
  row.number = window.number;
  row.bounds = window.bounds;
  if (nameIsReadable(window)) row.name = window.title;
  return row;
}

std::optional<std::vector<platform::WindowInfo>> SimWindowServer::copyWindowInfo(uint32_t options,
                                                                                 WindowID relativeToWindow) {
  Lock lock(mac_.anchor_->mutex);
  std::vector<platform::WindowInfo> result;
  result.reserve(mac_.windows_.size() + mac_.windowServerFaults_.rawRows.size());
  for (const auto& [row, atFront] : mac_.windowServerFaults_.rawRows)
    if (atFront) result.push_back(row);
  const Answer answer = forEachSelected(options, relativeToWindow, [&](const auto& window, bool onScreen) {
    result.push_back(describe(window, onScreen));
  });
  if (answer == Answer::none) return std::nullopt;
  if (answer == Answer::emptyList) return decltype(result){};
  for (const auto& [row, atFront] : mac_.windowServerFaults_.rawRows)
    if (!atFront) result.push_back(row);
  return result;
}

std::optional<std::vector<platform::WindowListRow>> SimWindowServer::copyWindowListRows(
    uint32_t options, WindowID relativeToWindow) {
  Lock lock(mac_.anchor_->mutex);
  std::vector<platform::WindowListRow> result;
  result.reserve(mac_.windows_.size() + mac_.windowServerFaults_.rawRows.size());
  for (const auto& [row, atFront] : mac_.windowServerFaults_.rawRows)
    if (atFront) result.push_back(platform::decodeWindowListRow(row));
  const Answer answer = forEachSelected(options, relativeToWindow,
                                        [&](const auto& window, bool) { result.push_back(rowOf(window)); });
  if (answer == Answer::none) return std::nullopt;
  if (answer == Answer::emptyList) return decltype(result){};
  for (const auto& [row, atFront] : mac_.windowServerFaults_.rawRows)
    if (!atFront) result.push_back(platform::decodeWindowListRow(row));
  return result;
}

platform::DisplayListResult SimWindowServer::onlineDisplayList() {
  Lock lock(mac_.anchor_->mutex);
  if (mac_.windowServerFaults_.displayListError) return {*mac_.windowServerFaults_.displayListError, {}};
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
