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

// Whether a row of the window list is a window worth an entry.
bool isDetailedWindow(const platform::WindowListRow& fields,
                      const std::unordered_set<int64_t>& recentlyDestroyed, int32_t ownPID) {
  if (!fields.ownerPID || !fields.layer || !fields.number || !fields.bounds) return false;
  if (*fields.ownerPID == ownPID) {
    // Of the system's own windows only the settings window counts, on whatever layer.
    if (!fields.name || !fields.name->starts_with(AppTracker::kSettingsWindowTitlePrefix)) return false;
  } else if (*fields.layer != 0) {
    return false;
  }
  if (!(fields.bounds->width() > 50 && fields.bounds->height() > 50)) return false;
  return !recentlyDestroyed.count(*fields.number);
}

}  // namespace

AppTracker::WindowsByProcess AppTracker::windowsByProcess(const std::vector<RowFields>& rows,
                                                          const WindowNumberSet& recentlyDestroyed,
                                                          const Geometry& geometry, int32_t ownPID) {
  // Counted first, so each process's list is made at its size once.
  std::unordered_map<int32_t, size_t> counts;
  for (const auto& fields : rows)
    if (isDetailedWindow(fields, recentlyDestroyed, ownPID)) ++counts[*fields.ownerPID];
  WindowsByProcess result;
  result.reserve(counts.size());
  for (const auto& [pid, count] : counts) result[pid].reserve(count);
  for (const auto& fields : rows) {
    if (!isDetailedWindow(fields, recentlyDestroyed, ownPID)) continue;
    result[*fields.ownerPID].push_back(WindowInfo{*fields.ownerPID, *fields.number,
                                                  fields.name ? *fields.name : std::string(), *fields.bounds,
                                                  displayIDForBounds(*fields.bounds, geometry)});
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

std::optional<int64_t> AppTracker::frontWindowNumber(const RowFields& row, int32_t pid) {
  if (row.ownerPID != pid || row.layer != 0 || !row.number || !row.bounds) return std::nullopt;
  if (row.bounds->width() > 50 && row.bounds->height() > 50) return *row.number;
  return std::nullopt;
}

std::optional<int64_t> AppTracker::frontWindowInRows(const std::vector<RowFields>& rows, int32_t pid) {
  for (const auto& row : rows)
    if (auto front = frontWindowNumber(row, pid)) return front;
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

bool AppTracker::WindowDiscovery::AXWindowMaps::isMinimized(int64_t number) const {
  auto it = windows_.find(number);
  return it != windows_.end() && it->second.minimized.value_or(false);
}

const std::string* AppTracker::WindowDiscovery::AXWindowMaps::title(int64_t number) {
  auto it = windows_.find(number);
  if (it == windows_.end()) return nullptr;
  auto& window = it->second;
  if (!window.titleRead) {
    window.titleRead = true;
    auto title = discovery_->copy(*window.element, platform::ax::kTitle);
    if (title.ok() && title.value && title.value->asString()) window.title = *title.value->asString();
  }
  return window.title.empty() ? nullptr : &window.title;
}

const std::vector<std::optional<int64_t>>& AppTracker::WindowDiscovery::cachedWindowNumbers(int32_t pid) {
  if (auto it = windowNumberCache_.find(pid); it != windowNumberCache_.end()) return it->second;
  const auto& elements = cachedAXWindows(pid);
  std::vector<std::optional<int64_t>> numbers;
  numbers.reserve(elements.size());
  for (const auto& element : elements) numbers.push_back(windowNumberOf(element));
  return windowNumberCache_.emplace(pid, std::move(numbers)).first->second;
}

AppTracker::WindowDiscovery::AXWindowMaps AppTracker::WindowDiscovery::buildAXWindowMaps(
    int32_t pid, const std::vector<WindowInfo>& cgWindows) {
  AXWindowMaps maps;
  maps.discovery_ = this;
  const auto& elements = cachedAXWindows(pid);
  maps.windows_.reserve(elements.size());
  maps.order_.reserve(elements.size());
  WindowNumberSet matched;
  std::vector<const AXElement*> unresolved;
  auto readAttributes = [&](const AXElement& element, int64_t number) {
    auto [it, inserted] = maps.windows_.try_emplace(number);
    if (inserted) maps.order_.push_back(number);
    it->second.element = &element;
    auto minimized = copy(element, platform::ax::kMinimized);
    if (minimized.ok() && minimized.value && minimized.value->asBool())
      it->second.minimized = *minimized.value->asBool();
  };

  const auto& numbers = cachedWindowNumbers(pid);
  for (size_t i = 0; i < elements.size(); ++i) {
    if (const auto& number = numbers[i]) {
      matched.insert(*number);
      readAttributes(elements[i], *number);
    } else {
      unresolved.push_back(&elements[i]);
    }
  }
  if (unresolved.empty() || cgWindows.empty()) return maps;
  for (const AXElement* element : unresolved) {
    auto frame = helper_.axBounds(*element);
    if (!frame) continue;
    const WindowInfo* match = bestBoundsMatch(*frame, cgWindows, matched);
    if (!match) continue;
    matched.insert(match->number);
    readAttributes(*element, match->number);
  }
  return maps;
}

AppTracker::WindowDiscovery::StandardWindows AppTracker::WindowDiscovery::getStandardWindowNumbers(
    int32_t pid, const std::vector<WindowInfo>& cgWindows) {
  StandardWindows result;
  const auto& elements = cachedAXWindows(pid);
  result.order.reserve(elements.size());
  result.members.reserve(elements.size());
  std::vector<const AXElement*> unresolved;
  const auto& numbers = cachedWindowNumbers(pid);
  for (size_t i = 0; i < elements.size(); ++i) {
    auto subrole = copy(elements[i], platform::ax::kSubrole);
    // A subrole that cannot be read counts as a standard window.
    if (subrole.ok() && subrole.value && subrole.value->asString() &&
        *subrole.value->asString() != platform::ax::kStandardWindowSubrole)
      continue;
    if (const auto& number = numbers[i]) {
      if (result.members.insert(*number).second) result.order.push_back(*number);
    } else {
      unresolved.push_back(&elements[i]);
    }
  }
  if (unresolved.empty() || cgWindows.empty()) return result;
  for (const AXElement* element : unresolved) {
    auto frame = helper_.axBounds(*element);
    if (!frame) continue;
    const WindowInfo* match = bestBoundsMatch(*frame, cgWindows, result.members);
    if (!match) continue;
    result.members.insert(match->number);
    result.order.push_back(match->number);
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
