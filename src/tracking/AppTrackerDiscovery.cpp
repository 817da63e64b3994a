#include <cmath>
#include <limits>

#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"

// Window discovery: reading the window server's list and each application's Accessibility windows.
// These run on the work queue inside a pass (and, with a discovery of its own, for windowNumbers()).

namespace pelko {

using platform::AXElement;
using platform::AXError;

namespace {

// Built once, so looking a key up in a row does not build a string each time.
const std::string& ownerPIDKey() {
  static const std::string key = platform::window_key::kOwnerPID;
  return key;
}
const std::string& layerKey() {
  static const std::string key = platform::window_key::kLayer;
  return key;
}
const std::string& numberKey() {
  static const std::string key = platform::window_key::kNumber;
  return key;
}
const std::string& nameKey() {
  static const std::string key = platform::window_key::kName;
  return key;
}

const platform::PlistValue* find(const platform::WindowInfo& row, const std::string& key) {
  auto it = row.find(key);
  return it == row.end() ? nullptr : &it->second;
}

}  // namespace

AppTracker::RowFields AppTracker::readRow(const platform::WindowInfo& row) {
  RowFields fields;
  if (const auto* value = find(row, ownerPIDKey())) {
    if (const auto* pid = value->asInteger();
        pid && *pid >= std::numeric_limits<int32_t>::min() && *pid <= std::numeric_limits<int32_t>::max())
      fields.ownerPID = static_cast<int32_t>(*pid);
  }
  if (const auto* value = find(row, layerKey())) {
    if (const auto* layer = value->asInteger()) fields.layer = *layer;
  }
  if (const auto* value = find(row, numberKey())) {
    if (const auto* number = value->asInteger()) fields.number = *number;
  }
  if (const auto* value = find(row, nameKey())) fields.name = value->asString();
  fields.bounds = cgWindowBounds(row);
  return fields;
}

std::vector<AppTracker::WindowInfo> AppTracker::getDetailedWindowList(
    const std::vector<platform::WindowInfo>& rawList, const WindowNumberSet& recentlyDestroyed,
    const Geometry& geometry, int32_t ownPID) {
  std::vector<WindowInfo> result;
  result.reserve(rawList.size() / 4);
  for (const auto& row : rawList) {
    RowFields fields = readRow(row);
    if (!fields.ownerPID || !fields.layer || !fields.number || !fields.bounds) continue;
    if (*fields.ownerPID == ownPID) {
      // Of the system's own windows only the settings window counts, on whatever layer.
      if (!fields.name || !fields.name->starts_with(kSettingsWindowTitlePrefix)) continue;
    } else if (*fields.layer != 0) {
      continue;
    }
    if (!(fields.bounds->width() > 50 && fields.bounds->height() > 50)) continue;
    if (recentlyDestroyed.count(*fields.number)) continue;
    result.push_back(WindowInfo{*fields.ownerPID, *fields.number, fields.name ? *fields.name : std::string(),
                                *fields.bounds, displayIDForBounds(*fields.bounds, geometry)});
  }
  return result;
}

std::optional<uint32_t> AppTracker::displayIDForBounds(const Rect& bounds, const Geometry& geometry) {
  if (geometry.empty()) return std::nullopt;
  if (geometry.size() == 1) return geometry.front().id;
  uint32_t best = geometry.front().id;
  double bestArea = 0;
  for (const auto& display : geometry) {
    double area = bounds.intersectionArea(display.bounds);
    if (area > bestArea) {
      bestArea = area;
      best = display.id;
    }
  }
  if (bestArea > 0) return best;
  return std::nullopt;
}

const AppTracker::WindowInfo* AppTracker::bestBoundsMatch(const Rect& axBounds,
                                                          const std::vector<WindowInfo>& candidates,
                                                          const WindowNumberSet& alreadyMatched) {
  const WindowInfo* best = nullptr;
  double bestScore = std::numeric_limits<double>::max();
  for (const auto& candidate : candidates) {
    if (alreadyMatched.count(candidate.number)) continue;
    double dx = std::abs(axBounds.origin.x - candidate.bounds.origin.x);
    double dy = std::abs(axBounds.origin.y - candidate.bounds.origin.y);
    double dw = std::abs(axBounds.width() - candidate.bounds.width());
    double dh = std::abs(axBounds.height() - candidate.bounds.height());
    if (!(dx <= 10 && dy <= 10 && dw <= 30 && dh <= 30)) continue;
    double score = dx + dy + dw + dh;
    if (score < bestScore) {
      bestScore = score;
      best = &candidate;
    }
  }
  return best;
}

std::optional<int64_t> AppTracker::frontWindowInRawList(const std::vector<platform::WindowInfo>& rawList,
                                                        int32_t pid) {
  for (const auto& row : rawList) {
    RowFields fields = readRow(row);
    if (!fields.ownerPID || *fields.ownerPID != pid) continue;
    if (!fields.layer || *fields.layer != 0 || !fields.number || !fields.bounds) continue;
    if (fields.bounds->width() > 50 && fields.bounds->height() > 50) return *fields.number;
  }
  return std::nullopt;
}

AppTracker::WindowDiscovery::WindowDiscovery(platform::Accessibility& accessibility,
                                             AccessibilityHelper& helper, Scheduler& scheduler, bool trusted,
                                             TimeoutMap timeouts)
    : accessibility_(accessibility),
      helper_(helper),
      scheduler_(scheduler),
      trusted_(trusted),
      timeouts_(std::move(timeouts)) {}

bool AppTracker::WindowDiscovery::isBackedOff(int32_t pid) {
  auto it = timeouts_.find(pid);
  if (it == timeouts_.end()) return false;
  if (scheduler_.now() - it->second < kTimeoutBackoff) return true;
  timeouts_.erase(it);
  return false;
}

platform::AXCopyResult AppTracker::WindowDiscovery::copy(const AXElement& element,
                                                         std::string_view attribute) {
  return accessibility_.copyAttributeValue(element, attribute);
}

std::optional<int64_t> AppTracker::WindowDiscovery::windowNumberOf(const AXElement& element) {
  auto result = accessibility_.windowNumber(element);
  if (!result.ok()) return std::nullopt;
  return static_cast<int64_t>(result.windowNumber);
}

const std::vector<AXElement>& AppTracker::WindowDiscovery::cachedAXWindows(int32_t pid) {
  static const std::vector<AXElement> kNone;
  if (auto it = axWindowCache_.find(pid); it != axWindowCache_.end()) return it->second;
  if (!trusted_) return kNone;
  auto& cached = axWindowCache_[pid];
  if (isBackedOff(pid)) return cached;
  auto windows = copy(helper_.appElement(pid, kPassMessagingTimeout), platform::ax::kWindows);
  if (windows.error == AXError::cannotComplete) {
    timeouts_[pid] = scheduler_.now();
  } else if (windows.ok() && windows.value) {
    if (const auto* list = windows.value->asElements()) cached = *list;
  }
  return cached;
}

AppTracker::WindowDiscovery::AXWindowMaps AppTracker::WindowDiscovery::buildAXWindowMaps(
    int32_t pid, const std::vector<WindowInfo>& cgWindows) {
  AXWindowMaps maps;
  WindowNumberSet matched;
  std::vector<AXElement> unresolved;
  auto readAttributes = [&](const AXElement& element, int64_t number) {
    auto minimized = copy(element, platform::ax::kMinimized);
    if (minimized.ok() && minimized.value && minimized.value->asBool())
      maps.minimized[number] = *minimized.value->asBool();
    auto title = copy(element, platform::ax::kTitle);
    if (title.ok() && title.value && title.value->asString() && !title.value->asString()->empty()) {
      if (maps.titles.insert_or_assign(number, *title.value->asString()).second)
        maps.titleOrder.push_back(number);
    }
  };

  for (const auto& element : cachedAXWindows(pid)) {
    if (auto number = windowNumberOf(element)) {
      matched.insert(*number);
      readAttributes(element, *number);
    } else {
      unresolved.push_back(element);
    }
  }
  if (unresolved.empty() || cgWindows.empty()) return maps;
  for (const auto& element : unresolved) {
    auto frame = helper_.axBounds(element);
    if (!frame) continue;
    const WindowInfo* match = bestBoundsMatch(*frame, cgWindows, matched);
    if (!match) continue;
    matched.insert(match->number);
    readAttributes(element, match->number);
  }
  return maps;
}

std::vector<int64_t> AppTracker::WindowDiscovery::getStandardWindowNumbers(
    int32_t pid, const std::vector<WindowInfo>& cgWindows) {
  std::vector<int64_t> result;
  WindowNumberSet members;
  std::vector<AXElement> unresolved;
  for (const auto& element : cachedAXWindows(pid)) {
    auto subrole = copy(element, platform::ax::kSubrole);
    // A subrole that cannot be read counts as a standard window.
    if (subrole.ok() && subrole.value && subrole.value->asString() &&
        *subrole.value->asString() != platform::ax::kStandardWindowSubrole)
      continue;
    if (auto number = windowNumberOf(element)) {
      if (members.insert(*number).second) result.push_back(*number);
    } else {
      unresolved.push_back(element);
    }
  }
  if (unresolved.empty() || cgWindows.empty()) return result;
  for (const auto& element : unresolved) {
    auto frame = helper_.axBounds(element);
    if (!frame) continue;
    const WindowInfo* match = bestBoundsMatch(*frame, cgWindows, members);
    if (!match) continue;
    members.insert(match->number);
    result.push_back(match->number);
  }
  return result;
}

bool AppTracker::WindowDiscovery::allStandardWindowsMinimized(int32_t pid) {
  bool any = false;
  for (const auto& element : cachedAXWindows(pid)) {
    auto subrole = copy(element, platform::ax::kSubrole);
    if (subrole.ok() && subrole.value && subrole.value->asString() &&
        *subrole.value->asString() != platform::ax::kStandardWindowSubrole)
      continue;
    any = true;
    auto minimized = copy(element, platform::ax::kMinimized);
    if (!(minimized.ok() && minimized.value && minimized.value->isTrue())) return false;
  }
  return any;
}

std::optional<int64_t> AppTracker::WindowDiscovery::focusedWindowNumber(int32_t pid) {
  if (!trusted_ || isBackedOff(pid)) return std::nullopt;
  auto focused = copy(helper_.appElement(pid, kPassMessagingTimeout), platform::ax::kFocusedWindow);
  if (focused.error == AXError::cannotComplete) {
    timeouts_[pid] = scheduler_.now();
    return std::nullopt;
  }
  if (!focused.ok() || !focused.value || !focused.value->asElement()) return std::nullopt;
  return windowNumberOf(*focused.value->asElement());
}

}  // namespace pelko
